// Tests for the highlighting bridge over the fake library: loading and its failures, the
// window of parsed lines and when it is parsed again, row and character attributes, bracket
// pairs inside and beyond the window, and file types.
#include "highlight/uniColorer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/uniFileIO.h"
#include "colorerTesting.h"
#include "platform/uniMeasure.h"
#include "support/testSupport.h"

using colorer_testing::ColorerTest;
using colorer_testing::MakeDocument;
using colorer_testing::Wide;
using fake_colorer::TParseCall;

namespace {

struct TCall {
    int from, windowFirst, windowCount, count;
    friend bool operator==(const TCall&, const TCall&) = default;
};

std::ostream& operator<<(std::ostream& os, const TCall& c) {
    return os << "{" << c.from << ", " << c.windowFirst << ", " << c.windowCount << ", " << c.count
              << "}";
}

std::vector<TCall> Calls(size_t from = 0) {
    std::vector<TCall> calls;
    const std::vector<TParseCall> all = fake_colorer::ParseCalls();
    for (size_t i = from; i < all.size(); ++i) {
        calls.push_back(TCall{all[i].from, all[i].windowFirst, all[i].windowCount, all[i].count});
    }
    return calls;
}

TCall LastCall() {
    return Calls().back();
}

} // namespace

// ---- Loading

TEST(ColorerLoad, PathsComeFromTheCommonSectionWithTheProgramFolderInPlaceOfItsName) {
    testing_support::TempDir dir;
    const std::string folder = dir.path().string() + "/";
    THighlighterPaths paths = ReadHighlighterPaths(folder);
    EXPECT_EQ(paths.library, folder + "Colorer/libicolorer.so");
    EXPECT_EQ(paths.grammar, folder + "Colorer");
    EXPECT_EQ(paths.scheme, folder + "Colorer/hrc/assigns");

    std::filesystem::create_directory(dir.path() / "Ini");
    testing_support::WriteBytes(dir.file("Ini/pelmar.ini"),
                                "[Common]\nColorerDLL=%Pelmar%lib\\icolorer.so\n"
                                "ColorerPath=/opt/colorer\nColorerHRD=%Pelmar%a/%Pelmar%\n");
    paths = ReadHighlighterPaths(dir.path().string()); // without the final '/'
    EXPECT_EQ(paths.library, folder + "lib/icolorer.so");
    EXPECT_EQ(paths.grammar, "/opt/colorer");
    EXPECT_EQ(paths.scheme, folder + "a/" + folder);
}

TEST(ColorerLoad, WithoutTheLibraryNothingIsLoadedAndEveryOperationIsHarmless) {
    UnloadHighlighter();
    const std::uint32_t generation = SchemeGeneration();
    EXPECT_FALSE(LoadHighlighter(THighlighterPaths{"/nonexistent/libicolorer.so", "/x", "/y"}));
    EXPECT_FALSE(HighlighterLoaded());
    EXPECT_TRUE(HighlighterFileTypeTitles().empty());

    TDocument::TPtr document = MakeDocument(30, {{2, "if (a) {"}});
    TColorerClass colorer(*document);
    EXPECT_FALSE(colorer.ChooseFileType("a.c", nullptr));
    std::vector<std::string> titles;
    EXPECT_EQ(colorer.ListFileTypes(titles), -1);
    EXPECT_TRUE(titles.empty());
    EXPECT_FALSE(colorer.SelectFileType("C source"));
    EXPECT_EQ(colorer.GetFileTypeName(), "");
    colorer.UpdateWindow(0, 0, 20);
    colorer.StartBackgroundParse();
    EXPECT_FALSE(colorer.Busy());
    colorer.GetRowAttributes(3, 2, 2);
    const TCharAttributes a = colorer.GetCharAttributes(1);
    EXPECT_EQ(a.foreground, -1);
    EXPECT_EQ(a.background, -1);
    EXPECT_FALSE(a.pair);
    EXPECT_FALSE(colorer.IsOnPair(3, 2));
    int x = 3, y = 2;
    colorer.FindPair(x, y);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 2);
    EXPECT_TRUE(colorer.RowRegions(2).empty());
    document->Lines().Put(2, u"changed");
    document->Lines().Delete(0);
    ReloadColourScheme();
    EXPECT_EQ(SchemeGeneration(), generation);
}

TEST(ColorerLoad, ARefusedTableOrAMissingGrammarLeavesItNotLoaded) {
    UnloadHighlighter();
    fake_colorer::Reset();
    EXPECT_FALSE(LoadHighlighterWith([](ColorerProcs*) { return 0; }, THighlighterPaths{}));
    EXPECT_FALSE(HighlighterLoaded());
    fake_colorer::FailGrammar();
    EXPECT_FALSE(LoadHighlighterWith(&fake_colorer::GetProcs, colorer_testing::FakePaths()));
    EXPECT_FALSE(HighlighterLoaded());
    EXPECT_EQ(fake_colorer::GrammarPath(), "/grammar/hrc/colorer.hrc");
}

TEST_F(ColorerTest, LoadingReadsTheGrammarAndTheSchemeAndGivesTheDefaultStyleABackground) {
    EXPECT_TRUE(HighlighterLoaded());
    EXPECT_EQ(fake_colorer::GrammarPath(), "/grammar/hrc/colorer.hrc");
    EXPECT_EQ(fake_colorer::SchemePath(), "/scheme/rgb/default.hrd");
    EXPECT_EQ(HighlighterFileTypeTitles(),
              (std::vector<std::string>{"C source", "Plain text", "Default"}));

    TDocument::TPtr document = MakeDocument(5);
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 10);
    EXPECT_EQ(fake_colorer::DefaultBackgroundSeen(), fake_colorer::kTextBackground);
}

TEST_F(ColorerTest, UnloadingLetsGoOfEveryDocumentsParserAndLeavesThemHarmless) {
    TDocument::TPtr document = MakeDocument(50, {{3, "if (x)"}});
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 20);
    EXPECT_EQ(fake_colorer::LiveObjects(), 2); // its parser and its buffer
    UnloadHighlighter();
    EXPECT_EQ(fake_colorer::LiveObjects(), 0);
    colorer.UpdateWindow(0, 10, 20);
    EXPECT_TRUE(colorer.RowRegions(3).empty());
    EXPECT_FALSE(colorer.IsOnPair(3, 3));
}

// ---- The window

TEST_F(ColorerTest, ScrollingWithinABlockReusesTheWindow) {
    TDocument::TPtr document = MakeDocument(1000);
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 30);
    EXPECT_EQ(Calls(), (std::vector<TCall>{{0, 0, 60, 60}}));
    EXPECT_FALSE(colorer.Pending());
    colorer.UpdateWindow(0, 15, 30);
    colorer.UpdateWindow(0, 19, 30);
    EXPECT_EQ(fake_colorer::ParseCount(), 1);
    EXPECT_EQ(colorer.WindowStart(), 0);
    EXPECT_EQ(colorer.TopOffset(), 19);
    colorer.UpdateWindow(0, 20, 30);
    EXPECT_EQ(LastCall(), (TCall{0, 20, 60, 80}));
}

TEST_F(ColorerTest, ASchemeReloadParsesOnceAtTheNextPaintWithTheNewColours) {
    TDocument::TPtr document = MakeDocument(100, {{4, "int x"}});
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 20);
    ASSERT_EQ(colorer.RowRegions(4).at(0).foreground, 0xFF0000);

    fake_colorer::SetStyleForeground(fake_colorer::kKeyword, 0x123456 | COLORER_ITALIC);
    ReloadColourScheme();
    EXPECT_EQ(fake_colorer::SchemeLoads(), 2);
    colorer.UpdateWindow(0, 0, 20);
    colorer.UpdateWindow(0, 0, 20);
    EXPECT_EQ(fake_colorer::ParseCount(), 2);
    const std::vector<TRowRegion> regions = colorer.RowRegions(4);
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(regions[0].foreground, 0x123456);
    EXPECT_EQ(regions[0].styles, fsItalic);
}

TEST_F(ColorerTest, AShortStepPastTheWindowGoesOnFromItsEndAndAsksForTheParseFromTheTop) {
    TDocument::TPtr document = MakeDocument(1000);
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 20); // lines 0..59
    colorer.UpdateWindow(80, 90, 20);
    EXPECT_EQ(LastCall(), (TCall{59, 80, 60, 81}));
    EXPECT_EQ(colorer.ParseStart(), 59);
    EXPECT_TRUE(colorer.Pending());
}

TEST_F(ColorerTest, AFarJumpParsesJustTheNewWindowAndAsksForTheParseFromTheTop) {
    TDocument::TPtr document = MakeDocument(1000);
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 20);
    colorer.UpdateWindow(500, 500, 20);
    EXPECT_EQ(LastCall(), (TCall{500, 500, 60, 60}));
    EXPECT_TRUE(colorer.Pending());
}

TEST_F(ColorerTest, EveryParseThatDoesNotStartAtTheTopAsksForTheParseFromTheTop) {
    TDocument::TPtr document = MakeDocument(1000);
    TColorerClass colorer(*document);
    colorer.UpdateWindow(180, 200, 20); // the first paint, scrolled down already
    EXPECT_EQ(LastCall(), (TCall{180, 200, 60, 80}));
    EXPECT_TRUE(colorer.Pending());
    colorer.StartBackgroundParse();
    ASSERT_TRUE(colorer_testing::WaitForDone(colorer));
    EXPECT_FALSE(colorer.Pending());

    document->Lines().Put(210, u"typed");
    EXPECT_TRUE(colorer.Dirty());
    colorer.UpdateWindow(180, 200, 20); // the same window, parsed again near it
    EXPECT_EQ(LastCall(), (TCall{180, 200, 60, 80}));
    EXPECT_TRUE(colorer.Pending());
    EXPECT_FALSE(colorer.Dirty());
}

TEST_F(ColorerTest, TheBackgroundParseFromTheTopGivesTheColoursOfAWholeParse) {
    // A comment opened far above the window: a parse near the window cannot know of it.
    TDocument::TPtr document = MakeDocument(600, {{3, "x /* open"}, {530, "int y; */ if (z)"}});
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 20);
    colorer.UpdateWindow(500, 500, 20);
    ASSERT_TRUE(colorer.RowRegions(10).empty()); // line 510: not known as a comment yet

    colorer.StartBackgroundParse();
    EXPECT_FALSE(colorer.Pending());
    ASSERT_TRUE(colorer_testing::WaitForDone(colorer));
    const TParseCall background = fake_colorer::ParseCalls().back();
    EXPECT_FALSE(background.mainThread);
    EXPECT_EQ(
        (TCall{background.from, background.windowFirst, background.windowCount, background.count}),
        (TCall{0, 500, 60, 560}));
    EXPECT_TRUE(colorer.TakeDone());
    EXPECT_FALSE(colorer.TakeDone());
    EXPECT_FALSE(colorer.Busy());
    colorer.UpdateWindow(500, 500, 20); // nothing moved: the result stands
    EXPECT_EQ(fake_colorer::ParseCount(), 3);

    TColorerClass whole(*document);
    whole.UpdateWindow(0, 500, 20);
    EXPECT_EQ(LastCall(), (TCall{0, 500, 60, 560}));
    for (int row = 0; row < 60; ++row) {
        const std::vector<TRowRegion> a = colorer.RowRegions(row);
        const std::vector<TRowRegion> b = whole.RowRegions(row);
        ASSERT_EQ(a.size(), b.size()) << "row " << row;
        for (size_t i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i].start, b[i].start);
            EXPECT_EQ(a[i].end, b[i].end);
            EXPECT_EQ(a[i].foreground, b[i].foreground);
            EXPECT_EQ(a[i].kind, b[i].kind);
        }
    }
    EXPECT_EQ(colorer.RowRegions(10).size(), 1u);
}

TEST_F(ColorerTest, TheWindowNeverOutgrowsTheBuffer) {
    TDocument::TPtr document = MakeDocument(1000, {{505, "int x"}, {499, "int y"}});
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 1000);
    EXPECT_EQ(colorer.WindowCount(), 500);
    EXPECT_FALSE(fake_colorer::Overflowed());
    EXPECT_EQ(colorer.RowRegions(499).size(), 1u);
    EXPECT_TRUE(colorer.RowRegions(505).empty());
    colorer.GetRowAttributes(0, 0, 505);
    EXPECT_EQ(colorer.GetCharAttributes(1).foreground, -1);
    EXPECT_EQ(colorer.GetCharAttributes(5).foreground, -1);
    EXPECT_EQ(colorer.GetCharAttributes(6).foreground, -1); // beyond the line
}

TEST_F(ColorerTest, EditsReachTheLibraryAsTheLinesAreNow) {
    TDocument::TPtr document = MakeDocument(300);
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 20);
    TWStringList& lines = document->Lines();
    lines.Put(3, u"if caf\u00e9 \u0416");
    lines.Insert(0, u"int first");
    lines.Delete(10);
    lines.InsertLines(40, {u"a", u"b", u"c"});
    lines.DeleteLines(20, 5);
    EXPECT_TRUE(colorer.Dirty());
    colorer.UpdateWindow(0, 0, 20);
    const TParseCall call = fake_colorer::ParseCalls().back();
    ASSERT_EQ(call.lines.size(), 60u);
    for (int i = 0; i < 60; ++i) {
        EXPECT_EQ(call.lines[static_cast<size_t>(i)], TWStringList::AnsiForm(lines.Get(i)))
            << "line " << i;
    }
    EXPECT_EQ(call.lines[4], "if caf\xe9 \x7f");
}

// ---- Rows and characters

TEST_F(ColorerTest, CharacterAttributesDecodeColoursStylesAndNoColour) {
    TDocument::TPtr document = MakeDocument(10, {{2, "int none // c"}});
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 10);
    colorer.GetRowAttributes(0, 0, 2);
    TCharAttributes a = colorer.GetCharAttributes(1); // "int"
    EXPECT_EQ(a.foreground, 0xFF0000);
    EXPECT_EQ(a.styles, fsBold);
    EXPECT_EQ(a.background, -1);
    EXPECT_FALSE(a.pair);
    a = colorer.GetCharAttributes(5); // "none": no colour of its own, underlined
    EXPECT_EQ(a.foreground, -1);
    EXPECT_EQ(a.styles, fsUnderline);
    a = colorer.GetCharAttributes(4); // the blank between: no region
    EXPECT_EQ(a.foreground, -1);
    EXPECT_EQ(a.styles, 0);
    a = colorer.GetCharAttributes(13); // the comment runs to the end of the line
    EXPECT_EQ(a.foreground, 0x008000);
    EXPECT_EQ(a.styles, fsItalic);
    EXPECT_EQ(colorer.GetCharAttributes(14).foreground, -1);
    EXPECT_EQ(colorer.GetCharAttributes(0).foreground, -1);

    const std::vector<TRowRegion> regions = colorer.RowRegions(2);
    ASSERT_EQ(regions.size(), 3u);
    EXPECT_EQ(regions[2].start, 9);
    EXPECT_EQ(regions[2].end, 13);
    EXPECT_EQ(regions[1].foreground, -1);
    EXPECT_EQ(regions[1].styles, fsUnderline);
}

TEST_F(ColorerTest, APairIsColouredOnlyWithTheCaretOnItOrOnItsPartner) {
    TDocument::TPtr document = MakeDocument(10, {{0, "if (a) { b"}, {2, "}"}});
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 10);
    const auto pairAt = [&](int position) { return colorer.GetCharAttributes(position).pair; };

    colorer.GetRowAttributes(3, 0, 0); // caret on "("
    EXPECT_TRUE(pairAt(4));
    EXPECT_TRUE(pairAt(6));
    EXPECT_FALSE(pairAt(8));
    EXPECT_EQ(colorer.GetCharAttributes(4).background, fake_colorer::kPairBackground);
    EXPECT_EQ(colorer.GetCharAttributes(4).foreground, fake_colorer::kPairForeground);
    EXPECT_EQ(colorer.GetCharAttributes(8).background, -1);

    colorer.GetRowAttributes(1, 2, 0); // caret after the "}" two lines down
    EXPECT_FALSE(pairAt(4));
    EXPECT_TRUE(pairAt(8));
    colorer.GetRowAttributes(2, 0, 0); // caret on the blank before "("
    EXPECT_FALSE(pairAt(4));
    EXPECT_FALSE(pairAt(8));

    EXPECT_TRUE(colorer.IsOnPair(3, 0));
    EXPECT_TRUE(colorer.IsOnPair(4, 0)); // just after it
    EXPECT_FALSE(colorer.IsOnPair(1, 0));
    EXPECT_FALSE(colorer.IsOnPair(0, 1));
}

// ---- Pairs

TEST_F(ColorerTest, APartnerInTheWindowIsFoundWithoutParsing) {
    TDocument::TPtr document = MakeDocument(100, {{5, "{ ("}, {7, ") }"}});
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 20);
    int x = 2, y = 5; // "(" pairs with ")" two lines down
    colorer.FindPair(x, y);
    EXPECT_EQ(x, 1); // after the partner
    EXPECT_EQ(y, 7);
    colorer.FindPair(x, y); // and back: onto its start
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 5);
    x = 0;
    colorer.FindPair(x, y); // "{" skips the "}" of the inner pair's line
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 7);
    EXPECT_EQ(fake_colorer::ParseCount(), 1);
}

TEST_F(ColorerTest, APartnerBelowTheWindowIsFoundInFiveLineChunks) {
    TDocument::TPtr document = MakeDocument(200, {{5, "{"}, {150, "}"}});
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 20); // lines 0..59
    EXPECT_TRUE(colorer.IsOnPair(0, 5));
    int x = 0, y = 5;
    colorer.FindPair(x, y);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 150);
    const std::vector<TCall> chunks = Calls(1);
    ASSERT_EQ(chunks.size(), 29u);
    for (size_t i = 0; i < chunks.size(); ++i) {
        const int from = 6 + 5 * static_cast<int>(i);
        EXPECT_EQ(chunks[i], (TCall{from, from, 5, 5}));
    }
    EXPECT_TRUE(colorer.Dirty());
    colorer.UpdateWindow(0, 0, 20); // the window is parsed again
    EXPECT_EQ(LastCall(), (TCall{0, 0, 60, 60}));
    EXPECT_TRUE(colorer.IsOnPair(0, 150)); // beyond the parsed lines
}

TEST_F(ColorerTest, AnUnmatchedPairSearchesToTheEndAndStaysWhereItIs) {
    TDocument::TPtr document = MakeDocument(200, {{5, "{"}});
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 20);
    int x = 0, y = 5;
    colorer.FindPair(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 5);
    EXPECT_EQ(LastCall(), (TCall{196, 196, 5, 5}));
    EXPECT_EQ(Calls(1).size(), 39u);
    // Painting reads the window, not the last chunk.
    EXPECT_TRUE(colorer.IsOnPair(0, 5));
    EXPECT_EQ(colorer.RowRegions(5).size(), 1u);
}

TEST_F(ColorerTest, APartnerAboveTheWindowIsFoundInChunksGoingUp) {
    TDocument::TPtr document = MakeDocument(200, {{12, "{"}, {150, "}"}});
    TColorerClass colorer(*document);
    colorer.UpdateWindow(140, 140, 20); // lines 140..199
    int x = 0, y = 150;
    colorer.FindPair(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 12);
    const std::vector<TCall> chunks = Calls(1);
    ASSERT_EQ(chunks.size(), 28u);
    for (size_t i = 0; i < chunks.size(); ++i) {
        const int from = 145 - 5 * static_cast<int>(i);
        EXPECT_EQ(chunks[i], (TCall{from, from, 5, 5}));
    }
}

TEST_F(ColorerTest, TheLastChunkGoingUpStartsAtTheFirstLine) {
    TDocument::TPtr document = MakeDocument(200, {{23, "}"}});
    TColorerClass colorer(*document);
    colorer.UpdateWindow(20, 20, 20);
    int x = 0, y = 23;
    colorer.FindPair(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 23);
    EXPECT_EQ(Calls(1),
              (std::vector<TCall>{
                  {18, 18, 5, 5}, {13, 13, 5, 5}, {8, 8, 5, 5}, {3, 3, 5, 5}, {0, 0, 3, 3}}));
}

TEST_F(ColorerTest, TheSearchUpNeverCountsTheCaretsOwnLineTwice) {
    // ")" on line 2 has no partner; the "(" after it on the same line is not one.
    TDocument::TPtr document = MakeDocument(100, {{2, ") ("}});
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 20);
    int x = 0, y = 2;
    colorer.FindPair(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 2);
}

TEST_F(ColorerTest, ACaretBeyondTheParsedLinesIsOnAPairAndStaysPut) {
    TDocument::TPtr document = MakeDocument(100, {{80, "{"}});
    TColorerClass colorer(*document);
    colorer.UpdateWindow(0, 0, 20); // lines 0..59
    EXPECT_EQ(colorer.LastLine(), 59);
    EXPECT_TRUE(colorer.IsOnPair(5, 80));
    int x = 0, y = 80;
    colorer.FindPair(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 80);
    EXPECT_EQ(fake_colorer::ParseCount(), 1);
}

// ---- File types

TEST_F(ColorerTest, FileTypesAreChosenListedAndSelectedByTitle) {
    TDocument::TPtr document = MakeDocument(10);
    TColorerClass colorer(*document);
    EXPECT_FALSE(colorer.ChooseFileType("notes.unknown", nullptr));
    EXPECT_EQ(colorer.GetFileTypeName(), "");
    const std::string firstLine = "line 0";
    ASSERT_TRUE(colorer.ChooseFileType("main.c", &firstLine));
    EXPECT_EQ(colorer.GetFileTypeName(), "c");
    EXPECT_EQ(colorer.GetFileTypeTitle(), "C source");
    std::vector<std::string> titles;
    EXPECT_EQ(colorer.ListFileTypes(titles), 0);
    EXPECT_EQ(titles, HighlighterFileTypeTitles());

    colorer.UpdateWindow(0, 0, 10);
    const std::uint32_t generation = SchemeGeneration();
    EXPECT_FALSE(colorer.SelectFileType("C source"));
    EXPECT_FALSE(colorer.SelectFileType("No such type"));
    EXPECT_EQ(SchemeGeneration(), generation);
    EXPECT_FALSE(colorer.Dirty());

    EXPECT_TRUE(colorer.SelectFileType("Plain text"));
    EXPECT_EQ(colorer.GetFileTypeName(), "text");
    EXPECT_EQ(SchemeGeneration(), generation + 1);
    EXPECT_TRUE(colorer.Dirty());
    titles.clear();
    EXPECT_EQ(colorer.ListFileTypes(titles), 1);
}
