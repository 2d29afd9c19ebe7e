// Action maps, macro text, macros as undo groups, proxies, actions.ini, the standard
// actions and the compile and filter actions, against a recording editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "actions/uniActions.h"
#include "actions/uniStdActions.h"
#include "base/uniIni.h"
#include "base/uniNumRefs.h"
#include "profile/uniProfile.h"
#include "recordingMemo.h"
#include "support/standardActions.h"

using namespace std_actions;
using actions_test::TRecordingMemo;
using testing_support::TempDir;
using testing_support::U16;
using testing_support::WriteBytes;

namespace {

using TCalls = std::vector<std::string>;

class ActionsTest : public ::testing::Test {
protected:
    TUniActionMap map;
    TRecordingMemo memo;
    TCurrentEditor toMemo = [this](TUniAction&) -> TuniAbstractMemo* { return &memo; };

    ActionsTest() { RegisterStandardActions(map); }

    // What running the macro text on the editor calls.
    TCalls Run(std::string_view text) {
        memo.calls.clear();
        TParsedMacro parsed = ParseMacro(U16(text), map, toMemo);
        if (parsed.Action() != nullptr) {
            RunAction(memo, *parsed.Action());
        }
        return memo.calls;
    }
};

TEST_F(ActionsTest, MacroTokens) {
    const TCalls group = {"BeginUndoGroup"};
    struct TCase {
        std::string text;
        TCalls calls;
    };
    const TCase cases[] = {
        {"Return \"abc\" Return",
         {"BeginUndoGroup", "NewLine", "InsertText(abc)", "NewLine", "EndUndoGroup"}},
        {"return", {"NewLine"}},
        {"  Up  ", {"CaretUp"}},
        {"Home \"// \" Down",
         {"BeginUndoGroup", "LineHome", "InsertText(// )", "CaretDown", "EndUndoGroup"}},
        // An unclosed quote runs to the end and loses its last character.
        {"\"abc", {"InsertText(ab)"}},
        {"Up \"ab", {"BeginUndoGroup", "CaretUp", "InsertText(a)", "EndUndoGroup"}},
        {"\"a b\"", {"InsertText(a b)"}},
        {"'it''s'", {"BeginUndoGroup", "InsertText(it)", "InsertText(s)", "EndUndoGroup"}},
        {"\"a\"b c",
         {"BeginUndoGroup", "InsertText(a)", "InsertText(b)", "InsertText(c)", "EndUndoGroup"}},
        {"\"", {"InsertText(\")"}},
        // An empty quoted text adds nothing.
        {"\"\" Return", {"NewLine"}},
        {"space SPACE", {"BeginUndoGroup", "InsertText( )", "InsertText( )", "EndUndoGroup"}},
        // A single character is text, even one that is a name.
        {"- Up", {"BeginUndoGroup", "InsertText(-)", "CaretUp", "EndUndoGroup"}},
        {"Nonsense Up", {"BeginUndoGroup", "InsertText(Nonsense)", "CaretUp", "EndUndoGroup"}},
        {"Mark3 Goto3", {"BeginUndoGroup", "SetBookmark(3)", "GotoBookmark(3)", "EndUndoGroup"}},
        {"", {}},
        {"   ", {}},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(Run(c.text), c.calls) << c.text;
    }
}

TEST_F(ActionsTest, OneCharacterTokenIsTextEvenWhenNamed) {
    int performed = 0;
    map.Add("x", std::make_unique<TUniNotifyEventAction>([&](TUniAction&) { ++performed; }));
    EXPECT_EQ(Run("x"), (TCalls{"InsertText(x)"}));
    EXPECT_EQ(performed, 0);
    // A surrogate pair is one character too.
    EXPECT_EQ(Run("\xF0\x9F\x98\x80"), (TCalls{"InsertText(\xF0\x9F\x98\x80)"}));
}

TEST_F(ActionsTest, NamesWithCharactersAbove127AreFoundThroughReferences) {
    map.Add(EncodeNumericRefsA(u"\u041F\u0440\u0438"), std::make_unique<TUp>());
    EXPECT_EQ(Run("\xD0\x9F\xD1\x80\xD0\xB8"), (TCalls{"CaretUp"}));
}

TEST_F(ActionsTest, UnknownWordsAreTextAndReported) {
    TParsedMacro parsed = ParseMacro(u"Nonsense Up More \"Quoted\" x", map, toMemo);
    EXPECT_EQ(parsed.unresolved, (std::vector<std::string>{"Nonsense", "More"}));
}

TEST_F(ActionsTest, SingleNameIsTheActionItselfAndMacrosOwnOnlyProxies) {
    TUniAction* ret = map.Find("Return");
    ASSERT_NE(ret, nullptr);
    TParsedMacro one = ParseMacro(u"RETURN", map, toMemo);
    EXPECT_TRUE(one.IsExisting());
    EXPECT_EQ(one.Action(), ret);
    EXPECT_EQ(one.created, nullptr);

    TParsedMacro two = ParseMacro(u"Return Return", map, toMemo);
    ASSERT_FALSE(two.IsExisting());
    auto* macro = dynamic_cast<TuniMemoMacroAction*>(two.created.get());
    ASSERT_NE(macro, nullptr);
    ASSERT_EQ(macro->Items().size(), 2u);
    for (const auto& item : macro->Items()) {
        auto* proxy = dynamic_cast<TuniMemoProxyAction*>(item.get());
        ASSERT_NE(proxy, nullptr);
        EXPECT_EQ(&proxy->Target(), ret);
    }
    two.created.reset(); // frees the proxies, not their target
    EXPECT_EQ(Run("Return"), (TCalls{"NewLine"}));
}

TEST_F(ActionsTest, MacroClosesItsGroupWhenAnItemFails) {
    memo.onInsert = [](std::u16string_view) { throw std::runtime_error("full"); };
    TParsedMacro parsed = ParseMacro(u"Up 'x' Down", map, toMemo);
    memo.calls.clear();
    EXPECT_THROW(RunAction(memo, *parsed.Action()), std::runtime_error);
    EXPECT_EQ(memo.calls, (TCalls{"BeginUndoGroup", "CaretUp", "InsertText(x)", "EndUndoGroup"}));
}

TEST_F(ActionsTest, FailingGroupCloseNeverHidesTheItemsException) {
    TParsedMacro parsed = ParseMacro(u"Up 'x' Down", map, toMemo);
    memo.onEndUndoGroup = [] { throw std::logic_error("journal"); };

    // Closing fails while the item's exception unwinds: the item's exception arrives.
    memo.onInsert = [](std::u16string_view) { throw std::runtime_error("full"); };
    memo.calls.clear();
    try {
        RunAction(memo, *parsed.Action());
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "full");
    }
    EXPECT_EQ(memo.calls, (TCalls{"BeginUndoGroup", "CaretUp", "InsertText(x)", "EndUndoGroup"}));

    // A macro whose items all ran reports the failed close itself.
    memo.onInsert = nullptr;
    memo.calls.clear();
    EXPECT_THROW(RunAction(memo, *parsed.Action()), std::logic_error);
    EXPECT_EQ(memo.calls.back(), "EndUndoGroup");
}

TEST_F(ActionsTest, MacrosNamingThemselvesStopAtTheDepthLimit) {
    auto count = [this](const std::string& call) {
        return std::count(memo.calls.begin(), memo.calls.end(), call);
    };
    auto message = [this](TUniAction& action) -> std::string {
        memo.calls.clear();
        try {
            RunAction(memo, action);
        } catch (const EMacroError& e) {
            return e.what();
        }
        return "no exception";
    };

    // A macro that runs itself.
    TuniMemoMacroAction self(toMemo);
    self.SetName("Loop");
    self.Add(MakeProxy(*map.Find("Up"), toMemo));
    self.Add(MakeProxy(self, toMemo));
    EXPECT_EQ(message(self), "Macro nesting too deep (more than 64 levels): Loop");
    EXPECT_EQ(count("CaretUp"), kMaxMacroDepth);
    // Every group opened is closed again.
    EXPECT_EQ(count("BeginUndoGroup"), kMaxMacroDepth);
    EXPECT_EQ(count("EndUndoGroup"), kMaxMacroDepth);

    // Two macros running each other: the one past the limit is named.
    TuniMemoMacroAction a(toMemo);
    TuniMemoMacroAction b(toMemo);
    a.SetName("A");
    b.SetName("B");
    a.Add(MakeProxy(b, toMemo));
    b.Add(std::make_unique<TuniInsertAction>(u"b", toMemo));
    b.Add(MakeProxy(a, toMemo));
    EXPECT_EQ(message(b), "Macro nesting too deep (more than 64 levels): B");
    EXPECT_EQ(message(a), "Macro nesting too deep (more than 64 levels): A");
    EXPECT_EQ(count("InsertText(b)"), kMaxMacroDepth / 2);
    EXPECT_EQ(count("BeginUndoGroup"), count("EndUndoGroup"));

    // Macro text run as is has no name to give.
    TuniMemoMacroAction unnamed(toMemo);
    unnamed.Add(MakeProxy(unnamed, toMemo));
    unnamed.Add(MakeProxy(unnamed, toMemo));
    EXPECT_EQ(message(unnamed), "Macro nesting too deep (more than 64 levels)");

    // The count starts over: nesting up to the limit runs.
    std::vector<std::unique_ptr<TuniMemoMacroAction>> chain;
    chain.push_back(std::make_unique<TuniMemoMacroAction>(toMemo));
    chain.back()->Add(MakeProxy(*map.Find("Down"), toMemo));
    while (static_cast<int>(chain.size()) < kMaxMacroDepth) {
        auto outer = std::make_unique<TuniMemoMacroAction>(toMemo);
        outer->Add(MakeProxy(*chain.back(), toMemo));
        chain.push_back(std::move(outer));
    }
    memo.calls.clear();
    RunAction(memo, *chain.back());
    EXPECT_EQ(count("CaretDown"), 1);
    EXPECT_EQ(count("EndUndoGroup"), kMaxMacroDepth);
}

TEST_F(ActionsTest, PerformAsksForTheEditor) {
    // Standard actions have no current-editor function: without an editor they do nothing.
    map.Find("Up")->Perform();
    EXPECT_TRUE(memo.calls.empty());

    TuniAbstractMemo* none = nullptr;
    TUp noEditor([&](TUniAction&) -> TuniAbstractMemo* { return none; });
    noEditor.Perform();
    EXPECT_TRUE(memo.calls.empty());

    // A macro's proxies run on the editor the macro's function gives.
    TParsedMacro parsed = ParseMacro(u"Up Down", map, toMemo);
    parsed.Action()->Perform();
    EXPECT_EQ(memo.calls, (TCalls{"BeginUndoGroup", "CaretUp", "CaretDown", "EndUndoGroup"}));

    TUniActionMap empty;
    RegisterInsertDateTime(empty, [&](TUniAction&) -> TuniAbstractMemo* { return none; });
    empty.Find("InsertDateTime")->Perform(); // no document: nothing
    EXPECT_EQ(memo.calls.size(), 4u);
}

TEST_F(ActionsTest, NotifyEventActionsRunPlainlyInsideMacros) {
    std::vector<TUniAction*> senders;
    TUniAction* save = map.Add("Save", std::make_unique<TUniNotifyEventAction>(
                                           [&](TUniAction& s) { senders.push_back(&s); }));
    TParsedMacro parsed = ParseMacro(u"Up save", map, toMemo);
    RunAction(memo, *parsed.Action());
    EXPECT_EQ(memo.calls, (TCalls{"BeginUndoGroup", "CaretUp", "EndUndoGroup"}));
    ASSERT_EQ(senders.size(), 1u);
    // The macro holds a plain proxy, which performs the command itself.
    EXPECT_EQ(senders[0], save);
    auto* macro = dynamic_cast<TuniMemoMacroAction*>(parsed.Action());
    ASSERT_NE(macro, nullptr);
    EXPECT_NE(dynamic_cast<TUniProxyAction*>(macro->Items()[1].get()), nullptr);
}

TEST(ActionMap, FirstNameWinsAndParentsAreSearchedLast) {
    TUniActionMap global;
    TUniAction* up = global.Add("Up", std::make_unique<TUp>());
    TUniAction* down = global.Add("Down", std::make_unique<TDown>());
    TUniAction* again = global.Add("UP", std::make_unique<TDown>());
    TUniActionMap document(&global);
    TUniAction* own = document.Add("down", std::make_unique<TUp>());

    EXPECT_EQ(global.Find("uP"), up);
    EXPECT_NE(global.Find("Up"), again);
    EXPECT_EQ(global.Find("down"), down);
    EXPECT_EQ(document.Find("Up"), up);
    EXPECT_EQ(document.Find("DOWN"), own);
    EXPECT_EQ(document.Find("Left"), nullptr);
    EXPECT_EQ(global.Add("None", nullptr), nullptr);
    EXPECT_EQ(global.Entries().size(), 3u);
}

TEST(StandardActions, RegisteredInOrderAndEachCallsItsCommand) {
    TUniActionMap map;
    RegisterStandardActions(map);
    const auto& expected = testing_support::StandardActionCommands();
    const auto& entries = map.Entries();
    ASSERT_EQ(entries.size(), expected.size() + 20);
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(entries[i].name, expected[i].first);
        TRecordingMemo memo;
        RunAction(memo, *entries[i].action);
        EXPECT_EQ(memo.calls, TCalls{std::string(expected[i].second)}) << expected[i].first;
    }
    for (int n = 0; n < 10; ++n) {
        const size_t at = expected.size() + 2 * static_cast<size_t>(n);
        EXPECT_EQ(entries[at].name, "Mark" + std::to_string(n));
        EXPECT_EQ(entries[at + 1].name, "Goto" + std::to_string(n));
        TRecordingMemo memo;
        RunAction(memo, *entries[at].action);
        RunAction(memo, *entries[at + 1].action);
        EXPECT_EQ(memo.calls, (TCalls{"SetBookmark(" + std::to_string(n) + ")",
                                      "GotoBookmark(" + std::to_string(n) + ")"}));
    }
    // Two names, two objects: each can have keys of its own.
    EXPECT_NE(map.Find("Top"), map.Find("ToTop"));
    EXPECT_NE(map.Find("Bottom"), map.Find("ToBottom"));
}

TEST(StandardActions, DateAndTimeLeaveOutMidnight) {
    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 2;
    t.tm_mday = 5;
    EXPECT_EQ(DateTimeText(t, std::locale::classic()), u"03/05/24");
    t.tm_hour = 13;
    t.tm_min = 4;
    t.tm_sec = 5;
    EXPECT_EQ(DateTimeText(t, std::locale::classic()), u"03/05/24 13:04:05");
    t.tm_hour = 0;
    t.tm_min = 0;
    t.tm_sec = 1; // a second past midnight is not midnight
    EXPECT_EQ(DateTimeText(t, std::locale::classic()), u"03/05/24 00:00:01");

    TRecordingMemo memo;
    TuniInsertDateTime action;
    RunAction(memo, action);
    ASSERT_EQ(memo.calls.size(), 1u);
    EXPECT_EQ(memo.calls[0].rfind("InsertText(", 0), 0u);
    EXPECT_GT(memo.calls[0].size(), std::string("InsertText()").size());
}

class ActionsFileTest : public ActionsTest {
protected:
    TempDir dir;
    TConfigFolder folder{dir.path().string()};

    ActionsFileTest() {
        for (const char* sub : {"Ini", "Compile", "Filter"}) {
            std::filesystem::create_directories(dir.path() / sub);
        }
    }
    void Write(std::string_view relative, std::string_view text) {
        WriteBytes(folder.Path(relative), text);
    }
};

TEST_F(ActionsFileTest, LoadActionsDefinesMacrosAndAliases) {
    Write("Ini/actions.ini", "[*]\n"
                             "MyRet=Return\n"
                             "Return=Up\n"
                             "Two=myret \"x\"\n"
                             "Empty=\n"
                             "Early=Later\n"
                             "Later=Down\n"
                             "Dollar=\"$#1055\" '&#1088;'\n"
                             "[Other]\n"
                             "Mine=Up\n");
    const TIniFile ini(folder.ActionsIni());
    std::unique_ptr<TUniActionMap> own;
    TLoadReport report = LoadActions(ini, "*", own, &map, toMemo);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->Parent(), &map);
    EXPECT_EQ(report.added, 6);
    ASSERT_EQ(report.unresolved.size(), 1u);
    EXPECT_EQ(report.unresolved[0].key, "Early");
    EXPECT_EQ(report.unresolved[0].token, "Later");

    // An alias is a proxy of its own, running the same command.
    TUniAction* alias = own->Find("myret");
    ASSERT_NE(alias, nullptr);
    EXPECT_NE(alias, map.Find("Return"));
    EXPECT_NE(dynamic_cast<TuniMemoProxyAction*>(alias), nullptr);
    RunAction(memo, *alias);
    EXPECT_EQ(memo.calls, TCalls{"NewLine"});

    // "Return" defined in the document map is searched first there; the global one stays.
    memo.calls.clear();
    RunAction(memo, *own->Find("Return"));
    RunAction(memo, *map.Find("Return"));
    EXPECT_EQ(memo.calls, (TCalls{"CaretUp", "NewLine"}));

    memo.calls.clear();
    RunAction(memo, *own->Find("Two"));
    EXPECT_EQ(memo.calls, (TCalls{"BeginUndoGroup", "NewLine", "InsertText(x)", "EndUndoGroup"}));
    // A macro knows the name it was defined under, for its messages.
    auto* two = dynamic_cast<TuniMemoMacroAction*>(own->Find("Two"));
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->Name(), "Two");
    EXPECT_EQ(own->Find("Empty"), nullptr);
    // A name defined later is not known yet: the word is typed.
    memo.calls.clear();
    RunAction(memo, *own->Find("Early"));
    EXPECT_EQ(memo.calls, TCalls{"InsertText(Later)"});
    memo.calls.clear();
    RunAction(memo, *own->Find("Dollar"));
    EXPECT_EQ(memo.calls, (TCalls{"BeginUndoGroup", "InsertText(\xD0\x9F)", "InsertText(\xD1\x80)",
                                  "EndUndoGroup"}));
    EXPECT_EQ(own->Find("Mine"), nullptr);

    // A missing section still makes the map, with nothing in it.
    std::unique_ptr<TUniActionMap> none;
    EXPECT_EQ(LoadActions(ini, "Missing", none, &map, toMemo).added, 0);
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->Entries().empty());
}

TEST_F(ActionsFileTest, RedefiningInTheSameMapChangesNothing) {
    Write("Ini/actions.ini", "[*]\nReturn=Up\n");
    std::unique_ptr<TUniActionMap> global = std::make_unique<TUniActionMap>();
    RegisterStandardActions(*global);
    TUniAction* before = global->Find("Return");
    LoadActions(TIniFile(folder.ActionsIni()), "*", global, nullptr, toMemo);
    EXPECT_EQ(global->Find("Return"), before);
}

TEST_F(ActionsFileTest, ManyNamesEachReferringToEarlierOnes) {
    // "M<i>" is "M<i/2> M<i/3>": every value names two actions defined before it, so each
    // load looks names up among thousands of others. Odd i is an alias of Up or Down.
    const int n = 4000;
    std::string text = "[*]\nM0=Up\nM1=Down\n";
    for (int i = 2; i < n; ++i) {
        const std::string m = "M" + std::to_string(i);
        if (i % 2 == 1) {
            text += m + "=" + (i % 4 == 1 ? "Up" : "Down") + "\n";
        } else {
            text += m + "=m" + std::to_string(i / 2) + " M" + std::to_string(i / 3) + "\n";
        }
    }
    text += "m7=Up\n"; // a repeated name: the first line stays
    Write("Ini/actions.ini", text);
    std::unique_ptr<TUniActionMap> own;
    TLoadReport report = LoadActions(TIniFile(folder.ActionsIni()), "*", own, &map, toMemo);
    EXPECT_EQ(report.added, n);
    EXPECT_TRUE(report.unresolved.empty());
    ASSERT_EQ(own->Entries().size(), static_cast<size_t>(n));
    // M7 is Down (the later "m7" line is ignored); M3998 runs M1999 (Down), then M1332.
    RunAction(memo, *own->Find("m7"));
    RunAction(memo, *own->Find("M3998"));
    ASSERT_GE(memo.calls.size(), 4u);
    EXPECT_EQ(memo.calls[0], "CaretDown");
    EXPECT_EQ(memo.calls[1], "BeginUndoGroup");
    EXPECT_EQ(memo.calls[2], "CaretDown");
    EXPECT_EQ(own->Find("Return"), map.Find("Return"));
}

TEST_F(ActionsFileTest, CompileAndFilterEntriesBecomeActions) {
    Write("Compile/c.ini", "[gcc build]\nCmd=gcc %File%\n[Make]\nCmd=make\n");
    Write("Ini/filters.ini", "[Sort lines]\nCmd=sort\n[Upper]\nCmd=tr a-z A-Z\n");
    Write("Filter/c.ini", "[upper]\nCharset=UTF-8\n[Indent it]\nCmd=indent\n");
    const TToolEntries entries = ReadToolEntries(folder, "c");
    EXPECT_EQ(entries.compile, (std::vector<std::string>{"gcc build", "Make"}));
    // The type file's "upper" is the same entry as filters.ini's "Upper".
    EXPECT_EQ(entries.filter, (std::vector<std::string>{"Sort lines", "Upper", "Indent it"}));

    TUniActionMap own(&map);
    RegisterToolActions(own, entries, toMemo);
    for (const char* name : {"compile.GCC_BUILD", "Compile.Make", "Filter.Sort_lines",
                             "Filter.Upper", "Filter.Indent_it"}) {
        TUniAction* action = own.Find(name);
        ASSERT_NE(action, nullptr) << name;
        action->Perform(); // on the editor the function gives
    }
    EXPECT_EQ(memo.calls,
              (TCalls{"RunCompiler(gcc_build)", "RunCompiler(Make)", "RunFilter(Sort_lines)",
                      "RunFilter(Upper)", "RunFilter(Indent_it)"}));

    // A type that cannot name a file there reads only filters.ini.
    const TToolEntries odd = ReadToolEntries(folder, "../Ini/filters");
    EXPECT_TRUE(odd.compile.empty());
    EXPECT_EQ(odd.filter.size(), 2u);
}

} // namespace
