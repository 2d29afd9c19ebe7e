// The editor's command vocabulary, listed once. The abstract editor's interface, the
// standard actions, pelmar-batch's --cmd names and the tests are made from this list:
// adding a command is one line here plus its implementation in the editor.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// PELMAR_EDITOR_COMMANDS(PLAIN, TEXT, NUMBERED, ENTRY) expands one of four macros per
// command, in the interface's order; the macro says how the command is called:
//   PLAIN(Name, ActionClass, "Action"...)  void Name(). The standard action ActionClass
//       is registered under each of the (at most two) names, one object per name; a
//       command without names has no standard action and leaves ActionClass empty.
//   TEXT(Name)                             void Name(std::u16string_view text).
//   NUMBERED(Name, ActionClass, "Prefix")  void Name(int n) with a bookmark number 0-9;
//       the actions "Prefix0" .. "Prefix9" run it with their number.
//   ENTRY(Name, "Prefix")                  void Name(const std::string& entry) with a tool
//       entry of the file type; the actions "Prefix" + entry run it.
// Action names are stored in users' keys.ini, actions.ini and macros: never rename one.
#define PELMAR_EDITOR_COMMANDS(PLAIN, TEXT, NUMBERED, ENTRY)                                       \
    TEXT(InsertText)                                                                               \
    PLAIN(NewLine, TRet, "Return")                                                                 \
    PLAIN(Backspace, TBack, "Back")                                                                \
    PLAIN(DeleteLine, TDelLine, "DelLine")                                                         \
    PLAIN(DeleteWordBack, TWBack, "WordBack")                                                      \
    PLAIN(IndentSelection, TIndent, "Indent")                                                      \
    PLAIN(UnindentSelection, TUnIndent, "UnIndent")                                                \
    PLAIN(BackIndent, TBackIndent, "BackIndent")                                                   \
    PLAIN(NewLineIndent, TRetIndent, "RetIndent")                                                  \
    PLAIN(Undo, TUndo, "Undo")                                                                     \
    PLAIN(Redo, TRedo, "Redo")                                                                     \
    PLAIN(SelectAll, TMarkAll, "MarkAll")                                                          \
    PLAIN(Unselect, TunMark, "unMark")                                                             \
    PLAIN(CaretRight, TRight, "Right")                                                             \
    PLAIN(CaretLeft, TLeft, "Left")                                                                \
    PLAIN(WordRight, TWRight, "WordRight")                                                         \
    PLAIN(WordLeft, TWLeft, "WordLeft")                                                            \
    PLAIN(CaretDown, TDown, "Down")                                                                \
    PLAIN(CaretUp, TUp, "Up")                                                                      \
    PLAIN(ScrollDown, TScrollDown, "ScrollDown")                                                   \
    PLAIN(ScrollUp, TScrollUp, "ScrollUp")                                                         \
    PLAIN(LineHome, TToHome, "Home")                                                               \
    PLAIN(LineEnd, TToEnd, "End")                                                                  \
    PLAIN(TextTop, TToTop, "ToTop", "Top")                                                         \
    PLAIN(TextBottom, TToBottom, "ToBottom", "Bottom")                                             \
    PLAIN(PageUp, TPageUp, "PageUp")                                                               \
    PLAIN(PageDown, TPageDown, "PageDown")                                                         \
    PLAIN(DeleteChar, TDelC, "Delete")                                                             \
    PLAIN(CutSelection, TDelCut, "Cut")                                                            \
    PLAIN(DeleteWord, TWDel, "DeleteWord")                                                         \
    PLAIN(SelectionToUpper, TToUpper, "ToUpper")                                                   \
    PLAIN(SelectionToLower, TToLower, "ToLower")                                                   \
    PLAIN(KeyboardPrev, TKbdPrev, "KbdPrev")                                                       \
    PLAIN(KeyboardNext, TKbdNext, "KbdNext")                                                       \
    PLAIN(InsertTab, TTab, "Tab")                                                                  \
    PLAIN(MatchBracket, TBracket, "Bracket")                                                       \
    PLAIN(ToggleOverwrite, TInsrt, "Insert")                                                       \
    PLAIN(PasteClipboard, TClipPaste, "Paste")                                                     \
    PLAIN(CopyClipboard, TClipCopy, "Copy")                                                        \
    PLAIN(ToggleWrap, TWrap, "Wrap")                                                               \
    PLAIN(ToggleMaximize, TZoom, "Zoom")                                                           \
    PLAIN(EnterUnicode, TEnterUnicode, "EnterUnicode")                                             \
    PLAIN(WordSearch, TWordSearch, "WordSearch")                                                   \
    PLAIN(WordSearchBack, TWordSearchBack, "WordSearchBack")                                       \
    NUMBERED(SetBookmark, TMark, "Mark")                                                           \
    NUMBERED(GotoBookmark, TGoto, "Goto")                                                          \
    PLAIN(BeginUndoGroup, )                                                                        \
    PLAIN(EndUndoGroup, )                                                                          \
    ENTRY(RunCompiler, "Compile.")                                                                 \
    ENTRY(RunFilter, "Filter.")                                                                    \
    PLAIN(SelectWord, TMarkWord, "MarkWord")                                                       \
    PLAIN(SelectLine, TMarkLine, "MarkLine")

// The commands by identity, in the interface's order.
enum class TCommandId {
#define PELMAR_COMMAND_ID(name, ...) name,
    PELMAR_EDITOR_COMMANDS(PELMAR_COMMAND_ID, PELMAR_COMMAND_ID, PELMAR_COMMAND_ID,
                           PELMAR_COMMAND_ID)
#undef PELMAR_COMMAND_ID
};

// How a command is called: the macro of its line in the list.
enum class TCommandCall { Plain, Text, Numbered, Entry };

// One line of the list as data.
struct TCommandInfo {
    TCommandId id;
    std::string_view name; // the interface name
    TCommandCall call;
    // Plain: the names of its standard action (empty ones unused); Numbered and Entry: the
    // prefix of its actions' names in the first.
    std::array<std::string_view, 2> actions;
};

inline constexpr std::array kEditorCommands = {
#define PELMAR_COMMAND_PLAIN(name, actionClass, ...)                                               \
    TCommandInfo{TCommandId::name, #name, TCommandCall::Plain, {__VA_ARGS__}},
#define PELMAR_COMMAND_TEXT(name) TCommandInfo{TCommandId::name, #name, TCommandCall::Text, {}},
#define PELMAR_COMMAND_NUMBERED(name, actionClass, prefix)                                         \
    TCommandInfo{TCommandId::name, #name, TCommandCall::Numbered, {prefix}},
#define PELMAR_COMMAND_ENTRY(name, prefix)                                                         \
    TCommandInfo{TCommandId::name, #name, TCommandCall::Entry, {prefix}},
    PELMAR_EDITOR_COMMANDS(PELMAR_COMMAND_PLAIN, PELMAR_COMMAND_TEXT, PELMAR_COMMAND_NUMBERED,
                           PELMAR_COMMAND_ENTRY)
#undef PELMAR_COMMAND_PLAIN
#undef PELMAR_COMMAND_TEXT
#undef PELMAR_COMMAND_NUMBERED
#undef PELMAR_COMMAND_ENTRY
};

// The line of a command.
constexpr const TCommandInfo& CommandInfo(TCommandId id) {
    return kEditorCommands[static_cast<std::size_t>(id)];
}

// The commands as member declarations: PELMAR_DECLARE_EDITOR_COMMANDS_PURE in the abstract
// editor, PELMAR_DECLARE_EDITOR_COMMANDS_OVERRIDE in an editor that implements them all.
#define PELMAR_PURE_PLAIN(name, ...) virtual void name() = 0;
#define PELMAR_PURE_TEXT(name) virtual void name(std::u16string_view text) = 0;
#define PELMAR_PURE_NUMBERED(name, ...) virtual void name(int n) = 0;
#define PELMAR_PURE_ENTRY(name, ...) virtual void name(const std::string& entry) = 0;
#define PELMAR_DECLARE_EDITOR_COMMANDS_PURE                                                        \
    PELMAR_EDITOR_COMMANDS(PELMAR_PURE_PLAIN, PELMAR_PURE_TEXT, PELMAR_PURE_NUMBERED,              \
                           PELMAR_PURE_ENTRY)

#define PELMAR_OVERRIDE_PLAIN(name, ...) void name() override;
#define PELMAR_OVERRIDE_TEXT(name) void name(std::u16string_view text) override;
#define PELMAR_OVERRIDE_NUMBERED(name, ...) void name(int n) override;
#define PELMAR_OVERRIDE_ENTRY(name, ...) void name(const std::string& entry) override;
#define PELMAR_DECLARE_EDITOR_COMMANDS_OVERRIDE                                                    \
    PELMAR_EDITOR_COMMANDS(PELMAR_OVERRIDE_PLAIN, PELMAR_OVERRIDE_TEXT, PELMAR_OVERRIDE_NUMBERED,  \
                           PELMAR_OVERRIDE_ENTRY)
