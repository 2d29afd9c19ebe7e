// Tests of the storage items, the caching and proxy storages and the program's storage.
#include "storage/uniStorage.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "storage/PelmarStorage.h"
#include "support/testSupport.h"

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::U16;
using testing_support::WriteBytes;

namespace fs = std::filesystem;

namespace {

std::vector<std::u16string> Lines(const TWStringList& list) {
    std::vector<std::u16string> lines;
    for (int i = 0; i < list.Count(); ++i) {
        lines.push_back(list.Get(i));
    }
    return lines;
}

} // namespace

TEST(UniStorage, ItemsAreCachedByNameIgnoringCase) {
    TempDir dir;
    TUniFolderStorage storage(dir.file("Storage"));
    TUniStorageItem& a = storage.GetItem("SearchHistory");
    EXPECT_EQ(&a, &storage.GetItem("searchhistory"));
    EXPECT_EQ(&a, &storage.GetItem("SEARCHHISTORY"));
    EXPECT_NE(&a, &storage.GetItem("ReplaceHistory"));
    EXPECT_EQ(dynamic_cast<TUniFolderStorageItem&>(a).Path(), dir.file("Storage/SearchHistory"));

    // Another storage over the same folder asking in other letters finds the same file.
    a.SaveStrings({"x"});
    TUniFolderStorage again(dir.file("Storage"));
    std::vector<std::string> entries;
    again.GetItem("SEARCHhistory").LoadStrings(entries);
    EXPECT_EQ(entries, std::vector<std::string>{"x"});
    again.GetItem("SEARCHhistory").SaveStrings({"y"});
    EXPECT_EQ(ReadBytes(dir.file("Storage/SearchHistory")), "y\r\n");

    TUniProxyStorage proxy(&storage);
    EXPECT_EQ(&proxy.GetItem("SearchHistory"), &a);
    TUniProxyStorage empty;
    EXPECT_THROW(empty.GetItem("x"), std::logic_error);
}

TEST(UniStorage, MissingFolderLoadsNothingAndSavingCreatesIt) {
    TempDir dir;
    TUniFolderStorage storage(dir.file("a/b/Storage"));
    std::vector<std::string> kept = {"old entry"};
    storage.GetItem("SearchHistory").LoadStrings(kept);
    EXPECT_EQ(kept, std::vector<std::string>{"old entry"});

    TWStringList wide;
    wide.Add(u"stale");
    storage.GetItem("ReplaceHistory").LoadWide(wide);
    EXPECT_EQ(wide.Count(), 0);

    storage.GetItem("SearchHistory").SaveStrings({"first", "", "caf&#233;"});
    storage.GetItem("ReplaceHistory").SaveStrings({});
    EXPECT_EQ(ReadBytes(dir.file("a/b/Storage/SearchHistory")), "first\r\n\r\ncaf&#233;\r\n");
    EXPECT_TRUE(fs::is_regular_file(dir.file("a/b/Storage/ReplaceHistory")));
    EXPECT_EQ(
        std::distance(fs::directory_iterator(dir.file("a/b/Storage")), fs::directory_iterator()),
        2); // no extension added, no temporary files left

    std::vector<std::string> loaded = {"replaced"};
    storage.GetItem("SearchHistory").LoadStrings(loaded);
    EXPECT_EQ(loaded, (std::vector<std::string>{"first", "", "caf&#233;"}));
}

TEST(UniStorage, LinesRoundTrip) {
    TempDir dir;
    TUniFolderStorage storage(dir.path().string());
    TUniStorageItem& item = storage.GetItem("Wide");
    TWStringList list;
    for (const char* s : {"Жук", "", "tab\there", "emoji 😀", "last"}) {
        list.Add(U16(s));
    }
    item.SaveWide(list);
    EXPECT_EQ(ReadBytes(dir.file("Wide")),
              "\xD0\x96\xD1\x83\xD0\xBA\r\n\r\ntab\there\r\nemoji \xF0\x9F\x98\x80\r\nlast\r\n");
    TWStringList back;
    item.LoadWide(back);
    EXPECT_EQ(Lines(back), Lines(list));

    // Files written by hand: any line end, a byte-order mark, no final line end.
    WriteBytes(dir.file("Hand"), "\xEF\xBB\xBFone\ntwo\rthree\r\nfour");
    TWStringList hand;
    storage.GetItem("Hand").LoadWide(hand);
    EXPECT_EQ(Lines(hand), (std::vector<std::u16string>{u"one", u"two", u"three", u"four"}));

    // Not UTF-8: the ANSI page.
    WriteBytes(dir.file("Ansi"), "caf\xE9\r\nplain\r\n");
    TWStringList ansi;
    storage.GetItem("Ansi").LoadWide(ansi);
    EXPECT_EQ(Lines(ansi), (std::vector<std::u16string>{U16("café"), u"plain"}));

    // An entry holding a line break stays one entry.
    TUniStorageItem& strings = storage.GetItem("Strings");
    strings.SaveStrings({"a\r\nb", "c\nd"});
    std::vector<std::string> entries;
    strings.LoadStrings(entries);
    EXPECT_EQ(entries, (std::vector<std::string>{"a&#13;&#10;b", "c&#10;d"}));
}

TEST(UniStorage, InputOutputErrorsAreRaised) {
    TempDir dir;
    fs::create_directories(dir.file("Storage/Broken"));
    TUniFolderStorage storage(dir.file("Storage"));
    std::vector<std::string> entries;
    EXPECT_THROW(storage.GetItem("Broken").LoadStrings(entries), EInOutError);
    EXPECT_THROW(storage.GetItem("Broken").SaveStrings({"x"}), EInOutError);
    TWStringList list;
    EXPECT_THROW(storage.GetItem("Broken").LoadWide(list), EInOutError);

    // A file where the folder should be.
    WriteBytes(dir.file("plain"), "x");
    TUniFolderStorage blocked(dir.file("plain/Storage"));
    EXPECT_THROW(blocked.GetItem("SearchHistory").SaveStrings({"x"}), EInOutError);
}

TEST(PelmarStorage, HistoryShortcutsUseTheStorageFolder) {
    TempDir dir;
    SetPelmarStorageFolder(dir.file("Storage"));
    TPelmarStorage& storage = PelmarStorage();
    TUniStorageItem& search = storage.SearchHistory();
    EXPECT_EQ(&search, &storage.GetItem("searchHISTORY"));
    storage.SearchHistory().SaveStrings({"needle"});
    storage.ReplaceHistory().SaveStrings({"thread"});
    EXPECT_EQ(ReadBytes(dir.file("Storage/SearchHistory")), "needle\r\n");
    EXPECT_EQ(ReadBytes(dir.file("Storage/ReplaceHistory")), "thread\r\n");

    // Moving to another folder: new items there; the old item keeps working on its file.
    TUniStorageItem& old = storage.SearchHistory();
    TempDir other;
    SetPelmarStorageFolder(other.file("Storage"));
    EXPECT_NE(&old, &storage.SearchHistory());
    std::vector<std::string> entries;
    old.LoadStrings(entries);
    EXPECT_EQ(entries, std::vector<std::string>{"needle"});
    entries.clear();
    storage.SearchHistory().LoadStrings(entries);
    EXPECT_TRUE(entries.empty());
}
