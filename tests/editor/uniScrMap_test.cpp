// The screen map: wrapping rules, tabs, hit-testing both ways, row comparison and shifts;
// long lines laid out in windows against a layout of the whole line; the line geometry's
// cache under edits.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "editor/uniScrMap.h"
#include "memoFakes.h"
#include "support/testSupport.h"

using testing_support::U16;

namespace {

using TFakeMeasurer = memo_fakes::TFixedMeasurer;

constexpr TScrMetrics kMetrics{8, 16};

class ScrMapTest : public ::testing::Test {
protected:
    ScrMapTest() { list = new TWStringList; }
    ~ScrMapTest() override { list->Release(); }

    void Layout(std::initializer_list<std::u16string> text, int areaWidth, bool wrap) {
        list->Clear();
        for (const auto& line : text) {
            list->Add(line);
        }
        params.lines = list;
        params.measurer = &measurer;
        params.textAreaWidth = areaWidth;
        params.wordWrap = wrap;
        params.visibleRows = 10;
        LayoutLines(map, params);
    }

    // The characters of a row, as text.
    std::u16string RowText(int row) const {
        std::u16string s;
        for (int j = 1; j <= map.CellCount(row); ++j) {
            s.push_back(map.CellChar(row, j));
        }
        return s;
    }

    TWStringList* list;
    TFakeMeasurer measurer;
    TLayoutParams params;
    TScrMap map;
};

TEST_F(ScrMapTest, LongWordIsCutWhereItOverflows) {
    Layout({std::u16string(30, u'a')}, 80, true);
    // 9 letters a row: the tenth would end exactly at the right edge.
    ASSERT_EQ(map.LineRow(1), 4);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(map.CellCount(r), 9) << "row " << r;
        EXPECT_EQ(map.RowStartsLine(r), r == 0);
        EXPECT_EQ(map.RowLine(r), 0);
    }
    EXPECT_EQ(map.CellCount(3), 3);
    EXPECT_EQ(map.CellColumn(1, 1), 9);
}

TEST_F(ScrMapTest, BreakOpportunityFromColumnTwentyOn) {
    // The 27th unit overflows; the space at column 25 gives a break at 26 >= 20.
    Layout({std::u16string(24, u'a') + u" bcd"}, 27 * 8, true);
    EXPECT_EQ(RowText(0), std::u16string(24, u'a') + u" ");
    EXPECT_EQ(RowText(1), u"bcd");

    // Here the space gives a break at 12 < 20: the word is cut at the 15th unit instead.
    Layout({std::u16string(10, u'a') + u" " + std::u16string(20, u'b')}, 15 * 8, true);
    EXPECT_EQ(map.CellCount(0), 14);
    EXPECT_EQ(map.CellColumn(1, 1), 14);

    // A space that overflows stays at the end of its row.
    Layout({std::u16string(24, u'a') + u" b"}, 25 * 8, true);
    EXPECT_EQ(RowText(0), std::u16string(24, u'a') + u" ");
    EXPECT_EQ(RowText(1), u"b");
    EXPECT_FALSE(map.RowStartsLine(1));
}

TEST_F(ScrMapTest, OnlyBreaksAfterThePreviousWrapCount) {
    // After the first wrap the early space no longer counts: the second row is cut where
    // it overflows, not at the old opportunity.
    Layout({u"ab " + std::u16string(40, u'x')}, 10 * 8, true);
    EXPECT_EQ(RowText(0), u"ab xxxxxx");
    EXPECT_EQ(RowText(1), std::u16string(9, u'x'));
}

TEST_F(ScrMapTest, TabsFillToTheNextStop) {
    params.tabSize = 4;
    Layout({u"\t\tx", u"ab\tc"}, 1000, false);
    ASSERT_EQ(map.CellCount(0), 9);
    EXPECT_EQ(map.CellsWidth(0, 4), 32);
    EXPECT_EQ(map.CellsWidth(0, 8), 64); // a tab at a stop still advances a whole stop
    for (int j = 1; j <= 4; ++j) {
        EXPECT_EQ(map.CellColumn(0, j), 0);
    }
    EXPECT_EQ(map.CellChar(0, 4), u'\t');
    EXPECT_EQ(map.CellChar(0, 1), u' ');
    EXPECT_EQ(map.CellColumn(0, 9), 2);
    // "ab" then a tab: fillers to 32, the tab cell takes the rest.
    EXPECT_EQ(RowText(1), u"ab \tc");
    EXPECT_EQ(map.CellWidth(1, 4), 8);
    EXPECT_EQ(map.RowWidth(1), 40);

    // The caret inside a tab's expansion sits right of its start by the tab offset.
    EXPECT_EQ(map.PosToPixel({0, 0}, 0, 2, false, kMetrics).X, 16);
    EXPECT_EQ(map.PosToPixel({1, 0}, 0, 0, false, kMetrics).X, 32);
}

TEST_F(ScrMapTest, HitTestingRoundTripsOnWrappedLines) {
    measurer.wide = {u'W'};
    Layout({u"short", u"a WW word that wraps over several rows of this map", u""}, 12 * 8, true);
    for (int line = 0; line < 3; ++line) {
        const int len = static_cast<int>(list->Get(line).size());
        for (int col = 0; col <= len; ++col) {
            TPoint px = map.PosToPixel({col, line}, 0, 0, false, kMetrics);
            TPoint back = map.PixelToPos(px, 0, false, kMetrics);
            EXPECT_EQ(back.Y, line);
            if (col < len) {
                EXPECT_EQ(back.X, col) << "line " << line << " col " << col;
            }
        }
    }
    // A column equal to the first column of a continuation row shows at that row's start.
    const int row1 = map.LineRow(1) + 1;
    const TPoint start = map.PosToPixel({map.CellColumn(row1, 1), 1}, 0, 0, false, kMetrics);
    EXPECT_EQ(start.X, 0);
    EXPECT_EQ(start.Y, row1 * 16);
    // Past the end of a wrapped line without virtual space: the end of its last row.
    const TPoint end = map.PosToPixel({1000, 1}, 0, 0, false, kMetrics);
    EXPECT_EQ(end.Y, (map.LineRow(2) - 1) * 16);
    EXPECT_EQ(map.CellWidthAt({2, 1}, 8), 16);
    EXPECT_EQ(map.CellWidthAt({999, 1}, 8), 8);
}

TEST_F(ScrMapTest, ClicksLandBeforeACellUpToItsMiddle) {
    Layout({u"abc", u""}, 1000, false);
    EXPECT_EQ(map.PixelToPos({5, 0}, 0, false, kMetrics).X, 0); // 5 <= 3 + 2
    EXPECT_EQ(map.PixelToPos({6, 0}, 0, false, kMetrics).X, 1);
    EXPECT_EQ(map.PixelToPos({22, 0}, 0, false, kMetrics).X, 3); // past the middle of the last
    EXPECT_EQ(map.PixelToPos({200, 0}, 0, false, kMetrics).X, 3);
    EXPECT_EQ(map.PixelToPos({200, 0}, 0, true, kMetrics).X, 3 + (200 - 24 + 4 - 2) / 8);
    // An empty line: column 0, or with virtual space the column under the pointer.
    EXPECT_EQ(map.PixelToPos({40, 16}, 0, false, kMetrics), (TPoint{0, 1}));
    EXPECT_EQ(map.PixelToPos({40, 16}, 0, true, kMetrics), (TPoint{5, 1}));
    EXPECT_EQ(map.PosToPixel({5, 1}, 0, 0, true, kMetrics), (TPoint{40, 16}));
    // Below the last row: the last row of the map.
    const TPoint below = map.PixelToPos({0, 5000}, 0, false, kMetrics);
    EXPECT_EQ(below.Y, map.RowLine(map.RowCount() - 1));
}

TEST_F(ScrMapTest, CaretLineAndSelectionColours) {
    params.highlightLine = true;
    params.caretLine = 1;
    Layout({u"ab", u"cd"}, 1000, false);
    EXPECT_EQ(map.CellBg(0, 1), kNoColor);
    EXPECT_EQ(map.CellBg(1, 1), 0xC0C0C0);
    Layout({u"ab", u"cd"}, 1000, true);
    EXPECT_EQ(map.CellBg(1, 1), kNoColor); // no line highlight with wrapping

    params.highlightLine = false;
    params.selection = {TLayoutSelection::Kind::Stream, {1, 0}, {1, 1}};
    Layout({u"ab", u"cd"}, 1000, false);
    EXPECT_EQ(map.CellBg(0, 1), kNoColor);
    EXPECT_EQ(map.CellBg(0, 2), clHighlight);
    EXPECT_EQ(map.CellFg(0, 2), clHighlightText);
    EXPECT_EQ(map.CellBg(1, 1), clHighlight);
    EXPECT_EQ(map.CellBg(1, 2), kNoColor);

    // A column block counts visual columns, so part of a tab's expansion can be selected.
    params.tabSize = 4;
    params.selection = {TLayoutSelection::Kind::Column, {2, 0}, {5, 0}};
    Layout({u"\tx"}, 1000, false);
    std::string marks;
    for (int j = 1; j <= map.CellCount(0); ++j) {
        marks += map.CellBg(0, j) == clHighlight ? 'S' : '-';
    }
    EXPECT_EQ(marks, "--SSS");
    Layout({u"\tx"}, 1000, true);
    EXPECT_EQ(map.CellBg(0, 3), kNoColor); // no column blocks with wrapping
}

TEST_F(ScrMapTest, CompareRowFindsTheFirstCellToRedraw) {
    Layout({u"abcd", u"xy"}, 1000, false);
    TScrMap previous;
    map.AssignTo(previous);
    EXPECT_EQ(map.CompareRow(previous, 0), INT_MAX);

    Layout({u"abZd", u"xyz"}, 1000, false);
    EXPECT_EQ(map.CompareRow(previous, 0), 3);
    EXPECT_EQ(map.CellState(0, 2), 0);
    EXPECT_EQ(map.CellState(0, 3), 3);
    EXPECT_EQ(map.CompareRow(previous, 1), 3); // one cell more: redraw from it
    EXPECT_EQ(map.CompareRow(previous, 99), 1);

    params.selection = {TLayoutSelection::Kind::Stream, {1, 0}, {2, 0}};
    Layout({u"abcd", u"xy"}, 1000, false);
    EXPECT_EQ(map.CompareRow(previous, 0), INT_MAX); // only a colour changed
    EXPECT_EQ(map.CellState(0, 2), 1);
}

TEST_F(ScrMapTest, RowShiftsFollowWindowScrolls) {
    Layout({u"0", u"1", u"2", u"3"}, 1000, false);
    TScrMap shifted;
    map.AssignTo(shifted);
    const int last = shifted.RowCount() - 1;
    shifted.ShiftRowsDown(1, 99);
    shifted.ResetRow(0);
    EXPECT_EQ(shifted.CellCount(0), 0);
    EXPECT_EQ(shifted.CellChar(1, 1), u'0');
    EXPECT_EQ(shifted.CellChar(3, 1), u'2');
    EXPECT_EQ(shifted.RowCount(), last + 1);

    shifted.ShiftRowsUp(0, 99);
    EXPECT_EQ(shifted.CellChar(0, 1), u'0');
    EXPECT_EQ(shifted.CellChar(2, 1), u'2');
    shifted.ResetRow(-1); // out of range: nothing
    shifted.ResetRow(last + 5);
    EXPECT_EQ(shifted.RowCount(), last + 1);
}

TEST_F(ScrMapTest, OnlyTheVisibleWindowIsLaidOut) {
    list->Clear();
    for (int i = 0; i < 100; ++i) {
        list->Add(u"line");
    }
    params.lines = list;
    params.measurer = &measurer;
    params.textAreaWidth = 1000;
    params.visibleRows = 5;
    params.topLine = 50;
    LayoutLines(map, params);
    EXPECT_EQ(map.LineCount(), 5 + 3 + 1); // eight lines and the closing row
    // The line after the last one is laid out as an empty line.
    params.topLine = 98;
    LayoutLines(map, params);
    EXPECT_EQ(map.LineCount(), 3 + 1);
    EXPECT_EQ(map.CellCount(map.LineRow(2)), 0);
}

} // namespace

// --- long lines: windows into them against a layout of the whole line ---------------------

namespace {

// Random text over letters, blanks, TABs, a wide letter and marker units (a control, an
// escaped byte, surrogates that pair or not), so that tab stops, break opportunities, cells
// wider than a column and widths that depend on the neighbouring unit all occur.
std::u16string RandomText(std::mt19937& rng, int length) {
    static const std::u16string kUnits = u"abcdefghij   \t\tWW-\x01\xDC80\xD83D\xDE00";
    std::uniform_int_distribution<size_t> pick(0, kUnits.size() - 1);
    std::u16string text;
    for (int i = 0; i < length; ++i) {
        text.push_back(kUnits[pick(rng)]);
    }
    // Long runs without a blank make the rows break inside words.
    if (length > 100 && rng() % 2 == 0) {
        const size_t at = rng() % (text.size() - 60);
        text.replace(at, 60, std::u16string(60, u'z'));
    }
    return text;
}

class WindowedLayoutTest : public ::testing::Test {
protected:
    WindowedLayoutTest() {
        list = new TWStringList;
        measurer.wide = {u'W'};
    }
    ~WindowedLayoutTest() override { list->Release(); }

    // Lays the same view out whole and in windows.
    void LayOutBoth() {
        params.lines = list;
        params.measurer = &measurer;
        params.geometry = nullptr;
        LayoutLines(full, params);
        params.geometry = &geometry;
        LayoutLines(windowed, params);
    }

    // Positions, pixels and cell widths of every line the windowed map holds agree with the
    // whole layout; so do the cells the windowed map holds.
    void ExpectSameAnswers(std::mt19937& rng) {
        const int firstRow = params.firstRow;
        for (int k = 0; k < windowed.LineCount(); ++k) {
            SCOPED_TRACE("line " + std::to_string(k));
            EXPECT_EQ(windowed.LineRow(k), full.LineRow(k));
            EXPECT_EQ(windowed.LineRowCount(k), full.LineRowCount(k));
            const int length = static_cast<int>(list->Get(params.topLine + k).size());
            // Every column of an ordinary long line; a sample of a very long one, where
            // the whole layout's own walk over the rows would take too long.
            const int step = length > 5000 ? 97 : 1;
            for (int column = -1; column <= length + 3; column += column < length ? step : 1) {
                const TPoint pos{column, k};
                for (const bool beyond : {false, true}) {
                    const int tab = column % 3;
                    ASSERT_EQ(windowed.PosToPixel(pos, firstRow, tab, beyond, kMetrics),
                              full.PosToPixel(pos, firstRow, tab, beyond, kMetrics))
                        << "column " << column << " beyond " << beyond;
                }
                ASSERT_EQ(windowed.CellWidthAt(pos, 8), full.CellWidthAt(pos, 8))
                    << "column " << column;
            }
        }
        // Clicks on the rows the windowed map reaches, before and inside its window.
        const int lastRow = windowed.RowCount() - 1;
        std::uniform_int_distribution<int> rowPick(0, std::max(lastRow - firstRow, 0) + 1);
        std::uniform_int_distribution<int> xPick(-20, 40000);
        for (int i = 0; i < 3000; ++i) {
            const TPoint point{i < 100 ? i * 3 - 10 : xPick(rng), rowPick(rng) * 16 + 5};
            if (point.Y / 16 + firstRow > lastRow) {
                continue;
            }
            for (const bool beyond : {false, true}) {
                ASSERT_EQ(windowed.PixelToPos(point, firstRow, beyond, kMetrics),
                          full.PixelToPos(point, firstRow, beyond, kMetrics))
                    << "x " << point.X << " y " << point.Y << " beyond " << beyond;
            }
        }
        for (int r = windowed.FirstStoredRow(); r <= lastRow; ++r) {
            SCOPED_TRACE("row " + std::to_string(r));
            ASSERT_EQ(windowed.RowLine(r), full.RowLine(r));
            ASSERT_EQ(windowed.RowStartsLine(r), full.RowStartsLine(r));
            const int k = windowed.RowLine(r);
            int j0 = 0; // the full row's cell where the windowed row begins
            if (windowed.LineWindowed(k) && !params.wordWrap) {
                if (windowed.CellCount(r) == 0) {
                    // The line ends left of the scroll position: the empty window is its end.
                    EXPECT_EQ(windowed.RowLeft(r), full.RowWidth(r));
                    EXPECT_LE(windowed.RowLeft(r), params.scrollX);
                    continue;
                }
                while (full.CellColumn(r, j0 + 1) != windowed.CellColumn(r, 1)) {
                    ++j0;
                }
                EXPECT_EQ(windowed.RowLeft(r), full.CellsWidth(r, j0));
                EXPECT_LE(windowed.RowLeft(r), params.scrollX); // the window reaches the left
                EXPECT_GE(windowed.RowWidth(r),                 // and the right edge
                          std::min(params.scrollX + params.textAreaWidth, full.RowWidth(r)));
            } else {
                ASSERT_EQ(windowed.CellCount(r), full.CellCount(r));
            }
            for (int j = 1; j <= windowed.CellCount(r); ++j) {
                const TScrCell& a = windowed.Cell(r, j);
                const TScrCell& b = full.Cell(r, j0 + j);
                ASSERT_TRUE(a.ch == b.ch && a.column == b.column && a.width == b.width &&
                            a.fg == b.fg && a.bg == b.bg)
                    << "cell " << j;
            }
        }
    }

    TWStringList* list;
    memo_fakes::TFixedMeasurer measurer;
    TLineGeometry geometry;
    TLayoutParams params;
    TScrMap full;
    TScrMap windowed;
};

TEST_F(WindowedLayoutTest, RandomViewsAgreeWithAWholeLayout) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        list->Clear();
        const int lines = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < lines; ++i) {
            const bool longLine = rng() % 4 != 0;
            list->Add(RandomText(rng, longLine ? kLongLine + static_cast<int>(rng() % 1500)
                                               : static_cast<int>(rng() % 60)));
        }
        static const int kWidths[] = {7, 8 * 3 + 3, 8 * 12, 8 * 40, 8 * 80};
        params = TLayoutParams{};
        params.wordWrap = rng() % 2 == 0;
        params.textAreaWidth = kWidths[rng() % 5];
        params.tabSize = 1 + static_cast<int>(rng() % 8);
        params.visibleRows = 1 + static_cast<int>(rng() % 10);
        params.topLine = static_cast<int>(rng() % static_cast<unsigned>(lines));
        params.highlightLine = true;
        params.caretLine = params.topLine + static_cast<int>(rng() % 2);
        if (rng() % 2 == 0) {
            params.selection = {TLayoutSelection::Kind::Stream,
                                {static_cast<int>(rng() % 900), params.topLine},
                                {static_cast<int>(rng() % 3000), params.topLine + 1}};
        } else if (!params.wordWrap) {
            params.selection = {TLayoutSelection::Kind::Column,
                                {static_cast<int>(rng() % 900), params.topLine},
                                {900 + static_cast<int>(rng() % 900), params.topLine + 2}};
        }
        // The view somewhere along the top line: a first row inside it when wrapped, a
        // scroll position along it, sometimes past its end, when not.
        params.geometry = nullptr;
        params.lines = list;
        params.measurer = &measurer;
        LayoutLines(full, params);
        if (params.wordWrap) {
            params.firstRow = static_cast<int>(rng() % static_cast<unsigned>(full.LineRowCount(0)));
        } else {
            params.scrollX =
                static_cast<int>(rng() % static_cast<unsigned>(full.RowWidth(0) + 200)) / 8 * 8;
        }
        LayOutBoth();
        ExpectSameAnswers(rng);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST_F(WindowedLayoutTest, AWrappedLongLineIsLaidOutOnlyAroundTheView) {
    list->Add(std::u16string(39 * 5000, u'a') + u"\tend");
    list->Add(u"next");
    params.wordWrap = true;
    params.textAreaWidth = 40 * 8;
    params.visibleRows = 10;
    params.firstRow = 2500;
    LayOutBoth();
    EXPECT_EQ(windowed.FirstStoredRow(), 2490);
    EXPECT_LE(windowed.RowCount(), 2500 + 10 + 3);
    EXPECT_EQ(windowed.LineCount(), 1); // cut off inside the line: the next is not laid out
    EXPECT_EQ(windowed.LineRowCount(0), 5001);
    EXPECT_TRUE(windowed.Covers(2500, 10, 0));
    EXPECT_FALSE(windowed.Covers(2400, 10, 0)); // above the rows it holds
    EXPECT_FALSE(windowed.Covers(2510, 10, 0)); // below them
    std::mt19937 rng(7);
    ExpectSameAnswers(rng);
    // The end of the line, far below the rows the map holds.
    const TPoint end{39 * 5000 + 4, 0};
    EXPECT_EQ(windowed.PosToPixel(end, 2500, 0, false, kMetrics),
              (TPoint{3 * 8, (5000 - 2500) * 16})); // "end" alone on the last row
}

TEST_F(WindowedLayoutTest, AnUnwrappedLongLineHoldsTheCellsOfTheWindow) {
    params.tabSize = 4;
    list->Add(u"\t" + std::u16string(100000, u'x'));
    params.textAreaWidth = 40 * 8;
    params.scrollX = 50000 * 8;
    LayOutBoth();
    ASSERT_GT(windowed.CellCount(0), 0);
    EXPECT_EQ(windowed.CellColumn(0, 1), 50000 - 4 + 1);
    EXPECT_EQ(windowed.RowLeft(0), 50000 * 8);
    EXPECT_LE(windowed.CellCount(0), 41);
    EXPECT_TRUE(windowed.Covers(0, 10, 50000 * 8));
    EXPECT_FALSE(windowed.Covers(0, 10, 50001 * 8)); // a new window is needed
    // Left and right of the window: the caret's pixels as a whole layout gives them.
    EXPECT_EQ(windowed.PosToPixel({1, 0}, 0, 0, false, kMetrics), (TPoint{32, 0}));
    EXPECT_EQ(windowed.PosToPixel({90000, 0}, 0, 0, false, kMetrics), (TPoint{(90000 + 3) * 8, 0}));
    EXPECT_EQ(windowed.PosToPixel({100005, 0}, 0, 0, true, kMetrics),
              (TPoint{(100005 + 3) * 8, 0}));
    EXPECT_EQ(windowed.PixelToPos({90000 * 8 + 5, 0}, 0, false, kMetrics), (TPoint{90000 - 3, 0}));
    EXPECT_EQ(windowed.PixelToPos({5, 0}, 0, false, kMetrics), (TPoint{0, 0}));
    EXPECT_EQ(windowed.CellWidthAt({0, 0}, 1), 8);
    // Short lines are laid out whole and cost no cache entry.
    list->Clear();
    list->Add(u"short");
    LayOutBoth();
    EXPECT_EQ(windowed.CellCount(0), 5);
    EXPECT_FALSE(windowed.LineWindowed(0));
}

// --- the geometry cache follows edits --------------------------------------------------

class LineGeometryTest : public ::testing::Test {
protected:
    LineGeometryTest() { list = new TWStringList; }
    ~LineGeometryTest() override { list->Release(); }

    void Configure(TLineGeometry& g, int width) {
        g.SetMetrics(list, &measurer, 4, 8);
        g.SetWrapWidth(width);
    }

    // The cached geometry answers as one that measures the line afresh.
    void ExpectFresh(int line, std::mt19937& rng) {
        TLineGeometry fresh;
        Configure(fresh, wrapWidth);
        const int length = static_cast<int>(list->Get(line).size());
        std::uniform_int_distribution<int> columns(0, length);
        for (int i = 0; i < 60; ++i) {
            const int column = i == 0 ? length : columns(rng);
            ASSERT_EQ(cached.X(line, column), fresh.X(line, column)) << "column " << column;
            const auto a = cached.RowOfColumn(line, column);
            const auto b = fresh.RowOfColumn(line, column);
            ASSERT_TRUE(a.row == b.row && a.found == b.found && a.empty == b.empty)
                << "column " << column;
            const int x = fresh.X(line, column) + static_cast<int>(rng() % 12);
            ASSERT_EQ(cached.Hit(line, x, true), fresh.Hit(line, x, true)) << "x " << x;
        }
        const int rows = fresh.RowCount(line);
        ASSERT_EQ(cached.RowCount(line), rows);
        for (int i = 0; i < 20; ++i) {
            const int row = static_cast<int>(rng() % static_cast<unsigned>(rows));
            const TRowStart a = cached.Row(line, row);
            const TRowStart b = fresh.Row(line, row);
            ASSERT_TRUE(a.first == b.first && a.resume == b.resume && a.x == b.x) << "row " << row;
        }
    }

    TWStringList* list;
    memo_fakes::TFixedMeasurer measurer;
    TLineGeometry cached;
    int wrapWidth = 25 * 8;
};

TEST_F(LineGeometryTest, RandomEditsKeepTheCacheExact) {
    measurer.wide = {u'W'};
    std::mt19937 rng(11);
    list->Add(u"a short line");
    list->Add(RandomText(rng, 6000));
    Configure(cached, wrapWidth);
    int line = 1;
    for (int step = 0; step < 120; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        std::u16string text = list->Get(line);
        const size_t at = rng() % (text.size() + 1);
        switch (rng() % 4) {
        case 0:
            text.insert(at, RandomText(rng, 1 + static_cast<int>(rng() % 5)));
            break;
        case 1:
            text.erase(at, rng() % 40);
            break;
        case 2:
            text.replace(at, 1, u"\t");
            break;
        default:
            text.append(RandomText(rng, static_cast<int>(rng() % 3)));
            break;
        }
        if (step % 10 == 9) {
            // A change nobody reports still leaves no stale answer behind.
            list->Put(line, std::move(text));
            cached.ListChanged();
        } else if (step % 15 == 14) {
            // A line inserted above moves the cached line down.
            list->Insert(0, u"above");
            cached.ListChanged();
            cached.LinesInserted(0);
            ++line;
        } else {
            cached.LineChanging(line, list->Get(line), text);
            list->Put(line, std::move(text));
            cached.ListChanged();
        }
        if (step % 20 == 19) {
            wrapWidth = 8 * (5 + static_cast<int>(rng() % 40)) + static_cast<int>(rng() % 8);
            cached.SetWrapWidth(wrapWidth);
        }
        ExpectFresh(line, rng);
        if (HasFatalFailure()) {
            return;
        }
    }
    EXPECT_LE(cached.CachedLines(), 1); // the short line never takes an entry
}

TEST_F(LineGeometryTest, AnEditKeepsWhatLiesBeforeIt) {
    // A line of 300,000 units: measuring it again after every edit would show in the time,
    // but the edit near its end keeps everything before it.
    list->Add(std::u16string(300000, u'x'));
    Configure(cached, wrapWidth);
    EXPECT_EQ(cached.RowCount(0), 300000 / 24);
    std::u16string text = list->Get(0);
    text.insert(299990, u"yy");
    cached.LineChanging(0, list->Get(0), text);
    list->Put(0, text);
    cached.ListChanged();
    EXPECT_EQ(cached.X(0, 299995), 299995 * 8);
    EXPECT_EQ(cached.RowCount(0), 300002 / 24 + 1);
    EXPECT_EQ(cached.Row(0, 12000).first, 12000 * 24);
}

} // namespace
