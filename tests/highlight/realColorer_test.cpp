// The bridge over the real library of the build's program folder: a C document gets its
// colours, its brackets pair up, and the parse from the top on its own thread gives the
// colours of a whole parse.
#include <gtest/gtest.h>

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

} // namespace

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
