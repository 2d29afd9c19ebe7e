// pelmar-batch --key over every binding of the shipped keys.ini: each key does what the
// name it is bound to promises, compared with running that command or macro directly.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "actions/uniKeyNames.h"
#include "actions/uniStdActions.h"
#include "base/uniAscii.h"
#include "base/uniIni.h"
#include "profile/uniProfile.h"
#include "support/standardActions.h"
#include "support/testSupport.h"

using testing_support::ProcessResult;
using testing_support::RunProcess;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

const TConfigFolder kShipped{PELMAR_SOURCE_DATA_DIR};
const std::string kText = "alpha beta\n  gamma delta\nlast line\n";

// What every run does first: all bookmarks on (1, 2), then "gamma" selected.
std::vector<std::string> Prelude() {
    std::vector<std::string> args = {"--goto", "1", "2"};
    for (int n = 0; n < 10; ++n) {
        args.insert(args.end(), {"--cmd", "SetBookmark:" + std::to_string(n)});
    }
    args.insert(args.end(), {"--select", "2", "1", "7", "1"});
    return args;
}

ProcessResult Batch(const std::string& extension, const std::vector<std::string>& actions) {
    static TempDir dir;
    const std::string file = dir.file("doc." + extension);
    WriteBytes(file, kText);
    std::vector<std::string> args = {PELMAR_BATCH_EXE, "--home", PELMAR_PROGRAM_DIR, file};
    const std::vector<std::string> prelude = Prelude();
    args.insert(args.end(), prelude.begin(), prelude.end());
    args.insert(args.end(), actions.begin(), actions.end());
    args.insert(args.end(), {"--state", "--dump"});
    return RunProcess(args);
}

// The editor command each standard action name promises, and the bookmark commands.
const std::map<std::string, std::string>& CommandOf() {
    static const std::map<std::string, std::string> commands = [] {
        std::map<std::string, std::string> m;
        for (const auto& [name, command] : testing_support::StandardActionCommands()) {
            m.emplace(name, command);
        }
        for (int n = 0; n < 10; ++n) {
            m["Mark" + std::to_string(n)] = "SetBookmark:" + std::to_string(n);
            m["Goto" + std::to_string(n)] = "GotoBookmark:" + std::to_string(n);
        }
        return m;
    }();
    return commands;
}

bool MovesTheCaret(const std::string& command) {
    static const std::set<std::string> moving = {
        "CaretRight", "CaretLeft", "WordRight", "WordLeft", "CaretDown",  "CaretUp", "ScrollDown",
        "ScrollUp",   "LineHome",  "LineEnd",   "TextTop",  "TextBottom", "PageUp",  "PageDown"};
    return moving.count(command) > 0;
}

// The part of a --state line between two keys, e.g. the selection object.
std::string Field(const std::string& state, const std::string& key) {
    const size_t at = state.find("\"" + key + "\":");
    if (at == std::string::npos) {
        return {};
    }
    const size_t from = at + key.size() + 3;
    int depth = 0;
    for (size_t i = from; i < state.size(); ++i) {
        const char c = state[i];
        depth += (c == '{' || c == '[') ? 1 : (c == '}' || c == ']') ? -1 : 0;
        if (depth < 0 || (depth == 0 && c == ',')) {
            return state.substr(from, i - from);
        }
    }
    return state.substr(from);
}

std::string FirstLine(const std::string& out) {
    return out.substr(0, out.find('\n'));
}

std::string AfterFirstLine(const std::string& out) {
    const size_t nl = out.find('\n');
    return nl == std::string::npos ? std::string() : out.substr(nl + 1);
}

// One file type whose profile names `group` in its Keys list.
std::string TypeUsing(const std::string& group) {
    const TIniFile files(kShipped.FilesIni());
    for (const std::string& section : files.ReadSectionsA()) {
        TFileProfile profile;
        ReadProfileSection(files, section, TCommonSettings{}, profile);
        for (const std::string& k : profile.keys) {
            if (SameText(k, group) && section != "*") {
                return section.substr(0, section.find_first_of(" ,"));
            }
        }
    }
    return {};
}

TEST(BatchKeys, EveryGlobalBindingDoesWhatItsNamePromises) {
    const TIniFile keys(kShipped.KeysIni());
    const std::set<std::string_view> mainWindow(MainWindowActionNames().begin(),
                                                MainWindowActionNames().end());
    // C files do not wrap, so Alt+Shift makes column blocks.
    const ProcessResult untouched = Batch("c", {});
    ASSERT_EQ(untouched.status, 0) << untouched.err;
    int checked = 0;
    for (const std::string& keyText : keys.ReadSectionA("*")) {
        const std::string name = keys.ReadStringA("*", keyText);
        SCOPED_TRACE(keyText + "=" + name);
        const ProcessResult byKey = Batch("c", {"--key", keyText});
        ASSERT_EQ(byKey.status, 0) << byKey.err;
        if (name == "InsertDateTime") {
            // The date changes between runs: some text replaced the selected word.
            const std::string text = AfterFirstLine(byKey.out);
            EXPECT_TRUE(text.starts_with("alpha beta\n  ")) << text;
            EXPECT_EQ(text.find("gamma"), std::string::npos) << text;
            EXPECT_NE(text.find(" delta\nlast line\n"), std::string::npos) << text;
            ++checked;
            continue;
        }
        const auto command = CommandOf().find(name);
        if (mainWindow.count(name) && command == CommandOf().end()) {
            EXPECT_NE(byKey.err.find(name + " is a main-window command"), std::string::npos);
            EXPECT_EQ(byKey.out, untouched.out);
            ++checked;
            continue;
        }
        ASSERT_NE(command, CommandOf().end()) << "no expectation for " << name;
        const ProcessResult byCommand = Batch("c", {"--cmd", command->second});
        ASSERT_EQ(byCommand.status, 0) << byCommand.err;
        const TShortCut key = TextToShortCut(keyText);
        if ((key & scShift) != 0 && MovesTheCaret(command->second)) {
            // Shift extends the selection from its anchor; the caret goes where the command
            // sends it.
            const std::string state = FirstLine(byKey.out);
            EXPECT_EQ(Field(state, "caret"), Field(FirstLine(byCommand.out), "caret"));
            EXPECT_EQ(AfterFirstLine(byKey.out), AfterFirstLine(byCommand.out));
            const std::string selection = Field(state, "selection");
            EXPECT_NE(selection.find("\"start\":[2,1]"), std::string::npos) << selection;
            const bool column = (key & scAlt) != 0;
            EXPECT_NE(selection.find(column ? "\"mode\":\"column\"" : "\"mode\":\"stream\""),
                      std::string::npos)
                << selection;
        } else {
            EXPECT_EQ(byKey.out, byCommand.out);
        }
        ++checked;
    }
    EXPECT_GT(checked, 100);
}

TEST(BatchKeys, ProfileBindingsRunTheirSectionsMacros) {
    const TIniFile keys(kShipped.KeysIni());
    const TIniFile actions(kShipped.ActionsIni());
    for (const std::string& group : keys.ReadSectionsA()) {
        if (group == "*") {
            continue;
        }
        const std::string type = group == "Default" ? "txt" : TypeUsing(group);
        ASSERT_FALSE(type.empty()) << group;
        for (const std::string& keyText : keys.ReadSectionA(group)) {
            const std::string value = keys.ReadStringA(group, keyText);
            SCOPED_TRACE("[" + group + "] " + keyText + "=" + value + " in ." + type);
            // A name of the group's own actions, else of section "*", else a macro text.
            std::string macro = actions.ReadStringA(group, value, "");
            if (macro.empty()) {
                macro = actions.ReadStringA("*", value, value);
            }
            if (value == "LogEntry") {
                continue; // holds the date and time
            }
            const ProcessResult byKey = Batch(type, {"--key", keyText});
            const ProcessResult byMacro = Batch(type, {"--exec", macro});
            ASSERT_EQ(byKey.status, 0) << byKey.err;
            ASSERT_EQ(byMacro.status, 0) << byMacro.err;
            EXPECT_EQ(byKey.out, byMacro.out);
        }
    }
}

TEST(BatchKeys, CommentKeysAndWhatAKeyCannotDo) {
    ProcessResult r = Batch("c", {"--key", "Ctrl+K", "--key", "Ctrl+K"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(AfterFirstLine(r.out), "alpha beta\n//   gamma delta\n// last line\n\n");
    r = Batch("py", {"--key", "Ctrl+K"});
    EXPECT_EQ(AfterFirstLine(r.out), "alpha beta\n#   gamma delta\nlast line\n\n");
    // A key nothing binds does nothing; a text that names no key is a usage error.
    r = Batch("txt", {"--key", "Ctrl+Alt+Q"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("not bound"), std::string::npos);
    r = Batch("txt", {"--key", "Ctrl+Nothing"});
    EXPECT_EQ(r.status, 1);
}

} // namespace
