// The spell check's word walk against a fake speller: which words are sent, what the
// dialog's answers do to the text, the caret and the selection.
#include <gtest/gtest.h>

#include "editor/memoFakes.h"
#include "spell/uniSpellWalk.h"
#include "spellFakes.h"

using namespace memo_fakes;
using namespace spell_fakes;
using testing_support::U16;
using testing_support::U8;

namespace {

using Words = std::vector<std::string>;

class SpellWalk : public ::testing::Test {
protected:
    TFakeHost host;
    TuniMemo memo{host.Platform()};
    TFakeSpeller speller;
    TSpellChecker checker{speller};
    TScriptedDialog dialog;
    TSpellWords words{std::u16string(kDefaultDelimiters), {}};

    void Walk() { SpellCheckDocument(memo, words, checker, dialog); }
    std::string Text() const {
        std::string out;
        for (int i = 0; i < memo.Lines().Count(); ++i) {
            out += (i ? "\n" : "") + U8(memo.Lines().Get(i));
        }
        return out;
    }
};

TEST_F(SpellWalk, HyphensStayInsideWordsAndDigitsSeparateThem) {
    SetText(memo, "well-known -abc abc- x\n3rd abc4def 42 -- a-\ttab");
    Walk();
    EXPECT_EQ(speller.asked,
              (Words{"well-known", "abc", "abc", "x", "rd", "abc", "def", "a", "tab"}));
}

TEST_F(SpellWalk, ProfileDelimitersSplitWordsButTheirHyphenDoesNot) {
    SetText(memo, "don't well-known a,b");
    Walk();
    // The default delimiters hold the apostrophe and the comma.
    EXPECT_EQ(speller.asked, (Words{"don", "t", "well-known", "a", "b"}));

    speller.asked.clear();
    words.delimiters = u"--";
    memo.SetCaret({0, 0});
    Walk();
    // Their first hyphen is dropped; a second one separates.
    EXPECT_EQ(speller.asked, (Words{"don't", "well", "known", "a,b"}));
}

TEST_F(SpellWalk, IgnorePairsHideMarkupAcrossLines) {
    words.ignore = {{u"<", u">"}, {u"&", u""}};
    SetText(memo, "<p class=\"x\">Helo</p> wrld <a\nhref=zzz>bar</a>\nfoo&nbsp&baz");
    Walk();
    EXPECT_EQ(speller.asked, (Words{"Helo", "wrld", "bar", "foo", "baz"}));
}

TEST_F(SpellWalk, AnUnclosedIgnorePairEndsTheWalk) {
    words.ignore = {{u"{{", u"}}"}};
    SetText(memo, "one {{ two\nthree");
    Walk();
    EXPECT_EQ(speller.asked, (Words{"one"}));
    EXPECT_FALSE(memo.SelectionActive());
    EXPECT_LT(memo.Caret().Y, memo.Lines().Count());
}

TEST_F(SpellWalk, WithoutSelectionTheWalkStartsAtTheCaretsWord) {
    SetText(memo, "aa bbb cc\ndd");
    memo.SetCaret({4, 0});
    Walk();
    EXPECT_EQ(speller.asked, (Words{"bbb", "cc", "dd"}));
    EXPECT_EQ(memo.Caret(), (TPoint{2, 1}));
}

TEST_F(SpellWalk, ASelectionBoundsTheWalk) {
    SetText(memo, "aa bb cc dd\nee");
    memo.Select({4, 0}, {10, 0}); // "b cc d"
    memo.SetCaret({10, 0});
    Walk();
    // "dd" reaches past the selection's end: the walk stops before it.
    EXPECT_EQ(speller.asked, (Words{"b", "cc"}));
    EXPECT_FALSE(memo.SelectionActive());
    EXPECT_EQ(memo.Caret(), (TPoint{9, 0}));

    speller.asked.clear();
    memo.Select({0, 1}, {3, 0}); // made backwards, over a line end
    Walk();
    EXPECT_EQ(speller.asked, (Words{"bb", "cc", "dd"}));
}

TEST_F(SpellWalk, TheRejectedPartIsSelectedAndOffered) {
    speller.replies["not-a-wrod"] = "& wrod 2 6: word, rod, w rod";
    speller.known = {"word"};
    SetText(memo, "not-a-wrod");
    dialog.script = {{TSpellResult::Replace, u"word"}};
    Walk();
    ASSERT_EQ(dialog.questions.size(), 1u);
    EXPECT_EQ(dialog.questions[0].word, u"wrod");
    EXPECT_EQ(dialog.questions[0].suggestions,
              (std::vector<std::u16string>{u"word", u"rod", u":w rod"}));
    EXPECT_EQ(dialog.selected[0], u"wrod");
    EXPECT_EQ(Text(), "not-a-word");
    // The replacement is the next word asked about.
    EXPECT_EQ(speller.asked, (Words{"not-a-wrod", "word"}));
}

TEST_F(SpellWalk, ReplaceIsOneUndoStepAndTheReplacementIsCheckedAgain) {
    SetText(memo, "teh cat");
    dialog.script = {{TSpellResult::Replace, u"thee"}, {TSpellResult::Replace, u"the"}};
    speller.known = {"cat", "the"};
    Walk();
    EXPECT_EQ(Text(), "the cat");
    EXPECT_EQ(speller.asked, (Words{"teh", "thee", "the", "cat"}));
    memo.Undo();
    EXPECT_EQ(Text(), "thee cat");
    memo.Undo();
    EXPECT_EQ(Text(), "teh cat");
}

TEST_F(SpellWalk, ReplacingInsideASelectionMovesItsEnd) {
    SetText(memo, "xx teh cat dog");
    speller.known = {"cat", "dog", "the"};
    memo.Select({3, 0}, {10, 0}); // "teh cat"
    dialog.script = {{TSpellResult::Replace, u"thelonger"}, {TSpellResult::Replace, u"the"}};
    Walk();
    EXPECT_EQ(Text(), "xx the cat dog");
    EXPECT_EQ(speller.asked, (Words{"teh", "thelonger", "the", "cat"}));
}

TEST_F(SpellWalk, QuitLeavesTheCaretAfterTheLastWordAndNoSelection) {
    SetText(memo, "aa bb cc");
    dialog.script = {{TSpellResult::Skip, {}}, {TSpellResult::Quit, {}}};
    Walk();
    EXPECT_EQ(speller.asked, (Words{"aa", "bb"}));
    EXPECT_EQ(memo.Caret(), (TPoint{5, 0}));
    EXPECT_FALSE(memo.SelectionActive());
    EXPECT_EQ(Text(), "aa bb cc");
}

TEST_F(SpellWalk, AcceptAndAddTellTheSpeller) {
    SetText(memo, "qq rr qq rr");
    dialog.script = {{TSpellResult::Accept, {}}, {TSpellResult::Add, {}}};
    Walk();
    EXPECT_EQ(speller.sent, (Words{"@qq", "*rr", "#"}));
    // The speller took both: the dialog came up twice only.
    EXPECT_EQ(dialog.questions.size(), 2u);
}

TEST_F(SpellWalk, ARejectionWithoutAListIsNotPutToTheUser) {
    speller.replies["zz"] = "& zz 3 0"; // no colon
    speller.replies["yy"] = "# yy 0";   // no suggestions at all
    SetText(memo, "zz yy");
    Walk();
    ASSERT_EQ(dialog.questions.size(), 1u);
    EXPECT_EQ(dialog.questions[0].word, u"yy");
    EXPECT_TRUE(dialog.questions[0].suggestions.empty());
}

TEST_F(SpellWalk, ASpellerThatDiesEndsTheWalkAndKeepsTheText) {
    SetText(memo, "teh aa bb");
    speller.dieAfter = 2;
    dialog.script = {{TSpellResult::Replace, u"the"}};
    EXPECT_THROW(Walk(), ESpellError);
    EXPECT_EQ(Text(), "the aa bb");
    EXPECT_FALSE(memo.SelectionActive());
    memo.Undo();
    EXPECT_EQ(Text(), "teh aa bb");
}

TEST(SpellChecker, RepliesAreReadAsTheProtocolSays) {
    TFakeSpeller speller;
    TSpellChecker checker(speller);
    speller.replies["wrold"] = "& wrold 2 0: world, wold, w old";
    speller.replies["ok"] = "* ";
    speller.replies["root"] = "+ ROOT";
    speller.replies["gues"] = "? guess 0 0: guest";

    EXPECT_FALSE(checker.CheckWord(u"ok").misspelled);
    EXPECT_FALSE(checker.CheckWord(u"root").misspelled);
    speller.known.insert("fine");
    EXPECT_FALSE(checker.CheckWord(u"fine").misspelled);
    // Leading protocol marks are never sent.
    EXPECT_FALSE(checker.CheckWord(u"*+-fine").misspelled);
    EXPECT_EQ(speller.asked.back(), "fine");

    const TSpellVerdict v = checker.CheckWord(u"wrold");
    EXPECT_TRUE(v.misspelled);
    EXPECT_EQ(v.word, u"wrold");
    EXPECT_EQ(v.length, 5);
    EXPECT_EQ(checker.Suggestions().value(),
              (std::vector<std::u16string>{u"world", u"wold", u":w old"}));

    const TSpellVerdict g = checker.CheckWord(u"gues");
    EXPECT_EQ(g.word, u"guess"); // the word as the speller saw it
    EXPECT_EQ(checker.Suggestions().value(), (std::vector<std::u16string>{u":guest"}));
}

TEST(SpellChecker, WordsGoOutInTheDictionaryCharset) {
    TFakeSpeller speller;
    TSpellChecker checker(speller);
    TISpellListObj language{"", "KOI8-R", "-", ""};
    TCharsetLists lists;
    lists.charsets = {{"KOI8-R", "koi8-r.tbl"}};
    checker.PrepareTable(language, lists, TConfigFolder(PELMAR_SOURCE_DATA_DIR));
    const std::u16string word = U16("привет");
    speller.replies["\xD0\xD2\xC9\xD7\xC5\xD4"] =
        "& \xD0\xD2\xC9\xD7\xC5\xD4 1 0: \xD0\xD2\xC9\xD7\xC5\xD4\xD9";
    const TSpellVerdict v = checker.CheckWord(word);
    EXPECT_EQ(speller.asked.back(), "\xD0\xD2\xC9\xD7\xC5\xD4"); // KOI8-R bytes
    EXPECT_EQ(v.word, word);
    EXPECT_EQ(checker.Suggestions().value(), (std::vector<std::u16string>{U16("приветы")}));
    // A character the charset cannot hold goes out as a reference.
    checker.CheckWord(U16("a\u4E2Db"));
    EXPECT_EQ(speller.asked.back(), "a&#20013;b");
}

} // namespace
