// Undo and redo replay: random edit sequences undone and redone whole, save points, and
// two editors sharing one line list.
#include <gtest/gtest.h>

#include <random>

#include "editor/uniMemo.h"
#include "memoFakes.h"
#include "support/assertCatcher.h"

using namespace memo_fakes;
using testing_support::TempDir;
using testing_support::U16;
using testing_support::WriteBytes;

namespace {

class MemoUndoTest : public ::testing::Test {
protected:
    TFakeHost host;
    TempDir dir;

    // Loads `bytes` through the editor, so the journal starts with its save point.
    void Load(TuniMemo& memo, std::string_view bytes) {
        const std::string name = dir.file("doc.txt");
        WriteBytes(name, bytes);
        memo.OpenFile(name);
        host.queue.RunAll();
    }
};

// One random edit through the primitives and the typing path.
void RandomEdit(TuniMemo& memo, std::mt19937& rng) {
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const int count = memo.Lines().Count();
    const int line = pick(count);
    const int len = static_cast<int>(memo.Lines().Get(line).size());
    memo.BeginCommand();
    switch (pick(7)) {
    case 0:
    case 1: {
        memo.SetCaret({pick(len + 3), line});
        const char16_t units[] = {u'a', u'b', u' ', u'\t', u'\u00e9'};
        for (int k = pick(4) + 1; k > 0; --k) {
            memo.TypeChar(units[pick(5)]);
        }
        break;
    }
    case 2:
        memo.InsertLineAt(pick(count + 1), u"ins");
        break;
    case 3:
        if (count > 1) {
            memo.RemoveLineAt(line);
        }
        break;
    case 4: {
        const int other = pick(count);
        memo.SetCaret({pick(len + 1), line});
        memo.Select({pick(len + 2), line},
                    {pick(static_cast<int>(memo.Lines().Get(other).size()) + 2), other},
                    pick(2) ? TSelectionMode::Column : TSelectionMode::Stream);
        memo.DeleteSelection(TUpdate::Now);
        break;
    }
    case 5:
        memo.SetCaret({pick(len + 1), line});
        memo.BeginUndoGroup();
        memo.InsertLinesAtCaret({u"p", u"q"},
                                pick(2) ? TSelectionMode::Column : TSelectionMode::Stream);
        memo.EndUndoGroup();
        break;
    default:
        memo.SetOverwrite(!memo.Overwrite());
        memo.SetCaret({pick(len + 1), line});
        memo.TypeChar(u'o');
        break;
    }
    memo.UpdateView();
}

TEST_F(MemoUndoTest, RandomEditsUndoneGiveTheOriginalAndRedoneTheEdited) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        TuniMemo memo(host.Platform());
        Load(memo, "first line\n\tsecond\nthird\n\nfifth  line");
        const std::string original = Text(memo);
        std::mt19937 rng(seed);
        for (int i = 0; i < 25; ++i) {
            RandomEdit(memo, rng);
        }
        const std::string edited = Text(memo);
        std::vector<std::string> states{edited}; // after 0, 1, 2, ... undo steps
        while (memo.CanUndo()) {
            memo.Undo();
            states.push_back(Text(memo));
            ASSERT_LT(states.size(), 1000u);
        }
        ASSERT_EQ(states.back(), original) << "seed " << seed;
        EXPECT_GT(states.size(), 10u) << "seed " << seed;
        EXPECT_FALSE(memo.Modified()) << "seed " << seed;
        // Each redo step takes back exactly one undo step.
        for (size_t k = states.size() - 1; k > 0; --k) {
            ASSERT_TRUE(memo.CanRedo()) << "seed " << seed;
            memo.Redo();
            ASSERT_EQ(Text(memo), states[k - 1])
                << "seed " << seed << ", redo " << states.size() - k;
        }
        EXPECT_FALSE(memo.CanRedo()) << "seed " << seed;
        EXPECT_EQ(memo.Modified(), edited != original) << "seed " << seed;
    }
}

TEST_F(MemoUndoTest, UndoingToTheSavedStateMakesTheDocumentUnmodified) {
    TuniMemo memo(host.Platform());
    Load(memo, "x");
    memo.SetCaret({1, 0});
    Type(memo, "a");
    ASSERT_TRUE(memo.SaveToFile());
    Type(memo, " b");
    ASSERT_TRUE(memo.Modified());
    memo.Undo();
    EXPECT_EQ(Text(memo), "xa");
    EXPECT_FALSE(memo.Modified());
    memo.Undo();
    EXPECT_EQ(Text(memo), "x");
    EXPECT_TRUE(memo.Modified());
    memo.Redo();
    EXPECT_EQ(Text(memo), "xa");
    EXPECT_FALSE(memo.Modified()); // one redo reaches the saved state and says so
    memo.Redo();
    EXPECT_EQ(Text(memo), "xa b");
    EXPECT_TRUE(memo.Modified());
}

TEST_F(MemoUndoTest, UndoRightAfterASaveUndoesTheLastEdit) {
    TuniMemo memo(host.Platform());
    Load(memo, "x");
    memo.SetCaret({1, 0});
    Type(memo, "y");
    ASSERT_TRUE(memo.SaveToFile());
    memo.Undo();
    EXPECT_EQ(Text(memo), "x");
    EXPECT_TRUE(memo.Modified());
    EXPECT_FALSE(memo.CanUndo()); // only the load's save point is left
    memo.Undo();
    EXPECT_EQ(Text(memo), "x");
    EXPECT_EQ(memo.Lines().Undo().Count(), 1);
}

TEST_F(MemoUndoTest, ReplayPutsTheCaretWhereTheEditStarted) {
    TuniMemo memo(host.Platform());
    SetText(memo, "hello\nworld");
    memo.SetCaret({5, 1});
    Type(memo, "!!");
    memo.SetCaret({0, 0});
    memo.BeginCommand();
    memo.Undo();
    EXPECT_EQ(memo.Caret(), (TPoint{5, 1}));
    memo.SetCaret({2, 0});
    memo.Redo();
    // The redo record was written at the caret of the undo.
    EXPECT_EQ(memo.Caret(), (TPoint{0, 0}));
    EXPECT_EQ(Text(memo), "hello\nworld!!");
}

TEST_F(MemoUndoTest, ReplayedRecordsDoNotMergeWithOlderTyping) {
    TuniMemo memo(host.Platform());
    SetText(memo, "");
    Type(memo, "ab");
    memo.SetCaret({5, 0});
    Type(memo, "c"); // a second record: caret X 5 is not after the first's end
    memo.Undo();
    // Redone at a caret right after the first record's end: merging would fold the two
    // records into one and lose the state between them.
    memo.SetCaret({2, 0});
    memo.Redo();
    EXPECT_EQ(memo.Lines().Undo().Count(), 2);
    memo.Undo();
    EXPECT_EQ(Text(memo), "ab");
}

// The text as it would be written: each line with its separator, the last one without.
std::string Written(const TuniMemo& memo) {
    const TWStringList& lines = memo.Lines();
    std::string out;
    for (int i = 0; i < lines.Count(); ++i) {
        out += testing_support::U8(lines.Get(i));
        if (i + 1 < lines.Count()) {
            const TLineSeparator own = lines.Separator(i);
            out += testing_support::U8(std::u16string(
                SeparatorChars(own == lsDocument ? memo.Codec().lineSeparator : own)));
        }
    }
    return out;
}

// Edits that split and join lines of a file with mixed line ends, then every step undone
// and redone: the separators come back with their lines.
TEST_F(MemoUndoTest, MixedSeparatorsSurviveEditsUndoAndRedo) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        TuniMemo memo(host.Platform());
        Load(memo, "first line\r\n\tsecond\rthird\n\r\nfifth  line\rlast");
        const std::string original = Written(memo);
        ASSERT_EQ(original, "first line\r\n\tsecond\rthird\n\r\nfifth  line\rlast");
        std::mt19937 rng(seed);
        const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        for (int i = 0; i < 25; ++i) {
            if (pick(3) > 0) {
                RandomEdit(memo, rng);
                continue;
            }
            const int y = pick(memo.Lines().Count());
            const int len = static_cast<int>(memo.Lines().Get(y).size());
            memo.BeginCommand();
            memo.SetCaret({pick(2) ? len : pick(len + 1), y});
            switch (pick(3)) {
            case 0:
                memo.NewLine();
                break;
            case 1:
                memo.DeleteChar();
                break;
            default:
                memo.SetCaret({0, y});
                memo.Backspace();
                break;
            }
            memo.UpdateView();
        }
        const std::string edited = Written(memo);
        std::vector<std::string> states{edited};
        while (memo.CanUndo()) {
            memo.Undo();
            states.push_back(Written(memo));
            ASSERT_LT(states.size(), 1000u);
        }
        ASSERT_EQ(states.back(), original) << "seed " << seed;
        for (size_t k = states.size() - 1; k > 0; --k) {
            memo.Redo();
            ASSERT_EQ(Written(memo), states[k - 1]) << "seed " << seed;
        }
    }
}

TEST_F(MemoUndoTest, SplitsAndJoinsKeepALinesEndWithItsText) {
    TuniMemo memo(host.Platform());
    Load(memo, "ab\ncd\r\nef");
    // Enter inside "cd": the new break is the document's, "d" still ends in CR LF.
    memo.BeginCommand();
    memo.SetCaret({1, 1});
    memo.NewLine();
    EXPECT_EQ(Written(memo), "ab\nc\nd\r\nef");
    // Delete at the end of "ab": the joined line ends as "c" did.
    memo.BeginCommand();
    memo.SetCaret({2, 0});
    memo.DeleteChar();
    EXPECT_EQ(Written(memo), "abc\nd\r\nef");
    // Backspace at the start of "ef": "d" + "ef" ends as "ef" did (the last line: nothing).
    memo.BeginCommand();
    memo.SetCaret({0, 2});
    memo.Backspace();
    EXPECT_EQ(Written(memo), "abc\ndef");
    memo.Undo();
    EXPECT_EQ(Written(memo), "abc\nd\r\nef");
    // A selection across the CR LF break, then pasting two lines over it.
    memo.BeginCommand();
    memo.Select({1, 0}, {1, 1}, TSelectionMode::Stream);
    memo.DeleteSelection(TUpdate::Now);
    EXPECT_EQ(Written(memo), "a\r\nef");
    memo.BeginUndoGroup();
    memo.InsertLinesAtCaret({u"X", u"Y"}, TSelectionMode::Stream);
    memo.EndUndoGroup();
    EXPECT_EQ(Written(memo), "aX\nY\r\nef");
}

TEST_F(MemoUndoTest, MakingSeparatorsUniformIsOneUndoStep) {
    TuniMemo memo(host.Platform());
    Load(memo, "a\nb\r\nc\rd");
    ASSERT_EQ(memo.Lines().OwnSeparatorCount(), 2);
    memo.SetDocumentSeparator(lsLF);
    EXPECT_EQ(Written(memo), "a\nb\nc\nd");
    EXPECT_TRUE(memo.Modified());
    memo.SetDocumentSeparator(lsCRLF);
    EXPECT_EQ(Written(memo), "a\r\nb\r\nc\r\nd");
    memo.Undo();
    EXPECT_EQ(Written(memo), "a\nb\nc\nd");
    memo.Undo();
    EXPECT_EQ(Written(memo), "a\nb\r\nc\rd");
    EXPECT_FALSE(memo.Modified());
    memo.Redo();
    memo.Redo();
    EXPECT_EQ(Written(memo), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(memo.Codec().lineSeparator, lsCRLF);
    // Nothing to change: no step.
    memo.Undo();
    const int records = memo.Lines().Undo().Count();
    memo.SetDocumentSeparator(lsLF);
    EXPECT_EQ(memo.Lines().Undo().Count(), records);
}

class SharedListTest : public MemoUndoTest {
protected:
    TuniMemo a{host.Platform()};
    TuniMemo b{host.Platform()};
};

TEST_F(SharedListTest, TwoViewsShareTheListAndKeepTheirOwnCarets) {
    SetText(a, "one\ntwo\nthree");
    b.SetLines(&a.Lines(), "doc.txt");
    EXPECT_EQ(&b.Lines(), &a.Lines());
    EXPECT_EQ(a.Lines().RefCount(), 2);
    EXPECT_EQ(b.FileName(), "doc.txt");
    a.SetCaret({3, 0});
    Type(a, "!");
    b.SetCaret({1, 2});
    b.BeginCommand();
    b.Undo(); // undoes a's edit; the record is a's, so b's caret stays
    EXPECT_EQ(Text(b), "one\ntwo\nthree");
    EXPECT_EQ(b.Caret(), (TPoint{1, 2}));
    b.Redo();
    EXPECT_EQ(Text(a), "one!\ntwo\nthree");
}

TEST_F(SharedListTest, ChangesReachEveryViewAndSurviveTheFirst) {
    SetText(a, "one");
    TMemoEvents bEvents(b); // follows b to the document it shows
    const int& bChanges = bEvents.lineReports;
    b.SetLines(&a.Lines(), "");
    b.UpdateView();
    a.SetCaret({3, 0});
    Type(a, "x");
    EXPECT_GT(bChanges, 0);
    EXPECT_TRUE(b.FullRepaintPending());
    TWStringList* list = &b.Lines();
    {
        TuniMemo c(host.Platform());
        c.SetLines(list, "");
        EXPECT_EQ(list->RefCount(), 3);
    }
    EXPECT_EQ(list->RefCount(), 2);
    const int before = bChanges;
    b.SetCaret({4, 0});
    Type(b, "y");
    EXPECT_GT(bChanges, before);
    EXPECT_EQ(Text(a), "onexy");
}

TEST_F(SharedListTest, TheListOutlivesTheViewThatMadeIt) {
    auto first = std::make_unique<TuniMemo>(host.Platform());
    SetText(*first, "kept");
    b.SetLines(&first->Lines(), "");
    first.reset();
    EXPECT_EQ(b.Lines().RefCount(), 1);
    EXPECT_EQ(Text(b), "kept");
    b.SetCaret({4, 0});
    Type(b, "!");
    b.Undo();
    EXPECT_EQ(Text(b), "kept");
}

TEST_F(SharedListTest, BookmarksOfEveryViewFollowLineEdits) {
    SetText(a, "0\n1\n2\n3");
    b.SetLines(&a.Lines(), "");
    b.SetBookmarkAt(4, {0, 3});
    a.SetBookmarkAt(4, {0, 1});
    a.BeginCommand();
    a.InsertLineAt(0, u"new");
    EXPECT_EQ(b.Bookmark(4).Y, 4);
    EXPECT_EQ(a.Bookmark(4).Y, 2);
    a.RemoveLineAt(4);
    EXPECT_EQ(b.Bookmark(4), (TPoint{-1, -1}));
}

TEST_F(SharedListTest, EveryViewWritesTheDocumentsSeparator) {
    Load(a, "x\ny\r\nz");
    b.SetLines(&a.Lines(), a.FileName());
    b.Codec().lineSeparator = a.Codec().lineSeparator;
    a.SetDocumentSeparator(lsCR);
    EXPECT_EQ(Written(b), "x\ry\rz");
    b.Undo();
    EXPECT_EQ(Written(a), "x\ny\r\nz");
    EXPECT_EQ(b.Codec().lineSeparator, lsLF);
}

TEST_F(SharedListTest, ASaveInOneViewIsTheSavedStateForTheOther) {
    Load(a, "text");
    b.SetLines(&a.Lines(), a.FileName());
    a.SetCaret({4, 0});
    Type(a, "1");
    ASSERT_TRUE(a.SaveToFile());
    b.SetCaret({5, 0});
    Type(b, "2");
    EXPECT_TRUE(b.Modified());
    b.Undo();
    EXPECT_EQ(Text(b), "text1");
    EXPECT_FALSE(b.Modified());
    EXPECT_EQ(b.SaveCounter(), a.SaveCounter());
}

} // namespace

// A grouped edit relies on its group staying open in the journal until it closes; a
// watcher that empties the journal meanwhile breaks that, and the check reports it.
TEST_F(MemoUndoTest, AGroupEmptiedWhileOpenIsABrokenInvariant) {
    TuniMemo memo(host.Platform());
    Load(memo, "abc\n");
    memo.SetCaret({1, 0});
    struct TJournalEmptier final : TDocumentWatcher {
        void LinesInserted(TDocument& d, const TLineChange&) override { d.Lines().Undo().Clear(); }
        void LinesDeleted(TDocument& d, const TLineChange&) override { d.Lines().Undo().Clear(); }
        void LinesChanged(TDocument& d, const TLineChange&) override { d.Lines().Undo().Clear(); }
    } emptier;
    memo.Document().AddWatcher(emptier);
    testing_support::TAssertCatcher catcher;
    EXPECT_THROW(memo.InsertText(u"xyz"), testing_support::TBrokenInvariant);
    memo.Document().RemoveWatcher(emptier);
}
