// Tests for the line list, its 8-bit shadow and adapter, and the undo journal.
#include "text/uniStringList.h"

#include <algorithm>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/uniCodePage.h"
#include "support/testSupport.h"

using testing_support::U16;
using testing_support::U8;

namespace {

using Lines = std::vector<std::u16string>;

Lines LinesOf(const TWStringList& list) {
    Lines out;
    for (int i = 0; i < list.Count(); ++i) {
        out.push_back(list.Get(i));
    }
    return out;
}

void Fill(TWStringList& list, std::initializer_list<const char*> lines) {
    for (const char* line : lines) {
        list.Add(U16(line));
    }
}

// Writes down what a list tells of its changes, one entry per report:
// "+first-last" inserted, "-first-last" deleted, "*first-last@column" changed; and the
// first line as each report finds it.
class TReportLog final : public TLineListObserver {
public:
    explicit TReportLog(TWStringList& list) : list_(list) { list_.SetObserver(this); }
    ~TReportLog() { list_.SetObserver(nullptr); }
    TReportLog(const TReportLog&) = delete;
    TReportLog& operator=(const TReportLog&) = delete;

    std::vector<std::string> reports;
    std::vector<std::string> firstLines;
    int Count() const { return static_cast<int>(reports.size()); }

    void LinesInserted(int first, int last) override { Log("+", first, last); }
    void LinesDeleted(int first, int last) override { Log("-", first, last); }
    void LinesChanged(int first, int last, int column) override {
        Log("*", first, last);
        reports.back() += "@" + std::to_string(column);
    }

private:
    void Log(const char* kind, int first, int last) {
        reports.push_back(kind + std::to_string(first) + "-" + std::to_string(last));
        firstLines.push_back(U8(list_.Get(0)));
    }
    TWStringList& list_;
};

// Every line's shadow is the 8-bit form of that line, at the same index.
void ExpectShadowInStep(const TWStringList& list) {
    ASSERT_EQ(list.AnsiShadow().size(), static_cast<size_t>(list.Count()));
    for (int i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list.AnsiShadow()[static_cast<size_t>(i)], TWStringList::AnsiForm(list.Get(i)))
            << "line " << i << ": " << U8(list.Get(i));
    }
}

// `op` must raise EStringListError with `message` and leave the list untouched, unnotified.
template <typename Op>
void ExpectRejected(TWStringList& list, const std::string& message, Op op) {
    const Lines before = LinesOf(list);
    const auto shadowBefore = list.AnsiShadow().Lines();
    const int capacityBefore = list.GetCapacity();
    TReportLog log(list);
    try {
        op();
        ADD_FAILURE() << "no error raised, expected \"" << message << "\"";
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.what(), message);
    }
    EXPECT_EQ(LinesOf(list), before);
    EXPECT_EQ(list.AnsiShadow().Lines(), shadowBefore);
    EXPECT_EQ(list.GetCapacity(), capacityBefore);
    EXPECT_EQ(log.Count(), 0);
}

// Stand-ins for editor controls; the journal only compares their addresses.
const TuniAbstractMemo* Editor(int n) {
    static const char editors[2] = {};
    return reinterpret_cast<const TuniAbstractMemo*>(&editors[n]);
}

class StringListTest : public ::testing::Test {
protected:
    void SetUp() override { SetAnsiCodePage(1252); }
    TWStringList list;
};

// ---- lines, capacity and index errors ----

TEST_F(StringListTest, CapacityGrowsBy64UpTo256ThenByAQuarter) {
    const std::pair<int, int> expected[] = {{1, 64},    {64, 64},   {65, 128}, {257, 320},
                                            {320, 320}, {321, 400}, {401, 500}};
    for (const auto& [lines, capacity] : expected) {
        TWStringList fresh;
        for (int i = 0; i < lines; ++i) {
            fresh.Add(u"x");
        }
        EXPECT_EQ(fresh.GetCapacity(), capacity) << lines << " lines";
    }
}

TEST_F(StringListTest, SetCapacityKeepsLinesAndRefusesToDropThem) {
    list.SetCapacity(10);
    for (int i = 0; i < 11; ++i) {
        list.Add(std::u16string(1, static_cast<char16_t>(u'a' + i)));
    }
    EXPECT_EQ(list.GetCapacity(), 74); // growth goes on from the capacity that was set
    list.SetCapacity(11);
    EXPECT_EQ(list.Get(10), u"k");
    ExpectShadowInStep(list);
    ExpectRejected(list, "List capacity out of bounds (10)", [&] { list.SetCapacity(10); });
    ExpectRejected(list, "List capacity out of bounds (-1)", [&] { list.SetCapacity(-1); });
}

TEST_F(StringListTest, InsertAndDeleteShiftLaterLines) {
    Fill(list, {"a", "c"});
    list.Insert(1, u"b");
    list.Insert(3, u"d"); // at count: appends
    list.Insert(0, u"_");
    EXPECT_EQ(LinesOf(list), (Lines{u"_", u"a", u"b", u"c", u"d"}));
    list.Delete(0);
    list.Delete(3);
    EXPECT_EQ(LinesOf(list), (Lines{u"a", u"b", u"c"}));
}

TEST_F(StringListTest, OutOfRangeIndexesRaiseAndChangeNothing) {
    Fill(list, {"a", "b", "c"});
    EXPECT_EQ(list.Get(-1), u"");
    EXPECT_EQ(list.Get(3), u"");
    ExpectRejected(list, "List index out of bounds (3)", [&] { list.Delete(3); });
    ExpectRejected(list, "List index out of bounds (-1)", [&] { list.Delete(-1); });
    ExpectRejected(list, "List index out of bounds (4)", [&] { list.Insert(4, u"x"); });
    ExpectRejected(list, "List index out of bounds (-1)", [&] { list.Insert(-1, u"x"); });
    ExpectRejected(list, "List index out of bounds (3)", [&] { list.Put(3, u"x"); });
    ExpectRejected(list, "List index out of bounds (3)", [&] { list.Exchange(0, 3); });
    ExpectRejected(list, "List index out of bounds (-1)", [&] { list.Exchange(-1, 9); });
}

TEST_F(StringListTest, ClearDropsLinesCapacityShadowAndJournals) {
    Fill(list, {"a", "b"});
    list.Undo().Add(ukChangeLine, 0, false, nullptr, u"a", {});
    list.Redo().Add(ukDeleteLine, 1, false, nullptr, u"b", {});
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.GetCapacity(), 0);
    EXPECT_TRUE(list.AnsiShadow().empty());
    EXPECT_EQ(list.Undo().Count() + list.Redo().Count(), 0);

    // Already empty: the journals are still emptied, and nobody is told.
    TReportLog log(list);
    list.Undo().Add(ukSavePoint, 1, false, nullptr, {}, {});
    list.Clear();
    EXPECT_EQ(list.Undo().Count(), 0);
    EXPECT_EQ(log.Count(), 0);
}

// ---- sorting and lookups ----

TEST_F(StringListTest, SortMatchesAReferenceSortAndCarriesTheShadow) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> length(0, 6);
    // Ordinal order: "B" before "a", U+00E9 after "z", a high surrogate before U+FF21.
    const char16_t alphabet[] = {u'a',      u'B',  u'z',      u'\u00e9',
                                 u'\u0416', u'\t', u'\xD83D', u'\xFF21'};
    std::uniform_int_distribution<size_t> pick(0, std::size(alphabet) - 1);
    Lines lines;
    for (int i = 0; i < 2000; ++i) {
        std::u16string line;
        for (int n = length(rng); n > 0; --n) {
            line.push_back(alphabet[pick(rng)]);
        }
        lines.push_back(line);
        list.Add(line);
    }
    list.Sort();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(LinesOf(list), lines);
    ExpectShadowInStep(list);
}

TEST_F(StringListTest, SortedListRefusesPositionalWrites) {
    Fill(list, {"b", "a"});
    list.SetSorted(true);
    // The sorted check comes before the index check.
    ExpectRejected(list, "Operation not allowed on sorted list", [&] { list.Put(0, u"c"); });
    ExpectRejected(list, "Operation not allowed on sorted list", [&] { list.Put(9, u"c"); });
    ExpectRejected(list, "Operation not allowed on sorted list", [&] { list.Insert(0, u"c"); });
}

TEST_F(StringListTest, SortedAddAndDuplicatePolicies) {
    list.SetSorted(true);
    EXPECT_EQ(list.Add(u"m"), 0);
    EXPECT_EQ(list.Add(u"c"), 0);
    EXPECT_EQ(list.Add(u"x"), 2);
    EXPECT_EQ(list.Add(u"d"), 1);

    {
        TReportLog log(list);
        EXPECT_EQ(list.Add(u"m"), 2); // ignored: the existing index, nothing added
        EXPECT_EQ(list.Count(), 4);
        EXPECT_EQ(log.Count(), 0);
    }

    list.SetDuplicates(TDuplicates::Error);
    ExpectRejected(list, "String list does not allow duplicates", [&] { list.Add(u"c"); });

    list.SetDuplicates(TDuplicates::Accept);
    list.Add(u"d");
    list.Add(u"d");
    EXPECT_EQ(LinesOf(list), (Lines{u"c", u"d", u"d", u"d", u"m", u"x"}));
    int index = -1;
    EXPECT_TRUE(list.Find(u"d", index));
    EXPECT_EQ(index, 1); // accepting duplicates, Find lands on the first of them
    ExpectShadowInStep(list);
}

TEST_F(StringListTest, FindIndexOfAndNameLookups) {
    Fill(list, {"b", "d", "f"});
    list.SetSorted(true);
    for (const auto& [s, found, at] : {std::tuple{u"a", false, 0}, std::tuple{u"b", true, 0},
                                       std::tuple{u"e", false, 2}, std::tuple{u"g", false, 3}}) {
        int index = -1;
        EXPECT_EQ(list.Find(s, index), found) << U8(s);
        EXPECT_EQ(index, at) << U8(s);
    }
    EXPECT_EQ(list.IndexOf(u"f"), 2);
    EXPECT_EQ(list.IndexOf(u"c"), -1);

    TWStringList pairs;
    Fill(pairs, {"noeq", "key=1", "path=a=b", "=anon", "Key=2", "key=3"});
    EXPECT_EQ(pairs.IndexOf(u"Key=2"), 4);
    EXPECT_EQ(pairs.IndexOf(u"KEY=2"), -1); // case-sensitive
    EXPECT_EQ(pairs.IndexOfName(u"key"), 1);
    EXPECT_EQ(pairs.IndexOfName(u"Key"), 4);
    EXPECT_EQ(pairs.IndexOfName(u"noeq"), -1); // a line without "=" has no name
    EXPECT_EQ(pairs.GetName(0), u"");
    EXPECT_EQ(pairs.GetName(2), u"path");
    EXPECT_EQ(pairs.GetValue(u"path"), u"a=b"); // split at the first "="
    EXPECT_EQ(pairs.GetValue(u""), u"anon");
    EXPECT_EQ(pairs.GetValue(u"missing"), u"");
}

TEST_F(StringListTest, FindLongestPrefix) {
    struct Case {
        std::initializer_list<const char*> lines;
        const char16_t* text;
        const char16_t* expected; // nullptr: nothing found
    };
    // In the last lists, lines such as "abb" lie between matches and must not end the scan.
    const Case cases[] = {
        {{"ab", "abc", "b"}, u"abcd", u"abc"},
        {{"ab", "abc", "b"}, u"abx", u"ab"},
        {{"ab", "abc", "b"}, u"c", nullptr},
        {{"ab", "abc", "b"}, u"a", nullptr},
        {{"ab", "abc", "b"}, u"bzz", u"b"},
        {{"a", "ab", "abb", "abc", "abcde", "ax", "b"}, u"abcdz", u"abc"},
        {{"a", "ab", "abb", "abc", "abcde", "ax", "b"}, u"abcde", u"abcde"},
        {{"a", "ab", "abb", "abc", "abcde", "ax", "b"}, u"azz", u"a"},
        {{"a"}, u"", nullptr},
        {{"a", ""}, u"", u""},
        {{}, u"abc", nullptr},
    };
    for (const Case& c : cases) {
        TWStringList sorted;
        sorted.SetSorted(true);
        Fill(sorted, c.lines);
        int index = -1;
        ASSERT_EQ(sorted.FindLongestPrefix(c.text, index), c.expected != nullptr) << U8(c.text);
        if (c.expected != nullptr) {
            EXPECT_EQ(sorted.Get(index), c.expected) << U8(c.text);
        }
    }
}

// ---- tabs and the 8-bit views ----

TEST_F(StringListTest, ExpandTabsToTheNextMultipleOfTabSize) {
    EXPECT_EQ(list.ExpandTabs(u"a\tb"), u"a       b");
    EXPECT_EQ(list.ExpandTabs(u"12345678\tx"), u"12345678        x");
    list.SetTabSize(4);
    EXPECT_EQ(list.ExpandTabs(u"\tb"), u"    b");
    EXPECT_EQ(list.ExpandTabs(u"abc\td\te"), u"abc d   e");
    EXPECT_EQ(list.ExpandTabs(u"no tabs"), u"no tabs");
    list.SetTabSize(0); // kept at 1: ExpandTabs divides by it
    EXPECT_EQ(list.ExpandTabs(u"a\t\tb"), u"a  b");
}

TEST_F(StringListTest, AnsiFormKeepsOnlyBytesThatEqualTheirCodeUnit) {
    EXPECT_EQ(TWStringList::AnsiForm(U16("\xC3\xA9\xD0\x96")), "\xE9\x7F");
    // U+20AC is byte 0x80 in the page, but that byte differs from the code unit.
    EXPECT_EQ(TWStringList::AnsiForm(u"a\u20ACb"), (std::string{'a', 0x7F, 'b'}));
    // One byte per code unit, also for a surrogate pair.
    EXPECT_EQ(TWStringList::AnsiForm(U16("\xF0\x9F\x98\x80!")), "\x7F\x7F!");
}

TEST_F(StringListTest, ShadowStaysInStepWithEveryOperation) {
    list.Add(U16("\xC3\xA9\xD0\x96"));
    ASSERT_EQ(list.AnsiShadow().at(0), "\xE9\x7F");
    list.Add(u"plain");
    list.Insert(0, U16("\xD0\x96x"));
    ExpectShadowInStep(list);
    list.Put(1, u"put");
    ExpectShadowInStep(list);
    list.Exchange(0, 2);
    EXPECT_EQ(list.AnsiShadow()[0], "plain");
    ExpectShadowInStep(list);
    list.Delete(1);
    ExpectShadowInStep(list);
    list.Add(u"a");
    list.SetSorted(true);
    ExpectShadowInStep(list);
    list.Add(u"m");
    ExpectShadowInStep(list);
}

TEST_F(StringListTest, AdapterExpandsTabsThenWritesReferences) {
    Fill(list, {"a\tb", "\xC3\xA9\t\xD0\x96"});
    const TStringsAdapter& adapter = list.Adapter();
    EXPECT_EQ(&adapter, &list.Adapter());
    EXPECT_EQ(adapter.GetCount(), 2);
    EXPECT_EQ(adapter.Get(0), "a       b");
    // Tabs are expanded first, while U+00E9 still takes one column.
    EXPECT_EQ(adapter.Get(1), "&#233;       &#1046;");
    EXPECT_EQ(adapter.Get(2), "");
    list.Add(u"c");
    EXPECT_EQ(adapter.GetCount(), 3);
}

// ---- ownership and notifications ----

class TrackedList : public TWStringList {
public:
    explicit TrackedList(bool& destroyed) : destroyed_(destroyed) {}
    ~TrackedList() override { destroyed_ = true; }

private:
    bool& destroyed_;
};

TEST(StringListOwnership, ReleaseDestroysAtTheLastOwner) {
    bool destroyed = false;
    TWStringList* list = new TrackedList(destroyed);
    EXPECT_EQ(list->RefCount(), 1);
    EXPECT_EQ(list->AddRef(), list);
    list->Release();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(list->RefCount(), 1);
    list->Release();
    EXPECT_TRUE(destroyed);
}

TEST_F(StringListTest, EveryChangeIsToldWithItsLinesOnceItIsMade) {
    TReportLog log(list);
    list.Add(u"b");
    list.Sort(); // one line: nothing to do
    list.Insert(0, u"c");
    list.Put(0, u"cd"); // "c" stays: the change begins at unit 1
    list.Edit(
        1, [](std::u16string& line) { line += u"!"; }, 1);
    list.SetSorted(true);
    list.Sort(); // already sorted
    list.SetSorted(false);
    list.Exchange(0, 1);
    list.Delete(0);
    list.InsertLines(1, {u"x", u"y"});
    list.DeleteLines(1, 2);
    list.Add(u"a");
    list.Sort();
    list.Clear();
    list.SetUpdateState(true);
    list.SetUpdateState(false);
    const std::vector<std::string> expected = {"+0-0",   "+0-0",   "*0-0@1", "*1-1@1", "*0-1@0",
                                               "*0-0@0", "*1-1@0", "-0-0",   "+1-2",   "-1-2",
                                               "+1-1",   "*0-1@0", "-0-1"};
    EXPECT_EQ(log.reports, expected);
    const std::vector<std::string> firstLines = {"b",  "c",  "cd", "cd", "b!", "cd", "cd",
                                                 "b!", "b!", "b!", "b!", "a",  ""};
    EXPECT_EQ(log.firstLines, firstLines);
}

TEST_F(StringListTest, AListBelongsToOneObserver) {
    TReportLog log(list);
    TReportLog* again = nullptr;
    EXPECT_THROW(again = new TReportLog(list), EStringListError);
    EXPECT_EQ(again, nullptr);
    EXPECT_EQ(list.Observer(), &log);
}

// ---- range operations and line runs ----

Lines Numbered(const char* prefix, int n) {
    Lines out;
    for (int i = 0; i < n; ++i) {
        out.push_back(U16(prefix + std::to_string(i)));
    }
    return out;
}

TEST_F(StringListTest, RangeOperationsGiveWhatSingleLineOperationsGive) {
    // 250 lines and 100 more cross 256, where the growth steps change size.
    TWStringList single;
    for (const std::u16string& line : Numbered("l", 250)) {
        list.Add(line);
        single.Add(line);
    }
    TReportLog log(list);
    const Lines added = Numbered("new", 100);
    list.InsertLines(7, added);
    for (size_t k = 0; k < added.size(); ++k) {
        single.Insert(7 + static_cast<int>(k), added[k]);
    }
    EXPECT_EQ(LinesOf(list), LinesOf(single));
    EXPECT_EQ(list.GetCapacity(), single.GetCapacity());
    EXPECT_EQ(log.reports, std::vector<std::string>{"+7-106"});

    const Lines all = LinesOf(single);
    EXPECT_EQ(list.TakeLines(5, 120), Lines(all.begin() + 5, all.begin() + 125));
    for (int k = 0; k < 120; ++k) {
        single.Delete(5);
    }
    Lines sunk;
    list.DeleteLines(0, 3, [&](std::u16string&& s) { sunk.push_back(std::move(s)); });
    EXPECT_EQ(sunk, Lines(all.begin(), all.begin() + 3));
    for (int k = 0; k < 3; ++k) {
        single.Delete(0);
    }
    EXPECT_EQ(LinesOf(list), LinesOf(single));
    EXPECT_EQ(list.GetCapacity(), single.GetCapacity());
    EXPECT_EQ(log.reports, (std::vector<std::string>{"+7-106", "-5-124", "-0-2"}));
    ExpectShadowInStep(list);

    // Empty ranges change nothing and tell nobody.
    list.InsertLines(list.Count(), {});
    list.DeleteLines(list.Count(), 0);
    EXPECT_EQ(log.Count(), 3);
}

TEST_F(StringListTest, RangeOperationsRejectBadRangesAndSortedInserts) {
    Fill(list, {"a", "b", "c"});
    ExpectRejected(list, "List index out of bounds (4)", [&] { list.InsertLines(4, {u"x"}); });
    ExpectRejected(list, "List index out of bounds (-1)", [&] { list.InsertLines(-1, {u"x"}); });
    ExpectRejected(list, "List index out of bounds (3)", [&] { list.DeleteLines(3, 1); });
    ExpectRejected(list, "List index out of bounds (3)", [&] { list.DeleteLines(1, 3); });
    ExpectRejected(list, "List index out of bounds (-1)", [&] { list.TakeLines(-1, 1); });
    list.SetSorted(true);
    ExpectRejected(list, "Operation not allowed on sorted list",
                   [&] { list.InsertLines(0, {u"x"}); });
}

// A whole-document edit at two sizes: taking half the lines out of the middle and putting
// them back moves the quarter behind them twice, where a line at a time would move n²/8.
TEST_F(StringListTest, RangeOperationsMoveOnlyTheLinesBehindTheRange) {
    const auto work = [](int n) {
        TWStringList lines;
        for (const std::u16string& line : Numbered("l", n)) {
            lines.Add(line);
        }
        const Lines before = LinesOf(lines);
        const std::int64_t start = lines.MovedSlots();
        lines.InsertLines(n / 4, lines.TakeLines(n / 4, n / 2));
        EXPECT_EQ(LinesOf(lines), before);
        return lines.MovedSlots() - start;
    };
    const std::int64_t small = work(20000);
    const std::int64_t large = work(40000);
    EXPECT_GT(small, 0);
    EXPECT_LE(small, 20000);
    EXPECT_LE(large, 2 * small + 16);
}

// Follows a list through what it is told: each line the reports leave untouched keeps the
// tag of the line it was at the start, every other line is -1.
class TReportMirror final : public TLineListObserver {
public:
    explicit TReportMirror(TWStringList& list) : list_(list) {
        for (int i = 0; i < list.Count(); ++i) {
            tags.push_back(i);
        }
        list_.SetObserver(this);
    }
    ~TReportMirror() { list_.SetObserver(nullptr); }
    TReportMirror(const TReportMirror&) = delete;
    TReportMirror& operator=(const TReportMirror&) = delete;

    std::vector<int> tags;
    int reports = 0;

    void LinesInserted(int first, int last) override {
        ++reports;
        tags.insert(tags.begin() + first, static_cast<size_t>(last - first + 1), -1);
    }
    void LinesDeleted(int first, int last) override {
        ++reports;
        tags.erase(tags.begin() + first, tags.begin() + last + 1);
    }
    void LinesChanged(int first, int last, int) override {
        ++reports;
        std::fill(tags.begin() + first, tags.begin() + last + 1, -1);
    }

private:
    TWStringList& list_;
};

TEST_F(StringListTest, LineRunGivesWhatTheSameEditsGiveOneByOne) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        TWStringList reference;
        TWStringList target;
        for (const std::u16string& line : Numbered("l", 30)) {
            reference.Add(line);
            target.Add(line);
        }
        const Lines original = LinesOf(target);
        TReportMirror mirror(target);
        // What the reports say matches the lines: every line they leave untouched is the
        // line they say it is.
        const auto expectMirrored = [&] {
            ASSERT_EQ(static_cast<int>(mirror.tags.size()), target.Count()) << "seed " << seed;
            for (int i = 0; i < target.Count(); ++i) {
                const int tag = mirror.tags[static_cast<size_t>(i)];
                if (tag >= 0) {
                    EXPECT_EQ(target.Get(i), original[static_cast<size_t>(tag)])
                        << "seed " << seed << " line " << i;
                }
            }
        };
        int edits = 0;
        {
            TLineRun run(target);
            for (int step = 0; step < 60; ++step) {
                const int count = reference.Count();
                const std::u16string text = U16("s" + std::to_string(step));
                const int kind = count == 0 ? 0 : pick(3);
                if (kind == 0) {
                    const int i = pick(count + 1);
                    run.Insert(i, text);
                    reference.Insert(i, text);
                } else if (kind == 1) {
                    const int i = pick(count);
                    EXPECT_EQ(run.Take(i), reference.Get(i));
                    reference.Delete(i);
                } else {
                    const int i = pick(count);
                    EXPECT_EQ(run.Exchange(i, text), reference.Get(i));
                    reference.Put(i, text);
                }
                ++edits;
                ASSERT_EQ(run.Count(), reference.Count()) << "seed " << seed;
                for (int i = -1; i <= reference.Count(); ++i) {
                    ASSERT_EQ(run.Get(i), reference.Get(i)) << "seed " << seed << " line " << i;
                }
                if (step % 20 == 19) {
                    run.Commit();
                    EXPECT_EQ(LinesOf(target), LinesOf(reference)) << "seed " << seed;
                    expectMirrored();
                }
            }
            run.Insert(0, u"last");
            reference.Insert(0, u"last");
            ++edits;
        } // the run commits the last insert as it goes
        EXPECT_EQ(LinesOf(target), LinesOf(reference)) << "seed " << seed;
        expectMirrored();
        // At most one report an edit: inserts and removals that form a range are one.
        EXPECT_GT(mirror.reports, 0) << "seed " << seed;
        EXPECT_LE(mirror.reports, edits) << "seed " << seed;
    }
}

// Lines with their separators, as a model of the list.
using Ended = std::vector<std::pair<std::u16string, TLineSeparator>>;

Ended EndedOf(const TWStringList& list) {
    Ended out;
    for (int i = 0; i < list.Count(); ++i) {
        out.emplace_back(list.Get(i), list.Separator(i));
    }
    return out;
}

// Every operation that moves lines carries their separators along, through the list and
// through a line run; new lines end as the document does, and edits keep a line's end.
TEST_F(StringListTest, SeparatorsTravelWithTheirLines) {
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::mt19937 rng(seed);
        const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        const auto anyEnd = [&] { return static_cast<TLineSeparator>(pick(5)); };
        TWStringList target;
        Ended model;
        for (int i = 0; i < 12; ++i) {
            target.Add(U16("l" + std::to_string(i)));
            model.emplace_back(target.Get(i), lsDocument);
        }
        for (int step = 0; step < 80; ++step) {
            const int count = static_cast<int>(model.size());
            const std::u16string text = U16("s" + std::to_string(step));
            const int i = pick(count + 1);
            const int at = std::min(i, count - 1);
            switch (count == 0 ? 0 : pick(8)) {
            case 0:
                target.Insert(i, text);
                model.insert(model.begin() + i, {text, lsDocument});
                break;
            case 1: {
                const TLineSeparator end = anyEnd();
                target.SetSeparator(at, end);
                model[static_cast<size_t>(at)].second = end;
                break;
            }
            case 2:
                target.Put(at, text);
                model[static_cast<size_t>(at)].first = text;
                break;
            case 3: {
                const int n = pick(count - at) + 1;
                target.InsertLines(at, target.TakeLines(at, n)); // back where they were,
                for (int k = at; k < at + n; ++k) {              // ending as the document
                    model[static_cast<size_t>(k)].second = lsDocument;
                }
                break;
            }
            case 4: {
                const int n = pick(count - at) + 1;
                target.DeleteLines(at, n);
                model.erase(model.begin() + at, model.begin() + at + n);
                break;
            }
            case 5: {
                const int j = pick(count);
                target.Exchange(at, j);
                std::swap(model[static_cast<size_t>(at)], model[static_cast<size_t>(j)]);
                break;
            }
            case 6: {
                // A run of edits, each seen through the run before it commits.
                TLineRun run(target);
                for (int k = 0; k < 6; ++k) {
                    const int c = static_cast<int>(model.size());
                    const int r = pick(c + 1);
                    const int ra = std::min(r, c - 1);
                    const int what = c == 0 ? 0 : pick(4);
                    if (what == 0) {
                        const TLineSeparator end = anyEnd();
                        run.Insert(r, text, end);
                        model.insert(model.begin() + r, {text, end});
                    } else if (what == 1) {
                        TLineSeparator end = lsDocument;
                        EXPECT_EQ(run.Take(ra, &end), model[static_cast<size_t>(ra)].first);
                        EXPECT_EQ(end, model[static_cast<size_t>(ra)].second);
                        model.erase(model.begin() + ra);
                    } else if (what == 2) {
                        const TLineSeparator end = anyEnd();
                        run.SetSeparator(ra, end);
                        model[static_cast<size_t>(ra)].second = end;
                    } else {
                        run.Exchange(ra, text);
                        model[static_cast<size_t>(ra)].first = text;
                    }
                    for (int q = 0; q < run.Count(); ++q) {
                        ASSERT_EQ(run.Separator(q), model[static_cast<size_t>(q)].second)
                            << "seed " << seed << " step " << step << " line " << q;
                    }
                }
                break;
            }
            default:
                target.Delete(at);
                model.erase(model.begin() + at);
                break;
            }
            ASSERT_EQ(EndedOf(target), model) << "seed " << seed << " step " << step;
        }
        const int own =
            static_cast<int>(std::count_if(model.begin(), model.end(), [](const auto& line) {
                return line.second != lsDocument;
            }));
        EXPECT_EQ(target.OwnSeparatorCount(), own);
        target.ClearSeparators();
        EXPECT_EQ(target.OwnSeparatorCount(), 0);
    }
}

TEST_F(StringListTest, SortCarriesSeparatorsAndClearForgetsThem) {
    Fill(list, {"c", "a", "b"});
    list.SetSeparator(0, lsCR);
    list.SetSeparator(2, lsLS);
    list.Sort();
    EXPECT_EQ(EndedOf(list), (Ended{{u"a", lsDocument}, {u"b", lsLS}, {u"c", lsCR}}));
    EXPECT_EQ(list.Separator(-1), lsDocument);
    EXPECT_EQ(list.Separator(3), lsDocument);
    EXPECT_THROW(list.SetSeparator(3, lsCR), EStringListError);
    list.Clear();
    list.Add(u"x");
    EXPECT_EQ(list.Separator(0), lsDocument);
}

// A run that adds a line after every line walking down, then takes them out again walking
// up (a replace-all that adds line breaks, then its undo): each line moves a few times,
// where single inserts and deletes would move the lines behind each edit every time.
TEST_F(StringListTest, LineRunWalkingThroughTheListMovesEachLineAFewTimes) {
    const auto work = [](int n) {
        TWStringList lines;
        for (const std::u16string& line : Numbered("l", n)) {
            lines.Add(line);
        }
        const Lines before = LinesOf(lines);
        const std::int64_t start = lines.MovedSlots();
        {
            TLineRun run(lines);
            for (int i = 0; i < run.Count(); i += 2) {
                run.Insert(i + 1, u"new");
            }
        }
        EXPECT_EQ(lines.Count(), 2 * n);
        {
            TLineRun run(lines);
            for (int i = run.Count() - 1; i > 0; i -= 2) {
                EXPECT_EQ(run.Take(i), u"new");
            }
        }
        EXPECT_EQ(LinesOf(lines), before);
        return lines.MovedSlots() - start;
    };
    const std::int64_t small = work(20000);
    const std::int64_t large = work(40000);
    EXPECT_LE(small, 8 * 20000);
    EXPECT_LE(large, 2 * small + 16);
}

// ---- the undo journal ----

TEST(StringListJournal, PopReturnsNewestFirstThenNone) {
    TUndo journal;
    journal.Add(ukSavePoint, 3, false, nullptr, {}, {0, 0});
    journal.Add(ukDeleteLine, 7, true, Editor(1), u"gone", {4, 7});
    EXPECT_EQ(journal.PeekKind(), ukDeleteLine);

    TUndoEntry e = journal.Pop();
    EXPECT_EQ(e.kind, ukDeleteLine);
    EXPECT_EQ(e.line, 7);
    EXPECT_EQ(e.text, u"gone");
    EXPECT_EQ(e.editor, Editor(1));
    EXPECT_EQ(e.caretStart, (TPoint{4, 7}));
    EXPECT_EQ(journal.PeekKind(), ukSavePoint);
    EXPECT_EQ(journal.Pop().line, 3); // the save counter

    EXPECT_EQ(journal.Count(), 0);
    EXPECT_EQ(journal.PeekKind(), ukNone);
    e = journal.Pop();
    EXPECT_EQ(e.kind, ukNone);
    EXPECT_EQ(e.line, 0);
    EXPECT_TRUE(e.text.empty());
    EXPECT_EQ(e.editor, nullptr);
    EXPECT_EQ(e.caretStart, (TPoint{0, 0}));
}

TEST(StringListJournal, TypingAlongALineIsOneRecord) {
    TUndo journal;
    // Three characters typed at column 0 of line 4; each add carries the line before it.
    journal.Add(ukChangeLine, 4, true, Editor(0), u"line", {0, 4});
    journal.Add(ukChangeLine, 4, true, Editor(0), u"aline", {1, 4});
    journal.Add(ukChangeLine, 4, true, Editor(0), u"abline", {2, 4});
    ASSERT_EQ(journal.Count(), 1);
    EXPECT_EQ(journal.Record(0).text, u"line");
    EXPECT_EQ(journal.Record(0).caretStart, (TPoint{0, 4}));
    EXPECT_EQ(journal.Record(0).caretEnd, (TPoint{2, 4}));

    journal.Add(ukDeleteLine, 4, true, Editor(0), u"abcline", {3, 4});
    EXPECT_EQ(journal.Count(), 2);
}

TEST(StringListJournal, ChangesThatDoNotMerge) {
    struct Case {
        const char* why;
        TUndoKind newestKind;
        TUndoKind kind;
        int line;
        bool mayMerge;
        int editor;
        TPoint caret;
    };
    // The newest record was made at caret (5, 2) on line 2 by editor 0.
    const Case cases[] = {
        {"merge not allowed", ukChangeLine, ukChangeLine, 2, false, 0, {6, 2}},
        {"other line", ukChangeLine, ukChangeLine, 3, true, 0, {6, 2}},
        {"other editor", ukChangeLine, ukChangeLine, 2, true, 1, {6, 2}},
        {"caret on another row", ukChangeLine, ukChangeLine, 2, true, 0, {6, 3}},
        {"caret did not move", ukChangeLine, ukChangeLine, 2, true, 0, {5, 2}},
        {"caret moved two", ukChangeLine, ukChangeLine, 2, true, 0, {7, 2}},
        {"caret moved back", ukChangeLine, ukChangeLine, 2, true, 0, {4, 2}},
        {"new record not a change", ukChangeLine, ukInsertLine, 2, true, 0, {6, 2}},
        {"newest not a change", ukDeleteLine, ukChangeLine, 2, true, 0, {6, 2}},
    };
    for (const Case& c : cases) {
        TUndo journal;
        journal.Add(c.newestKind, 2, true, Editor(0), u"before", {5, 2});
        journal.Add(c.kind, c.line, c.mayMerge, Editor(c.editor), u"after", c.caret);
        ASSERT_EQ(journal.Count(), 2) << c.why;
        EXPECT_EQ(journal.Record(0).caretEnd, (TPoint{5, 2})) << c.why;
        EXPECT_EQ(journal.Record(1).text, u"after") << c.why;
        EXPECT_EQ(journal.Record(1).caretEnd, c.caret) << c.why;
    }
}

TEST(StringListJournal, DropOldestRemovesWholeGroupsAndClearEmpties) {
    TUndo journal;
    const TUndoKind kinds[] = {ukGroupBegin, ukChangeLine, ukChangeLine, ukGroupEnd,
                               ukInsertLine, ukGroupBegin, ukGroupBegin, ukDeleteLine,
                               ukGroupEnd,   ukGroupEnd,   ukGroupBegin, ukChangeLine};
    auto fill = [&] {
        for (int i = 0; i < static_cast<int>(std::size(kinds)); ++i) {
            journal.Add(kinds[i], i, false, nullptr, {}, {});
        }
    };
    fill();
    EXPECT_EQ(journal.DropOldest(), 4);
    EXPECT_EQ(journal.Record(0).kind, ukInsertLine);
    EXPECT_EQ(journal.DropOldest(), 1);
    EXPECT_EQ(journal.DropOldest(), 5); // nested groups go as one
    EXPECT_EQ(journal.DropOldest(), 2); // a group left open ends with the journal
    EXPECT_EQ(journal.DropOldest(), 0);

    fill();
    journal.Clear();
    EXPECT_EQ(journal.Count(), 0);
    EXPECT_EQ(journal.PeekKind(), ukNone);
}

} // namespace
