// The bridge over the real library of the build's program folder: a C document gets its
// colours, its brackets pair up, and the parse from the top on its own thread gives the
// colours of a whole parse.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "colorerTesting.h"

using colorer_testing::MakeDocument;

namespace {

class RealColorerTest : public testing::Test {
protected:
    void SetUp() override {
        UnloadHighlighter();
        const THighlighterPaths paths = ReadHighlighterPaths(PELMAR_PROGRAM_DIR);
        ASSERT_TRUE(std::filesystem::exists(paths.library)) << paths.library;
        ASSERT_TRUE(LoadHighlighter(paths));
    }
    void TearDown() override { UnloadHighlighter(); }
};

bool SameRegions(const std::vector<TRowRegion>& a, const std::vector<TRowRegion>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].start != b[i].start || a[i].end != b[i].end ||
            a[i].foreground != b[i].foreground || a[i].background != b[i].background ||
            a[i].styles != b[i].styles || a[i].kind != b[i].kind) {
            return false;
        }
    }
    return true;
}

// A C file of `count` lines: functions with comments over several lines, strings, brackets.
TDocument::TPtr CSource(int count) {
    static const char* const kSnippet[] = {
        "/* Sums a buffer:",
        " * (brackets) and \"quotes\" inside.",
        " */",
        "static int sum(const char *b, int n)",
        "{",
        "    int s = 0; // running",
        "    for (int i = 0; i < n; ++i) {",
        "        s += b[i] * 3;",
        "    }",
        "    printf(\"%d (ok)\\n\", s);",
        "    return s;",
        "}",
        "",
    };
    std::vector<std::u16string> lines;
    for (int i = 0; i < count; ++i) {
        lines.push_back(
            colorer_testing::Wide(kSnippet[static_cast<size_t>(i) % std::size(kSnippet)]));
    }
    TDocument::TPtr document = TDocument::New();
    document->Lines().InsertLines(0, std::move(lines));
    return document;
}

} // namespace

TEST_F(RealColorerTest, ColouringLinesAsPaintedCostsInProportionToTheLinesAndTheirDepth) {
    // Lines the library reads to colour lines first .. last - 1 of a C file of `count` lines;
    // with `check`, each row is compared with a parse from the top of its own window.
    const auto linesRead = [](int count, int first, int last, bool check) {
        TDocument::TPtr document = CSource(count);
        TColorerClass colorer(*document);
        TColorerClass whole(*document);
        EXPECT_TRUE(colorer.ChooseFileType("big.c", nullptr));
        EXPECT_TRUE(whole.ChooseFileType("big.c", nullptr));
        ColourLinesAsPainted(colorer, first, last, 50, 400, [&](int line, int row) {
            if (check) {
                whole.UpdateWindow(0, line, 1);
                EXPECT_TRUE(SameRegions(colorer.RowRegions(row), whole.RowRegions(0)))
                    << "line " << line;
            }
        });
        return colorer.LinesRead();
    };
    constexpr int kLines = 2000;
    const std::int64_t small = linesRead(kLines, 0, kLines, true);
    const std::int64_t large = linesRead(4 * kLines, 0, 4 * kLines, false);
    EXPECT_LE(small, 3 * kLines);
    EXPECT_LE(large, 3 * 4 * kLines);
    EXPECT_LT(large, 5 * small);
    // A range: its own lines and, once, those above it.
    const std::int64_t range = linesRead(4 * kLines, 4 * kLines - 800, 4 * kLines, false);
    EXPECT_LE(range, 4 * kLines + 3 * 800);
}

TEST_F(RealColorerTest, ACDocumentIsColouredAndItsBracketsPairUp) {
    TDocument::TPtr document = MakeDocument(400, {{0, "int main(void) {"},
                                                  {1, "    if (x) return 0; /* a"},
                                                  {2, "  comment */"},
                                                  {3, "}"},
                                                  {250, "/* a comment over the window"},
                                                  {330, "*/ int y = f(2);"}});
    TColorerClass colorer(*document);
    const std::string firstLine = "int main(void) {";
    ASSERT_TRUE(colorer.ChooseFileType("main.c", &firstLine));
    EXPECT_EQ(colorer.GetFileTypeName(), "c");
    std::vector<std::string> titles;
    EXPECT_GE(colorer.ListFileTypes(titles), 0);

    colorer.UpdateWindow(0, 0, 20);
    EXPECT_FALSE(colorer.RowRegions(0).empty());
    EXPECT_FALSE(colorer.RowRegions(2).empty()); // inside the comment
    EXPECT_TRUE(colorer.IsOnPair(15, 0));
    int x = 15, y = 0;
    colorer.FindPair(x, y);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 3);
    colorer.FindPair(x, y);
    EXPECT_EQ(x, 15);
    EXPECT_EQ(y, 0);

    colorer.UpdateWindow(280, 300, 20);
    ASSERT_TRUE(colorer.Pending());
    const std::vector<TRowRegion> guessed = colorer.RowRegions(0); // the comment is not known
    colorer.StartBackgroundParse();
    ASSERT_TRUE(colorer_testing::WaitForDone(colorer));
    TColorerClass whole(*document);
    ASSERT_TRUE(whole.ChooseFileType("main.c", &firstLine));
    whole.UpdateWindow(0, 300, 20);
    EXPECT_FALSE(SameRegions(guessed, whole.RowRegions(0)));
    for (int row = 0; row < colorer.WindowCount(); ++row) {
        EXPECT_TRUE(SameRegions(colorer.RowRegions(row), whole.RowRegions(row))) << "row " << row;
    }
}

TEST_F(RealColorerTest, AnEditAboveTheWindowReachesTheNextParseFromTheTop) {
    TDocument::TPtr document = CSource(2000);
    TColorerClass colorer(*document);
    TColorerClass whole(*document);
    ASSERT_TRUE(colorer.ChooseFileType("big.c", nullptr));
    ASSERT_TRUE(whole.ChooseFileType("big.c", nullptr));
    ColourLinesAsPainted(colorer, 0, 2000, 0, 400, [](int, int) {});

    // The comment that held the window's first line loses its opening line just above it.
    document->Lines().Put(1599, u"int opened = 0;");
    const std::int64_t before = colorer.LinesRead();
    int compared = 0;
    ColourLinesAsPainted(colorer, 1600, 1700, 0, 400, [&](int line, int row) {
        whole.UpdateWindow(0, line, 1);
        EXPECT_TRUE(SameRegions(colorer.RowRegions(row), whole.RowRegions(0))) << "line " << line;
        ++compared;
    });
    EXPECT_EQ(compared, 100);
    whole.UpdateWindow(0, 1600, 1);
    EXPECT_GT(whole.RowRegions(0).size(), 1u) << "line 1600 is code now";
    // Its window and the lines from the edit on, not the lines from the top.
    EXPECT_LT(colorer.LinesRead() - before, 1000);
}
