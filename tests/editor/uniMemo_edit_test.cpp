// The editor's text primitives: typing, deleting selections, inserting lines at the caret,
// the selection as 8-bit lines, bookmarks and the normalised selection.
#include <gtest/gtest.h>

#include "editor/uniMemo.h"
#include "memoFakes.h"

using namespace memo_fakes;
using testing_support::U16;

namespace {

class MemoEditTest : public ::testing::Test {
protected:
    TFakeHost host;
    TuniMemo memo{host.Platform()};

    const TUndoRec& Newest() const { return *memo.Lines().Undo().Newest(); }
};

TEST_F(MemoEditTest, TypingOnOneLineMergesUntilASpace) {
    SetText(memo, "");
    Type(memo, "abc def");
    EXPECT_EQ(Text(memo), "abc def");
    EXPECT_EQ(memo.Caret(), (TPoint{7, 0}));
    EXPECT_EQ(memo.Lines().Undo().Count(), 2); // "abc" and " def"
    memo.Undo();
    EXPECT_EQ(Text(memo), "abc");
    memo.Undo();
    EXPECT_EQ(Text(memo), "");
    EXPECT_FALSE(memo.CanUndo());
}

TEST_F(MemoEditTest, TypingIntoAnEmptyListMakesTheLine) {
    ASSERT_EQ(memo.Lines().Count(), 0);
    Type(memo, "ab");
    EXPECT_EQ(Text(memo), "ab");
    memo.Undo(); // the typed text
    EXPECT_EQ(memo.Lines().Count(), 1);
    memo.Undo(); // the line itself
    EXPECT_EQ(memo.Lines().Count(), 0);
}

TEST_F(MemoEditTest, TypingInVirtualSpacePadsWithSpaces) {
    SetText(memo, "abc");
    memo.SetCaret({10, 0});
    Type(memo, "x");
    EXPECT_EQ(Text(memo), "abc       x");
    EXPECT_EQ(memo.Caret(), (TPoint{11, 0}));
    memo.Undo();
    EXPECT_EQ(Text(memo), "abc"); // the padding goes with the letter
}

TEST_F(MemoEditTest, TypingInsideATabInsertsTheOffsetAsSpacesFirst) {
    SetText(memo, "\tb");
    memo.SetCaret({0, 0});
    memo.SetTabOffset(2);
    Type(memo, "a");
    EXPECT_EQ(Text(memo), "  a\tb");
    EXPECT_EQ(memo.Caret(), (TPoint{3, 0}));
    EXPECT_EQ(memo.TabOffset(), 0);
}

TEST_F(MemoEditTest, OverwriteReplacesAndAppendsAtTheEnd) {
    SetText(memo, "abc");
    memo.SetOverwrite(true);
    memo.SetCaret({1, 0});
    Type(memo, "X");
    EXPECT_EQ(Text(memo), "aXc");
    memo.SetCaret({3, 0});
    Type(memo, "Y");
    EXPECT_EQ(Text(memo), "aXcY");
}

TEST_F(MemoEditTest, PrimitivesRecordWhatReplayNeeds) {
    SetText(memo, "one\ntwo");
    memo.BeginCommand();
    memo.SetLineText(0, u"ONE", TMerge::No);
    EXPECT_EQ(Newest().kind, ukChangeLine);
    EXPECT_EQ(Newest().text, u"one");
    EXPECT_EQ(Newest().editor, &memo);
    memo.SetLineText(5, u"appended", TMerge::No);
    EXPECT_EQ(Newest().kind, ukInsertLine);
    EXPECT_EQ(Newest().line, 2);
    memo.InsertLineAt(1, u"new");
    memo.RemoveLineAt(0);
    EXPECT_EQ(Newest().kind, ukDeleteLine);
    EXPECT_EQ(Newest().text, u"ONE");
    EXPECT_EQ(Text(memo), "new\ntwo\nappended");
    memo.RemoveLineAt(7); // out of range: nothing
    EXPECT_EQ(memo.Lines().Undo().Count(), 4);
}

TEST_F(MemoEditTest, AnEditClearsTheRedoJournal) {
    SetText(memo, "a");
    Type(memo, "b");
    memo.Undo();
    ASSERT_TRUE(memo.CanRedo());
    Type(memo, "c");
    EXPECT_FALSE(memo.CanRedo());
}

TEST_F(MemoEditTest, DeletingAStreamSelectionOverLinesIsOneUndoStep) {
    SetText(memo, "one\ntwo\nthree\nfour");
    memo.SetCaret({2, 2});
    memo.Select({2, 2}, {1, 0}); // anchored at the end: normalisation orders it
    memo.BeginCommand();
    memo.DeleteSelection(TUpdate::Now);
    EXPECT_EQ(Text(memo), "oree\nfour");
    EXPECT_EQ(memo.Caret(), (TPoint{1, 0}));
    EXPECT_FALSE(memo.SelectionActive());
    EXPECT_TRUE(memo.Modified());
    memo.Undo();
    EXPECT_EQ(Text(memo), "one\ntwo\nthree\nfour");
    EXPECT_EQ(memo.Caret(), (TPoint{2, 2}));
}

TEST_F(MemoEditTest, DeletingOnOneLineAndIntoVirtualSpace) {
    SetText(memo, "abcdef");
    memo.Select({4, 0}, {1, 0});
    memo.DeleteSelection(TUpdate::Later);
    EXPECT_EQ(Text(memo), "aef");
    memo.Select({2, 0}, {9, 0});
    memo.DeleteSelection(TUpdate::Later);
    EXPECT_EQ(Text(memo), "ae");
}

TEST_F(MemoEditTest, DeletingAColumnBlockSplitsTabsAtItsEdges) {
    SetText(memo, "abcdef\n\tx\nab");
    // Visual columns 2..4; the TAB of line 1 spans columns 0..3, "x" is column 4.
    memo.Select({2, 0}, {5, 2}, TSelectionMode::Column);
    ASSERT_EQ(memo.SelectionMode(), TSelectionMode::Column);
    memo.DeleteSelection(TUpdate::Later);
    EXPECT_EQ(Text(memo), "abf\n  \nab");
    EXPECT_EQ(memo.Caret(), (TPoint{2, 0}));
    memo.Undo();
    EXPECT_EQ(Text(memo), "abcdef\n\tx\nab");
}

TEST_F(MemoEditTest, ColumnBlockStartingInsideATabKeepsItsLeftPart) {
    SetText(memo, "a\tb\nabcd");
    // The TAB covers visual columns 1..3; the block is columns 2 and 3.
    memo.Select({2, 1}, {2, 0}, TSelectionMode::Column);
    const TNormalSelection n = memo.NormalSelection();
    ASSERT_EQ(n.start, (TPoint{2, 0}));
    ASSERT_EQ(n.end, (TPoint{4, 1}));
    memo.DeleteSelection(TUpdate::Later);
    EXPECT_EQ(Text(memo), "a b\nab");
    EXPECT_EQ(memo.Caret(), (TPoint{2, 0}));
}

TEST_F(MemoEditTest, NormalisedSelections) {
    SetText(memo, "abcdef\nx\n\tyz");
    memo.Select({4, 0}, {1, 0});
    EXPECT_EQ(memo.NormalSelection().start, (TPoint{1, 0}));
    EXPECT_EQ(memo.NormalSelection().end, (TPoint{4, 0}));
    memo.Select({1, 2}, {3, 0});
    EXPECT_EQ(memo.NormalSelection().start, (TPoint{3, 0}));
    EXPECT_EQ(memo.NormalSelection().end, (TPoint{1, 2}));
    // Column: visual columns, the TAB counting four.
    memo.Select({3, 0}, {1, 2}, TSelectionMode::Column);
    const TNormalSelection n = memo.NormalSelection();
    EXPECT_EQ(n.mode, TSelectionMode::Column);
    EXPECT_EQ(n.start, (TPoint{3, 0}));
    EXPECT_EQ(n.end, (TPoint{4, 2}));
}

TEST_F(MemoEditTest, VisualColumnsFollowTheLayout) {
    SetText(memo, "ab\tc\t");
    EXPECT_EQ(memo.VisualColumn({2, 0}), 2);
    EXPECT_EQ(memo.VisualColumn({3, 0}), 4);
    EXPECT_EQ(memo.VisualColumn({5, 0}), 8); // a TAB at a stop goes to the next one
    EXPECT_EQ(memo.VisualColumn({7, 0}), 10);
    host.measurer.wide = {u'W'};
    SetText(memo, "Wa");
    EXPECT_EQ(memo.VisualColumn({1, 0}), 2);
}

TEST_F(MemoEditTest, SelectedTextStopsAfterTheLineReaching256) {
    std::string text;
    for (int i = 0; i < 5; ++i) {
        text += std::string(100, static_cast<char>('a' + i)) + (i < 4 ? "\n" : "");
    }
    SetText(memo, text);
    memo.Select({0, 0}, {100, 4});
    const std::u16string s = memo.SelectedText();
    EXPECT_EQ(s.size(), 300u);
    EXPECT_EQ(s.substr(200), std::u16string(100, u'c'));
    SetText(memo, "\tab\nxy");
    memo.Select({0, 0}, {1, 1}, TSelectionMode::Column);
    memo.SetSelEnd({2, 0}); // after the "a": visual column 5
    EXPECT_EQ(memo.SelectedText(), u"    a");
}

TEST_F(MemoEditTest, ExportConvertsEachLineAndDropsATrailingEmptyOne) {
    SetText(memo, "h\u00e9llo\nw\u00f6rld\n");
    memo.Select({1, 0}, {0, 2});
    std::vector<std::string> out;
    EXPECT_FALSE(memo.ExportSelection(out, "UTF-8", "-"));
    EXPECT_EQ(out, (std::vector<std::string>{"\xc3\xa9llo", "w\xc3\xb6rld"}));
    EXPECT_FALSE(memo.ExportSelection(out, "WINDOWS", "-"));
    EXPECT_EQ(out, (std::vector<std::string>{"\xe9llo", "w\xf6rld"}));
    SetText(memo, "\tab\nxyz");
    memo.Select({0, 0}, {3, 1}, TSelectionMode::Column);
    EXPECT_TRUE(memo.ExportSelection(out, "WINDOWS", "-"));
    EXPECT_EQ(out, (std::vector<std::string>{"   ", "xyz"}));
}

TEST_F(MemoEditTest, ImportReplacesTheSelectionInOneStep) {
    SetText(memo, "abc");
    memo.SetCaret({2, 0});
    memo.Select({1, 0}, {2, 0});
    memo.BeginCommand();
    memo.ImportSelection({"x", "\xe9y"}, TSelectionMode::Stream, "-", "WINDOWS");
    EXPECT_EQ(Text(memo), "ax\n\u00e9yc");
    // The caret was on the first inserted line: it goes back there.
    EXPECT_EQ(memo.Caret(), (TPoint{2, 0}));
    EXPECT_TRUE(memo.Modified());
    memo.Undo();
    EXPECT_EQ(Text(memo), "abc");
}

TEST_F(MemoEditTest, ImportBelowTheInsertedLinesMovesTheCaretAfterThem) {
    SetText(memo, "one\ntwo\nthree\nfour");
    memo.SetCaret({2, 3});
    memo.Select({1, 0}, {2, 3});
    memo.ImportSelection({"A", "B"}, TSelectionMode::Stream, "-", "UTF-8");
    EXPECT_EQ(Text(memo), "oA\nBur");
    EXPECT_EQ(memo.Caret(), (TPoint{1, 1}));
}

TEST_F(MemoEditTest, ColumnInsertGoesToTheSameVisualColumnOfEachLine) {
    SetText(memo, "ab\n\tc");
    memo.SetCaret({1, 0});
    memo.BeginCommand();
    memo.BeginUndoGroup();
    memo.InsertLinesAtCaret({u"1", u"2", u"3"}, TSelectionMode::Column);
    memo.EndUndoGroup();
    // Line 1's TAB crosses column 1: it becomes spaces around the insertion; the missing
    // third line is appended and padded.
    EXPECT_EQ(Text(memo), "a1b\n 2   c\n 3");
    EXPECT_EQ(memo.Caret(), (TPoint{1, 0}));
    memo.Undo();
    EXPECT_EQ(Text(memo), "ab\n\tc");
}

TEST_F(MemoEditTest, StreamInsertOfSeveralLinesSplitsTheCaretLine) {
    SetText(memo, "headtail");
    memo.SetCaret({4, 0});
    memo.InsertLinesAtCaret({u"1", u"22", u"333"}, TSelectionMode::Stream);
    EXPECT_EQ(Text(memo), "head1\n22\n333tail");
    EXPECT_EQ(memo.Caret(), (TPoint{3, 2}));
    memo.SetCaret({6, 1});
    memo.InsertLinesAtCaret({u"x"}, TSelectionMode::Stream);
    EXPECT_EQ(Text(memo), "head1\n22    x\n333tail");
    EXPECT_EQ(memo.Caret(), (TPoint{7, 1}));
}

TEST_F(MemoEditTest, BookmarksFollowInsertedAndRemovedLines) {
    SetText(memo, "0\n1\n2\n3\n4\n5\n6\n7");
    memo.SetBookmarkAt(1, {0, 5});
    memo.SetBookmarkAt(2, {3, 2});
    memo.InsertLineAt(5, u"new");
    EXPECT_EQ(memo.Bookmark(1), (TPoint{0, 6}));
    EXPECT_EQ(memo.Bookmark(2), (TPoint{3, 2}));
    memo.InsertLineAt(0, u"top");
    EXPECT_EQ(memo.Bookmark(1), (TPoint{0, 7}));
    EXPECT_EQ(memo.Bookmark(2), (TPoint{3, 3}));
    memo.RemoveLineAt(7);
    EXPECT_EQ(memo.Bookmark(1), (TPoint{-1, -1}));
    memo.RemoveLineAt(0);
    EXPECT_EQ(memo.Bookmark(2), (TPoint{3, 2}));
    memo.BeginCommand();
    memo.Undo(); // the line comes back below the bookmark
    EXPECT_EQ(memo.Bookmark(2), (TPoint{3, 3}));
}

TEST_F(MemoEditTest, ModifiedEventsAndTheDeclinedSave) {
    TMemoEvents events(memo);
    SetText(memo, "a");
    Type(memo, "b");
    EXPECT_EQ(events.modified, std::vector<bool>{true}); // once for the one edit
    EXPECT_TRUE(memo.Modified());
    memo.DeclineSave();
    EXPECT_FALSE(memo.Modified());
    EXPECT_TRUE(memo.Lines().Modified());
}

} // namespace
