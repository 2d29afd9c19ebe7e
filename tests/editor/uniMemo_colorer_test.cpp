// The editor over the real highlighting library: the colours of the view after edits and
// the background parse equal those of a parse of the whole text, the screen map carries
// the highlighter's attributes, brackets light up and Search pair jumps between them,
// and a file type's profile switches highlighting.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <sstream>
#include <thread>

#include "editor/uniMemo.h"
#include "highlight/uniColorer.h"
#include "memoFakes.h"
#include "support/programFolder.h"

using namespace memo_fakes;
using testing_support::U16;
using testing_support::U8;
using testing_support::WriteBytes;

namespace {

class MemoColorerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(LoadHighlighter(ReadHighlighterPaths(PELMAR_PROGRAM_DIR "/")))
            << "the highlighting library in " PELMAR_PROGRAM_DIR "/Colorer did not load";
    }
    static void TearDownTestSuite() { UnloadHighlighter(); }

    TFakeHost host;
    TuniMemo memo{host.Platform(false)};

    // `text` shown as a C file with highlighting on.
    void ShowC(std::string_view text) {
        SetText(memo, text);
        memo.SetHighlightLine(false);
        memo.SetColorerEnabled(true);
        ASSERT_NE(memo.Colorer(), nullptr);
        const std::string first = TWStringList::AnsiForm(memo.Lines().Get(0));
        ASSERT_TRUE(memo.Colorer()->ChooseFileType("sample.c", &first));
        memo.Repaint();
        memo.UpdateView();
    }
    void Step(const std::function<void()>& change) {
        memo.BeginCommand();
        change();
        memo.UpdateView();
    }
    // Idle steps until the background parse has run and its result is shown.
    void Settle() {
        for (int i = 0; i < 10000; ++i) {
            memo.IdleStep(false, false);
            const TColorerClass& c = *memo.Colorer();
            if (!c.Pending() && !c.Busy() && !c.Done()) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        FAIL() << "the background parse did not end";
    }
    // The regions of the visible rows as text, from `colorer`.
    static std::string Regions(const TColorerClass& colorer, int rows) {
        std::ostringstream out;
        for (int row = 0; row < rows; ++row) {
            out << row << ":";
            for (const TRowRegion& r : const_cast<TColorerClass&>(colorer).RowRegions(row)) {
                out << " [" << r.start << "," << r.end << " " << r.foreground << "/" << r.background
                    << "/" << int(r.styles) << "/" << r.kind << "]";
            }
            out << "\n";
        }
        return out.str();
    }
    // What a parse of the whole text from its first line gives for the view's rows.
    std::string WholeParse(int rows) {
        TDocument::TPtr copy = TDocument::New();
        for (int i = 0; i < memo.Lines().Count(); ++i) {
            copy->Lines().Add(memo.Lines().Get(i));
        }
        TColorerClass whole(*copy);
        const std::string first = TWStringList::AnsiForm(copy->Lines().Get(0));
        EXPECT_TRUE(whole.ChooseFileType("sample.c", &first));
        whole.UpdateWindow(0, memo.TopLine(), rows + 1);
        EXPECT_FALSE(whole.Pending()); // a parse from the first line is exact
        return Regions(whole, rows);
    }
};

const char* const kSample = "/* a comment\n"
                            "   over two lines */\n"
                            "#include <stdio.h>\n"
                            "int main(int argc, char** argv) {\n"
                            "    const char* s = \"text (not a pair\";\n"
                            "    if (argc > 1) {\n"
                            "        return 2; // done\n"
                            "    }\n"
                            "    return 0;\n"
                            "}\n";

TEST_F(MemoColorerTest, TheViewsColoursEqualAWholeParseAfterRandomEditsAndScrolls) {
    std::string text;
    for (int i = 0; i < 30; ++i) {
        text += kSample;
        text += "int odd_" + std::to_string(i) + ";\n"; // blocks do not start alike
        if (i % 4 == 1) {
            text += "/* a long comment\n";
            for (int k = 0; k < 45; ++k) {
                text += "   int in_comment = (" + std::to_string(k) + ");\n";
            }
            text += "*/\n";
        }
    }
    ShowC(text);
    std::mt19937 rng(7);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const char16_t typed[] = {u'/', u'*', u'"', u'(', u'}', u'x', u' ', u'\''};
    for (int step = 0; step < 60; ++step) {
        const int count = memo.Lines().Count();
        const int op = pick(6);
        Step([&] {
            switch (op) {
            case 0:
            case 1:
                memo.SetCaret({pick(20), pick(count)});
                memo.TypeChar(typed[pick(8)]);
                break;
            case 2:
                memo.InsertLineAt(pick(count), pick(2) ? u"/* open" : u"close */ \"");
                break;
            case 3:
                memo.RemoveLineAt(pick(count));
                break;
            case 4:
                memo.SetTopLine(pick(count), 0); // a far jump
                break;
            default:
                memo.SetTopLine(memo.TopLine() + pick(40), 0); // a short step down
                break;
            }
        });
        if (step % 3 != 2) {
            continue;
        }
        Settle();
        const int rows = std::min(memo.VisibleRows(), memo.Lines().Count() - memo.TopLine());
        SCOPED_TRACE("step " + std::to_string(step) + ", top line " +
                     std::to_string(memo.TopLine()));
        ASSERT_EQ(Regions(*memo.Colorer(), rows), WholeParse(rows));
    }
}

TEST_F(MemoColorerTest, TheScreenMapCarriesTheHighlightersColoursAndStyles) {
    ShowC(kSample);
    memo.SetCaret({0, 9});
    Step([] {});
    Settle();
    const TScrMap& map = memo.ScreenMap();
    TColorerClass& colorer = *memo.Colorer();
    int coloured = 0;
    for (int line = 0; line < 10; ++line) {
        colorer.GetRowAttributes(memo.Caret().X, memo.Caret().Y, line);
        const int row = map.LineRow(line);
        for (int j = 1; j <= map.CellCount(row); ++j) {
            const int column = map.CellColumn(row, j);
            const TCharAttributes a = colorer.GetCharAttributes(column + 1);
            SCOPED_TRACE("line " + std::to_string(line) + ", column " + std::to_string(column));
            EXPECT_EQ(map.CellFg(row, j), a.foreground >= 0 ? a.foreground : clBlack);
            EXPECT_EQ(map.CellBg(row, j), a.background);
            EXPECT_EQ(map.CellStyle(row, j), a.styles);
            coloured += a.foreground >= 0 ? 1 : 0;
        }
    }
    EXPECT_GT(coloured, 40); // the comment, the directive, keywords and the string
    // The comment and the keyword differ in colour from each other and from plain text.
    colorer.GetRowAttributes(-1, -1, 0);
    const int comment = colorer.GetCharAttributes(1).foreground;
    colorer.GetRowAttributes(-1, -1, 3);
    const int keyword = colorer.GetCharAttributes(1).foreground; // "int"
    const int plain = colorer.GetCharAttributes(5).foreground;   // "main"
    EXPECT_NE(comment, keyword);
    EXPECT_NE(keyword, plain);
}

TEST_F(MemoColorerTest, TheCaretLinesHighlightShowsUnderColouredText) {
    ShowC(kSample);
    memo.SetHighlightLine(true);
    Step([&] { memo.SetCaret({5, 3}); }); // on "main", after the keyword "int"
    Settle();
    const TScrMap& map = memo.ScreenMap();
    const int row = map.LineRow(3);
    ASSERT_GT(map.CellCount(row), 3);
    EXPECT_NE(map.CellFg(row, 1), clBlack);                        // "int" is coloured ...
    EXPECT_EQ(map.CellBg(row, 1), memo.Settings().highlightColor); // ... on the line's colour
    EXPECT_EQ(map.CellBg(map.LineRow(2), 1), kNoColor);            // other lines keep the control's
}

TEST_F(MemoColorerTest, ABracketIsLitWithItsPartnerOnlyWhileTheCaretIsOnOne) {
    ShowC(kSample);
    const TScrMap& map = memo.ScreenMap();
    const auto bg = [&](int line, int column) {
        const int row = map.LineRow(line);
        for (int j = 1; j <= map.CellCount(row); ++j) {
            if (map.CellColumn(row, j) == column) {
                return map.CellBg(row, j);
            }
        }
        return kNoColor;
    };
    Step([&] { memo.SetCaret({0, 8}); }); // away from every bracket
    Settle();
    EXPECT_EQ(bg(3, 32), kNoColor); // the "{" of main
    EXPECT_EQ(bg(9, 0), kNoColor);  // its "}"
    Step([&] { memo.SetCaret({32, 3}); });
    Settle();
    EXPECT_NE(bg(3, 32), kNoColor);
    EXPECT_EQ(bg(9, 0), bg(3, 32));
    EXPECT_EQ(bg(5, 18), kNoColor); // another pair stays dark
    // A bracket inside a string is no pair.
    Step([&] { memo.SetCaret({29, 4}); });
    EXPECT_FALSE(memo.Colorer()->IsOnPair(29, 4));
}

TEST_F(MemoColorerTest, SearchPairJumpsBetweenPartnersAcrossTheWindowAndBack) {
    std::string text = "void f(void) {\n";
    for (int i = 0; i < 700; ++i) {
        text += "    g(" + std::to_string(i) + ");\n";
    }
    text += "}\n";
    ShowC(text);
    Step([&] { memo.SetCaret({13, 0}); });
    Step([&] { memo.MatchBracket(); });
    EXPECT_EQ(memo.Caret(), (TPoint{1, 701})); // after the partner, far below the window
    Step([&] { memo.MatchBracket(); });
    EXPECT_EQ(memo.Caret(), (TPoint{13, 0})); // back on the opening one, far above
    Step([&] { memo.SetCaret({2, 5}); });
    Step([&] { memo.MatchBracket(); }); // not on a bracket: stays
    EXPECT_EQ(memo.Caret(), (TPoint{2, 5}));
}

TEST_F(MemoColorerTest, TheHighlightersTypeChoosesTheProfileAndTheProfileCanSwitchItOff) {
    testing_support::TProgramFolderFixture program;
    program.Put("Ini/files.ini", "[*]\r\nUseColorer=1\r\nTabSize=4\r\n"
                                 "[python3]\r\nTabSize=3\r\n"
                                 "[c]\r\nUseColorer=0\r\n");
    TCommonSettings common;
    TCharsetLists lists;
    TuniMemo profiled(host.Platform(false), TMemoEnvironment{&program.folder, &common, &lists});
    const std::string py = program.dir.file("tool");
    WriteBytes(py, "#!/usr/bin/env python3\nprint('x')\n");
    profiled.OpenFile(py);
    ASSERT_NE(profiled.Colorer(), nullptr); // chosen by its first line: no extension
    EXPECT_EQ(profiled.Colorer()->GetFileTypeName(), "python3");
    EXPECT_EQ(profiled.Settings().tabSize, 3);
    // The type's section switches highlighting off.
    const std::string c = program.dir.file("x.c");
    WriteBytes(c, "int x;\n");
    profiled.OpenFile(c);
    EXPECT_EQ(profiled.Colorer(), nullptr);
    EXPECT_EQ(profiled.Settings().tabSize, 4);
}

TEST_F(MemoColorerTest, TheUsersChoiceOfTypeStandsAndSelectingTheCurrentOneChangesNothing) {
    ShowC(kSample);
    TColorerClass& colorer = *memo.Colorer();
    std::vector<std::string> titles;
    const int current = colorer.ListFileTypes(titles);
    ASSERT_GE(current, 0);
    EXPECT_GT(titles.size(), 100u);
    EXPECT_FALSE(memo.PickColorerType(titles[static_cast<size_t>(current)]));
    const auto python = std::find(titles.begin(), titles.end(), "Python 3");
    ASSERT_NE(python, titles.end());
    EXPECT_TRUE(memo.PickColorerType(*python));
    EXPECT_EQ(memo.Colorer()->GetFileTypeName(), "python3");
}

} // namespace
