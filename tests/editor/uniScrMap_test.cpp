// The screen map: wrapping rules, tabs, hit-testing both ways, row comparison and shifts.
#include <gtest/gtest.h>

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
