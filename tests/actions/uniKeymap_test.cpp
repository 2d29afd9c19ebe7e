// Keymaps: bindings found last-added first, owned and borrowed actions, keys.ini, and the
// keys the menus show.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "actions/uniKeymap.h"
#include "actions/uniStdActions.h"
#include "base/uniIni.h"
#include "profile/uniProfile.h"
#include "recordingMemo.h"

using actions_test::TRecordingMemo;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

constexpr TShortCut vkF2 = vkF1 + 1;
constexpr TShortCut vkF3 = vkF1 + 2;

using TCalls = std::vector<std::string>;

TEST(Keymap, LastBindingOfAKeyWinsAndKeyOfFindsTheLastPair) {
    TUniActionMap map;
    RegisterStandardActions(map);
    TUniAction* up = map.Find("Up");
    TUniAction* down = map.Find("Down");
    TUniActionKeymap keymap;
    keymap.AddBinding(vkF1, up);
    keymap.AddBinding(vkF2, down);
    keymap.AddBinding(vkF1, down);
    keymap.AddBinding(vkF3, static_cast<TUniAction*>(nullptr));
    keymap.AddBinding(vkF3, std::unique_ptr<TUniAction>());

    EXPECT_EQ(keymap.FindBinding(vkF1), down);
    EXPECT_EQ(keymap.FindBinding(vkF2), down);
    EXPECT_EQ(keymap.FindBinding(vkF3), nullptr);
    EXPECT_EQ(keymap.KeyOf(down), vkF1);
    EXPECT_EQ(keymap.KeyOf(up), vkF1); // still its key, though hidden
    EXPECT_EQ(keymap.KeyOf(map.Find("Left")), 0);
    EXPECT_EQ(keymap.KeyOf(nullptr), 0);
    EXPECT_EQ(keymap.Pairs().size(), 3u);
}

class KeysFileTest : public ::testing::Test {
protected:
    TempDir dir;
    TConfigFolder folder{dir.path().string()};
    TUniActionMap map;
    TRecordingMemo memo;
    TCurrentEditor toMemo = [this](TUniAction&) -> TuniAbstractMemo* { return &memo; };

    KeysFileTest() {
        std::filesystem::create_directories(dir.path() / "Ini");
        RegisterStandardActions(map);
    }
    void WriteKeys(std::string_view text) { WriteBytes(folder.KeysIni(), text); }
    TLoadReport Load(const char* section, std::unique_ptr<TUniActionKeymap>& keymap) {
        return LoadKeys(TIniFile(folder.KeysIni()), section, keymap, map, toMemo);
    }
};

TEST_F(KeysFileTest, KeyTextsInAnyCaseAndWithCaretAreOneKey) {
    WriteKeys("[A]\nCtrl+Shift+Z=Undo\n[B]\nshift+CTRL+z=Redo\n[C]\n^Shift+Z=Up\n"
              "[D]\nSHIFT+^z=Down\n[E]\nCtrl+&#93;=Bracket\n");
    std::unique_ptr<TUniActionKeymap> keymap;
    for (const char* section : {"A", "B", "C", "D"}) {
        EXPECT_EQ(Load(section, keymap).added, 1) << section;
    }
    ASSERT_EQ(keymap->Pairs().size(), 4u);
    for (const TUniActionKeyPair& pair : keymap->Pairs()) {
        EXPECT_EQ(pair.Key(), scCtrl | scShift | 'Z');
    }
    EXPECT_EQ(keymap->FindBinding(scCtrl | scShift | 'Z'), map.Find("Down"));
    // A reference in the key text stands for its character.
    Load("E", keymap);
    EXPECT_EQ(keymap->FindBinding(scCtrl | 0xDD), map.Find("Bracket"));
}

TEST_F(KeysFileTest, ValuesBindSharedActionsOrOwnedMacros) {
    WriteKeys("[*]\n"
              "Enter=Return\n"
              "Ctrl+Enter=End Return\n"
              "Tab=SPACE SPACE\n"
              "F2=Nonsense\n"
              "F3=\n"
              "Ctrl+Banana=Up\n"
              "Ctrl+&#1044;=Up\n");
    std::unique_ptr<TUniActionKeymap> keymap;
    const TLoadReport report = Load("*", keymap);
    EXPECT_EQ(report.added, 4);
    EXPECT_EQ(report.badKeys, (std::vector<std::string>{"Ctrl+Banana", "Ctrl+&#1044;"}));
    ASSERT_EQ(report.unresolved.size(), 1u);
    EXPECT_EQ(report.unresolved[0].key, "F2");
    EXPECT_EQ(report.unresolved[0].token, "Nonsense");

    const auto& pairs = keymap->Pairs();
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_EQ(pairs[0].Action(), map.Find("Return"));
    EXPECT_FALSE(pairs[0].Owned());
    EXPECT_TRUE(pairs[1].Owned());
    EXPECT_TRUE(pairs[2].Owned());
    EXPECT_TRUE(pairs[3].Owned());
    for (const TShortCut key : {TShortCut(scCtrl | vkReturn), TShortCut(vkTab), vkF2}) {
        RunAction(memo, *keymap->FindBinding(key));
    }
    EXPECT_EQ(memo.calls,
              (TCalls{"BeginUndoGroup", "LineEnd", "NewLine", "EndUndoGroup", "BeginUndoGroup",
                      "InsertText( )", "InsertText( )", "EndUndoGroup", "InsertText(Nonsense)"}));
    EXPECT_EQ(keymap->FindBinding(vkF3), nullptr);

    // Freeing the keymap frees what its pairs own, never the map's actions.
    keymap.reset();
    memo.calls.clear();
    RunAction(memo, *map.Find("Return"));
    EXPECT_EQ(memo.calls, TCalls{"NewLine"});
}

TEST_F(KeysFileTest, LaterLoadsHideEarlierBindings) {
    WriteKeys("[*]\nF5=Up\nF6=Left\n");
    std::unique_ptr<TUniActionKeymap> keymap;
    Load("*", keymap);
    EXPECT_EQ(keymap->FindBinding(vkF1 + 4), map.Find("Up"));
    // A language switch reads the edited file again into the same keymap.
    WriteKeys("[*]\nF5=Down\n");
    Load("*", keymap);
    EXPECT_EQ(keymap->FindBinding(vkF1 + 4), map.Find("Down"));
    EXPECT_EQ(keymap->FindBinding(vkF1 + 5), map.Find("Left"));
    EXPECT_EQ(keymap->Pairs().size(), 3u);
}

TEST_F(KeysFileTest, MissingFileOrSectionBindsNothing) {
    std::unique_ptr<TUniActionKeymap> keymap;
    EXPECT_EQ(Load("*", keymap).added, 0);
    ASSERT_NE(keymap, nullptr);
    EXPECT_TRUE(keymap->Pairs().empty());
    WriteKeys("[Other]\nF5=Up\n");
    EXPECT_EQ(Load("*", keymap).added, 0);
    EXPECT_TRUE(keymap->Pairs().empty());
}

TEST_F(KeysFileTest, MenusShowTheLastGlobalKeyOfEachCommand) {
    WriteKeys("[*]\nShift+Del=Cut\nCtrl+X=Cut\nCtrl+Z=Undo\nF1=Help\nF9=Run Up\n");
    map.Add("Help", std::make_unique<TUniNotifyEventAction>(nullptr));
    map.Add("Run", std::make_unique<TUniNotifyEventAction>(nullptr));
    std::unique_ptr<TUniActionKeymap> keymap;
    Load("*", keymap);
    const std::vector<TMenuShortcut> shortcuts = ShowKeysInMenus(*keymap, map);
    ASSERT_EQ(shortcuts.size(), MenuActionNames().size());
    std::map<std::string, std::string> texts;
    for (const TMenuShortcut& s : shortcuts) {
        texts[std::string(s.name)] = s.text;
        EXPECT_EQ(s.key == 0, s.text.empty()) << s.name;
    }
    EXPECT_EQ(texts["Cut"], "Ctrl+X");
    EXPECT_EQ(texts["Undo"], "Ctrl+Z");
    EXPECT_EQ(texts["Help"], "F1");
    // F9 runs a macro of its own, not the Run command: the menu shows no key.
    EXPECT_EQ(texts["Run"], "");
    EXPECT_EQ(texts["Paste"], "");
    EXPECT_EQ(texts["SearchBack"], ""); // not registered at all
}

} // namespace
