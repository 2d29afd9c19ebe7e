// The editor commands driven as the key handler drives them: movement, deletion, new lines
// with the indentation rules, conversion tables, selections, the clipboard, substitution.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <random>

#include "editor/uniMemo.h"
#include "memoFakes.h"

using namespace memo_fakes;
using testing_support::TempDir;
using testing_support::U16;
using testing_support::WriteBytes;

namespace {

// Runs one command with the input layer's bookkeeping around it.
template <typename F>
void Command(TuniMemo& memo, F&& command) {
    memo.BeginCommand();
    command();
    memo.UpdateView();
}

class MemoCommandsTest : public ::testing::Test {
protected:
    TFakeHost host;
    TuniMemo memo{host.Platform(false)};

    void Press(void (TuniMemo::*command)()) {
        Command(memo, [&] { (memo.*command)(); });
    }
    TPoint Caret() const { return memo.Caret(); }
};

// --- movement ----------------------------------------------------------------------------

TEST_F(MemoCommandsTest, WordMovementStopsAtRunsAndNeverLeavesTheLine) {
    SetText(memo, "abc.def ghi\nnext");
    std::vector<int> stops;
    for (int i = 0; i < 5; ++i) {
        Press(&TuniMemo::WordRight);
        stops.push_back(Caret().X);
    }
    EXPECT_EQ(stops, (std::vector<int>{3, 4, 8, 11, 11}));
    EXPECT_EQ(Caret().Y, 0);
    stops.clear();
    for (int i = 0; i < 5; ++i) {
        Press(&TuniMemo::WordLeft);
        stops.push_back(Caret().X);
    }
    EXPECT_EQ(stops, (std::vector<int>{8, 4, 3, 0, 0}));
    // From virtual space: to the line's end first, then on to the last word's start.
    memo.SetCaret({20, 0});
    Press(&TuniMemo::WordLeft);
    EXPECT_EQ(Caret(), (TPoint{8, 0}));
}

TEST_F(MemoCommandsTest, HorizontalMovementAndVirtualSpace) {
    SetText(memo, "ab\n\tc");
    memo.SetCaret({2, 0});
    Press(&TuniMemo::CaretRight);
    EXPECT_EQ(Caret(), (TPoint{3, 0})); // virtual space
    memo.SetCursorBeyondEOL(false);
    Press(&TuniMemo::CaretRight);
    EXPECT_EQ(Caret(), (TPoint{3, 0})); // no further, and not onto the next line
    memo.SetCursorBeyondEOL(true);
    memo.SetWordWrap(true);
    memo.SetCaret({2, 0});
    Press(&TuniMemo::CaretRight);
    EXPECT_EQ(Caret(), (TPoint{2, 0})); // word wrap forbids virtual space
    memo.SetWordWrap(false);

    memo.SetCaret({0, 1});
    Press(&TuniMemo::CaretLeft);
    EXPECT_EQ(Caret(), (TPoint{2, 0})); // to the previous line's end
    // Inside a TAB's expansion the caret first goes to the TAB's start.
    memo.SetCaret({0, 1});
    memo.SetTabOffset(2);
    Press(&TuniMemo::CaretLeft);
    EXPECT_EQ(Caret(), (TPoint{0, 1}));
    EXPECT_EQ(memo.TabOffset(), 0);
}

// Positions from outside and steps into virtual space stop kMaxVirtualColumn past the end,
// so no column wraps and the view's pixel arithmetic stays in range.
TEST_F(MemoCommandsTest, HugeColumnsAndLinesAreClampedNotWrapped) {
    constexpr int kMax = TuniMemo::kMaxVirtualColumn;
    SetText(memo, "ab\nxyz");
    Command(memo, [&] { memo.GotoPosition(INT_MAX, INT_MAX); });
    EXPECT_EQ(Caret(), (TPoint{3 + kMax, 1}));
    Press(&TuniMemo::CaretRight);
    EXPECT_EQ(Caret(), (TPoint{3 + kMax, 1})); // at the limit: no step, no wrap
    Press(&TuniMemo::CaretLeft);
    Press(&TuniMemo::CaretRight);
    EXPECT_EQ(Caret(), (TPoint{3 + kMax, 1})); // one short of it: one step
    memo.SetCursorBeyondEOL(false);
    Command(memo, [&] { memo.GotoPosition(INT_MAX, 0); });
    EXPECT_EQ(Caret(), (TPoint{2, 0})); // without virtual space: the line's end

    memo.Select({INT_MAX, 0}, {INT_MAX, 1});
    EXPECT_EQ(memo.SelStart().pos, (TPoint{2 + kMax, 0}));
    EXPECT_EQ(memo.SelEnd().pos, (TPoint{3 + kMax, 1}));
    EXPECT_EQ(memo.SelEnd().visual, (TPoint{3 + kMax, 1}));

    // Typing from a caret placed beyond the limit pads only up to it.
    memo.SetCursorBeyondEOL(true);
    memo.DropSelection();
    memo.SetCaret({INT_MAX, 0});
    Type(memo, "q");
    const std::u16string& line = memo.Lines().Get(0);
    ASSERT_EQ(line.size(), static_cast<size_t>(2 + kMax + 1));
    EXPECT_EQ(line.back(), u'q');
    EXPECT_EQ(line.find_first_not_of(u' ', 2), line.size() - 1); // spaces only between
    EXPECT_EQ(Caret(), (TPoint{3 + kMax, 0}));
}

TEST_F(MemoCommandsTest, VerticalMovementKeepsThePixelColumnAcrossTabs) {
    SetText(memo, "abcdefgh\n\tz\nab");
    memo.SetCaret({6, 0});
    Press(&TuniMemo::CaretDown);
    EXPECT_EQ(Caret(), (TPoint{3, 1})); // TAB (4 cells), z, then one cell of virtual space
    Press(&TuniMemo::CaretUp);
    EXPECT_EQ(Caret(), (TPoint{6, 0}));
    // Into the middle of a TAB: the caret stands inside its expansion.
    memo.SetCaret({2, 0});
    Press(&TuniMemo::CaretDown);
    EXPECT_EQ(Caret(), (TPoint{0, 1}));
    EXPECT_EQ(memo.TabOffset(), 2);
    memo.SetCursorBeyondEOL(false);
    memo.SetCaret({6, 0});
    Press(&TuniMemo::CaretDown);
    Press(&TuniMemo::CaretDown);
    EXPECT_EQ(Caret(), (TPoint{2, 2})); // clamped to the short line
}

TEST_F(MemoCommandsTest, VerticalMovementGoesByScreenRowsInsideAWrappedLine) {
    SetText(memo, std::string(100, 'a') + "\nb");
    memo.SetWordWrap(true);
    memo.SetCaret({5, 0});
    Press(&TuniMemo::CaretDown);
    EXPECT_EQ(Caret(), (TPoint{44, 0})); // rows of 39 cells in the 40-cell window
    Press(&TuniMemo::CaretDown);
    EXPECT_EQ(Caret(), (TPoint{83, 0}));
    Press(&TuniMemo::CaretDown);
    EXPECT_EQ(Caret(), (TPoint{1, 1}));
    Press(&TuniMemo::CaretUp);
    EXPECT_EQ(Caret(), (TPoint{79, 0})); // the last row starts at 78
}

TEST_F(MemoCommandsTest, LineHomeAndEndWorkOnTheScreenRow) {
    SetText(memo, "first row words here and more words follow to wrap this line ok");
    Press(&TuniMemo::LineEnd);
    EXPECT_EQ(Caret().X, 63);
    Press(&TuniMemo::LineHome);
    EXPECT_EQ(Caret().X, 0);

    memo.SetWordWrap(true);
    memo.SetCaret({3, 0});
    Press(&TuniMemo::LineEnd);
    const TPoint end = Caret();
    EXPECT_GT(end.X, 3);
    EXPECT_LT(end.X, 40);
    EXPECT_EQ(memo.CaretPixel().Y, 0); // still on the first row
    const std::u16string& line = memo.Lines().Get(0);
    EXPECT_EQ(line[static_cast<size_t>(end.X)], u' '); // before the blank that ends the row
    memo.SetCaret({50, 0});
    Press(&TuniMemo::LineHome);
    EXPECT_GT(Caret().X, 30); // the second row's start, not the line's
    EXPECT_EQ(memo.CaretPixel().X, 0);
}

TEST_F(MemoCommandsTest, TopBottomAndPaging) {
    std::string text;
    for (int i = 0; i < 30; ++i) {
        text += "line " + std::to_string(i) + (i < 29 ? "\n" : "");
    }
    SetText(memo, text);
    Press(&TuniMemo::TextBottom);
    EXPECT_EQ(Caret(), (TPoint{7, 29}));
    EXPECT_EQ(memo.TopLine(), 20);
    Press(&TuniMemo::TextTop);
    EXPECT_EQ(Caret(), (TPoint{0, 0}));
    EXPECT_EQ(memo.TopLine(), 0);
    memo.SetCaret({2, 3});
    Press(&TuniMemo::PageDown);
    EXPECT_EQ(Caret(), (TPoint{2, 13}));
    EXPECT_EQ(memo.TopLine(), 10);
    Press(&TuniMemo::PageUp);
    EXPECT_EQ(Caret(), (TPoint{2, 3}));
    EXPECT_EQ(memo.TopLine(), 0);
    Press(&TuniMemo::PageDown);
    Press(&TuniMemo::PageDown);
    Press(&TuniMemo::PageDown); // past the last row: the end of the text
    EXPECT_EQ(Caret(), (TPoint{7, 29}));
}

TEST_F(MemoCommandsTest, ScrollingMovesTheViewAndKeepsTheCaretOnScreen) {
    std::string text;
    for (int i = 0; i < 15; ++i) {
        text += "l" + std::to_string(i) + "\n";
    }
    SetText(memo, text + "end");
    memo.SetCaret({1, 2});
    Press(&TuniMemo::ScrollDown);
    EXPECT_EQ(memo.TopLine(), 1);
    EXPECT_EQ(Caret(), (TPoint{1, 3})); // same screen row
    Press(&TuniMemo::ScrollUp);
    EXPECT_EQ(memo.TopLine(), 0);
    EXPECT_EQ(Caret(), (TPoint{1, 2}));
    Press(&TuniMemo::ScrollUp); // nothing above: moves the caret instead
    EXPECT_EQ(Caret(), (TPoint{1, 1}));
    for (int i = 0; i < 10; ++i) {
        Press(&TuniMemo::ScrollDown);
    }
    EXPECT_EQ(memo.TopLine(), 6); // the last row is on screen: ScrollDown moved the caret
    EXPECT_EQ(Caret().Y, 11);
}

// --- deletion ----------------------------------------------------------------------------

TEST_F(MemoCommandsTest, DeleteCharJoinsThroughVirtualSpaceInOneUndoStep) {
    SetText(memo, "abcd\nxyz");
    memo.SetCaret({4, 0});
    Press(&TuniMemo::DeleteChar);
    EXPECT_EQ(Text(memo), "abcdxyz");
    memo.Undo();
    EXPECT_EQ(Text(memo), "abcd\nxyz");
    memo.SetCaret({10, 0});
    Press(&TuniMemo::DeleteChar);
    EXPECT_EQ(Text(memo), "abcd      xyz");
    memo.SetCaret({1, 0});
    Press(&TuniMemo::DeleteChar);
    EXPECT_EQ(Text(memo), "acd      xyz");
    memo.SetCaret({12, 0});
    Press(&TuniMemo::DeleteChar); // end of the last line: nothing
    EXPECT_EQ(Text(memo), "acd      xyz");
    memo.Undo();
    memo.Undo();
    EXPECT_EQ(Text(memo), "abcd\nxyz");
}

TEST_F(MemoCommandsTest, BackspaceDeletesJoinsAndOnlyMovesInVirtualSpace) {
    SetText(memo, "ab\ncd");
    memo.SetCaret({0, 1});
    Press(&TuniMemo::Backspace);
    EXPECT_EQ(Text(memo), "abcd");
    EXPECT_EQ(Caret(), (TPoint{2, 0}));
    Press(&TuniMemo::Backspace);
    EXPECT_EQ(Text(memo), "acd");
    EXPECT_EQ(Caret(), (TPoint{1, 0}));
    memo.SetCaret({6, 0});
    Press(&TuniMemo::Backspace);
    EXPECT_EQ(Text(memo), "acd");
    EXPECT_EQ(Caret(), (TPoint{5, 0}));
    memo.Undo();
    memo.Undo();
    EXPECT_EQ(Text(memo), "ab\ncd");
    memo.SetCaret({0, 0});
    Press(&TuniMemo::Backspace); // the very start: nothing
    EXPECT_EQ(Text(memo), "ab\ncd");
}

TEST_F(MemoCommandsTest, DeleteLineRemovesOrEmptiesTheLastOne) {
    SetText(memo, "one\ntwo\nthree");
    memo.SetCaret({2, 1});
    Press(&TuniMemo::DeleteLine);
    EXPECT_EQ(Text(memo), "one\nthree");
    EXPECT_EQ(Caret(), (TPoint{2, 1}));
    Press(&TuniMemo::DeleteLine);
    EXPECT_EQ(Text(memo), "one\n");
    memo.Undo();
    memo.Undo();
    EXPECT_EQ(Text(memo), "one\ntwo\nthree");
    memo.SetWantReturns(false);
    memo.SetKeyHandled(true);
    Press(&TuniMemo::DeleteLine);
    EXPECT_FALSE(memo.KeyHandled());
    EXPECT_EQ(Text(memo), "one\ntwo\nthree");
}

TEST_F(MemoCommandsTest, WithWordWrapDeleteLineTakesOnlyTheCaretRow) {
    const std::string first = std::string(39, 'a'); // a row holds 39 cells
    SetText(memo, first + std::string(39, 'b') + "cc\nnext");
    memo.SetWordWrap(true);
    memo.SetCaret({45, 0}); // second row: the b's
    Press(&TuniMemo::DeleteLine);
    EXPECT_EQ(Text(memo), first + "cc\nnext");
    memo.Undo();
    memo.SetCaret({2, 1}); // a row that is its whole line
    Press(&TuniMemo::DeleteLine);
    EXPECT_EQ(Text(memo), first + std::string(39, 'b') + "cc\n");
}

TEST_F(MemoCommandsTest, WordDeletion) {
    SetText(memo, "alpha  beta.gamma");
    memo.SetCaret({2, 0});
    Press(&TuniMemo::DeleteWord);
    EXPECT_EQ(Text(memo), "al  beta.gamma"); // the spaces after the run stay
    memo.SetCaret({8, 0});
    Press(&TuniMemo::DeleteWordBack);
    EXPECT_EQ(Text(memo), "al  .gamma");
    EXPECT_EQ(Caret(), (TPoint{4, 0}));
    Press(&TuniMemo::DeleteWordBack);
    EXPECT_EQ(Text(memo), ".gamma");
    EXPECT_EQ(Caret(), (TPoint{0, 0}));
}

TEST_F(MemoCommandsTest, CutCopiesThenDeletes) {
    SetText(memo, "hello world");
    memo.Select({0, 0}, {6, 0});
    Press(&TuniMemo::CutSelection);
    EXPECT_EQ(Text(memo), "world");
    ASSERT_TRUE(host.clipboard.content.utf16);
    EXPECT_EQ(*host.clipboard.content.utf16, u"hello ");
    Press(&TuniMemo::CutSelection); // nothing selected: nothing happens
    EXPECT_EQ(Text(memo), "world");
}

// --- new lines and indentation -----------------------------------------------------------

class MemoIndentTest : public ::testing::Test {
protected:
    MemoIndentTest() {
        std::filesystem::create_directories(dir.path() / "Ini");
        std::filesystem::create_directories(dir.path() / "Indent");
        WriteBytes(folder.FilesIni(), "[*]\r\nSubst=Typo\r\n\r\n[auto]\r\nAutoIndent=1\r\n");
        WriteBytes(folder.SubstIni(), "[Typo]\r\nab=x\r\nc)=C\r\n(c)=&#169;\r\nzz=\r\n");
        WriteBytes(folder.Path("Indent/txt.ini"), "[*]\r\nbegin=begin\r\nend=end\r\n");
        WriteBytes(folder.Path("Indent/bad.ini"), "[*]\r\nbegin=([\r\n");
    }

    TempDir dir;
    TConfigFolder folder{dir.path().string()};
    TCommonSettings common;
    TFakeHost host;
    TuniMemo memo{host.Platform(false), {&folder, &common, nullptr}};

    void Press(void (TuniMemo::*command)()) {
        Command(memo, [&] { (memo.*command)(); });
    }
};

TEST_F(MemoIndentTest, BeginAndEndPatternsIndentAndOutdent) {
    memo.ApplyProfile("txt");
    SetText(memo, "  begin");
    memo.SetCaret({7, 0});
    Press(&TuniMemo::NewLine);
    EXPECT_EQ(Text(memo), "  begin\n  \t");
    EXPECT_EQ(memo.Caret(), (TPoint{3, 1}));
    Type(memo, "end");
    Press(&TuniMemo::NewLine);
    EXPECT_EQ(Text(memo), "  begin\n  end\n  ");
    EXPECT_EQ(memo.Caret(), (TPoint{2, 2}));
    // The word test: "ending" is no end.
    SetText(memo, "\tending");
    memo.SetCaret({7, 0});
    Press(&TuniMemo::NewLine);
    EXPECT_EQ(Text(memo), "\tending\n\t");
}

TEST_F(MemoIndentTest, NewLineSplitsInOneUndoStepAndRespectsWantReturns) {
    memo.ApplyProfile("none");
    SetText(memo, "  abcdef");
    memo.SetCaret({5, 0});
    Press(&TuniMemo::NewLine);
    EXPECT_EQ(Text(memo), "  abc\n  def"); // without patterns: the caret line's indentation
    memo.Undo();
    EXPECT_EQ(Text(memo), "  abcdef");
    memo.Select({3, 0}, {6, 0});
    memo.SetCaret({6, 0});
    Press(&TuniMemo::NewLine); // the selection goes first
    EXPECT_EQ(Text(memo), "  a\n  ef");
    memo.SetWantReturns(false);
    memo.SetKeyHandled(true);
    Press(&TuniMemo::NewLine);
    EXPECT_FALSE(memo.KeyHandled());
    EXPECT_EQ(Text(memo), "  a\n  ef");
}

TEST_F(MemoIndentTest, ABrokenIndentationPatternNeverMatches) {
    memo.ApplyProfile("bad");
    SetText(memo, "\t([");
    memo.SetCaret({3, 0});
    EXPECT_NO_THROW(Press(&TuniMemo::NewLine));
    EXPECT_EQ(Text(memo), "\t([\n\t");
}

TEST_F(MemoIndentTest, NewLineIndentCopiesTheLeadingWhitespace) {
    SetText(memo, " \tbegin x\n   ");
    memo.SetCaret({5, 0});
    Press(&TuniMemo::NewLineIndent);
    EXPECT_EQ(Text(memo), " \tbeg\n \tin x\n   ");
    memo.SetCaret({3, 2});
    Press(&TuniMemo::NewLineIndent); // a line of blanks gives no indentation
    EXPECT_EQ(Text(memo), " \tbeg\n \tin x\n   \n");
}

TEST_F(MemoIndentTest, AutoIndentBackspaceGoesOutOneLevel) {
    memo.ApplyProfile("auto");
    ASSERT_TRUE(memo.Settings().autoIndent);
    SetText(memo, "\tp\n\t\tx");
    memo.SetCaret({2, 1});
    Press(&TuniMemo::Backspace);
    EXPECT_EQ(Text(memo), "\tp\n\tx");
    EXPECT_EQ(memo.Caret(), (TPoint{1, 1}));
    Press(&TuniMemo::Backspace);
    EXPECT_EQ(Text(memo), "\tp\nx");
    EXPECT_EQ(memo.Caret(), (TPoint{0, 1}));
    // After another character it is a plain backspace.
    SetText(memo, "\tp\n\t\tx");
    memo.SetCaret({3, 1});
    Press(&TuniMemo::Backspace);
    EXPECT_EQ(Text(memo), "\tp\n\t\t");
}

TEST_F(MemoIndentTest, TypedSubstitutionIsItsOwnUndoStep) {
    memo.ApplyProfile("txt");
    SetText(memo, "");
    Type(memo, "ab");
    EXPECT_EQ(Text(memo), "x");
    EXPECT_EQ(memo.Caret(), (TPoint{1, 0}));
    memo.Undo();
    EXPECT_EQ(Text(memo), "ab");
    // The longest key ending at the caret wins; an empty value replaces nothing.
    SetText(memo, "");
    memo.SetCaret({0, 0});
    Type(memo, "(c) zz");
    EXPECT_EQ(memo.Lines().Get(0), u"\u00a9 zz");
    SetText(memo, "");
    memo.SetCaret({0, 0});
    Type(memo, "c)");
    EXPECT_EQ(Text(memo), "C");
}

TEST_F(MemoIndentTest, ALongSubstitutionTableLoadsInOneSort) {
    // Keys in descending order, each added at the front of a sorted list one at a time,
    // would shift every key already there. Every tenth key is repeated with a value that
    // must lose to the first.
    std::int64_t moved[2] = {};
    const int sizes[2] = {5000, 10000};
    for (int s = 0; s < 2; ++s) {
        std::string table = "[Typo]\r\n";
        for (int i = sizes[s]; i > 0; --i) {
            const std::string n = std::to_string(i);
            table += "w" + n + ".=v" + n + "\r\n";
            if (i % 10 == 0) {
                table += "w" + n + ".=later\r\n";
            }
        }
        WriteBytes(folder.SubstIni(), table);
        const TWStringList& lines = memo.Substitutions();
        const std::int64_t before = lines.MovedSlots();
        memo.ApplyProfile("txt");
        // Every distinct line, once.
        ASSERT_EQ(lines.Count(), sizes[s] + sizes[s] / 10);
        moved[s] = lines.MovedSlots() - before;
        EXPECT_LE(moved[s], 2 * lines.Count());
        SetText(memo, "");
        memo.SetCaret({0, 0});
        Type(memo, "w40. w7.");
        EXPECT_EQ(Text(memo), "v40 v7");
    }
    EXPECT_LE(moved[1], 2 * moved[0] + 100);
}

TEST_F(MemoCommandsTest, IndentingSelectedLines) {
    SetText(memo, "a\n    b\n\tc\nd");
    memo.Select({0, 0}, {0, 3}); // ends at column 0: line 3 is not included
    Press(&TuniMemo::IndentSelection);
    EXPECT_EQ(Text(memo), "\ta\n\t    b\n\t\tc\nd");
    Press(&TuniMemo::UnindentSelection);
    Press(&TuniMemo::UnindentSelection);
    EXPECT_EQ(Text(memo), "a\n    b\nc\nd"); // four spaces are not a TAB
    memo.Undo();
    EXPECT_EQ(Text(memo), "a\n    b\n\tc\nd"); // each command is one step
    memo.Undo();
    EXPECT_EQ(Text(memo), "\ta\n\t    b\n\t\tc\nd");
    memo.DropSelection();
    memo.SetCaret({0, 3});
    Press(&TuniMemo::IndentSelection);
    EXPECT_EQ(memo.Lines().Get(3), u"\td");
}

TEST_F(MemoCommandsTest, BackIndentTakesTheOuterLevel) {
    SetText(memo, "x\n\ty\n\t\t\tz\n\t\t");
    memo.SetCaret({4, 2});
    Press(&TuniMemo::BackIndent);
    EXPECT_EQ(memo.Lines().Get(2), u"\tz");
    EXPECT_EQ(Caret(), (TPoint{1, 2}));
    memo.SetCaret({2, 3}); // a line of whitespace: the caret column decides
    Press(&TuniMemo::BackIndent);
    EXPECT_EQ(memo.Lines().Get(3), u"\t");
}

// --- conversion tables -------------------------------------------------------------------

class MemoShippedProfileTest : public ::testing::Test {
protected:
    TConfigFolder folder{PELMAR_SOURCE_DATA_DIR};
    TCommonSettings common;
    TFakeHost host;
    TuniMemo memo{host.Platform(false), {&folder, &common, nullptr}};

    void Press(void (TuniMemo::*command)()) {
        Command(memo, [&] { (memo.*command)(); });
    }
};

TEST_F(MemoShippedProfileTest, CaseAndKeyboardTables) {
    memo.ApplyProfile("txt");
    SetText(memo, "say \u043f\u0440\u0438\u0432\u0435\u0442 now");
    memo.SetCaret({6, 0});
    Press(&TuniMemo::SelectionToUpper); // the run around the caret
    EXPECT_EQ(memo.Lines().Get(0), u"say \u041f\u0420\u0418\u0412\u0415\u0422 now");
    EXPECT_EQ(memo.Caret(), (TPoint{6, 0}));
    memo.Select({0, 0}, {3, 0});
    Press(&TuniMemo::SelectionToUpper);
    EXPECT_EQ(memo.Lines().Get(0), u"SAY \u041f\u0420\u0418\u0412\u0415\u0422 now");
    memo.Undo();
    memo.Undo();
    EXPECT_EQ(memo.Lines().Get(0), u"say \u043f\u0440\u0438\u0432\u0435\u0442 now");

    SetText(memo, "ghbdtn");
    memo.SetCaret({0, 0});
    Press(&TuniMemo::KeyboardNext);
    EXPECT_EQ(memo.Lines().Get(0), u"\u043f\u0440\u0438\u0432\u0435\u0442");
    Press(&TuniMemo::KeyboardPrev);
    EXPECT_EQ(memo.Lines().Get(0), u"ghbdtn");
}

TEST_F(MemoShippedProfileTest, ColumnConversionTakesTheUnitsInsideTheBlock) {
    memo.ApplyProfile("txt");
    SetText(memo, "abcdef\n\tabcd");
    // Visual columns 2..5 over both lines; the TAB covers columns 0..3.
    memo.SetWordWrap(false); // text files wrap; column blocks need it off
    memo.Select({2, 0}, {2, 1}, TSelectionMode::Column);
    Press(&TuniMemo::SelectionToUpper);
    EXPECT_EQ(Text(memo), "abCDEf\n\tAbcd");
}

TEST_F(MemoShippedProfileTest, ShippedCRulesCloseABlock) {
    memo.ApplyProfile("c");
    SetText(memo, "int f() {");
    memo.SetCaret({9, 0});
    Press(&TuniMemo::NewLine);
    Type(memo, "return 1;");
    Press(&TuniMemo::NewLine);
    Type(memo, "}");
    Press(&TuniMemo::NewLine);
    EXPECT_EQ(Text(memo), "int f() {\n\treturn 1;\n}\n");
    EXPECT_EQ(memo.Caret(), (TPoint{0, 3}));
}

// --- selections --------------------------------------------------------------------------

TEST_F(MemoCommandsTest, SelectWordLineAndAll) {
    SetText(memo, "  foo bar.baz\nsecond");
    memo.SetCaret({7, 0});
    Press(&TuniMemo::SelectWord);
    EXPECT_EQ(memo.SelectedText(), u"bar");
    memo.SetCaret({5, 0}); // on the blank after foo: the run to its left
    Press(&TuniMemo::SelectWord);
    EXPECT_EQ(memo.SelectedText(), u"foo");
    memo.SetCaret({0, 0}); // nothing to the left: the next run after the blanks
    Press(&TuniMemo::SelectWord);
    EXPECT_EQ(memo.SelectedText(), u"foo");
    memo.SetCaret({2, 0}); // a word's first letter selects that word
    Press(&TuniMemo::SelectWord);
    EXPECT_EQ(memo.SelectedText(), u"foo");

    memo.SetCaret({3, 0});
    Press(&TuniMemo::SelectLine);
    EXPECT_EQ(memo.SelStart().pos, (TPoint{0, 0}));
    EXPECT_EQ(memo.SelEnd().pos, (TPoint{0, 1}));
    Press(&TuniMemo::SelectAll);
    EXPECT_EQ(memo.SelStart().pos, (TPoint{0, 0}));
    EXPECT_EQ(memo.SelEnd().pos, (TPoint{6, 1}));
    Press(&TuniMemo::Unselect);
    EXPECT_FALSE(memo.SelectionActive());
}

// --- the clipboard -----------------------------------------------------------------------

TEST_F(MemoCommandsTest, CopyAStreamSelectionJoinsWithCrLf) {
    SetText(memo, "abc\ndef\nghi");
    memo.Select({1, 0}, {2, 2});
    Press(&TuniMemo::CopyClipboard);
    EXPECT_EQ(host.clipboard.content.utf16, std::optional<std::u16string>(u"bc\ndef\ngh"));
    EXPECT_EQ(host.clipboard.content.ansi, std::optional<std::string>("bc\ndef\ngh"));
    EXPECT_FALSE(host.clipboard.content.columnBlock);
}

TEST_F(MemoCommandsTest, AColumnBlockOverTabsIsCopiedPaddedAndPastedInPlace) {
    SetText(memo, "xy\na\tbcdef\nlong line");
    memo.Select({2, 0}, {6, 2}, TSelectionMode::Column); // visual columns 2..5
    Press(&TuniMemo::CopyClipboard);
    // The TAB is expanded; the short line is padded to the block's width.
    EXPECT_EQ(host.clipboard.content.utf16, std::optional<std::u16string>(u"    \n  bc\nng l"));
    EXPECT_TRUE(host.clipboard.content.columnBlock);

    TuniMemo other(host.Platform(false));
    SetText(other, "12345\n12");
    other.SetCaret({3, 0});
    Command(other, [&] { other.PasteClipboard(); });
    EXPECT_EQ(Text(other), "123    45\n12   bc\n   ng l");
    EXPECT_EQ(other.Caret(), (TPoint{3, 0})); // a column paste leaves the caret
    other.Undo();
    EXPECT_EQ(Text(other), "12345\n12");
}

TEST_F(MemoCommandsTest, PastingSplitsAtEveryLineEnd) {
    SetText(memo, "[]");
    memo.SetCaret({1, 0});
    host.clipboard.content = {u"one\ntwo\r\nthree\rfour", std::nullopt, false};
    Press(&TuniMemo::PasteClipboard);
    EXPECT_EQ(Text(memo), "[one\ntwo\nthree\nfour]");
    EXPECT_EQ(Caret(), (TPoint{4, 3}));
    memo.Undo();
    EXPECT_EQ(Text(memo), "[]");
    // Only 8-bit text: read with the system code page; a selection is replaced.
    host.clipboard.content = {std::nullopt, std::string("caf\xe9"), false};
    memo.Select({0, 0}, {2, 0});
    Press(&TuniMemo::PasteClipboard);
    EXPECT_EQ(memo.Lines().Get(0), u"caf\u00e9");
    // A clipboard that cannot be opened changes nothing.
    host.clipboard.openable = false;
    Press(&TuniMemo::PasteClipboard);
    EXPECT_EQ(memo.Lines().Get(0), u"caf\u00e9");
}

TEST_F(MemoCommandsTest, TwoViewsOfOneListKeepTheirOwnCarets) {
    SetText(memo, "shared\ntext");
    TuniMemo view(host.Platform(false));
    view.SetLines(&memo.Lines(), "");
    view.SetCaret({2, 1});
    memo.SetCaret({0, 0});
    host.clipboard.content = {u"new\r\n", std::nullopt, false};
    Press(&TuniMemo::PasteClipboard);
    EXPECT_EQ(Text(view), "new\nshared\ntext");
    EXPECT_EQ(view.Caret(), (TPoint{2, 1}));
    Command(view, [&] { view.Undo(); });
    EXPECT_EQ(Text(memo), "shared\ntext");
    EXPECT_EQ(memo.Caret(), (TPoint{0, 1})); // undo in the other view leaves this caret
}

// --- the rest ----------------------------------------------------------------------------

TEST_F(MemoCommandsTest, EnterUnicodeTypesTheCodeEntered) {
    SetText(memo, "ab");
    memo.SetCaret({1, 0});
    host.questions.code = u"1046";
    Press(&TuniMemo::EnterUnicode);
    EXPECT_EQ(memo.Lines().Get(0), u"a\u0416b");
    EXPECT_EQ(host.questions.codeX, 10 + 8);
    EXPECT_EQ(host.questions.codeY, -1);
    EXPECT_EQ(host.questions.codeFontSize, memo.Settings().fontSize - 1);
    host.questions.code = u"128512";
    Press(&TuniMemo::EnterUnicode);
    EXPECT_EQ(memo.Lines().Get(0), u"a\u0416\U0001F600b");
    host.questions.code = u"x41"; // the code entry's hexadecimal form
    Press(&TuniMemo::EnterUnicode);
    EXPECT_EQ(memo.Lines().Get(0), u"a\u0416\U0001F600Ab");
    for (const char16_t* bad : {u"0", u"abc", u"", u"1114112", u"x", u"x0"}) {
        host.questions.code = bad;
        Press(&TuniMemo::EnterUnicode);
    }
    host.questions.code = std::nullopt; // cancelled
    Press(&TuniMemo::EnterUnicode);
    EXPECT_EQ(memo.Lines().Get(0), u"a\u0416\U0001F600Ab");
}

TEST_F(MemoCommandsTest, BookmarksModesAndOwnerRequests) {
    SetText(memo, "a\nb\nc");
    memo.SetCaret({1, 2});
    Command(memo, [&] { memo.SetBookmark(3); });
    memo.SetCaret({0, 0});
    Command(memo, [&] { memo.GotoBookmark(3); });
    EXPECT_EQ(Caret(), (TPoint{1, 2}));
    Command(memo, [&] { memo.GotoBookmark(4); }); // unset: stays
    EXPECT_EQ(Caret(), (TPoint{1, 2}));

    Press(&TuniMemo::ToggleOverwrite);
    EXPECT_TRUE(memo.Overwrite());
    Press(&TuniMemo::ToggleWrap);
    EXPECT_TRUE(memo.WordWrap());

    TMemoEvents events(memo);
    memo.RunCompiler("Build");
    EXPECT_EQ(events.requestedBy, &memo);
    memo.RunFilter("Sort");
    memo.ToggleMaximize();
    EXPECT_EQ(events.requests,
              (std::vector<std::string>{"compile Build", "filter Sort", "maximize"}));

    const TPoint before = Caret();
    Press(&TuniMemo::MatchBracket); // no highlighter: nothing to match
    EXPECT_EQ(Caret(), before);
}

TEST_F(MemoCommandsTest, InsertTextAndTabRespectWhatTheControlAccepts) {
    SetText(memo, "ab");
    memo.SetCaret({5, 0});
    Command(memo, [&] { memo.InsertText(u"x\ny"); });
    EXPECT_EQ(memo.Lines().Get(0), u"ab   x\ny"); // unchanged text, no line split
    EXPECT_EQ(Caret(), (TPoint{8, 0}));
    memo.Undo();
    EXPECT_EQ(Text(memo), "ab");
    memo.SetCaret({0, 0});
    Press(&TuniMemo::InsertTab);
    EXPECT_EQ(memo.Lines().Get(0), u"\tab");
    memo.SetWantTabs(false);
    memo.SetKeyHandled(true);
    Press(&TuniMemo::InsertTab);
    EXPECT_FALSE(memo.KeyHandled());
    EXPECT_EQ(memo.Lines().Get(0), u"\tab");
}

// Any mix of commands is taken back completely by undo and restored by redo.
TEST_F(MemoCommandsTest, RandomCommandSequencesUndoAndRedoCompletely) {
    using Command = void (TuniMemo::*)();
    const std::vector<Command> commands = {
        &TuniMemo::NewLine,          &TuniMemo::Backspace,       &TuniMemo::DeleteLine,
        &TuniMemo::DeleteWordBack,   &TuniMemo::IndentSelection, &TuniMemo::UnindentSelection,
        &TuniMemo::BackIndent,       &TuniMemo::NewLineIndent,   &TuniMemo::CaretRight,
        &TuniMemo::CaretLeft,        &TuniMemo::WordRight,       &TuniMemo::WordLeft,
        &TuniMemo::CaretDown,        &TuniMemo::CaretUp,         &TuniMemo::LineEnd,
        &TuniMemo::DeleteChar,       &TuniMemo::CutSelection,    &TuniMemo::DeleteWord,
        &TuniMemo::SelectionToLower, &TuniMemo::PasteClipboard,  &TuniMemo::CopyClipboard,
        &TuniMemo::SelectWord,       &TuniMemo::SelectLine,      &TuniMemo::ToggleWrap,
        &TuniMemo::PageDown,         &TuniMemo::TextTop,         &TuniMemo::ScrollDown,
    };
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        SetText(memo, "first line\n\tsecond, with TAB\n\nfourth line that is rather long and "
                      "wraps around the window\nlast");
        memo.Lines().Undo().Clear();
        memo.Lines().Redo().Clear();
        memo.SetCaret({0, 0});
        const std::string original = Text(memo);
        for (int step = 0; step < 200; ++step) {
            const unsigned pick = random() % (commands.size() + 3);
            if (pick < commands.size()) {
                Press(commands[pick]);
            } else if (pick == commands.size()) {
                Type(memo, "x y");
            } else {
                const int y = static_cast<int>(random() % 6);
                memo.Select(memo.Caret(), {static_cast<int>(random() % 12), y},
                            random() % 2 ? TSelectionMode::Column : TSelectionMode::Stream);
            }
        }
        const std::string final = Text(memo);
        int steps = 0;
        while (memo.CanUndo() && steps < 10000) {
            Press(&TuniMemo::Undo);
            ++steps;
        }
        ASSERT_EQ(Text(memo), original) << "seed " << seed;
        while (memo.CanRedo() && steps > 0) {
            Press(&TuniMemo::Redo);
            --steps;
        }
        ASSERT_EQ(Text(memo), final) << "seed " << seed;
    }
}

} // namespace
