// Tests of the pair list, the two-way conversion table and the codecs by charset name.
#include "text/uniConvTable.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <random>

#include "base/uniCodePage.h"
#include "support/testSupport.h"

using testing_support::TempDir;
using testing_support::U16;
using testing_support::WriteBytes;

namespace {

std::u16string Key(int n) {
    return u"k" + std::u16string(1, static_cast<char16_t>(u'a' + n));
}

// A table loaded from the given file bytes.
TConvTable TableFrom(std::string_view bytes) {
    TempDir dir;
    WriteBytes(dir.file("t.tbl"), bytes);
    TConvTable table;
    EXPECT_TRUE(table.LoadFromFile(dir.file("t.tbl")));
    return table;
}

void ExpectIndexError(const std::function<void()>& call, int index) {
    try {
        call();
        ADD_FAILURE() << "no error for index " << index;
    } catch (const EStringListError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "List index out of bounds (" + std::to_string(index) + ")");
    }
}

} // namespace

TEST(TableList, CapacityGrowsByFourThenSixteenThenAQuarter) {
    TTableList list;
    std::vector<int> capacities;
    for (int i = 0; i < 120; ++i) {
        list.AddPair(Key(i), u"");
        if (capacities.empty() || capacities.back() != list.Capacity()) {
            capacities.push_back(list.Capacity());
        }
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118, 147}));
}

TEST(TableList, DuplicatePolicies) {
    TTableList ignore;
    ignore.SetSorted(true);
    ignore.AddPair(u"b", u"1");
    ignore.AddPair(u"a", u"2");
    EXPECT_EQ(ignore.AddPair(u"b", u"3"), 1);
    EXPECT_EQ(ignore.Count(), 2);
    EXPECT_EQ(ignore.GetValue(1), u"1");

    TTableList error;
    error.SetSorted(true);
    error.SetDuplicates(TDuplicates::Error);
    error.AddPair(u"x", u"1");
    try {
        error.AddPair(u"x", u"2");
        ADD_FAILURE() << "duplicate accepted";
    } catch (const EStringListError& e) {
        EXPECT_STREQ(e.what(), "String list does not allow duplicates");
    }
    EXPECT_EQ(error.Count(), 1);

    // Accepted duplicates: Find reaches the first of the equal keys.
    TTableList accept;
    accept.SetSorted(true);
    accept.SetDuplicates(TDuplicates::Accept);
    for (const char16_t* k : {u"m", u"m", u"a", u"m", u"z"}) {
        accept.AddPair(k, u"");
    }
    int index = -1;
    EXPECT_TRUE(accept.Find(u"m", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(accept.Find(u"n", index));
    EXPECT_EQ(index, 4);
}

TEST(TableList, IndexErrorsNameTheIndex) {
    TTableList list;
    list.AddPair(u"a", u"1");
    ExpectIndexError([&] { list.GetKey(-1); }, -1);
    ExpectIndexError([&] { list.GetValue(1); }, 1);
    ExpectIndexError([&] { list.SetValue(1, u"x"); }, 1);
    list.SetValue(0, u"2");
    EXPECT_EQ(list.GetValue(0), u"2");
}

TEST(TableList, SortOrdersByCodeUnitsAndKeepsPairsTogether) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> unit(0, 5);
    const char16_t alphabet[] = {u'a', u'B', u'z', 0x00E9, 0xD83D, 0xFF21};
    std::vector<std::u16string> keys;
    TTableList list;
    for (int i = 0; i < 600; ++i) {
        std::u16string key;
        for (int n = 1 + i % 4; n > 0; --n) {
            key.push_back(alphabet[unit(random)]);
        }
        keys.push_back(key);
        list.AddPair(key, key + u"=");
    }
    list.SetSorted(true);
    std::sort(keys.begin(), keys.end());
    ASSERT_EQ(list.Count(), static_cast<int>(keys.size()));
    for (int i = 0; i < list.Count(); ++i) {
        ASSERT_EQ(list.GetKey(i), keys[static_cast<size_t>(i)]) << i;
        ASSERT_EQ(list.GetValue(i), list.GetKey(i) + u"=");
    }
    // Sorted now: additions go to their place.
    list.AddPair(u"", u"first");
    EXPECT_EQ(list.GetValue(0), u"first");
}

TEST(ConvTable, FileFormat) {
    // Line ends LF, CR and CR LF; comments, empty lines, trailing spaces; "=" before space.
    TConvTable table = TableFrom("; a comment=x\n"
                                 "\n"
                                 "a = b   \r"
                                 "x y\r\n"
                                 "p q=r s\n"
                                 "k=v=w\n"
                                 "&#265;=cx\n"
                                 "&#59;zz=1\n"
                                 "\xE9=e\n"
                                 "lonely");
    EXPECT_EQ(table.DecodeText(u"a"), u"b");
    EXPECT_EQ(table.DecodeText(u"x"), u"y");
    EXPECT_EQ(table.DecodeText(u"p q"), u"r s");
    EXPECT_EQ(table.DecodeText(u"k"), u"v=w");
    EXPECT_EQ(table.DecodeText(u"\u0109"), u"cx");
    EXPECT_EQ(table.DecodeText(u";zz"), u";zz");
    EXPECT_EQ(table.DecodeText(u"\u00E9"), u"e"); // the byte read through the ANSI page
    EXPECT_EQ(table.DecodeText(u"lonely"), u"lonely");
    EXPECT_EQ(table.EncodeText(u"b y v=w cx"), u"a x k \u0109");
    EXPECT_EQ(table.DecodeList().Count(), 6);
}

TEST(ConvTable, LongLinesAreSplit) {
    std::string bytes = "k=" + std::string(8190, 'v') + "tail=z\n";
    TConvTable table = TableFrom(bytes);
    EXPECT_EQ(table.DecodeText(u"k"), std::u16string(8190, u'v'));
    EXPECT_EQ(table.DecodeText(u"tail"), u"z");
}

TEST(ConvTable, FirstDefinitionWinsAcrossFiles) {
    TempDir dir;
    WriteBytes(dir.file("charset.tbl"), "a=b\na=c\n");
    WriteBytes(dir.file("surrogate.tbl"), "a=d\ne=b\nf=g\n");
    TConvTable table;
    ASSERT_TRUE(table.LoadFromFile(dir.file("charset.tbl")));
    ASSERT_TRUE(table.LoadFromFile(dir.file("surrogate.tbl")));
    EXPECT_EQ(table.DecodeText(u"aef"), u"bbg");
    EXPECT_EQ(table.EncodeText(u"bcdg"), u"aaaf");
}

// A table file of n pairs "K<i>=V<i>" written in descending key order, each added one at
// a time to a sorted list would shift every pair before it. Every tenth line repeats the
// key of the line before with another value, which must lose.
std::string DescendingTable(int n) {
    std::string bytes;
    for (int i = n; i > 0; --i) {
        const std::string k = std::to_string(i);
        bytes += "K" + k + "=V" + k + "\n";
        if (i % 10 == 0) {
            bytes += "K" + k + "=later" + k + "\n";
        }
    }
    return bytes;
}

TEST(ConvTable, LoadingCostGrowsWithThePairsNotTheirSquare) {
    std::int64_t moved[2] = {};
    const int sizes[2] = {5000, 10000};
    for (int s = 0; s < 2; ++s) {
        const int n = sizes[s];
        TConvTable table = TableFrom(DescendingTable(n));
        ASSERT_EQ(table.DecodeList().Count(), n);
        // "later" values are distinct, so the encode list holds them too.
        ASSERT_EQ(table.EncodeList().Count(), n + n / 10);
        moved[s] = table.DecodeList().MovedSlots() + table.EncodeList().MovedSlots();
        EXPECT_LE(moved[s], 3 * n);
        // Sorted, and the first line of a key won.
        for (int i = 1; i < table.DecodeList().Count(); ++i) {
            ASSERT_LT(table.DecodeList().GetKey(i - 1), table.DecodeList().GetKey(i));
        }
        EXPECT_EQ(table.DecodeText(u"K40"), u"V40");
        EXPECT_EQ(table.EncodeText(u"later40"), u"K40");
    }
    EXPECT_LE(moved[1], 2 * moved[0] + 100);
}

TEST(ConvTable, ALaterFileKeepsTheKeysAlreadyLoaded) {
    TempDir dir;
    WriteBytes(dir.file("a.tbl"), "b=1\nd=2\nf=3\n");
    WriteBytes(dir.file("b.tbl"), "g=7\nd=9\na=0\nc=5\nf=8\n");
    TConvTable table;
    ASSERT_TRUE(table.LoadFromFile(dir.file("a.tbl")));
    ASSERT_TRUE(table.LoadFromFile(dir.file("b.tbl")));
    const TTableList& decode = table.DecodeList();
    std::u16string keys;
    std::u16string values;
    for (int i = 0; i < decode.Count(); ++i) {
        keys += decode.GetKey(i);
        values += decode.GetValue(i);
    }
    EXPECT_EQ(keys, u"abcdfg");
    EXPECT_EQ(values, u"015237");
    EXPECT_EQ(decode.Capacity(), 8); // as grown by single additions: 4, then 8
}

TEST(ConvTable, UnreadableFileKeepsWhatWasLoaded) {
    TempDir dir;
    WriteBytes(dir.file("t.tbl"), "a=b\n");
    TConvTable table;
    ASSERT_TRUE(table.LoadFromFile(dir.file("t.tbl")));
    EXPECT_FALSE(table.LoadFromFile(dir.file("missing.tbl")));
    EXPECT_FALSE(table.LoadFromFile(dir.path().string())); // a folder opens but cannot be read
    EXPECT_EQ(table.DecodeText(u"a"), u"b");
    table.Clear();
    EXPECT_TRUE(table.Empty());
}

TEST(ConvTable, PairsWithAnEmptySideAreNotAdded) {
    // Either line would otherwise delete every "x" on save and every "y" on load.
    TConvTable table = TableFrom("=x\ny=\n x\n");
    EXPECT_EQ(table.EncodeText(u"xyx"), u"xyx");
    EXPECT_EQ(table.DecodeText(u"xyx"), u"xyx");
    EXPECT_TRUE(table.Empty());
}

TEST(ConvTable, LongestMatchAndNoRescan) {
    TConvTable table = TableFrom("c=1\nch=2\nchx=3\nh=c\n1=c\n");
    EXPECT_EQ(table.DecodeText(u"ch"), u"2");
    EXPECT_EQ(table.DecodeText(u"chxch c"), u"32 1");
    // The inserted value is not matched again: h gives c, which stays.
    EXPECT_EQ(table.DecodeText(u"hh"), u"cc");
    // Encode keys come from the right-hand sides: c was first defined by "h=c".
    EXPECT_EQ(table.EncodeText(u"2c3"), u"chhchx");
}

TEST(ConvTable, FirstEncodeMatchTakesTheFirstKeyInSortedOrder) {
    TConvTable table = TableFrom("x=c\ny=ch\n");
    const std::u16string text = u"ach";
    const int first = table.FirstEncodeMatch(text, 1);
    ASSERT_GE(first, 0);
    EXPECT_EQ(table.EncodeList().GetKey(first), u"c");
    EXPECT_EQ(table.EncodeText(text), u"ay"); // the longest match differs
    EXPECT_EQ(table.FirstEncodeMatch(text, 0), -1);
    EXPECT_EQ(table.FirstEncodeMatch(text, 3), -1);
}

TEST(CharsetCodecs, Utf16BothOrders) {
    const std::u16string text = u"A\u0416\U0001F600";
    const auto le = EncodeByCharset("utf-16 (le)", text);
    const auto be = EncodeByCharset("UTF-16 (BE)", text);
    ASSERT_TRUE(le && be);
    EXPECT_EQ(*le, std::string("A\0\x16\x04\x3D\xD8\x00\xDE", 8));
    ASSERT_EQ(be->size(), le->size());
    for (size_t i = 0; i < le->size(); i += 2) {
        EXPECT_EQ((*be)[i], (*le)[i + 1]);
    }
    EXPECT_EQ(DecodeByCharset("UTF-16 (LE)", *le + "\x41"), text); // odd last byte dropped
    EXPECT_EQ(DecodeByCharset("UTF-16 (BE)", *be), text);
}

TEST(CharsetCodecs, Utf8KeepsEveryByte) {
    const std::string bytes = "\xD0\x96 \xF0\x9F\x98\x80 \xFF\xC3";
    for (const char* name : {"UTF-8", "utf-8 (bom)"}) {
        const auto wide = DecodeByCharset(name, bytes);
        ASSERT_TRUE(wide);
        EXPECT_EQ(wide->substr(0, 4), U16("Ж \U0001F600"));
        EXPECT_EQ(EncodeByCharset(name, *wide), bytes);
    }
}

TEST(CharsetCodecs, OemGoesStraightToTheOemPage) {
    SetOemCodePage(437);
    // U+2500 is in CP437 (0xC4) but not in CP1252: it must not become "?".
    const auto bytes = EncodeByCharset("oem", u"\u2500\u00E9");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, "\xC4\x82");
    EXPECT_EQ(DecodeByCharset("OEM", "\xC4\x82"), u"\u2500\u00E9");
    EXPECT_FALSE(EncodeByCharset("KOI8-R", u"x"));
    EXPECT_FALSE(DecodeByCharset("WINDOWS", "x"));
}

TEST(CharsetCodecs, CheckerTextRoundTripsThroughTheTable) {
    TempDir dir;
    WriteBytes(dir.file("eo.tbl"), "cx=&#265;\nux=&#365;\n");
    TConvTable utf8;
    utf8.name = "UTF-8";
    ASSERT_TRUE(utf8.LoadFromFile(dir.file("eo.tbl")));
    const std::u16string word = U16("ĉu Ж");
    const std::string sent = EncodeForChecker(utf8, word);
    EXPECT_EQ(sent, "cxu \xD0\x96");
    EXPECT_EQ(DecodeFromChecker(utf8, sent), word);

    TConvTable ansi;
    ansi.name = "Esperanto";
    ASSERT_TRUE(ansi.LoadFromFile(dir.file("eo.tbl")));
    EXPECT_EQ(EncodeForChecker(ansi, U16("ĉé")), "cx\xE9");
    EXPECT_EQ(DecodeFromChecker(ansi, "cx\xE9"), U16("ĉé"));
}

TEST(ConvTableHelpers, TranslitToAnsi) {
    EXPECT_EQ(TranslitToAnsi(U16("ĈĉĜĝĤĥĴĵŜŝŬŭ")), "ChchGhghHhhhJhjhShshUu");
    EXPECT_EQ(TranslitToAnsi(U16("é€Ж")), "\xE9\x80?");
}

TEST(ConvTableHelpers, CharsetListsIgnoreCase) {
    TCharsetLists lists;
    lists.charsets = {{"KOI8-R", "koi8-r.tbl"}, {"koi8-r", "second.tbl"}};
    lists.surrogates = {{"Esperanto-x", "esperanto-x.tbl"}};
    lists.htmlCharsets = {{"cp1251", "Windows-1251"}};
    EXPECT_EQ(lists.CharsetFile("Koi8-R"), "koi8-r.tbl");
    EXPECT_EQ(lists.SurrogateFile("ESPERANTO-X"), "esperanto-x.tbl");
    EXPECT_EQ(lists.HtmlCharset("CP1251"), "Windows-1251");
    EXPECT_FALSE(lists.CharsetFile("Esperanto-x"));
    EXPECT_TRUE(SameText("utf-8 (bom)", "UTF-8 (BOM)"));
    EXPECT_FALSE(SameText("UTF-8", "UTF-8 "));
    EXPECT_FALSE(SameText("[", "{")); // only letters fold
}
