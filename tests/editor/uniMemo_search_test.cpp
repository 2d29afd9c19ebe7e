// Search and replace in the editor: forward and backward search from the caret, whole
// words, case folding through the profile's tables, multi-line expressions, interactive
// replace and replace-all with undo, histories, runaway expressions, the word search.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>

#include "editor/uniMemo.h"
#include "memoFakes.h"
#include "search/searchHistory.h"

using namespace memo_fakes;
using testing_support::TempDir;
using testing_support::U16;
using testing_support::WriteBytes;

namespace {

class MemoSearchTest : public ::testing::Test {
protected:
    TFakeHost host;
    TuniMemo memo{host.Platform()};

    void SetUp() override {
        SearchHistory().Clear();
        ReplaceHistory().Clear();
    }

    void Options(bool ignoreCase, bool wholeWord, bool regExpr) {
        memo.SearchOptions() = {ignoreCase, wholeWord, regExpr};
    }
    // The caret, the normalised selection and whether it is active, in one comparable text.
    std::string Where() {
        const TNormalSelection n = memo.NormalSelection();
        std::string s =
            "caret " + std::to_string(memo.Caret().X) + "," + std::to_string(memo.Caret().Y);
        if (memo.SelectionActive()) {
            s += " sel " + std::to_string(n.start.X) + "," + std::to_string(n.start.Y) + "-" +
                 std::to_string(n.end.X) + "," + std::to_string(n.end.Y);
        }
        return s;
    }
    bool Find(std::string_view pattern) { return memo.FindForward(U16(pattern), true, false); }
    bool Back(std::string_view pattern) { return memo.FindBackward(U16(pattern), true, false); }
    void ReplaceAnswering(std::string_view pattern, std::string_view replacement,
                          std::vector<TReplaceAnswer> answers, bool backward = false) {
        host.questions.answers = std::move(answers);
        host.questions.asked = 0;
        memo.Replace(U16(pattern), U16(replacement), backward);
    }
};

TEST_F(MemoSearchTest, WholeWordTakesTheWordAfterADelimiterNotThePrefix) {
    SetText(memo, "cats a.cat cat");
    Options(true, true, false);
    ASSERT_TRUE(Find("cat"));
    EXPECT_EQ(Where(), "caret 7,0 sel 7,0-10,0");
    ASSERT_TRUE(Find("cat")); // search again goes on past the selected match
    EXPECT_EQ(Where(), "caret 11,0 sel 11,0-14,0");
    EXPECT_FALSE(Find("cat"));
    ASSERT_EQ(host.messages.shown.size(), 1u);
    EXPECT_EQ(host.messages.shown[0].text, u"Pattern not found!");
    EXPECT_EQ(host.messages.shown[0].caption, u"Information");
    EXPECT_EQ(host.messages.shown[0].kind, TMessageKind::Information);

    // Without the whole-word test the prefix of "cats" is found first.
    Options(true, false, false);
    memo.SetCaret({0, 0});
    memo.DropSelection();
    ASSERT_TRUE(Find("cat"));
    EXPECT_EQ(Where(), "caret 0,0 sel 0,0-3,0");
}

TEST_F(MemoSearchTest, ForwardStartsAtTheCaretAndDoesNotWrap) {
    SetText(memo, "ab ab\nab");
    Options(false, false, false);
    memo.SetCaret({1, 0});
    ASSERT_TRUE(Find("ab"));
    EXPECT_EQ(Where(), "caret 3,0 sel 3,0-5,0");
    ASSERT_TRUE(Find("ab"));
    EXPECT_EQ(Where(), "caret 0,1 sel 0,1-2,1");
    EXPECT_FALSE(memo.FindForward(u"ab", false, false)); // no message without showResult
    EXPECT_TRUE(host.messages.shown.empty());
    EXPECT_EQ(Where(), "caret 0,1 sel 0,1-2,1"); // nothing moved

    // A match starting right at the caret counts when no find left it there.
    memo.DropSelection();
    memo.SetCaret({3, 0});
    ASSERT_TRUE(Find("ab"));
    EXPECT_EQ(Where(), "caret 3,0 sel 3,0-5,0");
}

TEST_F(MemoSearchTest, BackwardOnTheCaretLineTakesOnlyMatchesEndingBeforeTheCaret) {
    SetText(memo, "xab\nab ab ab");
    Options(false, false, false);
    memo.SetCaret({7, 1}); // inside the second "ab" of the line... after its "a"
    ASSERT_TRUE(Back("ab"));
    EXPECT_EQ(Where(), "caret 3,1 sel 3,1-5,1");
    ASSERT_TRUE(Back("ab"));
    EXPECT_EQ(Where(), "caret 0,1 sel 0,1-2,1");
    ASSERT_TRUE(Back("ab")); // earlier lines: the rightmost match
    EXPECT_EQ(Where(), "caret 1,0 sel 1,0-3,0");
    EXPECT_FALSE(Back("ab"));

    // A match ending exactly at the caret is taken.
    memo.DropSelection();
    memo.SetCaret({5, 1});
    ASSERT_TRUE(Back("ab"));
    EXPECT_EQ(Where(), "caret 3,1 sel 3,1-5,1");
}

TEST_F(MemoSearchTest, BackwardExpressionsTakeTheRightmostStart) {
    // Each start's match is the engine's from there: the rightmost start wins, not the
    // longest match, and on the caret line its whole match must end before the caret.
    SetText(memo, "aaa b aa");
    Options(false, false, true);
    memo.SetCaret({8, 0});
    ASSERT_TRUE(Back("a+"));
    EXPECT_EQ(Where(), "caret 7,0 sel 7,0-8,0");
    ASSERT_TRUE(Back("a+")); // "aa" at 6 ends after the caret at 7
    EXPECT_EQ(Where(), "caret 2,0 sel 2,0-3,0");
    EXPECT_FALSE(Back("a+")); // every earlier start runs on to column 3
}

TEST_F(MemoSearchTest, MultiLineExpressionSelectsAcrossTheLineEnd) {
    SetText(memo, "one\nfoo end\nbar two\nx");
    Options(false, false, true);
    ASSERT_TRUE(Find("end\\nbar"));
    EXPECT_EQ(Where(), "caret 4,1 sel 4,1-3,2");
    EXPECT_EQ(memo.SelectedText(), u"endbar"); // lines joined without separators

    // Backward finds it too, from below.
    memo.DropSelection();
    memo.SetCaret({1, 3});
    ASSERT_TRUE(Back("end\\nbar"));
    EXPECT_EQ(Where(), "caret 4,1 sel 4,1-3,2");

    // Replacing it joins the lines as the replacement says.
    memo.SetCaret({0, 0});
    memo.DropSelection();
    ReplaceAnswering("end\\nbar", "E\\nB\\nC", {TReplaceAnswer::Yes});
    EXPECT_EQ(Text(memo), "one\nfoo E\nB\nC two\nx");
    memo.Undo();
    EXPECT_EQ(Text(memo), "one\nfoo end\nbar two\nx");
}

TEST_F(MemoSearchTest, CaseInsensitiveSearchUsesTheProfileTablesAndSimpleFolding) {
    SetText(memo, "\xD0\x96\xD0\xA3\xD0\x9A and \xC3\x89T\xC3\x89");
    Options(true, false, false);
    ASSERT_TRUE(Find("\xD0\xB6\xD1\x83\xD0\xBA")); // Cyrillic, no tables: simple folding
    EXPECT_EQ(Where(), "caret 0,0 sel 0,0-3,0");
    ASSERT_TRUE(Find("\xC3\xA9t\xC3\xA9"));
    EXPECT_EQ(Where(), "caret 8,0 sel 8,0-11,0");

    // The same through the expression engine's case inversion.
    Options(true, false, true);
    memo.SetCaret({0, 0});
    memo.DropSelection();
    ASSERT_TRUE(Find("\xC3\xA9T\xC3\xA9"));
    EXPECT_EQ(Where(), "caret 8,0 sel 8,0-11,0");

    Options(false, false, false);
    memo.SetCaret({0, 0});
    memo.DropSelection();
    EXPECT_FALSE(Find("\xC3\xA9t\xC3\xA9"));
}

TEST(MemoSearchProfile, CaseTablesAndDelimitersComeFromTheProfile) {
    // A profile pairing "Q" with "#" (so they compare equal ignoring case) and making "-" the
    // only extra word delimiter.
    TempDir dir;
    const TConfigFolder folder{dir.path().string()};
    std::filesystem::create_directories(dir.path() / "Ini");
    WriteBytes(folder.FilesIni(), "[*]\r\nUpperCase=Q\r\nLowerCase=#\r\nDelimiters=-\r\n");
    TCommonSettings common;
    TFakeHost host;
    TuniMemo memo{host.Platform(false), {&folder, &common, nullptr}};
    memo.ApplyProfile("txt");
    SetText(memo, "aqb a#b x.y-z");
    memo.SearchOptions() = {true, false, false};
    EXPECT_TRUE(memo.FindForward(u"AQB", false, false)); // Q folds to #, A and B simply
    EXPECT_EQ(memo.Caret(), (TPoint{4, 0}));
    memo.SetCaret({0, 0});
    memo.DropSelection();
    EXPECT_TRUE(memo.FindForward(u"AqB", false, false));
    EXPECT_EQ(memo.Caret(), (TPoint{0, 0}));
    memo.SearchOptions() = {true, false, true}; // the engine's inversion follows the tables
    SetText(memo, "x#y");
    memo.SetCaret({0, 0});
    memo.DropSelection();
    EXPECT_TRUE(memo.FindForward(u"XQY", false, false));
    SetText(memo, "aqb a#b x.y-z");
    memo.DropSelection();

    // Whole words with the profile's delimiters: "." is a word character here.
    memo.SearchOptions() = {false, true, false};
    memo.SetCaret({0, 0});
    EXPECT_FALSE(memo.FindForward(u"y", false, false));
    EXPECT_TRUE(memo.FindForward(u"z", false, false));
    EXPECT_EQ(memo.Caret(), (TPoint{12, 0}));
}

TEST_F(MemoSearchTest, ReplaceAllIsOneUndoStep) {
    SetText(memo, "a cat\ncat cat\nno");
    Options(false, false, false);
    ReplaceAnswering("cat", "dog", {TReplaceAnswer::All});
    EXPECT_EQ(Text(memo), "a dog\ndog dog\nno");
    EXPECT_EQ(host.questions.asked, 1);
    EXPECT_EQ(memo.Caret(), (TPoint{7, 1})); // after the last replacement
    EXPECT_FALSE(memo.SelectionActive());
    EXPECT_TRUE(memo.Modified());
    EXPECT_TRUE(host.messages.shown.empty()); // an answer was given: no "not found"
    memo.Undo();
    EXPECT_EQ(Text(memo), "a cat\ncat cat\nno");
    EXPECT_FALSE(memo.CanUndo());
    memo.Redo();
    EXPECT_EQ(Text(memo), "a dog\ndog dog\nno");
}

TEST_F(MemoSearchTest, YesNoAndCancel) {
    SetText(memo, "x x x x");
    Options(false, false, false);
    ReplaceAnswering(
        "x", "yy",
        {TReplaceAnswer::Yes, TReplaceAnswer::No, TReplaceAnswer::Yes, TReplaceAnswer::Cancel});
    EXPECT_EQ(Text(memo), "yy x yy x");
    EXPECT_EQ(host.questions.asked, 4);
    EXPECT_EQ(Where(), "caret 8,0 sel 8,0-9,0"); // the match Cancel was given on
    memo.Undo();                                 // each Yes is its own step
    EXPECT_EQ(Text(memo), "yy x x x");
    memo.Undo();
    EXPECT_EQ(Text(memo), "x x x x");
}

TEST_F(MemoSearchTest, CancelAtTheFirstQuestionChangesNothing) {
    SetText(memo, "one two");
    Options(true, false, false);
    ReplaceAnswering("TWO", "2", {TReplaceAnswer::Cancel});
    EXPECT_EQ(Text(memo), "one two");
    EXPECT_EQ(Where(), "caret 4,0 sel 4,0-7,0");
    EXPECT_FALSE(memo.CanUndo());
    EXPECT_TRUE(host.messages.shown.empty());

    // Without a question host the first question is a Cancel as well.
    TFakeHost h;
    TMemoPlatform p = h.Platform();
    p.questions = nullptr;
    TuniMemo m{p};
    SetText(m, "one two");
    m.Replace(u"two", u"2", false);
    EXPECT_EQ(Text(m), "one two");
    EXPECT_FALSE(m.CanUndo());
}

TEST_F(MemoSearchTest, NotFoundOnlyBeforeTheFirstAnswer) {
    SetText(memo, "abc");
    Options(false, false, false);
    ReplaceAnswering("zz", "y", {});
    EXPECT_EQ(host.questions.asked, 0);
    ASSERT_EQ(host.messages.shown.size(), 1u);
    ReplaceAnswering("b", "y", {TReplaceAnswer::Yes});
    EXPECT_EQ(Text(memo), "ayc");
    EXPECT_EQ(host.messages.shown.size(), 1u); // the end after an answer is silent
}

// Find, then Replace: the match Find selected is the one asked about first, whichever way
// the replace goes; search again after a find still moves on.
TEST_F(MemoSearchTest, ReplaceAfterFindStartsWithTheSelectedMatch) {
    SetText(memo, "x1 x2 x3");
    Options(false, false, false);
    ASSERT_TRUE(Find("x"));
    ASSERT_TRUE(Find("x"));
    ASSERT_EQ(Where(), "caret 3,0 sel 3,0-4,0");
    ReplaceAnswering("x", "y", {TReplaceAnswer::Yes, TReplaceAnswer::Cancel});
    EXPECT_EQ(Text(memo), "x1 y2 x3");

    SetText(memo, "x1 x2 x3");
    memo.SetCaret({8, 0});
    ASSERT_TRUE(Back("x"));
    ASSERT_TRUE(Back("x"));
    ASSERT_EQ(Where(), "caret 3,0 sel 3,0-4,0");
    ReplaceAnswering("x", "y", {TReplaceAnswer::Yes, TReplaceAnswer::Yes}, true);
    EXPECT_EQ(Text(memo), "y1 y2 x3");

    // A caret that moved away from the found match searches from where it stands.
    SetText(memo, "x1 x2 x3");
    memo.SetCaret({0, 0});
    ASSERT_TRUE(Find("x"));
    memo.SetCaret({4, 0});
    memo.DropSelection();
    ReplaceAnswering("x", "y", {TReplaceAnswer::Yes, TReplaceAnswer::Cancel});
    EXPECT_EQ(Text(memo), "x1 x2 y3");
}

TEST_F(MemoSearchTest, NoSkipsToOverlappingAndLaterMatches) {
    SetText(memo, "aaa");
    Options(false, false, false);
    ReplaceAnswering("aa", "b", {TReplaceAnswer::No, TReplaceAnswer::Yes});
    EXPECT_EQ(Text(memo), "ab");
}

TEST_F(MemoSearchTest, ReplacementWithLineFeedsSplitsPlainly) {
    SetText(memo, "\tkey=value;rest");
    Options(false, false, true);
    ReplaceAnswering(";", ";\\n", {TReplaceAnswer::All});
    EXPECT_EQ(Text(memo), "\tkey=value;\nrest");
    EXPECT_EQ(memo.Caret(), (TPoint{0, 1}));
    memo.Undo();
    EXPECT_EQ(Text(memo), "\tkey=value;rest");
}

TEST_F(MemoSearchTest, ReplaceAllWithGroupsAndEmptyMatchesEnds) {
    SetText(memo, "k1=v1\nk2=v2");
    Options(false, false, true);
    ReplaceAnswering("(\\w+)=(\\w+)", "$2=$1", {TReplaceAnswer::All});
    EXPECT_EQ(Text(memo), "v1=k1\nv2=k2");

    SetText(memo, "ab");
    memo.SetCaret({0, 0});
    ReplaceAnswering("x*", "-", {TReplaceAnswer::All});
    EXPECT_EQ(Text(memo), "-a-b-");

    SetText(memo, "ab\ncd");
    memo.SetCaret({0, 0});
    ReplaceAnswering("^", "> ", {TReplaceAnswer::All});
    EXPECT_EQ(Text(memo), "> ab\n> cd");
}

TEST_F(MemoSearchTest, ReplacementHoldingThePatternIsNotSearchedAgain) {
    SetText(memo, "a a\na");
    Options(false, false, false);
    ReplaceAnswering("a", "aa", {TReplaceAnswer::All});
    EXPECT_EQ(Text(memo), "aa aa\naa");

    SetText(memo, "a a\na");
    memo.SetCaret({1, 1});
    ReplaceAnswering("a", "aa", {TReplaceAnswer::Yes, TReplaceAnswer::All}, true);
    EXPECT_EQ(Text(memo), "aa aa\naa");
    EXPECT_EQ(memo.Caret(), (TPoint{2, 0})); // after the last (topmost) replacement
    memo.Undo();                             // the All part
    EXPECT_EQ(Text(memo), "a a\naa");
}

TEST_F(MemoSearchTest, BackwardReplaceAllMatchesTheInteractiveOrder) {
    // "aaa" backward from its end: "aa" at 1 first, then nothing ends before it.
    for (bool all : {false, true}) {
        SetText(memo, "aaa");
        memo.SetCaret({3, 0});
        memo.DropSelection();
        Options(false, false, false);
        if (all) {
            ReplaceAnswering("aa", "X", {TReplaceAnswer::All}, true);
        } else {
            ReplaceAnswering("aa", "X", {TReplaceAnswer::Yes, TReplaceAnswer::Yes}, true);
        }
        EXPECT_EQ(Text(memo), "aX") << all;
    }
}

// The text with each line's own line end shown ("|CRLF", ...): replace-all keeps these too.
std::string TextWithEnds(const TuniMemo& memo) {
    static const char* const kEnds[] = {"", "|LF", "|CR", "|CRLF", "|LS"};
    std::string out;
    for (int i = 0; i < memo.Lines().Count(); ++i) {
        out += (i > 0 ? "\n" : "") + testing_support::U8(memo.Lines().Get(i)) +
               kEnds[memo.Lines().Separator(i)];
    }
    return out;
}

// Replace-all of expressions that span lines, where one replacement's line goes on to take
// the next match (joined lines, several matches a line, empty matches, groups, line feeds in
// the replacement, word boundaries and whole words that look at the replaced text before
// them), gives the text, the line ends and the caret that Yes at every match gives, and is
// undone as one step to the exact original and redone.
TEST_F(MemoSearchTest, ReplaceAllAcrossLinesMatchesYesAtEveryMatch) {
    struct TCase {
        const char* pattern;
        const char* replacement;
        bool ignoreCase = false;
        bool wholeWord = false;
    };
    const TCase cases[] = {
        {"\\n", " "},
        {"\\n", ""},
        {"\\n", ",\\n"},
        {"\\n", "\\n\\n"},
        {"(\\w)\\n(\\w)", "$2$1"},
        {"\\n|a", "<>"},
        {"\\b\\n", "w"},
        {"\\B\\n", "w"},
        {"x*\\n?", "-"},
        {"\\n*", "+"},
        {"\\n\\n", "\\n"},
        {"(?m)^\\n", "Z"},
        {"(?m)\\n^a", "A"},
        {"A\\nB", "ab", true},
        {"\\n", "x", false, true},
        {"\\nab", "~", false, true},
        {"b\\n", "", false, true},
    };
    const std::string original = "ab a\nb\nab\n\nxa\na b\n\n\nab";
    const auto load = [&](bool backward) {
        SetText(memo, original);
        memo.Lines().SetSeparator(1, lsCRLF);
        memo.Lines().SetSeparator(3, lsCR);
        memo.Lines().SetSeparator(7, lsLF);
        memo.Lines().Undo().Clear();
        memo.Lines().Redo().Clear();
        const int last = memo.Lines().Count() - 1;
        memo.SetCaret(backward ? TPoint{2, last} : TPoint{0, 0});
        memo.DropSelection();
        memo.BeginCommand();
    };
    load(false);
    const std::string before = TextWithEnds(memo);
    for (const TCase& c : cases) {
        for (const bool backward : {false, true}) {
            SCOPED_TRACE(std::string(c.pattern) + " -> " + c.replacement +
                         (backward ? " backward" : " forward"));
            Options(c.ignoreCase, c.wholeWord, true);
            load(backward);
            ReplaceAnswering(c.pattern, c.replacement,
                             std::vector<TReplaceAnswer>(200, TReplaceAnswer::Yes), backward);
            ASSERT_LT(host.questions.asked, 200);
            const std::string yes = TextWithEnds(memo);
            const TPoint yesCaret = memo.Caret();

            load(backward);
            ReplaceAnswering(c.pattern, c.replacement, {TReplaceAnswer::All}, backward);
            EXPECT_EQ(TextWithEnds(memo), yes);
            EXPECT_EQ(memo.Caret(), yesCaret);
            memo.Undo();
            EXPECT_EQ(TextWithEnds(memo), before);
            EXPECT_FALSE(memo.CanUndo());
            memo.Redo();
            EXPECT_EQ(TextWithEnds(memo), yes);
        }
    }
}

// The work of a replace-all, counted.
struct TReplaceWork {
    std::int64_t searched = 0; // the expression engine's work
    std::int64_t recorded = 0; // code units the undo records keep
    std::int64_t moved = 0;    // line slots the line list moved
    std::int64_t units = 0;    // the document's code units
};

// Replaces every match of `pattern` in a document of n numbered lines, some with line ends
// of their own, answering All; checks the result against `expected`(n), then that undo
// gives the original back exactly and redo the result again.
TReplaceWork ReplaceAllWork(int n, bool backward, std::u16string_view pattern,
                            std::u16string_view replacement,
                            const std::function<std::string(int)>& expected) {
    TFakeHost host;
    TuniMemo memo{host.Platform(false)};
    std::string text;
    for (int i = 0; i < n; ++i) {
        text += (i > 0 ? "\n" : "") + ("line " + std::to_string(i));
    }
    SetText(memo, text);
    TReplaceWork work;
    for (int i = 0; i < n; ++i) {
        work.units += static_cast<std::int64_t>(memo.Lines().Get(i).size()) + 1;
        if (i % 7 == 3) {
            memo.Lines().SetSeparator(i, i % 2 == 0 ? lsCRLF : lsCR);
        }
    }
    const std::string original = TextWithEnds(memo);
    memo.SearchOptions() = {false, false, true};
    memo.SetCaret(backward ? TPoint{8, n - 1} : TPoint{0, 0});
    memo.BeginCommand();
    host.questions.answers = {TReplaceAnswer::All};
    const std::int64_t searched = memo.ExpressionWork();
    const std::int64_t moved = memo.Lines().MovedSlots();
    memo.Replace(pattern, replacement, backward);
    work.searched = memo.ExpressionWork() - searched;
    work.moved = memo.Lines().MovedSlots() - moved;
    const TUndo& undo = memo.Lines().Undo();
    for (int i = 0; i < undo.Count(); ++i) {
        work.recorded += static_cast<std::int64_t>(undo.Record(i).text.size());
    }
    EXPECT_EQ(Text(memo), expected(n));
    const std::string replaced = TextWithEnds(memo);
    memo.Undo();
    EXPECT_EQ(TextWithEnds(memo), original);
    EXPECT_FALSE(memo.CanUndo());
    memo.Redo();
    EXPECT_EQ(TextWithEnds(memo), replaced);
    return work;
}

// Twice the lines cost the same work per unit of text (within a tenth), and a few times the
// text.
void ExpectLinear(const TReplaceWork& small, const TReplaceWork& large) {
    const auto perUnit = [&](std::int64_t a, std::int64_t b) {
        return 10 * b * small.units <= 11 * a * large.units + 1024;
    };
    EXPECT_LE(small.searched, 16 * small.units);
    EXPECT_PRED2(perUnit, small.searched, large.searched);
    EXPECT_LE(small.recorded, 4 * small.units);
    EXPECT_PRED2(perUnit, small.recorded, large.recorded);
    EXPECT_LE(small.moved, 4 * small.units);
    EXPECT_PRED2(perUnit, small.moved, large.moved);
}

// Joining every line with the next: each match joins the line the replacements before it
// made, which grows to the whole document.
TEST(MemoReplaceWorkTest, JoiningEveryLineCostsInProportionToTheLines) {
    const auto joined = [](int n) {
        std::string text;
        for (int i = 0; i < n; ++i) {
            text += (i > 0 ? ", " : "") + ("line " + std::to_string(i));
        }
        return text;
    };
    for (const bool backward : {false, true}) {
        SCOPED_TRACE(backward ? "backward" : "forward");
        ExpectLinear(ReplaceAllWork(4000, backward, u"\\n", u", ", joined),
                     ReplaceAllWork(8000, backward, u"\\n", u", ", joined));
    }
}

TEST_F(MemoSearchTest, HistoriesTakeTheTextsMostRecentFirst) {
    SetText(memo, "abc");
    memo.FindForward(u"b", false, true);
    memo.FindForward(u"\u0436", false, true);
    memo.FindForward(u"b", false, true); // moved to the top, not repeated
    memo.FindForward(u"c", false, false);
    ASSERT_EQ(SearchHistory().Count(), 2);
    EXPECT_EQ(SearchHistory().Item(0), "b");
    EXPECT_EQ(SearchHistory().Item(1), "&#1078;");
    EXPECT_EQ(ReplaceHistory().Count(), 0);

    ReplaceAnswering("zz", "q", {});
    EXPECT_EQ(SearchHistory().Item(0), "zz");
    ASSERT_EQ(ReplaceHistory().Count(), 1);
    EXPECT_EQ(ReplaceHistory().Item(0), "q");
    memo.Replace(u"", u"r", false); // an empty pattern does nothing at all
    EXPECT_EQ(ReplaceHistory().Count(), 1);
}

TEST_F(MemoSearchTest, RunawayExpressionRaisesAndLeavesTheEditorSane) {
    SetText(memo, "abc\nabc\n" + std::string(5000, 'a') + "\nabc");
    Options(false, false, true);
    memo.SetSearchStepLimit(2'000'000); // the default budget takes long under sanitizers
    // A nested repeat with a failing tail backtracks beyond any budget on a long line.
    const std::u16string runaway = u"(a|aa)*(a|aa)*c";
    // Replace-all that hits it halfway (the engine's step budget runs out on the long line):
    // the first lines are replaced, as one closed step, and the busy cursor is off again.
    memo.SetCaret({0, 0});
    host.busy.calls.clear();
    host.questions.answers = {TReplaceAnswer::All};
    host.questions.asked = 0;
    EXPECT_THROW(memo.Replace(runaway, u"X", false), ERegExpr);
    EXPECT_EQ(host.busy.calls, (std::vector<bool>{true, false}));
    EXPECT_EQ(memo.Lines().Get(0), u"abX");
    EXPECT_EQ(memo.Lines().Get(1), u"abX");
    EXPECT_EQ(memo.Lines().Get(3), u"abc");
    EXPECT_EQ(memo.Lines().Undo().PeekKind(), ukGroupEnd);
    memo.Undo();
    EXPECT_EQ(memo.Lines().Get(0), u"abc");
    EXPECT_EQ(memo.Lines().Get(1), u"abc");
    EXPECT_FALSE(memo.CanUndo());
    EXPECT_EQ(memo.Caret(), (TPoint{2, 0})); // where the replacing began

    // A bad expression raises before anything happens.
    host.busy.calls.clear();
    EXPECT_THROW(memo.FindForward(u"(ab", true, false), ERegExpr);
    EXPECT_EQ(host.busy.calls, (std::vector<bool>{true, false}));
    EXPECT_EQ(memo.Caret(), (TPoint{2, 0}));
    Type(memo, "z"); // the editor still edits
    EXPECT_EQ(memo.Lines().Get(0), u"abzc");
}

// A runaway expression across lines, after replacements that joined lines in either
// direction: they stay, as one closed step that undo takes back whole.
TEST_F(MemoSearchTest, RunawayAcrossLinesKeepsWhatWasReplacedAsOneStep) {
    const std::string original = "x\nx\nx\n" + std::string(5000, 'a') + "\nabc";
    memo.SetSearchStepLimit(2'000'000);
    for (const bool backward : {false, true}) {
        SCOPED_TRACE(backward ? "backward" : "forward");
        SetText(memo, original);
        memo.Lines().Undo().Clear();
        memo.SetCaret(backward ? TPoint{3, 4} : TPoint{0, 0});
        memo.DropSelection();
        Options(false, false, true);
        host.questions.answers = {TReplaceAnswer::All};
        host.questions.asked = 0;
        EXPECT_THROW(memo.Replace(u"x\\n|(a|aa)*(a|aa)*c", u"X", backward), ERegExpr);
        if (backward) {
            EXPECT_EQ(memo.Lines().Get(4), u"abX");
        } else {
            EXPECT_EQ(memo.Lines().Get(0), u"XXX" + std::u16string(5000, u'a'));
        }
        EXPECT_EQ(memo.Lines().Undo().PeekKind(), ukGroupEnd);
        memo.Undo();
        EXPECT_EQ(Text(memo), original);
        EXPECT_FALSE(memo.CanUndo());
    }
}

TEST_F(MemoSearchTest, WordAtTheCaretAndTheWordSearch) {
    SetText(memo, "(Foo) bar, foo.x foo");
    const auto wordAt = [&](int x) {
        memo.SetCaret({x, 0});
        return memo.WordAtCaret();
    };
    EXPECT_EQ(wordAt(1), u"Foo");
    EXPECT_EQ(wordAt(3), u"Foo");
    EXPECT_EQ(wordAt(4), u"Foo"); // on ")": the run to its left
    EXPECT_EQ(wordAt(0), u"");    // "(" at the line start: the run "(" itself, stripped
    EXPECT_EQ(wordAt(6), u"bar");
    EXPECT_EQ(wordAt(9), u"bar"); // on ","
    EXPECT_EQ(wordAt(30), u"foo");

    memo.SearchOptions() = {false, false, true};
    memo.SetCaret({2, 0});
    memo.DropSelection();
    memo.WordSearch(); // ignore case, whole word, no expression: "foo" in "foo.x"
    EXPECT_EQ(Where(), "caret 11,0 sel 11,0-14,0");
    EXPECT_TRUE(memo.SearchOptions().ignoreCase);
    EXPECT_TRUE(memo.SearchOptions().wholeWord);
    EXPECT_FALSE(memo.SearchOptions().regExpr);
    memo.WordSearch();
    EXPECT_EQ(Where(), "caret 17,0 sel 17,0-20,0");
    memo.WordSearch();
    ASSERT_EQ(host.messages.shown.size(), 1u);
    memo.WordSearchBack();
    EXPECT_EQ(Where(), "caret 11,0 sel 11,0-14,0");
    memo.WordSearchBack();
    EXPECT_EQ(Where(), "caret 1,0 sel 1,0-4,0");
    EXPECT_EQ(SearchHistory().Count(), 0);
}

TEST_F(MemoSearchTest, FoundTextIsScrolledIntoView) {
    std::string text;
    for (int i = 0; i < 100; ++i) {
        text += (i == 70 ? std::string(60, ' ') + "needle" : "hay") + "\n";
    }
    SetText(memo, text);
    Options(false, false, false);
    ASSERT_TRUE(Find("needle"));
    EXPECT_EQ(memo.Caret(), (TPoint{60, 70}));
    EXPECT_LE(memo.TopLine(), 70);
    EXPECT_GT(memo.TopLine() + memo.VisibleRows(), 70);
    // The whole match is in view, not only the caret at its start.
    EXPECT_LE(memo.HorzScroll(), 60);
    EXPECT_GE(memo.HorzScroll() + memo.VisibleColumns(), 66);
    EXPECT_FALSE(memo.RepaintPending());
}

} // namespace

// The status count: every start a search again stops at counts once (overlaps too), the
// match at the caret gets its place, and a multi-line expression counts each match once,
// on the line it starts on.
TEST(MemoMatchCountTest, CountsTheStopsOfSearchAgainAndStopsAtItsLimits) {
    TFakeHost host;
    TuniMemo memo{host.Platform()};
    SetText(memo, "aaaa\nxaa\n\naa");
    memo.SearchOptions() = {true, false, false};
    TuniMemo::TMatchCount c = memo.CountMatches(u"aa", {1, 1}, 100, 1000);
    EXPECT_EQ(c.total, 5); // 0,1,2 on line 0; 1 on line 1; 0 on line 3
    EXPECT_EQ(c.index, 4);
    EXPECT_TRUE(c.complete);
    EXPECT_EQ(c.unitsExamined, 5 + 4 + 1 + 3);
    int stops = 0;
    memo.GotoPosition(0, 0);
    while (memo.FindForward(u"aa", false, false)) {
        ++stops;
    }
    EXPECT_EQ(stops, c.total) << "as many as search again visits";

    c = memo.CountMatches(u"aa", {0, 3}, 3, 1000);
    EXPECT_EQ(c.total, 3);
    EXPECT_FALSE(c.complete);
    EXPECT_EQ(c.index, 0) << "stopped before the match";
    c = memo.CountMatches(u"aa", {1, 1}, 100, 5);
    EXPECT_EQ(c.total, 3) << "the budget ran out after the first line";
    EXPECT_FALSE(c.complete);

    SetText(memo, "ab\ncd ab\ncd");
    memo.SearchOptions() = {true, false, true};
    c = memo.CountMatches(u"ab\\ncd", {0, 0}, 100, 1000);
    EXPECT_EQ(c.total, 2);
    EXPECT_EQ(c.index, 1);
}

// A dialog's one-line box keeps one line: the line commands give the key back.
TEST(MemoMatchCountTest, ASingleLineBoxRefusesTheLineCommands) {
    TFakeHost host;
    TuniEdit edit{host.Platform()};
    SetText(edit, "abc");
    for (void (TuniMemo::*command)() :
         {&TuniMemo::NewLine, &TuniMemo::NewLineIndent, &TuniMemo::CaretDown, &TuniMemo::CaretUp,
          &TuniMemo::PageDown, &TuniMemo::PageUp, &TuniMemo::ScrollDown, &TuniMemo::ScrollUp}) {
        edit.SetKeyHandled(true);
        (edit.*command)();
        EXPECT_FALSE(edit.KeyHandled());
    }
    EXPECT_EQ(edit.Lines().Count(), 1);
    EXPECT_EQ(edit.Caret(), (TPoint{0, 0}));
}
