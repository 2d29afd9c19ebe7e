// The shipped actions.ini and keys.ini: every section loads without an unknown name or key
// text, every single-name binding runs the action it names, and the menus get keys.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "actions/uniMemoActions.h"
#include "actions/uniStdActions.h"
#include "base/uniAscii.h"
#include "base/uniIni.h"
#include "profile/uniProfile.h"

namespace {

const TConfigFolder kShipped{PELMAR_SOURCE_DATA_DIR};

std::string Describe(const TLoadReport& report) {
    std::string out;
    for (const TUnresolvedName& u : report.unresolved) {
        out += "[" + u.section + "] " + u.key + ": " + u.token + "\n";
    }
    for (const std::string& key : report.badKeys) {
        out += "bad key " + key + "\n";
    }
    return out;
}

class ShippedKeysTest : public ::testing::Test {
protected:
    std::unique_ptr<TUniActionMap> global = std::make_unique<TUniActionMap>();
    std::unique_ptr<TUniActionKeymap> globalKeys;
    TCurrentEditor noEditor = [](TUniAction&) -> TuniAbstractMemo* { return nullptr; };

    ShippedKeysTest() { RegisterStandardActions(*global); }

    // What the main window registers before it loads the files.
    void RegisterMainWindow() {
        for (std::string_view name : MainWindowActionNames()) {
            if (name == "InsertDateTime") {
                RegisterInsertDateTime(*global, noEditor);
            } else {
                global->Add(std::string(name), std::make_unique<TUniNotifyEventAction>(nullptr));
            }
        }
    }

    // The groups the shipped profiles name, each loaded as a document does.
    std::set<std::string> ProfileGroups() const {
        const TIniFile files(kShipped.FilesIni());
        std::set<std::string> groups;
        for (const std::string& section : files.ReadSectionsA()) {
            TFileProfile profile;
            ReadProfileSection(files, section, TCommonSettings{}, profile);
            groups.insert(profile.keys.begin(), profile.keys.end());
        }
        return groups;
    }
};

TEST_F(ShippedKeysTest, EveryNameResolvesOnceTheMainWindowRegisteredItsCommands) {
    RegisterMainWindow();
    const TLoadReport report = LoadGlobalActions(kShipped, global, globalKeys, noEditor);
    EXPECT_EQ(Describe(report), "");
    EXPECT_EQ(static_cast<size_t>(report.added),
              TIniFile(kShipped.ActionsIni()).ReadSectionA("*").size() +
                  TIniFile(kShipped.KeysIni()).ReadSectionA("*").size());

    const TIniFile actions(kShipped.ActionsIni());
    const TIniFile keys(kShipped.KeysIni());
    const std::set<std::string> groups = ProfileGroups();
    EXPECT_EQ(groups, (std::set<std::string>{"Default", "DashComment", "HashComment",
                                             "SlashComment", "SpaceIndent"}));
    for (const std::string& group : groups) {
        EXPECT_TRUE(keys.SectionExists(group)) << group;
        std::unique_ptr<TUniActionMap> own;
        std::unique_ptr<TUniActionKeymap> ownKeys;
        TLoadReport groupReport = LoadActions(actions, group, own, global.get(), noEditor);
        groupReport.Append(LoadKeys(keys, group, ownKeys, *own, noEditor));
        EXPECT_EQ(Describe(groupReport), "") << group;
        EXPECT_FALSE(ownKeys->Pairs().empty()) << group;
    }
}

TEST_F(ShippedKeysTest, WithoutTheMainWindowOnlyItsCommandsAreUnknown) {
    const TLoadReport report = LoadGlobalActions(kShipped, global, globalKeys, noEditor);
    std::set<std::string> unknown;
    for (const TUnresolvedName& u : report.unresolved) {
        unknown.insert(u.token);
    }
    std::set<std::string> mainWindow(MainWindowActionNames().begin(),
                                     MainWindowActionNames().end());
    for (const std::string& name : unknown) {
        EXPECT_TRUE(mainWindow.count(name)) << name;
    }
    EXPECT_TRUE(unknown.count("SearchBack"));
    EXPECT_TRUE(unknown.count("InsertDateTime")); // LogEntry in actions.ini, F5 in keys.ini
}

TEST_F(ShippedKeysTest, EverySingleNameBindingRunsTheActionItNames) {
    RegisterMainWindow();
    LoadGlobalActions(kShipped, global, globalKeys, noEditor);
    const TIniFile keys(kShipped.KeysIni());
    size_t checked = 0;
    std::map<TShortCut, std::string> seen;
    const std::vector<std::string> keyTexts = keys.ReadSectionA("*");
    for (const std::string& keyText : keyTexts) {
        const std::string value = keys.ReadStringA("*", keyText);
        const TShortCut key = TextToShortCut(keyText);
        ASSERT_NE(key, 0) << keyText;
        // No key is bound twice in one section: a second binding would hide the first.
        EXPECT_TRUE(seen.emplace(key, keyText).second) << keyText << " and " << seen[key];
        if (value.find(' ') != std::string::npos) {
            continue;
        }
        EXPECT_EQ(globalKeys->FindBinding(key), global->Find(value)) << keyText << "=" << value;
        ++checked;
    }
    EXPECT_EQ(checked, keyTexts.size()); // section "*" binds names only
}

TEST_F(ShippedKeysTest, MenusShowTheUsualKeys) {
    RegisterMainWindow();
    LoadGlobalActions(kShipped, global, globalKeys, noEditor);
    std::map<std::string, std::string> texts;
    for (const TMenuShortcut& s : ShowKeysInMenus(*globalKeys, *global)) {
        texts[std::string(s.name)] = s.text;
        EXPECT_NE(s.key, 0) << s.name << " has no key";
    }
    const std::map<std::string, std::string> expected = {
        {"Undo", "Ctrl+Z"},        {"Redo", "Ctrl+Y"},  {"Cut", "Ctrl+X"},
        {"Copy", "Ctrl+C"},        {"Paste", "Ctrl+V"}, {"Close", "Ctrl+W"},
        {"Delete", "Del"},         {"Help", "F1"},      {"SearchBack", "Shift+F3"},
        {"Reopen", "Shift+Ctrl+O"}};
    for (const auto& [name, text] : expected) {
        EXPECT_EQ(texts[name], text) << name;
    }
}

} // namespace
