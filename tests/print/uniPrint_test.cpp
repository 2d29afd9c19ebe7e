// The layout of printed pages, checked on a recording canvas: rows, wrapping, tab stops,
// form feeds, page breaks, selections, highlighter windows and colours, and the cost.
#include <gtest/gtest.h>

#include <map>

#include "highlight/colorerTesting.h"
#include "highlight/uniColorer.h"
#include "printFakes.h"
#include "support/testSupport.h"

using namespace print_fakes;
using testing_support::U16;
using testing_support::U8;

namespace {

std::vector<std::string> Rows(const TRecordingCanvas& canvas) {
    std::vector<std::string> rows;
    for (const std::u16string& r : canvas.Rows()) {
        rows.push_back(U8(r));
    }
    return rows;
}

class PrintLayout : public ::testing::Test {
protected:
    TCellMeasurer measurer;
    TRecordingCanvas canvas;
    TuniPageSetup setup = InchMargins();

    TPrintResult Print(const std::vector<std::u16string>& lines) {
        memo = MakeMemo(measurer, lines);
        return PrintDocument(*memo, canvas, setup);
    }
    std::unique_ptr<TuniMemo> memo;
};

TEST_F(PrintLayout, LinesGoDownTheRowsInTheEditorFont) {
    const TPrintResult r = Print({u"first", u"", u"third"});
    EXPECT_EQ(canvas.fontName, memo->Settings().fontName);
    EXPECT_EQ(canvas.fontSize, memo->Settings().fontSize);
    EXPECT_TRUE(canvas.begun && canvas.ended && !canvas.aborted);
    // An empty line prints as a single space.
    EXPECT_EQ(Rows(canvas),
              (std::vector<std::string>{"1:100:100:first", "1:120:100: ", "1:140:100:third"}));
    EXPECT_EQ(r.lineCount, 3);
    EXPECT_EQ(r.pages, 1);
    // Without highlighting every character prints black in the plain style.
    for (const auto& t : canvas.texts) {
        EXPECT_EQ(t.colour, clBlack);
        EXPECT_EQ(t.style, 0);
    }
}

TEST_F(PrintLayout, TabStopsCountFromThePagesEdgeNotTheMargin) {
    // A space is 10 pixels and a tab 4 of them: stops at 40, 80, 120, ... from pixel 0. From
    // the margin at 100 the next stop is 120 (from the margin it would be 140); after "abc"
    // at 130 it is 160.
    Print({u"\tx", u"abc\ty", u"abcd\t\tz"});
    EXPECT_EQ(Rows(canvas), (std::vector<std::string>{"1:100:120:x", "1:120:100:abc", "1:120:160:y",
                                                      "1:140:100:abcd", "1:140:200:z"}));
}

TEST_F(PrintLayout, AFormFeedGoesOnAtTheTopOfTheNextPageWhereTheLineStood) {
    const TPrintResult r = Print({u"before", u"abc\fdef", u"after"});
    EXPECT_EQ(Rows(canvas), (std::vector<std::string>{"1:100:100:before", "1:120:100:abc",
                                                      "2:100:130:def", "2:120:100:after"}));
    EXPECT_EQ(r.pages, 2);
}

TEST_F(PrintLayout, AWordLongerThanTheRowIsCutAtTheRightEdge) {
    // 80 units fill the row from 100 to 900; the 81st goes on the next row.
    const std::u16string word(100, u'a');
    Print({word, u"next"});
    EXPECT_EQ(Rows(canvas),
              (std::vector<std::string>{"1:100:100:" + std::string(80, 'a'),
                                        "1:120:100:" + std::string(20, 'a'), "1:140:100:next"}));
}

TEST_F(PrintLayout, WordsWrapAtSpacesAndTheSpaceBeginsTheNewRow) {
    // 75 units, then " word" would reach 900: the space and the word go on the next row.
    Print({std::u16string(75, u'x') + u" word tail"});
    EXPECT_EQ(Rows(canvas), (std::vector<std::string>{"1:100:100:" + std::string(75, 'x'),
                                                      "1:120:100: word tail"}));
    // A row that ends exactly at the edge with the line's last character leaves no empty
    // row behind it.
    canvas.Clear();
    Print({std::u16string(80, u'y'), u"z"});
    EXPECT_EQ(Rows(canvas),
              (std::vector<std::string>{"1:100:100:" + std::string(80, 'y'), "1:120:100:z"}));
}

TEST_F(PrintLayout, PagesBreakWhenTheNextRowWouldNotFitAndNeverEndBlank) {
    std::vector<std::u16string> lines;
    for (int i = 0; i < 2 * kRowsPerPage + 2; ++i) {
        lines.push_back(U16("line " + std::to_string(i)));
    }
    TPrintResult r = Print(lines);
    EXPECT_EQ(r.pages, 3);
    EXPECT_EQ(canvas.pages, 3);
    ASSERT_EQ(canvas.texts.size(), lines.size());
    EXPECT_EQ(canvas.texts[kRowsPerPage - 1].y, 360);
    EXPECT_EQ(canvas.texts[kRowsPerPage].page, 2);
    EXPECT_EQ(canvas.texts[kRowsPerPage].y, 100);

    // A page's worth of lines fills one page; the break after its last row starts nothing.
    lines.resize(kRowsPerPage);
    canvas.Clear();
    r = Print(lines);
    EXPECT_EQ(r.pages, 1);
    EXPECT_EQ(canvas.pages, 1);
    // So does a form feed at the very end.
    canvas.Clear();
    r = Print({u"text\f"});
    EXPECT_EQ(canvas.pages, 1);
    // Two form feeds in a row leave the page between them empty.
    canvas.Clear();
    r = Print({u"a\f\fb"});
    EXPECT_EQ(canvas.pages, 3);
    EXPECT_EQ(Rows(canvas), (std::vector<std::string>{"1:100:100:a", "3:100:110:b"}));
}

TEST_F(PrintLayout, ADocumentWithoutLinesIsOneEmptyPage) {
    const TPrintResult r = Print({});
    EXPECT_TRUE(canvas.begun && canvas.ended);
    EXPECT_TRUE(canvas.texts.empty());
    EXPECT_EQ(r.lineCount, 0);
    EXPECT_EQ(r.pages, 1);
}

TEST_F(PrintLayout, ASelectionPrintsItsLinesWhole) {
    std::vector<std::u16string> lines;
    for (int i = 0; i < 8; ++i) {
        lines.push_back(U16("line " + std::to_string(i)));
    }
    memo = MakeMemo(measurer, lines);
    memo->Select({3, 3}, {2, 5});
    TPrintResult r = PrintDocument(*memo, canvas, setup);
    EXPECT_EQ(r.firstLine, 3);
    EXPECT_EQ(r.lineCount, 3);
    EXPECT_EQ(Rows(canvas), (std::vector<std::string>{"1:100:100:line 3", "1:120:100:line 4",
                                                      "1:140:100:line 5"}));
    // Selected backwards, or as a column block: the same lines.
    for (const TSelectionMode mode : {TSelectionMode::Stream, TSelectionMode::Column}) {
        canvas.Clear();
        memo->Select({2, 5}, {3, 3}, mode);
        r = PrintDocument(*memo, canvas, setup);
        EXPECT_EQ(r.firstLine, 3);
        EXPECT_EQ(r.lineCount, 3);
    }
}

TEST_F(PrintLayout, PrintRectTakesTheMarginsInPrinterPixels) {
    canvas.geometry = {600, 300, 50, 40, 4800, 3000};
    TuniPageSetup metric(TPSMeasurements::pmMillimeters);
    metric.SetMargins({2000, 1000, 2540, 0});
    // 20 mm = 787 thousandths of an inch, 10 mm = 394, 25.4 mm = 1000.
    const TRect r = PrintRect(canvas.geometry, metric);
    EXPECT_EQ(r.left, 600 * 787 / 1000 - 50);
    EXPECT_EQ(r.top, 300 * 394 / 1000 - 40);
    EXPECT_EQ(r.right, 4800 + 50 - 600);
    EXPECT_EQ(r.bottom, 3000 + 40);
    // The same margins in inches give the same rectangle.
    TuniPageSetup inches(TPSMeasurements::pmInches);
    inches.SetMargins({787, 394, 1000, 0});
    EXPECT_EQ(PrintRect(canvas.geometry, inches), r);
}

TEST_F(PrintLayout, MarginsThatLeaveNoRoomAreRefusedBeforeTheJob) {
    setup.SetMargins({6000, 1000, 6000, 1000}); // 12 inches of a 10-inch page
    EXPECT_THROW(Print({u"text"}), EPrintError);
    EXPECT_FALSE(canvas.begun);
}

TEST_F(PrintLayout, AFailingPrinterAbortsTheJob) {
    canvas.failAtPage = 1;
    EXPECT_THROW(Print({u"a\fb"}), EPrintError);
    EXPECT_TRUE(canvas.aborted);
    EXPECT_FALSE(canvas.ended);
}

TEST_F(PrintLayout, TheWorkFollowsTheLinesPrinted) {
    const auto callsFor = [&](int n) {
        std::vector<std::u16string> lines;
        for (int i = 0; i < n; ++i) {
            lines.push_back(U16("int value_" + std::to_string(i) + " = f(x, y);\tz"));
        }
        canvas.Clear();
        Print(lines);
        return canvas.calls;
    };
    const int small = callsFor(500);
    const int large = callsFor(1000);
    const int larger = callsFor(1500);
    EXPECT_GT(small, 500);
    // Each further 500 lines cost as much as the 500 before them; twice the lines cost at
    // most twice the calls (the first lines also measure the characters once).
    EXPECT_NEAR(larger - large, large - small, 5);
    EXPECT_LE(large, 2 * small);

    // A selection of 10 lines of a long document costs what 10 lines do.
    std::vector<std::u16string> lines(20000, u"int a = 1;");
    memo = MakeMemo(measurer, lines);
    memo->Select({0, 5000}, {0, 5009});
    canvas.Clear();
    PrintDocument(*memo, canvas, setup);
    EXPECT_EQ(canvas.texts.size(), 10u);
    EXPECT_LT(canvas.calls, 100);
}

// --- with the highlighter -------------------------------------------------------------

class PrintHighlighted : public colorer_testing::ColorerTest {
protected:
    TCellMeasurer measurer;
    TRecordingCanvas canvas;
    TuniPageSetup setup = InchMargins();
    std::unique_ptr<TuniMemo> memo;

    void Show(const std::vector<std::u16string>& lines) {
        memo = MakeMemo(measurer, lines);
        memo->SetColorerEnabled(true);
        ASSERT_NE(memo->Colorer(), nullptr);
        ASSERT_TRUE(memo->Colorer()->ChooseFileType("sample.c", nullptr));
    }
};

TEST_F(PrintHighlighted, ADocumentIsColouredInWindowsOfFiftyLines) {
    std::vector<std::u16string> lines;
    for (int i = 0; i < 120; ++i) {
        lines.push_back(U16("int v" + std::to_string(i) + ";"));
    }
    Show(lines);
    fake_colorer::Reset();
    PrintDocument(*memo, canvas, setup);
    const auto calls = fake_colorer::ParseCalls();
    ASSERT_EQ(calls.size(), 3u);
    // Windows at lines 0, 50 and 100, each parsed from the block boundary at or above it.
    const int from[] = {0, 40, 100};
    const int first[] = {0, 40, 100};
    for (size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(calls[k].from, from[k]);
        EXPECT_EQ(calls[k].windowFirst, first[k]);
        EXPECT_GE(calls[k].windowFirst + calls[k].windowCount, static_cast<int>(50 * k + 50));
        EXPECT_TRUE(calls[k].mainThread);
    }
    // Every line's keyword got its colour, in the right line's place.
    int keywords = 0;
    for (const auto& t : canvas.texts) {
        if (t.text == u"int") {
            ++keywords;
        }
    }
    EXPECT_EQ(keywords, 120);
    // The view parses its own window again at its next paint.
    EXPECT_TRUE(memo->Colorer()->Dirty());
}

TEST_F(PrintHighlighted, TokensPrintInTheSchemesColoursAndStyles) {
    Show({u"int x; // note", u"plain none"});
    PrintDocument(*memo, canvas, setup);
    std::map<std::u16string, std::pair<TColor, std::uint8_t>> seen;
    for (const auto& t : canvas.texts) {
        seen[t.text] = {t.colour, t.style};
    }
    ASSERT_TRUE(seen.count(u"int"));
    EXPECT_EQ(seen[u"int"].first, fake_colorer::kKeywordForeground & 0xFFFFFF);
    EXPECT_EQ(seen[u"int"].second, fsBold);
    ASSERT_TRUE(seen.count(u"// note"));
    EXPECT_EQ(seen[u"// note"].first, fake_colorer::kCommentForeground & 0xFFFFFF);
    EXPECT_EQ(seen[u"// note"].second, fsItalic);
    // A token without a colour of its own prints in the printer's black, keeping its style.
    ASSERT_TRUE(seen.count(u"none"));
    EXPECT_EQ(seen[u"none"].first, clBlack);
    EXPECT_EQ(seen[u"none"].second & fsUnderline, fsUnderline);
    // Bold characters are measured bold: the keyword's run is 3 x 12 pixels wide.
    for (const auto& t : canvas.texts) {
        if (t.text == u" x; ") {
            EXPECT_EQ(t.x, 100 + 3 * 12);
        }
    }
}

TEST_F(PrintHighlighted, ASelectionsWindowsStartAtItsFirstLine) {
    std::vector<std::u16string> lines(300, u"int a;");
    Show(lines);
    memo->Select({0, 205}, {0, 280});
    fake_colorer::Reset();
    const TPrintResult r = PrintDocument(*memo, canvas, setup);
    EXPECT_EQ(r.lineCount, 76);
    const auto calls = fake_colorer::ParseCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].windowFirst, 200);
    EXPECT_EQ(calls[1].windowFirst, 240);
    ASSERT_EQ(canvas.texts.size(), 2u * 76);
    EXPECT_EQ(canvas.texts.front().text, u"int");
    EXPECT_EQ(canvas.texts.back().text, u" a;");
}

} // namespace
