// The standard actions in the order they are registered, with the editor command each
// one runs: what their names promise, for the tests of actions and of key bindings. Made
// from the command list (editor/uniCommands.h).
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "editor/uniCommands.h"

namespace testing_support {

// The plain commands' actions: (action name, interface name).
inline const std::vector<std::pair<std::string_view, std::string_view>>& StandardActionCommands() {
    static const std::vector<std::pair<std::string_view, std::string_view>> commands = [] {
        std::vector<std::pair<std::string_view, std::string_view>> out;
        for (const TCommandInfo& command : kEditorCommands) {
            if (command.call != TCommandCall::Plain) {
                continue;
            }
            for (const std::string_view action : command.actions) {
                if (!action.empty()) {
                    out.emplace_back(action, command.name);
                }
            }
        }
        return out;
    }();
    return commands;
}

} // namespace testing_support
