// The search commands' rules without the toolkit: the go-to-line box and its list, the
// status texts, and the histories in the settings storage.
#include <gtest/gtest.h>

#include "search/searchHistory.h"
#include "shell/PmSearch.h"
#include "storage/PelmarStorage.h"
#include "support/testSupport.h"

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

TEST(PmSearchTest, GotoBoxTakesDigitsAndNamesALine) {
    for (const char16_t c : u"0123456789\b\r\x1b") {
        if (c != 0) {
            EXPECT_TRUE(GotoKeyAccepted(c)) << static_cast<int>(c);
        }
    }
    for (const char16_t c : {u'-', u'+', u' ', u'x', u'\t', u'\x0661'}) {
        EXPECT_FALSE(GotoKeyAccepted(c)) << static_cast<int>(c);
    }
    EXPECT_EQ(GotoLineNumber(u"0042"), 42);
    EXPECT_EQ(GotoLineNumber(u""), std::nullopt);
    EXPECT_EQ(GotoLineNumber(u"99999999999"), std::nullopt) << "no line that far";

    std::vector<std::u16string> items;
    AddGotoItem(items, u"10");
    AddGotoItem(items, u"20");
    AddGotoItem(items, u"10");
    AddGotoItem(items, u"");
    EXPECT_EQ(items, (std::vector<std::u16string>{u"20", u"10"})) << "the last one at the end";
}

TEST(PmSearchTest, StatusTextSaysWhereTheMatchStands) {
    TuniMemo::TMatchCount c;
    c.index = 3;
    c.total = 17;
    EXPECT_EQ(MatchCountText(c, u"von"), u"3 von 17");
    c.complete = false;
    EXPECT_EQ(MatchCountText(c, u"of"), u"3 of 17+");
    c.index = 0;
    EXPECT_EQ(MatchCountText(c, u"of"), u"? of 17+");
}

TEST(PmSearchTest, HistoriesGoToTheStorageAndComeBack) {
    TempDir dir;
    SetPelmarStorageFolder(dir.file("Storage"));
    SearchHistory().Clear();
    ReplaceHistory().Clear();
    SearchHistory().Add(u"first");
    SearchHistory().Add(u"z\u00FCrich");
    LoadSearchHistories(PelmarStorage());
    EXPECT_EQ(SearchHistory().Count(), 2) << "no file: the lists stay as they are";

    SaveSearchHistories(PelmarStorage());
    EXPECT_EQ(ReadBytes(dir.file("Storage/SearchHistory")), "z&#252;rich\r\nfirst\r\n");
    EXPECT_EQ(ReadBytes(dir.file("Storage/ReplaceHistory")), "");

    WriteBytes(dir.file("Storage/ReplaceHistory"), "one\r\ntwo\r\n");
    SearchHistory().Clear();
    LoadSearchHistories(PelmarStorage());
    EXPECT_EQ(SearchHistory().Text(0), u"z\u00FCrich");
    ASSERT_EQ(ReplaceHistory().Count(), 2);
    EXPECT_EQ(ReplaceHistory().Item(1), "two");
    SearchHistory().Clear();
    ReplaceHistory().Clear();
}

} // namespace
