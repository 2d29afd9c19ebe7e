// The view: keeping the caret visible, placing it by pixels, paging, the update cycle and
// its scroll bars and caret, GotoPosition; long lines laid out in windows, against a whole
// layout and by the work they cost.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>

#include "editor/uniMemo.h"
#include "memoFakes.h"

using namespace memo_fakes;
using testing_support::U16;

namespace {

// A window of 40 columns and 10 rows of 8 x 16 pixels, right of a 10-pixel gutter.
class MemoViewTest : public ::testing::Test {
protected:
    TFakeHost host;
    TuniMemo memo{host.Platform()};

    void Numbered(int count, int width = 0) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text +=
                (i ? "\n" : "") + std::to_string(i) + std::string(static_cast<size_t>(width), 'x');
        }
        SetText(memo, text);
    }
    void MoveTo(TPoint caret) {
        memo.BeginCommand();
        memo.SetCaret(caret);
        memo.UpdateView();
    }
};

TEST_F(MemoViewTest, TheCaretStaysInsideTheWindowVertically) {
    Numbered(100);
    MoveTo({0, 50});
    EXPECT_EQ(memo.TopLine(), 41); // 50 is more than 10 below the top: it ends on the last row
    MoveTo({0, 45});
    EXPECT_EQ(memo.TopLine(), 41);
    MoveTo({0, 20});
    EXPECT_EQ(memo.TopLine(), 20);
    MoveTo({0, 30});
    EXPECT_EQ(memo.TopLine(), 21);
    EXPECT_EQ(host.caret.y, 9 * 16);
}

TEST_F(MemoViewTest, TheCaretStaysInsideTheWindowHorizontally) {
    SetText(memo, std::string(100, 'a'));
    MoveTo({50, 0});
    EXPECT_EQ(memo.HorzScroll(), 10);
    // Column 50 is 40 columns right of the scroll: the caret's x reaches the client's
    // right edge and is drawn one pixel left of it.
    EXPECT_EQ(host.caret.x, 10 + 40 * 8 - 1);
    MoveTo({5, 0});
    EXPECT_EQ(memo.HorzScroll(), 5);
    EXPECT_EQ(host.caret.x, 10);
    EXPECT_EQ(host.caret.width, 2);
    memo.SetOverwrite(true);
    host.measurer.wide = {u'a'};
    memo.MeasureFont();
    MoveTo({6, 0});
    EXPECT_EQ(host.caret.width, 16); // as wide as the cell under it
}

TEST_F(MemoViewTest, WrappedLinesScrollByRows) {
    memo.SetWordWrap(true);
    // Each line is 100 letters: rows of 39, 39 and 22 in a 40-column text area.
    std::string text;
    for (int i = 0; i < 20; ++i) {
        text += (i ? "\n" : "") + std::string(100, static_cast<char>('a' + i));
    }
    SetText(memo, text);
    MoveTo({0, 3}); // rows 9..11 of the text: the view moves so row 9 is the last
    EXPECT_EQ(memo.TopLine(), 0);
    EXPECT_EQ(memo.FirstRow(), 0);
    MoveTo({50, 3}); // row 10
    EXPECT_EQ(memo.TopLine(), 0);
    EXPECT_EQ(memo.FirstRow(), 1);
    MoveTo({90, 3}); // row 11
    EXPECT_EQ(memo.FirstRow(), 2);
    MoveTo({0, 4}); // row 12: the view starts at the next line
    EXPECT_EQ(memo.TopLine(), 1);
    EXPECT_EQ(memo.FirstRow(), 0);
    EXPECT_EQ(memo.LastRowMove(), 1);
    EXPECT_EQ(host.caret.y, 9 * 16);
}

TEST_F(MemoViewTest, ATopLineThatLosesItsRowsKeepsTheCaretInView) {
    memo.SetWordWrap(true);
    Numbered(30);
    MoveTo({1, 5});
    Type(memo, std::string(39 * 20, 'a')); // line 5 grows to 21 rows; the view follows
    ASSERT_EQ(memo.TopLine(), 5);
    ASSERT_GT(memo.FirstRow(), 5);
    memo.BeginCommand();
    memo.Undo(); // one row again: the view must not run on past the caret
    memo.UpdateView();
    EXPECT_EQ(memo.Caret(), (TPoint{1, 5}));
    EXPECT_EQ(memo.TopLine(), 5);
    EXPECT_EQ(memo.FirstRow(), 0);
    EXPECT_EQ(host.caret.y, 0);
}

TEST_F(MemoViewTest, MovingThePixelPointBelowTheWindowScrolls) {
    Numbered(100);
    memo.UpdateView();
    memo.MoveCaretToPixel({0, 10 * 16}, false);
    EXPECT_EQ(memo.TopLine(), 1);
    EXPECT_EQ(memo.Caret(), (TPoint{0, 10}));
    memo.MoveCaretToPixel({0, 9 * 16}, false); // the last row fits: no scrolling
    EXPECT_EQ(memo.TopLine(), 1);
    EXPECT_EQ(memo.Caret(), (TPoint{0, 10}));
    memo.MoveCaretToPixel({0, -16}, false);
    EXPECT_EQ(memo.TopLine(), 0);
    EXPECT_EQ(memo.Caret(), (TPoint{0, 0}));
    memo.MoveCaretToPixel({0, -16}, false); // at the top already: nothing moves
    EXPECT_EQ(memo.Caret(), (TPoint{0, 0}));
}

TEST_F(MemoViewTest, PixelPlacementClampsToLinesAndColumns) {
    SetText(memo, "abc\nabcdefgh\nxy");
    memo.UpdateView();
    memo.MoveCaretToPixel({100, 0}, false);
    EXPECT_EQ(memo.Caret(), (TPoint{3, 0}));
    memo.MoveCaretToPixel({100, 0}, true); // virtual space
    EXPECT_EQ(memo.Caret(), (TPoint{12, 0}));
    memo.MoveCaretToPixel({5 * 8, 5 * 16}, false); // below the last line
    EXPECT_EQ(memo.Caret(), (TPoint{2, 2}));
    memo.SetWordWrap(true);
    memo.MoveCaretToPixel({100, 0}, true); // no virtual space with word wrap
    EXPECT_EQ(memo.Caret(), (TPoint{3, 0}));
}

TEST_F(MemoViewTest, PixelPlacementInsideATabGivesATabOffset) {
    SetText(memo, "\tb");
    memo.UpdateView();
    memo.MoveCaretToPixel({2 * 8 + 1, 4}, true);
    EXPECT_EQ(memo.Caret(), (TPoint{0, 0}));
    EXPECT_EQ(memo.TabOffset(), 2);
    EXPECT_EQ(memo.CaretPixel(), (TPoint{16, 0}));
    memo.MoveCaretToPixel({33, 4}, true);
    EXPECT_EQ(memo.Caret(), (TPoint{1, 0}));
    EXPECT_EQ(memo.TabOffset(), 0);
}

TEST_F(MemoViewTest, PagingKeepsTheCaretsPlaceInTheWindow) {
    Numbered(100);
    MoveTo({0, 3});
    EXPECT_EQ(memo.Page(TPageDirection::Down), TPageResult::Moved);
    EXPECT_EQ(memo.TopLine(), 10);
    EXPECT_EQ(memo.Caret(), (TPoint{0, 13}));
    memo.Page(TPageDirection::Up);
    EXPECT_EQ(memo.TopLine(), 0);
    EXPECT_EQ(memo.Caret(), (TPoint{0, 3}));
    memo.SetTopLine(5);
    memo.SetCaret({0, 7});
    memo.Page(TPageDirection::Up); // less than a page above: the caret goes to the top row
    EXPECT_EQ(memo.TopLine(), 0);
    EXPECT_EQ(memo.Caret(), (TPoint{0, 0}));
}

TEST_F(MemoViewTest, PagingDownAtTheEndLeavesTheCaretToTheCaller) {
    Numbered(15);
    memo.SetTopLine(5);
    memo.SetCaret({0, 8});
    const TPoint caret = memo.Caret();
    EXPECT_EQ(memo.Page(TPageDirection::Down), TPageResult::ReachedEnd);
    EXPECT_EQ(memo.TopLine(), 5);
    EXPECT_EQ(memo.Caret(), caret);
}

TEST_F(MemoViewTest, PagingThroughWrappedRows) {
    memo.SetWordWrap(true);
    SetText(memo, std::string(39 * 25, 'a') + "\nlast"); // one line of 25 rows
    memo.UpdateView();
    memo.Page(TPageDirection::Down);
    EXPECT_EQ(memo.TopLine(), 0);
    EXPECT_EQ(memo.FirstRow(), 10);
    EXPECT_EQ(memo.Caret(), (TPoint{39 * 10, 0}));
    memo.Page(TPageDirection::Up);
    EXPECT_EQ(memo.FirstRow(), 0);
    EXPECT_EQ(memo.Caret(), (TPoint{0, 0}));
}

TEST_F(MemoViewTest, UpdateCycleSetsTheScrollBars) {
    Numbered(100);
    MoveTo({0, 30});
    EXPECT_TRUE(host.scrollBars.vertical);
    EXPECT_TRUE(host.scrollBars.horizontal);
    EXPECT_EQ(host.scrollBars.v, (TScrollInfo{0, 99, 10, 21}));
    EXPECT_EQ(host.scrollBars.h, (TScrollInfo{0, 512, 80, 0}));
    memo.SetWordWrap(true);
    memo.UpdateView();
    EXPECT_FALSE(host.scrollBars.horizontal);
    TuniEdit edit(host.Platform());
    host.scrollBars.vertical = false;
    edit.UpdateView();
    EXPECT_FALSE(host.scrollBars.vertical);
}

TEST_F(MemoViewTest, ALongDocumentGetsAScaledScrollBar) {
    Numbered(200000);
    MoveTo({0, 150000});
    EXPECT_EQ(memo.ScrollScale(), 4);
    EXPECT_EQ(host.scrollBars.v.max, 199999 / 4);
    EXPECT_EQ(host.scrollBars.v.pos, memo.TopLine() / 4);
    EXPECT_LE(host.scrollBars.v.max, 65535);
}

TEST_F(MemoViewTest, OnlyWhatChangedIsRepainted) {
    Numbered(100, 5);
    memo.UpdateView();
    const int painted = host.Repaints();
    MoveTo({2, 1}); // inside the window, no selection: the caret moves, nothing repaints
    EXPECT_EQ(host.Repaints(), painted);
    EXPECT_EQ(host.caret.x, 10 + 16);
    EXPECT_EQ(host.caret.y, 16);
    MoveTo({2, 40});
    EXPECT_GT(host.Repaints(), painted);
    EXPECT_FALSE(memo.RepaintPending());
    EXPECT_FALSE(memo.FullRepaintPending());
}

TEST_F(MemoViewTest, TheMapFollowsTheTopLineAndTheSelection) {
    Numbered(30, 3);
    memo.Select({1, 2}, {2, 2});
    MoveTo({2, 20});
    EXPECT_EQ(memo.ScreenMap().CellChar(0, 1), u'1'); // line 11 on top
    memo.SetTopLine(0);
    memo.Repaint();
    memo.UpdateView();
    EXPECT_EQ(memo.TopLine(), 11); // the caret is kept visible
    memo.GotoPosition(0, 2);
    memo.Select({1, 2}, {3, 2});
    memo.UpdateView();
    const int row = 2 - memo.TopLine();
    EXPECT_EQ(memo.ScreenMap().CellBg(row, 2), clHighlight);
    EXPECT_EQ(memo.ScreenMap().CellBg(row, 4), kNoColor);
}

TEST_F(MemoViewTest, HighlightsFollowTheModifierKeysTheModeNames) {
    testing_support::TempDir dir;
    std::filesystem::create_directories(dir.path() / "Ini");
    const TConfigFolder folder(dir.path().string());
    testing_support::WriteBytes(folder.FilesIni(), "[*]\r\nHighlightMode=3\r\nHighlightLine=1\r\n");
    const TCommonSettings common;
    TuniMemo keyed(host.Platform(), {&folder, &common, nullptr});
    keyed.ApplyProfile("txt");
    EXPECT_TRUE(keyed.HighlightLine());
    EXPECT_FALSE(keyed.EffectiveHighlightLine());
    EXPECT_FALSE(keyed.ApplyModifierKeys(true, false)); // Shift is needed too
    EXPECT_TRUE(keyed.ApplyModifierKeys(true, true));
    EXPECT_TRUE(keyed.EffectiveHighlightLine());
    EXPECT_TRUE(keyed.RepaintPending());
    keyed.UpdateView();
    const int painted = host.Repaints();
    keyed.IdleStep(true, true); // nothing changed: no paint
    EXPECT_EQ(host.Repaints(), painted);
    keyed.IdleStep(false, true);
    EXPECT_EQ(host.Repaints(), painted + 1);
    keyed.RequestRepaint();
    keyed.IdleStep(false, true);
    EXPECT_EQ(host.Repaints(), painted + 2);
    keyed.SetWordWrap(true);
    EXPECT_FALSE(keyed.EffectiveHighlightLine());

    memo.SetHighlightLine(true); // mode 0: the properties themselves
    memo.SetHighlightColumn(true);
    host.measurer.wide = {u'W'};
    memo.MeasureFont();
    EXPECT_TRUE(memo.EffectiveHighlightLine());
    EXPECT_FALSE(memo.EffectiveHighlightColumn()); // never with a proportional font
}

TEST_F(MemoViewTest, CaretNotificationAfterARepaint) {
    TMemoEvents events(memo);
    SetText(memo, "\tab\nxyz");
    memo.BeginCommand();
    memo.SetCaret({1, 0});
    memo.Repaint();
    memo.UpdateView();
    ASSERT_FALSE(events.carets.empty());
    const TCaretReport& seen = events.carets.back();
    EXPECT_EQ(
        (std::tuple<int, bool, char16_t, int>{seen.column, seen.refresh, seen.unit, seen.line}),
        (std::tuple<int, bool, char16_t, int>{4, false, u'a', 0}));
}

TEST_F(MemoViewTest, GotoPositionClampsAndCentres) {
    Numbered(100, 5);
    memo.Select({0, 0}, {3, 3});
    memo.GotoPosition(4, 60);
    EXPECT_EQ(memo.Caret(), (TPoint{4, 60}));
    EXPECT_EQ(memo.TopLine(), 55);
    EXPECT_FALSE(memo.SelectionActive());
    memo.GotoPosition(-1, 500); // the column is kept, the line clamped
    EXPECT_EQ(memo.Caret(), (TPoint{4, 99}));
    memo.SetCursorBeyondEOL(false);
    memo.GotoPosition(50, 2);
    EXPECT_EQ(memo.Caret(), (TPoint{6, 2}));
    memo.GotoPosition(0, 3);
    EXPECT_EQ(memo.TopLine(), 0);
}

TEST_F(MemoViewTest, SharingAListResetsTheView) {
    Numbered(50);
    MoveTo({1, 40});
    TuniMemo clone(host.Platform());
    clone.GotoPosition(0, 0);
    clone.SetLines(&memo.Lines(), "x.txt");
    EXPECT_EQ(clone.Caret(), (TPoint{0, 0}));
    EXPECT_EQ(clone.TopLine(), 0);
    EXPECT_EQ(memo.TopLine(), 31);
    clone.SetCaret({0, 49});
    memo.BeginCommand();
    memo.RemoveLineAt(0);
    clone.RefreshView(TViewOf::Other); // the other view's text changed
    EXPECT_EQ(clone.Caret().Y, 48);
}

// --- long lines ---------------------------------------------------------------------------

// The layout of the memo's view with every line laid out whole: what the windows must
// reproduce.
TScrMap WholeLayout(const TuniMemo& memo, TFixedMeasurer& measurer) {
    TLayoutParams p;
    p.lines = &memo.Lines();
    p.measurer = &measurer;
    p.topLine = memo.TopLine();
    p.visibleRows = memo.VisibleRows();
    p.wordWrap = memo.WordWrap();
    p.textAreaWidth = 40 * 8;
    p.tabSize = memo.Settings().tabSize;
    TScrMap map;
    LayoutLines(map, p);
    return map;
}

TEST_F(MemoViewTest, CaretPixelsInLongLinesMatchAWholeLayout) {
    host.measurer.wide = {u'W'};
    memo.MeasureFont();
    std::mt19937 rng(5);
    static const std::u16string kUnits = u"abcdef  \tW";
    std::string text;
    for (int line = 0; line < 6; ++line) {
        std::u16string units;
        const int length = line == 2 ? 12 : 1100 + static_cast<int>(rng() % 2500);
        for (int i = 0; i < length; ++i) {
            units.push_back(kUnits[rng() % kUnits.size()]);
        }
        text += testing_support::U8(units) + (line < 5 ? "\n" : "");
    }
    SetText(memo, text);
    const TScrMetrics metrics{8, 16};
    for (const bool wrap : {false, true}) {
        SCOPED_TRACE(wrap ? "wrap" : "no wrap");
        memo.SetWordWrap(wrap);
        memo.UpdateView();
        for (int step = 0; step < 150; ++step) {
            SCOPED_TRACE("step " + std::to_string(step));
            const int y = static_cast<int>(rng() % 6);
            const int length = static_cast<int>(memo.Lines().Get(y).size());
            MoveTo({static_cast<int>(rng() % static_cast<unsigned>(length + 1)), y});
            const TScrMap whole = WholeLayout(memo, host.measurer);
            const TPoint caret = memo.Caret();
            const TPoint expected =
                whole.PosToPixel({caret.X, caret.Y - memo.TopLine()}, memo.FirstRow(),
                                 memo.TabOffset(), memo.VirtualSpace(), metrics);
            ASSERT_EQ(memo.CaretPixel(), expected);
            // The caret is on screen where those pixels say.
            ASSERT_TRUE(host.caret.visible);
            const int x = expected.X - memo.HorzScroll() * 8;
            ASSERT_GE(x, 0);
            ASSERT_LT(x, 40 * 8 + 1);
            ASSERT_EQ(host.caret.y, expected.Y);
            // A click inside the window lands where the whole layout puts it.
            const TPoint click{static_cast<int>(rng() % 330) + memo.HorzScroll() * 8,
                               static_cast<int>(rng() % (9 * 16))};
            const TPoint hit =
                whole.PixelToPos(click, memo.FirstRow(), memo.VirtualSpace(), metrics);
            memo.MoveCaretToPixel(click, true);
            const int line = std::min(memo.TopLine() + hit.Y, memo.Lines().Count() - 1);
            if (memo.TopLine() + hit.Y < memo.Lines().Count()) {
                ASSERT_EQ(memo.Caret(), (TPoint{hit.X, line}));
            }
        }
    }
}

// A pattern with blanks and a TAB, so rows break between words.
std::u16string HugeLine(size_t length) {
    const std::u16string piece = u"lorem ipsum\tdolor ";
    std::u16string text;
    text.reserve(length);
    while (text.size() < length) {
        text += piece;
    }
    text.resize(length);
    return text;
}

// The x of a position as the layout measures it, counted from the line start.
int PlainX(const std::u16string& text, int column) {
    int x = 0;
    for (int i = 0; i < column; ++i) {
        x = text[static_cast<size_t>(i)] == u'\t' ? (x / 32 + 1) * 32 : x + 8;
    }
    return x;
}

// What the view does for a huge line, counted: the units the line geometry walks and the
// units the measurer is asked for, step by step.
struct THugeLineWork {
    std::int64_t open = 0;        // the file loaded, laid out and shown
    std::int64_t toMiddle = 0;    // the caret put in the middle of the line
    std::int64_t along = 0;       // 100 moves on from there
    std::int64_t typing = 0;      // the view's part of keystrokes in the middle
    std::int64_t toEnd = 0;       // End, and the caret put at the line's end
    std::int64_t right = 0;       // 100 times right of the end
    std::int64_t typingAtEnd = 0; // the view's part of keystrokes at the end
};

std::int64_t ViewWork(const TuniMemo& memo, const TFixedMeasurer& measurer) {
    return memo.Geometry().UnitsWalked() + measurer.measured;
}

// Opens a file of one line of `length` units and a short one in a new view, moves and types
// along the line, checks where the caret and the view end up, and counts the view's work.
// Keystrokes are counted without the text change itself: the line model copies the line
// for each, which is not the view's part.
void RunHugeLine(int length, bool wrap, THugeLineWork& work) {
    constexpr int kKeys = 10;
    testing_support::TempDir dir;
    const std::string file = dir.file("huge.txt");
    testing_support::WriteBytes(file, testing_support::U8(HugeLine(length)) + "\nafter");
    TFakeHost host;
    TuniMemo memo{host.Platform()};
    memo.SetWordWrap(wrap);
    const auto counted = [&](std::int64_t& into, auto&& steps) {
        const std::int64_t before = ViewWork(memo, host.measurer);
        steps();
        into += ViewWork(memo, host.measurer) - before;
    };
    // A move as a command makes it, up to the next command's start, which takes the
    // caret's place as the "before" value.
    const auto moveTo = [&](TPoint caret) {
        memo.BeginCommand();
        memo.SetCaret(caret);
        memo.UpdateView();
        memo.BeginCommand();
    };
    const auto type = [&](std::int64_t& into) {
        for (int i = 0; i < kKeys; ++i) {
            counted(into, [&] { memo.BeginCommand(); });
            memo.TypeChar(u'x');
            counted(into, [&] { memo.UpdateView(); });
        }
    };

    counted(work.open, [&] {
        memo.OpenFile(file);
        host.queue.RunAll();
    });
    ASSERT_EQ(memo.Lines().Get(1), u"after");
    ASSERT_EQ(memo.Lines().Get(0).size(), static_cast<size_t>(length));
    ASSERT_TRUE(host.caret.visible);

    const int middle = length / 2;
    counted(work.toMiddle, [&] { moveTo({middle, 0}); });
    counted(work.along, [&] {
        for (int i = 1; i <= 100; ++i) {
            moveTo({middle + i * 997, 0});
        }
    });
    ASSERT_LT(memo.Caret().X, length);
    moveTo({middle, 0}); // back over what was measured already
    ASSERT_TRUE(host.caret.visible);
    if (!wrap) {
        EXPECT_EQ(memo.CaretPixel().X, PlainX(memo.Lines().Get(0), middle));
        EXPECT_EQ(memo.HorzScroll(), memo.CaretPixel().X / 8); // it came from the right
    } else {
        EXPECT_GT(memo.FirstRow(), middle / 40);
        EXPECT_LT(memo.CaretPixel().Y, 10 * 16);
    }

    type(work.typing);
    EXPECT_EQ(memo.Caret(), (TPoint{middle + kKeys, 0}));
    EXPECT_EQ(memo.Lines().Get(0).substr(static_cast<size_t>(middle), kKeys),
              std::u16string(kKeys, u'x'));
    EXPECT_TRUE(host.caret.visible);
    if (!wrap) {
        EXPECT_EQ(memo.CaretPixel().X, PlainX(memo.Lines().Get(0), middle + kKeys));
    }

    // To the end (of the line, or with word wrap of the row) and on to the right, as the
    // commands go there.
    const int end = length + kKeys;
    counted(work.toEnd, [&] {
        memo.BeginCommand();
        memo.LineEnd();
        memo.UpdateView();
    });
    counted(work.right, [&] {
        for (int i = 0; i < 100; ++i) {
            memo.BeginCommand();
            memo.CaretRight();
            memo.UpdateView();
        }
    });
    if (!wrap) {
        EXPECT_EQ(memo.Caret().X, end + 100); // into virtual space
        EXPECT_EQ(memo.CaretPixel().X, PlainX(memo.Lines().Get(0), end) + 100 * 8);
    } else {
        // The end of the caret's row, then along the rows below it.
        EXPECT_GE(memo.Caret().X, middle + kKeys + 100);
        EXPECT_LT(memo.CaretPixel().Y, 10 * 16);
    }
    counted(work.toEnd, [&] { moveTo({end, 0}); });
    type(work.typingAtEnd);
    EXPECT_EQ(memo.Caret(), (TPoint{end + kKeys, 0}));
    EXPECT_EQ(memo.Lines().Get(0).size(), static_cast<size_t>(end + kKeys));
    EXPECT_TRUE(host.caret.visible);
    EXPECT_LT(memo.CaretPixel().Y, 10 * 16);
}

// A line ten times as long costs the view no more to open, to move along, to type in and to
// go right of: what it shows and what the caret moves over is measured, not the line. Going
// to the middle and to the end walks the units passed, at most twice (the row breaks and
// the unwrapped x along the line).
TEST_F(MemoViewTest, AHugeLineCostsTheViewWhatItShowsAndPassesNotItsLength) {
    constexpr int kShort = 400'000;
    constexpr int kLong = 4'000'000;
    // Twice the count at the shorter line, and a few blocks of units for what varies with
    // the positions' digits: a count in proportion to the line would be ten times.
    const auto flat = [](std::int64_t shorter, std::int64_t longer) {
        return longer < 2 * shorter + 4096;
    };
    for (const bool wrap : {false, true}) {
        SCOPED_TRACE(wrap ? "wrap" : "no wrap");
        THugeLineWork shorter;
        THugeLineWork longer;
        ASSERT_NO_FATAL_FAILURE(RunHugeLine(kShort, wrap, shorter));
        ASSERT_NO_FATAL_FAILURE(RunHugeLine(kLong, wrap, longer));
        EXPECT_PRED2(flat, shorter.open, longer.open);
        EXPECT_PRED2(flat, shorter.along, longer.along);
        EXPECT_PRED2(flat, shorter.typing, longer.typing);
        EXPECT_PRED2(flat, shorter.right, longer.right);
        EXPECT_PRED2(flat, shorter.typingAtEnd, longer.typingAtEnd);
        for (const auto& [length, work] : {std::pair{kShort, shorter}, std::pair{kLong, longer}}) {
            const std::int64_t half = length / 2;
            EXPECT_GE(work.toMiddle, half);
            EXPECT_LT(work.toMiddle, 2 * half + 16384);
            EXPECT_LT(work.toEnd, 2 * half + 16384);
        }
    }
}

} // namespace
