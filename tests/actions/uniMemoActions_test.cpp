// Actions on a real editor: macros undone in one step, the handled mark, the document's
// own map and keymap that its controller rebuilds with its profile, and a rebuild while one
// of its actions runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "actions/uniMemoActions.h"
#include "actions/uniStdActions.h"
#include "editor/memoFakes.h"

using namespace memo_fakes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// An editor with its controller above it; the controller goes first.
struct TControlled {
    std::unique_ptr<TuniMemo> memo;
    std::unique_ptr<TMemoController> controller;
    TuniMemo& operator*() { return *memo; }
    TuniMemo* operator->() { return memo.get(); }
};

class MemoActionsTest : public ::testing::Test {
protected:
    TFakeHost host;
    TempDir dir;
    TConfigFolder folder{dir.path().string()};
    TCommonSettings common;
    std::unique_ptr<TUniActionMap> global = std::make_unique<TUniActionMap>();
    std::unique_ptr<TUniActionKeymap> globalKeys;
    TuniMemo* active = nullptr;
    TCurrentEditor activeEditor = [this](TUniAction&) -> TuniAbstractMemo* { return active; };

    MemoActionsTest() {
        for (const char* sub : {"Ini", "Compile"}) {
            std::filesystem::create_directories(dir.path() / sub);
        }
        RegisterStandardActions(*global);
    }

    void Write(std::string_view relative, std::string_view text) {
        WriteBytes(folder.Path(relative), text);
    }

    TControlled NewEditor(const std::string& type) {
        TControlled editor;
        editor.memo = std::make_unique<TuniMemo>(host.Platform(false),
                                                 TMemoEnvironment{&folder, &common, nullptr});
        editor.controller = std::make_unique<TMemoController>(*editor.memo, globalKeys.get());
        editor.controller->AttachActionMaps(*global, folder);
        editor->ApplyProfile(type);
        return editor;
    }

    void Press(TControlled& editor, TShortCut key) {
        TUniAction* action = editor.controller->FindKeyAction(key);
        ASSERT_NE(action, nullptr) << key;
        editor->BeginCommand();
        editor.controller->Execute(*action);
        editor->UpdateView();
    }
};

TEST_F(MemoActionsTest, MacroOfSeveralItemsUndoesInOneStep) {
    auto memo = NewEditor("txt");
    SetText(*memo, "xy");
    memo->SetCaret({2, 0});
    TParsedMacro parsed = ParseMacro(u"Return \"abc\" Return", *global, activeEditor);
    ExecuteAction(*memo, *parsed.Action());
    EXPECT_EQ(Text(*memo), "xy\nabc\n");
    EXPECT_EQ(memo->Caret(), (TPoint{0, 2}));
    memo->Undo();
    EXPECT_EQ(Text(*memo), "xy");
    EXPECT_FALSE(memo->CanUndo());
    memo->Redo();
    EXPECT_EQ(Text(*memo), "xy\nabc\n");
}

TEST_F(MemoActionsTest, FailingMacrosUndoInOneStepAndLeaveTheEditorUsable) {
    auto memo = NewEditor("txt");
    SetText(*memo, "xy");
    memo->SetCaret({2, 0});

    // A macro that runs itself types until the depth limit stops it.
    TuniMemoMacroAction loop(activeEditor);
    loop.SetName("Loop");
    loop.Add(std::make_unique<TuniInsertAction>(u"a", activeEditor));
    loop.Add(MakeProxy(loop, activeEditor));
    EXPECT_THROW(ExecuteAction(*memo, loop), EMacroError);
    EXPECT_EQ(Text(*memo), "xy" + std::string(kMaxMacroDepth, 'a'));
    memo->Undo();
    EXPECT_EQ(Text(*memo), "xy");
    EXPECT_FALSE(memo->CanUndo());

    // A command that fails half-way through a macro: its exception reaches the caller and
    // what the macro did before it is one undo step.
    global->Add("Fail", std::make_unique<TUniNotifyEventAction>(
                            [](TUniAction&) { throw std::runtime_error("no printer"); }));
    memo->SetCaret({2, 0});
    TParsedMacro parsed = ParseMacro(u"Return \"abc\" Fail Return", *global, activeEditor);
    try {
        ExecuteAction(*memo, *parsed.Action());
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "no printer");
    }
    EXPECT_EQ(Text(*memo), "xy\nabc");
    memo->Undo();
    EXPECT_EQ(Text(*memo), "xy");
    EXPECT_FALSE(memo->CanUndo());

    // Both left the journal closed: the next macro is a step of its own.
    TParsedMacro fine = ParseMacro(u"Return \"ok\"", *global, activeEditor);
    memo->SetCaret({2, 0});
    ExecuteAction(*memo, *fine.Action());
    EXPECT_EQ(Text(*memo), "xy\nok");
    memo->Undo();
    EXPECT_EQ(Text(*memo), "xy");
    EXPECT_FALSE(memo->CanUndo());
}

TEST_F(MemoActionsTest, BookmarksAndTopThroughTheirNames) {
    auto memo = NewEditor("txt");
    SetText(*memo, "one\ntwo\nthree");
    memo->SetCaret({2, 1});
    ExecuteAction(*memo, *global->Find("mark3"));
    ExecuteAction(*memo, *global->Find("Bottom"));
    EXPECT_EQ(memo->Caret(), (TPoint{5, 2}));
    ExecuteAction(*memo, *global->Find("Goto3"));
    EXPECT_EQ(memo->Caret(), (TPoint{2, 1}));
    ExecuteAction(*memo, *global->Find("Goto4")); // unset: stays
    EXPECT_EQ(memo->Caret(), (TPoint{2, 1}));
    ExecuteAction(*memo, *global->Find("Top"));
    EXPECT_EQ(memo->Caret(), (TPoint{0, 0}));
    memo->SetCaret({2, 1});
    ExecuteAction(*memo, *global->Find("ToTop"));
    EXPECT_EQ(memo->Caret(), (TPoint{0, 0}));
}

TEST_F(MemoActionsTest, ExecuteActionMarksTheKeyHandledUnlessTheCommandDeclines) {
    auto memo = NewEditor("txt");
    SetText(*memo, "ab");
    memo->SetKeyHandled(false);
    ExecuteAction(*memo, *global->Find("Right"));
    EXPECT_TRUE(memo->KeyHandled());

    memo->SetWantReturns(false);
    ExecuteAction(*memo, *global->Find("Return"));
    EXPECT_FALSE(memo->KeyHandled());
    EXPECT_EQ(Text(*memo), "ab");

    // A plain action runs without the editor and leaves the mark set.
    int performed = 0;
    global->Add("Beep", std::make_unique<TUniNotifyEventAction>([&](TUniAction&) { ++performed; }));
    ExecuteAction(*memo, *global->Find("Beep"));
    EXPECT_TRUE(memo->KeyHandled());
    EXPECT_EQ(performed, 1);
}

TEST_F(MemoActionsTest, DocumentBindingsBeatGlobalOnes) {
    Write("Ini/files.ini", "[*]\nKeys=Base\n[txt]\nKeys=Doc\n");
    Write("Ini/actions.ini", "[*]\nOpenBelow=End Return\n"
                             "[Doc]\nMine=Down \"z\"\nReturn=Up\n");
    Write("Ini/keys.ini", "[*]\nCtrl+K=Up\nCtrl+J=OpenBelow\n"
                          "[Base]\nF4=Home\n"
                          "[Doc]\nCtrl+K=Mine\nCtrl+L=Return\n");
    Write("Compile/txt.ini", "[Word count]\nCmd=wc\n");
    const TLoadReport globalReport = LoadGlobalActions(folder, global, globalKeys, activeEditor);
    EXPECT_TRUE(globalReport.unresolved.empty());

    auto text = NewEditor("txt");
    auto other = NewEditor("md");
    const TUniActionMap* own = text.controller->Map();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->Parent(), global.get());
    EXPECT_TRUE(text.controller->Report().unresolved.empty());
    EXPECT_EQ(text.controller->Tools().compile, std::vector<std::string>{"Word count"});

    const TShortCut ctrlK = scCtrl | 'K';
    EXPECT_EQ(text.controller->FindKeyAction(ctrlK), own->Find("Mine"));
    EXPECT_EQ(other.controller->FindKeyAction(ctrlK), global->Find("Up"));
    // "Return" means Up in the text document's map only.
    EXPECT_EQ(text.controller->FindKeyAction(scCtrl | 'L'), own->Find("Return"));
    EXPECT_NE(own->Find("Return"), global->Find("Return"));
    // Both documents take "*" of files.ini and with it the Base group.
    EXPECT_NE(other.controller->FindKeyAction(vkF1 + 3), nullptr);
    EXPECT_EQ(text.controller->FindKeyAction(scAlt | 'Q'), nullptr);

    SetText(*text, "ab\ncd");
    Press(text, ctrlK);
    EXPECT_EQ(Text(*text), "ab\nzcd");
    Press(text, scCtrl | 'J');
    EXPECT_EQ(Text(*text), "ab\nzcd\n");
    text->Undo();
    EXPECT_EQ(Text(*text), "ab\nzcd");

    // The compile action asks the editor's owner.
    TMemoEvents events(*text);
    own->Find("Compile.Word_count")->Perform();
    EXPECT_EQ(events.requests, std::vector<std::string>{"compile Word_count"});
}

TEST_F(MemoActionsTest, ProfileAppliedAgainRebuildsTheMaps) {
    Write("Ini/files.ini", "[txt]\nKeys=Doc\n");
    Write("Ini/actions.ini", "[Doc]\nMine=Up\n");
    Write("Ini/keys.ini", "[Doc]\nF4=Mine\n");
    auto memo = NewEditor("txt");
    EXPECT_NE(memo.controller->Map()->Find("Mine"), nullptr);
    EXPECT_NE(memo.controller->Keymap()->FindBinding(vkF1 + 3), nullptr);

    memo->ApplyProfile("md");
    EXPECT_EQ(memo.controller->Map()->Find("Mine"), nullptr);
    EXPECT_EQ(memo.controller->Keymap()->FindBinding(vkF1 + 3), nullptr);
}

TEST_F(MemoActionsTest, RebuildWhileADocumentMacroRunsKeepsTheMacroAlive) {
    Write("Ini/files.ini", "[txt]\nKeys=Doc\n");
    Write("Ini/actions.ini", "[Doc]\nReapplyAndType=Reapply \"a\" Reapply \"b\"\n");
    TControlled memo;
    int reapplied = 0;
    global->Add("Reapply", std::make_unique<TUniNotifyEventAction>([&](TUniAction&) {
                    ++reapplied;
                    memo->ApplyProfile("txt");
                }));
    memo = NewEditor("txt");
    const TUniActionMap* before = memo.controller->Map();
    TUniAction* macro = before->Find("ReapplyAndType");
    ASSERT_NE(macro, nullptr);
    memo.controller->Execute(*macro);
    EXPECT_EQ(reapplied, 2);
    EXPECT_EQ(Text(*memo), "ab");
    EXPECT_NE(memo.controller->Map()->Find("ReapplyAndType"), nullptr);
    memo->Undo();
    EXPECT_EQ(Text(*memo), "");
}

} // namespace
