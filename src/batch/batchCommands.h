// The editor commands by their interface names, for pelmar-batch's --cmd.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TuniAbstractMemo;

// A command with its argument bound: "SetBookmark:3", "RunCompiler:make",
// "InsertText:abc". Names compare ignoring letter case; a command that takes an argument
// needs one (a bookmark number 0-9), the others take none.
using TBatchCommand = std::function<void(TuniAbstractMemo&)>;
struct TCommandLookup {
    std::optional<TBatchCommand> command;
    std::string error; // why there is none
};
TCommandLookup FindEditorCommand(std::string_view spec);

// Every interface name, in the command list's order.
const std::vector<std::string>& EditorCommandNames();
