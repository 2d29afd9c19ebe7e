// The speller process: the protocol against hunspell, the personal dictionary in the
// speller's own HOME, and spellers that cannot start, die or fall silent.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "editor/memoFakes.h"
#include "spell/uniSpellWalk.h"
#include "spellFakes.h"
#include "support/testSupport.h"

using testing_support::TempDir;
using testing_support::U16;

namespace {

using Strings = std::vector<std::u16string>;

std::string Hunspell(std::string_view dictionary, std::string_view encoding) {
    return "hunspell -a -d " + std::string(dictionary) + " -i " + std::string(encoding);
}

std::u16string First(const Strings& items) {
    return items.empty() ? std::u16string() : items.front();
}

TEST(SpellerProcess, EnglishWordsThroughHunspell) {
    TSpellerProcess speller;
    speller.Start(Hunspell("en_US", "CP1252"), "/nonexistent");
    TSpellChecker checker(speller);
    EXPECT_FALSE(checker.CheckWord(u"hello").misspelled);
    EXPECT_FALSE(checker.CheckWord(u"don't").misspelled);
    EXPECT_FALSE(checker.CheckWord(u"don\u2019t").misspelled); // the typographic apostrophe
    const TSpellVerdict v = checker.CheckWord(u"wrold");
    EXPECT_TRUE(v.misspelled);
    EXPECT_EQ(v.word, u"wrold");
    const Strings s = checker.Suggestions().value();
    EXPECT_NE(std::find(s.begin(), s.end(), u"world"), s.end());
    // Question and answer stay in step: the next word gets its own reply.
    EXPECT_FALSE(checker.CheckWord(u"world").misspelled);
    EXPECT_TRUE(checker.CheckWord(u"dnot'").misspelled);
    EXPECT_FALSE(checker.CheckWord(u"cat").misspelled);
}

TEST(SpellerProcess, RussianAndGermanRoundTripThroughTheirCharsets) {
    TCharsetLists lists;
    lists.charsets = {{"KOI8-R", "koi8-r.tbl"}};
    const TConfigFolder folder(PELMAR_SOURCE_DATA_DIR);
    {
        TSpellerProcess speller;
        speller.Start(Hunspell("ru_RU", "KOI8-R"), "/nonexistent");
        TSpellChecker checker(speller);
        checker.PrepareTable({"", "KOI8-R", "-", ""}, lists, folder);
        EXPECT_FALSE(checker.CheckWord(U16("привет")).misspelled);
        const TSpellVerdict v = checker.CheckWord(U16("превет"));
        EXPECT_TRUE(v.misspelled);
        EXPECT_EQ(v.word, U16("превет"));
        const Strings s = checker.Suggestions().value();
        EXPECT_NE(std::find(s.begin(), s.end(), U16("привет")), s.end());
    }
    {
        TSpellerProcess speller;
        speller.Start(Hunspell("de_DE", "CP1252"), "/nonexistent");
        TSpellChecker checker(speller);
        checker.PrepareTable({"", "ANSI", "-", ""}, lists, folder);
        EXPECT_FALSE(checker.CheckWord(U16("Grüße")).misspelled);
        EXPECT_TRUE(checker.CheckWord(U16("Grüse")).misspelled);
        EXPECT_EQ(First(checker.Suggestions().value()), U16("Grüße"));
    }
}

TEST(SpellerProcess, AcceptLastsUntilTheSpellerRestarts) {
    TSpellerProcess speller;
    speller.Start(Hunspell("en_US", "CP1252"), "/nonexistent");
    TSpellChecker checker(speller);
    EXPECT_TRUE(checker.CheckWord(u"qwzzyx").misspelled);
    checker.Accept(u"qwzzyx");
    EXPECT_FALSE(checker.CheckWord(u"qwzzyx").misspelled);
    speller.Stop();
    EXPECT_FALSE(speller.Running());
    speller.Start(Hunspell("en_US", "CP1252"), "/nonexistent");
    EXPECT_TRUE(checker.CheckWord(u"qwzzyx").misspelled);
}

TEST(SpellerProcess, AddWritesThePersonalDictionaryInTheSpellersHome) {
    TempDir dir;
    const std::filesystem::path bin = dir.path() / "speller";
    std::filesystem::create_directory(bin);
    std::filesystem::create_symlink("/usr/bin/hunspell", bin / "hunspell");
    const char* home = std::getenv("HOME");
    const std::string ownHome = home != nullptr ? home : "";

    TSpellerProcess speller;
    speller.Start("%Pelmar%/speller/hunspell -a -d en_US -i CP1252", dir.path().string());
    TSpellChecker checker(speller);
    EXPECT_TRUE(checker.CheckWord(u"pelmarish").misspelled);
    checker.Add(u"pelmarish");
    EXPECT_FALSE(checker.CheckWord(u"pelmarish").misspelled);
    speller.Stop();

    // The speller's HOME was its own folder; the editor's is untouched.
    EXPECT_NE(testing_support::ReadBytes((bin / ".hunspell_en_US").string()).find("pelmarish"),
              std::string::npos);
    const char* after = std::getenv("HOME");
    EXPECT_EQ(after != nullptr ? after : "", ownHome);

    speller.Start("%Pelmar%/speller/hunspell -a -d en_US -i CP1252", dir.path().string());
    EXPECT_FALSE(checker.CheckWord(u"pelmarish").misspelled);
}

TEST(SpellerProcess, ASpellerThatCannotStartSaysWhy) {
    TSpellerProcess speller;
    try {
        speller.Start("/nonexistent/folder/myspell -a", "/x");
        FAIL() << "started";
    } catch (const ESpellError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/folder/myspell"), std::string::npos);
    }
    EXPECT_FALSE(speller.Running());
    try {
        speller.Start("hunspell -a -d xx_NOPE", "/x");
        FAIL() << "started";
    } catch (const ESpellError& e) {
        // hunspell's own complaint comes along.
        EXPECT_NE(std::string(e.what()).find("xx_NOPE"), std::string::npos) << e.what();
    }
    EXPECT_THROW(speller.Start("", "/x"), ESpellError);
    EXPECT_FALSE(speller.Running());
}

TEST(SpellerProcess, RepliesSplitAcrossReadsAreReadWhole) {
    TSpellerProcess speller;
    // Greets, then answers the first word in two pieces and with two lines.
    speller.Start("sh -c \"echo hello; read a; read w; printf '& wr'; sleep 0.2; "
                  "printf 'od 1 0: word\\n& other\\n\\n'; read w; printf '\\n'; exec sleep 5\"",
                  "/x");
    EXPECT_EQ(speller.Ask("wrod"), "& wrod 1 0: word");
    EXPECT_EQ(speller.Ask("next"), "");
}

TEST(SpellerProcess, ASilentSpellerTimesOut) {
    TSpellerProcess speller;
    speller.SetTimeout(std::chrono::milliseconds(300));
    speller.Start("sh -c \"echo hello; exec sleep 30\"", "/x");
    const auto before = std::chrono::steady_clock::now();
    EXPECT_THROW(speller.Ask("word"), ESpellError);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
    EXPECT_FALSE(speller.Running());
}

TEST(SpellerProcess, ASpellerDyingMidWalkEndsItWithAMessage) {
    memo_fakes::TFakeHost host;
    TuniMemo memo{host.Platform()};
    memo_fakes::SetText(memo, "teh one two three");
    TSpellerProcess speller;
    // Rejects the first word, then dies at the second.
    speller.Start(
        "sh -c \"echo hi; read a; read w; printf '& teh 1 0: the\\n\\n'; read w; exit 3\"", "/x");
    TSpellChecker checker(speller);
    spell_fakes::TScriptedDialog dialog;
    dialog.script = {{TSpellResult::Replace, u"the"}};
    try {
        SpellCheckDocument(memo, checker, dialog);
        FAIL() << "the walk went on";
    } catch (const ESpellError& e) {
        EXPECT_NE(std::string(e.what()).find("has ended"), std::string::npos) << e.what();
    }
    EXPECT_EQ(memo.Lines().Get(0), u"the one two three");
    EXPECT_FALSE(memo.SelectionActive());
    EXPECT_FALSE(speller.Running());
}

} // namespace
