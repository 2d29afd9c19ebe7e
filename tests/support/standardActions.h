// The standard actions in the order they are registered, with the editor command each
// one runs: what their names promise, for the tests of actions and of key bindings.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

namespace testing_support {

inline const std::vector<std::pair<std::string_view, std::string_view>>& StandardActionCommands() {
    static const std::vector<std::pair<std::string_view, std::string_view>> commands = {
        {"Back", "Backspace"},
        {"DelLine", "DeleteLine"},
        {"Indent", "IndentSelection"},
        {"UnIndent", "UnindentSelection"},
        {"BackIndent", "BackIndent"},
        {"RetIndent", "NewLineIndent"},
        {"Undo", "Undo"},
        {"Redo", "Redo"},
        {"MarkAll", "SelectAll"},
        {"unMark", "Unselect"},
        {"Right", "CaretRight"},
        {"Left", "CaretLeft"},
        {"Down", "CaretDown"},
        {"Up", "CaretUp"},
        {"ScrollDown", "ScrollDown"},
        {"ScrollUp", "ScrollUp"},
        {"ToTop", "TextTop"},
        {"ToBottom", "TextBottom"},
        {"PageUp", "PageUp"},
        {"PageDown", "PageDown"},
        {"ToUpper", "SelectionToUpper"},
        {"ToLower", "SelectionToLower"},
        {"KbdPrev", "KeyboardPrev"},
        {"KbdNext", "KeyboardNext"},
        {"Tab", "InsertTab"},
        {"Bracket", "MatchBracket"},
        {"Wrap", "ToggleWrap"},
        {"Zoom", "ToggleMaximize"},
        {"MarkWord", "SelectWord"},
        {"MarkLine", "SelectLine"},
        {"EnterUnicode", "EnterUnicode"},
        {"WordSearch", "WordSearch"},
        {"WordSearchBack", "WordSearchBack"},
        {"Return", "NewLine"},
        {"WordBack", "DeleteWordBack"},
        {"End", "LineEnd"},
        {"Home", "LineHome"},
        {"Delete", "DeleteChar"},
        {"Paste", "PasteClipboard"},
        {"Copy", "CopyClipboard"},
        {"WordRight", "WordRight"},
        {"WordLeft", "WordLeft"},
        {"Top", "TextTop"},
        {"Bottom", "TextBottom"},
        {"Cut", "CutSelection"},
        {"DeleteWord", "DeleteWord"},
        {"Insert", "ToggleOverwrite"},
    };
    return commands;
}

} // namespace testing_support
