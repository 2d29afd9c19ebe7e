// The command list against what is made from it: every command reachable by its action
// names in the standard action map and by its interface name in pelmar-batch's --cmd, each
// running that command; no name twice.
#include <gtest/gtest.h>

#include <set>

#include "actions/recordingMemo.h"
#include "actions/uniActions.h"
#include "actions/uniStdActions.h"
#include "batch/batchCommands.h"
#include "editor/uniCommands.h"

using actions_test::TRecordingMemo;

namespace {

using TCalls = std::vector<std::string>;

std::string Lower(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// What running the action of `name` in `map` calls on an editor.
TCalls RunNamed(const TUniActionMap& map, std::string_view name) {
    TRecordingMemo memo;
    TUniAction* action = map.Find(name);
    if (action == nullptr) {
        return {"no action " + std::string(name)};
    }
    RunAction(memo, *action);
    return memo.calls;
}

// What pelmar-batch's --cmd with `spec` calls.
TCalls RunBatch(const std::string& spec) {
    TRecordingMemo memo;
    TCommandLookup found = FindEditorCommand(spec);
    if (!found.command) {
        return {found.error};
    }
    (*found.command)(memo);
    return memo.calls;
}

TEST(CommandList, StandardActionsAndBatchNamesReachEveryCommand) {
    TUniActionMap map;
    RegisterStandardActions(map);
    RegisterToolActions(map, TToolEntries{{"Make it"}, {"Sort"}}, {});
    size_t actionNames = 0;
    for (const TCommandInfo& command : kEditorCommands) {
        const std::string name(command.name);
        SCOPED_TRACE(name);
        EXPECT_EQ(&CommandInfo(command.id), &command);
        switch (command.call) {
        case TCommandCall::Plain:
            for (const std::string_view action : command.actions) {
                if (!action.empty()) {
                    ++actionNames;
                    EXPECT_EQ(RunNamed(map, action), TCalls{name}) << action;
                }
            }
            EXPECT_EQ(RunBatch(name), TCalls{name});
            EXPECT_EQ(RunBatch(Lower(name)), TCalls{name});
            break;
        case TCommandCall::Numbered:
            for (int n = 0; n < 10; ++n) {
                ++actionNames;
                const std::string call = name + "(" + std::to_string(n) + ")";
                EXPECT_EQ(RunNamed(map, std::string(command.actions[0]) + std::to_string(n)),
                          TCalls{call});
                EXPECT_EQ(RunBatch(name + ":" + std::to_string(n)), TCalls{call});
            }
            break;
        case TCommandCall::Entry: {
            const std::string entry = command.id == TCommandId::RunCompiler ? "Make_it" : "Sort";
            EXPECT_EQ(RunNamed(map, std::string(command.actions[0]) + entry),
                      TCalls{name + "(" + entry + ")"});
            EXPECT_EQ(RunBatch(name + ":x y"), TCalls{name + "(x y)"});
            break;
        }
        case TCommandCall::Text:
            EXPECT_EQ(RunBatch(name + ":a\xC3\xA9"), TCalls{name + "(a\xC3\xA9)"});
            break;
        }
    }
    // The standard actions are those names and no others (the two tool actions aside).
    EXPECT_EQ(map.Entries().size(), actionNames + 2);
    EXPECT_EQ(EditorCommandNames().size(), kEditorCommands.size());
}

TEST(CommandList, NamesAreUniqueIgnoringCase) {
    std::set<std::string> interfaceNames;
    std::set<std::string> actionNames;
    for (const TCommandInfo& command : kEditorCommands) {
        EXPECT_TRUE(interfaceNames.insert(Lower(command.name)).second) << command.name;
        if (command.call == TCommandCall::Plain) {
            for (const std::string_view action : command.actions) {
                if (!action.empty()) {
                    EXPECT_TRUE(actionNames.insert(Lower(action)).second) << action;
                }
            }
        } else if (command.call == TCommandCall::Numbered) {
            for (int n = 0; n < 10; ++n) {
                const std::string action = std::string(command.actions[0]) + std::to_string(n);
                EXPECT_TRUE(actionNames.insert(Lower(action)).second) << action;
            }
        } else if (command.call == TCommandCall::Entry) {
            EXPECT_TRUE(actionNames.insert(Lower(command.actions[0])).second) << command.name;
        }
    }
}

TEST(CommandList, BatchRefusesWrongArguments) {
    EXPECT_EQ(RunBatch("NewLine:x"), TCalls{"NewLine takes no argument"});
    EXPECT_EQ(RunBatch("SetBookmark:12"),
              TCalls{"SetBookmark needs a bookmark number 0-9 (SetBookmark:N)"});
    EXPECT_EQ(RunBatch("RunFilter"), TCalls{"RunFilter needs an argument (RunFilter:TEXT)"});
    EXPECT_EQ(RunBatch("Nothing"), TCalls{"unknown editor command \"Nothing\""});
}

} // namespace
