// Edits over many lines: the range primitives record and notify as line-at-a-time edits
// do, deleting, pasting, replacing and their undo and redo give the same records and
// results, and a whole document is edited with work in proportion to its lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/uniMemo.h"
#include "memoFakes.h"
#include "profile/uniProfile.h"

using namespace memo_fakes;
using testing_support::TempDir;
using testing_support::U16;
using testing_support::U8;
using testing_support::WriteBytes;

namespace {

// One comparable text per record, oldest first: kind, line and text, with the carets when
// `carets` (a replay writes the records at its own caret).
std::vector<std::string> Records(const TUndo& journal, bool carets = true) {
    static const char* const kinds[] = {"none", "ins", "del", "chg", "save", "begin", "end"};
    std::vector<std::string> out;
    for (int i = 0; i < journal.Count(); ++i) {
        const TUndoRec& r = journal.Record(i);
        std::string s =
            std::string(kinds[r.kind]) + " " + std::to_string(r.line) + " '" + U8(r.text) + "'";
        if (carets) {
            s += " " + std::to_string(r.caretStart.X) + "," + std::to_string(r.caretStart.Y) + " " +
                 std::to_string(r.caretEnd.X) + "," + std::to_string(r.caretEnd.Y);
        }
        out.push_back(std::move(s));
    }
    return out;
}

std::vector<int> BookmarkLines(const TuniMemo& memo) {
    std::vector<int> out;
    for (int n = 0; n < TuniMemo::kBookmarkCount; ++n) {
        out.push_back(memo.Bookmark(n).Y);
    }
    return out;
}

std::string NumberedText(int n, const char* prefix = "line ") {
    std::string text;
    for (int i = 0; i < n; ++i) {
        text += (i > 0 ? "\n" : "") + std::string(prefix) + std::to_string(i);
    }
    return text;
}

class MemoRangeTest : public ::testing::Test {
protected:
    TFakeHost host;
    TuniMemo memo{host.Platform()};
};

// Two documents with a second view each: one edited through the range primitives, the
// other a line at a time. Texts, journals and both views' bookmarks stay equal.
TEST_F(MemoRangeTest, RangePrimitivesRecordAndNotifyAsLineAtATimeEditsDo) {
    TuniMemo ranged(host.Platform());
    TuniMemo rangedView(host.Platform());
    TuniMemo single(host.Platform());
    TuniMemo singleView(host.Platform());
    for (auto [m, view] : {std::pair{&ranged, &rangedView}, std::pair{&single, &singleView}}) {
        SetText(*m, NumberedText(12));
        view->SetLines(&m->Lines(), "doc.txt");
        m->SetBookmarkAt(0, {1, 1});
        m->SetBookmarkAt(1, {0, 3});
        m->SetBookmarkAt(2, {2, 6});
        m->SetBookmarkAt(3, {0, 9});
        view->SetBookmarkAt(4, {0, 7});
        view->SetBookmarkAt(5, {0, 2});
        m->SetCaret({4, 5});
        m->BeginCommand();
    }
    const auto expectSame = [&](const char* what) {
        EXPECT_EQ(Text(ranged), Text(single)) << what;
        EXPECT_EQ(Records(ranged.Lines().Undo()), Records(single.Lines().Undo())) << what;
        EXPECT_EQ(BookmarkLines(ranged), BookmarkLines(single)) << what;
        EXPECT_EQ(BookmarkLines(rangedView), BookmarkLines(singleView)) << what;
    };

    ranged.RemoveLinesAt(3, 4);
    for (int k = 0; k < 4; ++k) {
        single.RemoveLineAt(3);
    }
    expectSame("removed");
    EXPECT_EQ(Text(ranged), "line 0\nline 1\nline 2\nline 7\nline 8\nline 9\nline 10\nline 11");
    EXPECT_EQ(BookmarkLines(ranged)[3], 5); // from line 9
    EXPECT_EQ(BookmarkLines(ranged)[1], -1);
    EXPECT_EQ(BookmarkLines(rangedView)[4], 3); // from line 7

    ranged.InsertLinesAt(2, {u"x", u"y", u"z"});
    for (int k = 0; k < 3; ++k) {
        single.InsertLineAt(2 + k, std::u16string(1, static_cast<char16_t>(u'x' + k)));
    }
    expectSame("inserted");
    EXPECT_EQ(BookmarkLines(rangedView)[5], 5); // from line 2

    // Past the end a removal takes what there is; nothing is inserted out of range.
    ranged.RemoveLinesAt(9, 5);
    single.RemoveLineAt(9);
    single.RemoveLineAt(9);
    ranged.InsertLinesAt(99, {u"never"});
    expectSame("clamped");
}

TEST_F(MemoRangeTest, DeletingLinesOfASelectionThenUndoAndRedo) {
    SetText(memo, "zero\none\ntwo\nthree\nfour\nfive\nsix\nseven");
    memo.SetBookmarkAt(0, {0, 0});
    memo.SetBookmarkAt(1, {0, 3});
    memo.SetBookmarkAt(2, {1, 7});
    memo.Select({2, 1}, {3, 6});
    memo.SetCaret({3, 6});
    memo.BeginCommand();
    memo.DeleteSelection(TUpdate::Now);
    EXPECT_EQ(Text(memo), "zero\non\nseven");
    EXPECT_EQ(memo.Caret(), (TPoint{2, 1}));
    EXPECT_EQ(BookmarkLines(memo)[0], 0);
    EXPECT_EQ(BookmarkLines(memo)[1], -1);
    EXPECT_EQ(BookmarkLines(memo)[2], 2);
    const std::vector<std::string> deleted = {"begin 0 ''",    "chg 1 'one'",  "del 2 'two'",
                                              "del 2 'three'", "del 2 'four'", "del 2 'five'",
                                              "chg 1 'on'",    "del 2 'six'",  "end 0 ''"};
    EXPECT_EQ(Records(memo.Lines().Undo(), false), deleted);

    memo.SetCaret({0, 0});
    memo.BeginCommand();
    memo.Undo();
    EXPECT_EQ(Text(memo), "zero\none\ntwo\nthree\nfour\nfive\nsix\nseven");
    EXPECT_EQ(memo.Caret(), (TPoint{3, 6})); // where the delete started
    EXPECT_FALSE(memo.CanUndo());
    // The redo records, newest last: each undone record leaves its opposite.
    const std::vector<std::string> redo = {"end 0 ''", "del 2 ''",   "chg 1 'on'",
                                           "del 2 ''", "del 2 ''",   "del 2 ''",
                                           "del 2 ''", "chg 1 'on'", "begin 0 ''"};
    EXPECT_EQ(Records(memo.Lines().Redo(), false), redo);

    memo.Redo();
    EXPECT_EQ(Text(memo), "zero\non\nseven");
    EXPECT_EQ(Records(memo.Lines().Undo(), false), deleted);
    EXPECT_EQ(memo.Lines().Redo().Count(), 0);
}

TEST_F(MemoRangeTest, PastingManyLinesRecordsOneInsertPerLine) {
    SetText(memo, "head tail\nlast");
    host.clipboard.content.utf16 = u"A\r\nB\nC\rD";
    memo.SetBookmarkAt(0, {0, 1});
    memo.SetCaret({5, 0});
    memo.BeginCommand();
    memo.PasteClipboard();
    EXPECT_EQ(Text(memo), "head A\nB\nC\nDtail\nlast");
    EXPECT_EQ(memo.Caret(), (TPoint{1, 3}));
    EXPECT_EQ(BookmarkLines(memo)[0], 4);
    const std::vector<std::string> pasted = {"begin 0 ''", "chg 0 'head tail'", "ins 1 ''",
                                             "ins 2 ''",   "ins 3 ''",          "end 0 ''"};
    EXPECT_EQ(Records(memo.Lines().Undo(), false), pasted);
    memo.Undo();
    EXPECT_EQ(Text(memo), "head tail\nlast");
    EXPECT_EQ(BookmarkLines(memo)[0], 1);
    const std::vector<std::string> redo = {"end 0 ''",  "ins 3 'Dtail'",  "ins 2 'C'",
                                           "ins 1 'B'", "chg 0 'head A'", "begin 0 ''"};
    EXPECT_EQ(Records(memo.Lines().Redo(), false), redo);
    memo.Redo();
    EXPECT_EQ(Text(memo), "head A\nB\nC\nDtail\nlast");
    EXPECT_EQ(Records(memo.Lines().Undo(), false), pasted);
}

// The records of replace-all are those of storing each changed line and inserting the lines
// its line feeds make, line by line, in both directions.
TEST_F(MemoRangeTest, ReplaceAllWithLineFeedsRecordsLineByLineEdits) {
    for (const bool backward : {false, true}) {
        SCOPED_TRACE(backward ? "backward" : "forward");
        SetText(memo, "a b\nc\nd e f\ng");
        memo.Lines().Undo().Clear();
        memo.SetBookmarkAt(0, {0, 1});
        memo.SetBookmarkAt(1, {0, 3});
        memo.SearchOptions() = {false, false, true};
        memo.SetCaret(backward ? TPoint{1, 3} : TPoint{0, 0});
        memo.BeginCommand();
        host.questions.answers = {TReplaceAnswer::All};
        host.questions.asked = 0;
        memo.Replace(u" ", u"\\n", backward);
        EXPECT_EQ(Text(memo), "a\nb\nc\nd\ne\nf\ng");
        EXPECT_EQ(BookmarkLines(memo)[0], 2);
        EXPECT_EQ(BookmarkLines(memo)[1], 6);
        const std::vector<std::string> forward = {"begin 0 ''",    "chg 0 'a b'", "ins 1 ''",
                                                  "chg 3 'd e f'", "ins 4 ''",    "ins 5 ''",
                                                  "end 0 ''"};
        const std::vector<std::string> back = {"begin 0 ''", "chg 2 'd e f'", "ins 3 ''",
                                               "ins 4 ''",   "chg 0 'a b'",   "ins 1 ''",
                                               "end 0 ''"};
        EXPECT_EQ(Records(memo.Lines().Undo(), false), backward ? back : forward);
        memo.Undo();
        EXPECT_EQ(Text(memo), "a b\nc\nd e f\ng");
        EXPECT_EQ(BookmarkLines(memo)[1], 3);
        memo.Redo();
        EXPECT_EQ(Text(memo), "a\nb\nc\nd\ne\nf\ng");
        EXPECT_EQ(Records(memo.Lines().Undo(), false), backward ? back : forward);
    }
}

// Replace-all of an expression across lines gives the text and the line records that
// answering Yes at every match gives (All keeps them in one step, without the outer groups).
TEST_F(MemoRangeTest, ReplaceAllAcrossLinesEditsAsMatchByMatchReplacingDoes) {
    const std::string original = "k1\nv1 x\nk22\nv22\nk3\nk4\nv4";
    const auto lineRecords = [](const TUndo& journal) {
        std::vector<std::string> out;
        for (const std::string& r : Records(journal, false)) {
            if (!r.starts_with("begin") && !r.starts_with("end")) {
                out.push_back(r);
            }
        }
        return out;
    };
    for (const bool backward : {false, true}) {
        SCOPED_TRACE(backward ? "backward" : "forward");
        std::vector<std::string> texts;
        std::vector<std::vector<std::string>> records;
        for (const bool all : {false, true}) {
            SetText(memo, original);
            memo.SearchOptions() = {false, false, true};
            memo.SetCaret(backward ? TPoint{2, 6} : TPoint{0, 0});
            memo.BeginCommand();
            host.questions.answers.assign(all ? 1 : 10,
                                          all ? TReplaceAnswer::All : TReplaceAnswer::Yes);
            host.questions.asked = 0;
            memo.Replace(u"k(\\d+)\\nv", u"<$1>\\n\\n=", backward);
            texts.push_back(Text(memo));
            records.push_back(lineRecords(memo.Lines().Undo()));
            while (memo.CanUndo()) {
                memo.Undo();
            }
            EXPECT_EQ(Text(memo), original);
        }
        EXPECT_EQ(texts[0], "<1>\n\n=1 x\n<22>\n\n=22\nk3\n<4>\n\n=4");
        EXPECT_EQ(texts[1], texts[0]);
        EXPECT_EQ(records[1], records[0]);
        memo.Redo();
        EXPECT_EQ(Text(memo), texts[1]);
    }
}

// --- work on whole documents -------------------------------------------------------------

struct TWork {
    std::int64_t moved = 0;   // line slots the list moved
    std::int64_t changes = 0; // the changes of lines the editor's listeners heard
    std::int64_t edited = 0;  // the settings of the modified state they heard
};

void Command(TuniMemo& memo, void (TuniMemo::*command)()) {
    memo.BeginCommand();
    (memo.*command)();
    memo.UpdateView();
}

// An editor with the shipped profile for text (case tables) and the wrap off (blocks).
class MemoRangeWorkTest : public ::testing::Test {
protected:
    TConfigFolder folder{PELMAR_SOURCE_DATA_DIR};
    TCommonSettings common;
    TFakeHost host;

    // Runs `edit` on an n-line document and counts its work.
    template <class F>
    TWork Measure(int n, F edit) {
        TuniMemo memo(host.Platform(false), {&folder, &common, nullptr});
        memo.ApplyProfile("txt");
        memo.SetWordWrap(false);
        const std::string original = NumberedText(n);
        SetText(memo, original);
        memo.SetCaret({0, 0});
        memo.UpdateView();
        TWork work;
        TMemoEvents events(memo);
        const std::int64_t start = memo.Lines().MovedSlots();
        edit(memo, original);
        work.moved = memo.Lines().MovedSlots() - start;
        work.changes = events.lineReports;
        work.edited = static_cast<std::int64_t>(events.modified.size());
        return work;
    }
    // Twice the lines take about twice the work, and a few moves and notifications a line.
    static void ExpectLinear(const TWork& small, const TWork& large, int n) {
        EXPECT_LE(small.moved, 16 * n);
        EXPECT_LE(large.moved, 2 * small.moved + 64);
        EXPECT_LE(small.changes, 16 * n);
        EXPECT_LE(large.changes, 2 * small.changes + 64);
        // The owner hears of an edit once per command, not once per line.
        EXPECT_EQ(large.edited, small.edited);
    }
};

TEST_F(MemoRangeWorkTest, SelectAllDeletePasteBackUndoAndRedo) {
    const auto edit = [](TuniMemo& memo, const std::string& original) {
        Command(memo, &TuniMemo::SelectAll);
        Command(memo, &TuniMemo::CutSelection);
        ASSERT_EQ(Text(memo), "");
        Command(memo, &TuniMemo::PasteClipboard);
        ASSERT_EQ(Text(memo), original);
        Command(memo, &TuniMemo::Undo);
        ASSERT_EQ(Text(memo), "");
        Command(memo, &TuniMemo::Undo);
        ASSERT_EQ(Text(memo), original);
        const int last = memo.Lines().Count() - 1;
        EXPECT_EQ(memo.Caret(), (TPoint{static_cast<int>(memo.Lines().Get(last).size()), last}));
        Command(memo, &TuniMemo::Redo);
        ASSERT_EQ(Text(memo), "");
        Command(memo, &TuniMemo::Redo);
        ASSERT_EQ(Text(memo), original);
    };
    ExpectLinear(Measure(20000, edit), Measure(40000, edit), 20000);
}

TEST_F(MemoRangeWorkTest, SelectionAsBytesAndBackUndoneAndRedone) {
    const auto edit = [](TuniMemo& memo, const std::string& original) {
        memo.Select({3, 1}, {2, memo.Lines().Count() - 2});
        std::vector<std::string> bytes;
        memo.ExportSelection(bytes, "UTF-8", "-");
        memo.ImportSelection(bytes, TSelectionMode::Stream, "-", "UTF-8");
        ASSERT_EQ(Text(memo), original);
        Command(memo, &TuniMemo::Undo);
        ASSERT_EQ(Text(memo), original);
        Command(memo, &TuniMemo::Redo);
        ASSERT_EQ(Text(memo), original);
    };
    ExpectLinear(Measure(20000, edit), Measure(40000, edit), 20000);
}

TEST_F(MemoRangeWorkTest, IndentCaseAndColumnBlocksOverTheWholeDocument) {
    const auto edit = [](TuniMemo& memo, const std::string& original) {
        Command(memo, &TuniMemo::SelectAll);
        Command(memo, &TuniMemo::IndentSelection);
        Command(memo, &TuniMemo::SelectionToUpper);
        Command(memo, &TuniMemo::UnindentSelection);
        ASSERT_EQ(memo.Lines().Get(7), u"LINE 7");
        // A block two columns wide down every line, cut and pasted back where it was.
        memo.BeginCommand();
        memo.Select({1, 0}, {3, memo.Lines().Count() - 1}, TSelectionMode::Column);
        memo.SetCaret({3, memo.Lines().Count() - 1});
        Command(memo, &TuniMemo::CutSelection);
        ASSERT_EQ(memo.Lines().Get(7), u"LE 7");
        memo.SetCaret({1, 0});
        Command(memo, &TuniMemo::PasteClipboard);
        ASSERT_EQ(memo.Lines().Get(7), u"LINE 7");
        for (int k = 0; k < 5; ++k) {
            Command(memo, &TuniMemo::Undo);
        }
        ASSERT_EQ(Text(memo), original);
        for (int k = 0; k < 5; ++k) {
            Command(memo, &TuniMemo::Redo);
        }
        ASSERT_EQ(memo.Lines().Get(7), u"LINE 7");
    };
    ExpectLinear(Measure(10000, edit), Measure(20000, edit), 10000);
}

TEST_F(MemoRangeWorkTest, ReplaceAllJoiningLinesUndoneAndRedone) {
    const auto edit = [&](TuniMemo& memo, const std::string& original) {
        const int n = memo.Lines().Count();
        memo.SearchOptions() = {false, false, true};
        host.questions.answers = {TReplaceAnswer::All};
        host.questions.asked = 0;
        memo.BeginCommand();
        // Each even line with the next: a joined line ends in an odd digit.
        memo.Replace(u"([02468])\\nline", u"$1 +", false);
        ASSERT_EQ(memo.Lines().Count(), (n + 1) / 2);
        ASSERT_EQ(memo.Lines().Get(1), u"line 2 + 3");
        Command(memo, &TuniMemo::Undo);
        ASSERT_EQ(Text(memo), original);
        Command(memo, &TuniMemo::Redo);
        ASSERT_EQ(memo.Lines().Get(2), u"line 4 + 5");
    };
    ExpectLinear(Measure(10000, edit), Measure(20000, edit), 10000);
}

TEST_F(MemoRangeWorkTest, ReplaceAllAddingLineBreaksUndoneAndRedone) {
    const auto edit = [&](TuniMemo& memo, const std::string& original) {
        memo.SearchOptions() = {false, false, true};
        host.questions.answers = {TReplaceAnswer::All};
        host.questions.asked = 0;
        const int n = memo.Lines().Count();
        memo.BeginCommand();
        memo.Replace(u" ", u"\\n\\n", false);
        ASSERT_EQ(memo.Lines().Count(), 3 * n);
        ASSERT_EQ(memo.Lines().Get(3), u"line");
        Command(memo, &TuniMemo::Undo);
        ASSERT_EQ(Text(memo), original);
        Command(memo, &TuniMemo::Redo);
        ASSERT_EQ(memo.Lines().Get(5), u"1");
    };
    ExpectLinear(Measure(20000, edit), Measure(40000, edit), 20000);
}

// A file loaded into a document that has a history and a second view: the lines are
// appended, never shifted, and every view hears of each line once (in ranges).
TEST_F(MemoRangeWorkTest, LoadingIntoADocumentWithAHistoryAndASecondView) {
    // Counts the lines each report tells appended, as each view hears them.
    struct TAppended final : TDocumentWatcher {
        std::int64_t lines = 0;
        void LinesInserted(TDocument&, const TLineChange& c) override {
            lines += c.last - c.first + 1;
        }
    };
    const auto work = [&](int n) {
        TempDir dir;
        const std::string name = dir.file("doc.txt");
        WriteBytes(name, NumberedText(n, "new "));
        TuniMemo view(host.Platform(false));
        TAppended appended;
        int viewReports = 0;
        TWork result = Measure(n, [&](TuniMemo& memo, const std::string& original) {
            Command(memo, &TuniMemo::SelectAll);
            Command(memo, &TuniMemo::DeleteChar);
            Command(memo, &TuniMemo::Undo);
            ASSERT_EQ(Text(memo), original);
            view.SetLines(&memo.Lines(), name);
            TMemoEvents viewEvents(view);
            memo.Document().AddWatcher(appended);
            memo.OpenFile(name);
            memo.Document().RemoveWatcher(appended);
            ASSERT_EQ(Text(view), NumberedText(n, "new "));
            EXPECT_FALSE(memo.CanUndo());
            viewReports = viewEvents.lineReports;
        });
        result.changes += viewReports;
        EXPECT_EQ(appended.lines, view.Lines().Count()); // every line, once
        return result;
    };
    const TWork small = work(10000);
    const TWork large = work(20000);
    ExpectLinear(small, large, 10000);
    // Both views hear the appended lines in ranges, far fewer reports than lines.
    EXPECT_LT(small.changes, 10000 / 20);
}

} // namespace
