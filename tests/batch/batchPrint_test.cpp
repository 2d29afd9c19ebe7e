// pelmar-batch --print-pdf: real PDF files read back with poppler's tools: their text,
// pages, paper size and colours.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>

#include "support/pdfTools.h"
#include "support/testSupport.h"

using testing_support::FirstWordCorner;
using testing_support::PdfInfo;
using testing_support::PdfPages;
using testing_support::PdfPageSize;
using testing_support::PdfText;
using testing_support::Poppler;
using testing_support::ProcessResult;
using testing_support::ReadBytes;
using testing_support::RunBatch;
using testing_support::RunProcess;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// The "pages" of the batch's report.
int ReportedPages(const std::string& out) {
    std::smatch m;
    return std::regex_search(out, m, std::regex("\"pages\":(\\d+)")) ? std::stoi(m[1]) : -1;
}

std::string CSource(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += "int value_" + std::to_string(i) + " = " + std::to_string(i * 7) + ";\n";
    }
    return text;
}

constexpr double kPointsPerMm = 72.0 / 25.4;

TEST(BatchPrint, ACFilePrintsItsTextOnA4Pages) {
    TempDir dir;
    WriteBytes(dir.file("a.c"), CSource(300));
    const std::string pdf = dir.file("a.pdf");
    const ProcessResult r = RunBatch({dir.file("a.c"), "--print-pdf", pdf});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"first_line\":0,\"lines\":301,"), std::string::npos) << r.out;
    const int pages = PdfPages(pdf);
    EXPECT_EQ(ReportedPages(r.out), pages);
    EXPECT_GE(pages, 3); // a page holds fewer than 100 rows of 10 points
    const auto [w, h] = PdfPageSize(pdf);
    EXPECT_NEAR(w, 210 * kPointsPerMm, 1);
    EXPECT_NEAR(h, 297 * kPointsPerMm, 1);
    const std::string text = PdfText(pdf);
    EXPECT_NE(text.find("int value_0 = 0;"), std::string::npos);
    EXPECT_NE(text.find("int value_299 = 2093;"), std::string::npos);
    // The last page holds the last line, the first page does not.
    EXPECT_NE(PdfText(pdf, pages, pages).find("value_299 "), std::string::npos);
    EXPECT_EQ(PdfText(pdf, 1, 1).find("value_299 "), std::string::npos);
}

TEST(BatchPrint, ThePageSetupGivesPaperAndMarginsInMillimetres) {
    TempDir dir;
    WriteBytes(dir.file("a.c"), CSource(300));
    const std::string small = dir.file("small.pdf");
    ProcessResult r = RunBatch({dir.file("a.c"), "--print-pdf", small, "--page-setup", "100",
                                "150.5", "10", "10", "10", "10"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto [w, h] = PdfPageSize(small);
    EXPECT_NEAR(w, 100 * kPointsPerMm, 1);
    EXPECT_NEAR(h, 150.5 * kPointsPerMm, 1);
    const int smallPages = PdfPages(small);

    // Wider margins on the same paper: fewer rows a page, more pages.
    const std::string narrow = dir.file("narrow.pdf");
    r = RunBatch({dir.file("a.c"), "--print-pdf", narrow, "--page-setup", "100", "150.5", "10",
                  "40", "10", "40"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_GT(PdfPages(narrow), smallPages);

    // Values that are not millimetres, or too few of them, are refused.
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"100", "150", "10", "10", "10"},
          std::vector<std::string>{"100", "150", "-1", "10", "10", "10"},
          std::vector<std::string>{"0", "150", "10", "10", "10", "10"},
          std::vector<std::string>{"100", "1e9", "10", "10", "10", "10"}}) {
        std::vector<std::string> args = {dir.file("a.c"), "--print-pdf", dir.file("bad.pdf"),
                                         "--page-setup"};
        args.insert(args.end(), bad.begin(), bad.end());
        r = RunBatch(args);
        EXPECT_EQ(r.status, 1) << bad[0] << " " << bad[2];
        EXPECT_NE(r.err.find("--page-setup"), std::string::npos) << r.err;
    }
    // Margins wider than the paper leave no room: the run fails with the reason.
    r = RunBatch({dir.file("a.c"), "--print-pdf", dir.file("none.pdf"), "--page-setup", "100",
                  "150", "60", "10", "60", "10"});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("no room"), std::string::npos) << r.err;
}

TEST(BatchPrint, AWidePaperPrintsLandscapePagesWithTheMarginsOnTheirSides) {
    TempDir dir;
    std::string line = "first";
    for (int i = 0; i < 60; ++i) {
        line += " word" + std::to_string(i);
    }
    WriteBytes(dir.file("long.txt"), line + "\n");
    WriteBytes(dir.file("a.c"), CSource(300));
    const auto print = [&](const std::string& file, const std::string& pdf, const char* width,
                           const char* height) {
        const ProcessResult r = RunBatch({dir.file(file), "--print-pdf", dir.file(pdf),
                                          "--page-setup", width, height, "30", "20", "10", "10"});
        EXPECT_EQ(r.status, 0) << r.err;
        return dir.file(pdf);
    };
    const std::string wide = print("long.txt", "wide.pdf", "297", "210");
    const std::string upright = print("long.txt", "upright.pdf", "210", "297");
    EXPECT_EQ(PdfInfo(wide, "Page size"), "842 x 595 pts (A4)");
    EXPECT_EQ(PdfInfo(upright, "Page size"), "595 x 842 pts (A4)");

    // The long line runs further across the wide page before it wraps.
    const auto firstRow = [](const std::string& pdf) {
        const std::string text = PdfText(pdf);
        return text.substr(0, text.find('\n')).size();
    };
    EXPECT_GT(firstRow(wide), firstRow(upright) * 13 / 10);
    // The left margin is on the left of the turned page, the top one at its top.
    for (const std::string& pdf : {wide, upright}) {
        const auto [x, y] = FirstWordCorner(pdf);
        EXPECT_NEAR(x, 30 * kPointsPerMm, 1.5) << pdf;
        EXPECT_NEAR(y, 20 * kPointsPerMm, 3) << pdf;
    }
    // Fewer rows fit down the wide page.
    EXPECT_GT(PdfPages(print("a.c", "wideC.pdf", "297", "210")),
              PdfPages(print("a.c", "uprightC.pdf", "210", "297")));
}

TEST(BatchPrint, ASelectionPrintsItsWholeLinesAndAFormFeedStartsAPage) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "zero\none\ntwo\nthree\nfour five\nsix\nseven\n");
    const std::string pdf = dir.file("sel.pdf");
    ProcessResult r =
        RunBatch({dir.file("a.txt"), "--select", "2", "3", "1", "5", "--print-pdf", pdf});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"first_line\":3,\"lines\":3,"), std::string::npos) << r.out;
    const std::string text = PdfText(pdf);
    EXPECT_NE(text.find("three"), std::string::npos) << text;
    EXPECT_NE(text.find("four five"), std::string::npos) << text;
    EXPECT_NE(text.find("six"), std::string::npos) << text;
    EXPECT_EQ(text.find("two"), std::string::npos) << text;
    EXPECT_EQ(text.find("seven"), std::string::npos) << text;

    WriteBytes(dir.file("ff.txt"), "first page\nstill first\fsecond page\nlast\n");
    r = RunBatch({dir.file("ff.txt"), "--print-pdf", pdf});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(PdfPages(pdf), 2);
    EXPECT_NE(PdfText(pdf, 1, 1).find("still first"), std::string::npos);
    EXPECT_EQ(PdfText(pdf, 1, 1).find("second page"), std::string::npos);
    EXPECT_NE(PdfText(pdf, 2, 2).find("second page"), std::string::npos);
    EXPECT_NE(PdfText(pdf, 2, 2).find("last"), std::string::npos);
}

TEST(BatchPrint, AnEmptyFileIsOneEmptyPageAndAnUnwritableTargetFails) {
    TempDir dir;
    WriteBytes(dir.file("empty.txt"), "");
    const std::string pdf = dir.file("empty.pdf");
    ProcessResult r = RunBatch({dir.file("empty.txt"), "--print-pdf", pdf});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(PdfPages(pdf), 1);
    EXPECT_EQ(PdfText(pdf).find_first_not_of(" \n\f"), std::string::npos);

    r = RunBatch({dir.file("empty.txt"), "--print-pdf", dir.file("no/such/folder/x.pdf")});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("--print-pdf"), std::string::npos) << r.err;
    r = RunBatch({dir.file("empty.txt"), "--print-pdf"});
    EXPECT_EQ(r.status, 1);
}

// The pixels of a PPM image (P6, 8 bits).
struct TImage {
    int width = 0;
    int height = 0;
    std::string rgb;
    bool Has(int r, int g, int b) const {
        for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
            if (static_cast<unsigned char>(rgb[i]) == r &&
                static_cast<unsigned char>(rgb[i + 1]) == g &&
                static_cast<unsigned char>(rgb[i + 2]) == b) {
                return true;
            }
        }
        return false;
    }
};

TImage RenderFirstPage(const std::string& pdf, const std::string& stem) {
    const ProcessResult r = RunProcess(
        {Poppler("pdftoppm"), "-r", "150", "-f", "1", "-l", "1", "-singlefile", pdf, stem});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string bytes = ReadBytes(stem + ".ppm");
    std::istringstream in(bytes);
    std::string magic;
    int maxValue = 0;
    TImage image;
    in >> magic >> image.width >> image.height >> maxValue;
    in.get();
    EXPECT_EQ(magic, "P6");
    if (in) {
        image.rgb = bytes.substr(static_cast<size_t>(in.tellg()));
    }
    return image;
}

TEST(BatchPrint, HighlightedTokensPrintInTheSchemesColours) {
    TempDir dir;
    // Bold, large keywords: their strokes have pixels of the pure colour.
    WriteBytes(dir.file("a.c"), "int x;\nint y;\nint z;\n");
    ProcessResult r = RunBatch({dir.file("a.c"), "--highlight", "0", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::smatch m;
    ASSERT_TRUE(
        std::regex_search(r.out, m, std::regex(R"re(\{"start":0,"end":3,"fg":"#([0-9A-F]{6})")re")))
        << r.out;
    const int colour = std::stoi(m[1].str(), nullptr, 16);
    const int red = colour >> 16, green = (colour >> 8) & 0xFF, blue = colour & 0xFF;
    ASSERT_NE(colour, 0);

    r = RunBatch({dir.file("a.c"), "--print-pdf", dir.file("c.pdf")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(RenderFirstPage(dir.file("c.pdf"), dir.file("c")).Has(red, green, blue));
    // The same text as plain text has no such colour.
    WriteBytes(dir.file("a.txt"), ReadBytes(dir.file("a.c")));
    r = RunBatch({dir.file("a.txt"), "--print-pdf", dir.file("t.pdf")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(RenderFirstPage(dir.file("t.pdf"), dir.file("t")).Has(red, green, blue));
}

} // namespace
