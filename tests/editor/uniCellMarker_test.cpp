// Marker cells: which units become markers and what they show; a layout in which markers take
// the marker width wrapped or not, with clicks and caret pixels on their edges.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/uniCellMarker.h"
#include "editor/uniScrMap.h"
#include "memoFakes.h"
#include "support/testSupport.h"

using testing_support::U8;

namespace {

constexpr TScrMetrics kMetrics{8, 16};
constexpr auto kNone = TMarkerKind::None;
constexpr auto kByte = TMarkerKind::Byte;
constexpr auto kCode = TMarkerKind::Code;

// The kinds of every unit of a text, as one string: '.' text, 'B' byte, 'C' code.
std::string Kinds(std::u16string_view text, const TTextMeasurer& measurer) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const TMarkerKind k = MarkerAt(text, i, measurer);
        out += k == kNone ? '.' : k == kByte ? 'B' : 'C';
    }
    return out;
}

TEST(CellMarkerRule, BytesControlsNoncharactersLoneSurrogatesAndUnshowableUnits) {
    memo_fakes::TFixedMeasurer m;
    m.unshowable = {0x0378, 0x1F600};
    // Letters, TAB and space are text; controls but TAB are codes, C1 and DEL too.
    EXPECT_EQ(Kinds(u"a \t~", m), "....");
    EXPECT_EQ(Kinds(std::u16string_view(u"\x00\x01\x1F\x7F\x85\x9F\xA0", 7), m), "CCCCCC.");
    // Escaped bytes alone are bytes; a low surrogate after a high one is half of a pair.
    EXPECT_EQ(Kinds(u"\xDC80\xDCFF\xDD00", m), "BBC");
    EXPECT_EQ(Kinds(u"\xD83D\xDC80", m), "..");        // U+1F480
    EXPECT_EQ(Kinds(u"\xDC80\xD83D", m), "BC");        // the wrong order pairs nothing
    EXPECT_EQ(Kinds(u"\xD83D\xD83D\xDE01", m), "C.."); // only the second high one pairs
    EXPECT_EQ(Kinds(u"x\xDBFF", m), ".C");             // a high one at the end of the line
    // Noncharacters, in the BMP and beyond it.
    EXPECT_EQ(Kinds(u"\xFDCF\xFDD0\xFDEF\xFDF0\xFFFD\xFFFE\xFFFF", m), ".CC..CC");
    EXPECT_EQ(Kinds(u"\xD83F\xDFFE\xDBFF\xDFFF", m), "CCCC"); // U+1FFFE, U+10FFFF
    // What the font cannot show, a pair's code point included.
    EXPECT_EQ(Kinds(u"\x0377\x0378", m), ".C");
    EXPECT_EQ(Kinds(u"\xD83D\xDE00\xD83D\xDE01", m), "CC..");

    // Labels: a byte's two digits, a small code's two, any other unit's four.
    EXPECT_EQ(U8(MarkerLabel(0xDC80, kByte)), "80");
    EXPECT_EQ(U8(MarkerLabel(0xDCFF, kByte)), "FF");
    EXPECT_EQ(U8(MarkerLabel(0x0001, kCode)), "01");
    EXPECT_EQ(U8(MarkerLabel(0x009F, kCode)), "9F");
    EXPECT_EQ(U8(MarkerLabel(0x0378, kCode)), "0378");
    EXPECT_EQ(U8(MarkerLabel(0xDD00, kCode)), "DD00");
    EXPECT_EQ(U8(MarkerLabel(0xFFFE, kCode)), "FFFE");
}

TEST(CellMarkerRule, EveryMarkerTakesTheMeasurersMarkerWidth) {
    memo_fakes::TFixedMeasurer m;
    m.wide = {u'W'};
    const std::u16string text = u"aW\xDC80\x01\xD83D\xDE00\xD83D";
    std::vector<int> widths;
    for (size_t i = 0; i < text.size(); ++i) {
        widths.push_back(UnitWidthAt(text, i, m, 0));
    }
    EXPECT_EQ(widths, (std::vector<int>{8, 16, 16, 16, 8, 8, 16}));
}

class CellMarkerLayoutTest : public ::testing::Test {
protected:
    CellMarkerLayoutTest() { list = new TWStringList; }
    ~CellMarkerLayoutTest() override { list->Release(); }

    void Layout(const std::u16string& line, int areaWidth, bool wrap) {
        list->Clear();
        list->Add(line);
        params.lines = list;
        params.measurer = &measurer;
        params.textAreaWidth = areaWidth;
        params.wordWrap = wrap;
        params.visibleRows = 10;
        LayoutLines(map, params);
    }

    // Each cell of a row as "<unit's column>:<width><B|C|>", joined by blanks.
    std::string Row(int row) const {
        std::string out;
        for (int j = 1; j <= map.CellCount(row); ++j) {
            const TMarkerKind k = map.CellMarker(row, j);
            out += (j > 1 ? " " : "") + std::to_string(map.CellColumn(row, j)) + ":" +
                   std::to_string(map.CellWidth(row, j)) +
                   (k == kByte   ? "B"
                    : k == kCode ? "C"
                                 : "");
        }
        return out;
    }

    TWStringList* list;
    memo_fakes::TFixedMeasurer measurer;
    TLayoutParams params;
    TScrMap map;
};

TEST_F(CellMarkerLayoutTest, MarkersAreCellsOfTheMarkerWidthWrappedOrNot) {
    const std::u16string line = u"ab\xDC80"
                                u"c\x01"
                                u"d\xDCFF";
    Layout(line, 400, false);
    EXPECT_EQ(Row(0), "0:8 1:8 2:16B 3:8 4:16C 5:8 6:16B");
    // The caret stands on the cells' edges and clicks land on them: before a marker up to
    // its middle, after it past that.
    const std::vector<int> edges{0, 8, 16, 32, 40, 56, 64, 80};
    for (int column = 0; column <= 7; ++column) {
        EXPECT_EQ(map.PosToPixel({column, 0}, 0, 0, false, kMetrics).X, edges[column]) << column;
    }
    EXPECT_EQ(map.PixelToPos({16 + 7, 5}, 0, false, kMetrics), (TPoint{2, 0}));
    EXPECT_EQ(map.PixelToPos({16 + 11, 5}, 0, false, kMetrics), (TPoint{3, 0}));
    EXPECT_EQ(map.CellWidthAt({4, 0}, 8), 16);

    // Wrapped at 40 pixels: "c" would end on the edge and starts the next row, the marker
    // after it keeps its width there, and the last marker, which would reach the edge,
    // moves to a row of its own.
    Layout(line, 40, true);
    ASSERT_EQ(map.LineRow(1), 3);
    EXPECT_EQ(Row(0), "0:8 1:8 2:16B");
    EXPECT_EQ(Row(1), "3:8 4:16C 5:8");
    EXPECT_EQ(Row(2), "6:16B");
    EXPECT_EQ(map.PosToPixel({4, 0}, 0, 0, false, kMetrics), (TPoint{8, 16}));
    EXPECT_EQ(map.PixelToPos({8 + 11, 16 + 5}, 0, false, kMetrics), (TPoint{5, 0}));
    EXPECT_EQ(map.PosToPixel({6, 0}, 0, 0, false, kMetrics), (TPoint{0, 32}));
}

TEST_F(CellMarkerLayoutTest, ASurrogateBesideAnotherPairsThemIntoTextCells) {
    Layout(u"a\xDC80"
           u"b",
           400, false);
    EXPECT_EQ(Row(0), "0:8 1:16B 2:8");
    Layout(u"a\xD83D\xDC80"
           u"b",
           400, false);
    EXPECT_EQ(Row(0), "0:8 1:8 2:8 3:8");

    // The same in a long line, whose geometry caches x checkpoints: a low surrogate typed
    // after a lone high one at the end of a checkpoint's block changes that unit's width.
    TLineGeometry geometry;
    params.geometry = &geometry;
    const int high = kLongLine - 1;
    std::u16string longLine = std::u16string(static_cast<size_t>(high), u'x') + u"\xD83Dtail";
    Layout(longLine, 400, false);
    ASSERT_TRUE(map.LineWindowed(0));
    EXPECT_EQ(geometry.X(0, high + 5), high * 8 + 16 + 4 * 8);
    longLine.insert(static_cast<size_t>(high + 1), u"\xDC80");
    geometry.LineChanging(0, list->Get(0), longLine);
    list->Put(0, longLine);
    geometry.ListChanged();
    EXPECT_EQ(geometry.X(0, high + 1), (high + 1) * 8);
    EXPECT_EQ(geometry.X(0, high + 6), (high + 6) * 8);
}

} // namespace
