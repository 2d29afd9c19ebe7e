// The standard editor actions: one small action per editor command, registered in the
// global action map at start-up under fixed names, and the date-and-time insert.
#pragma once

#include <ctime>
#include <locale>
#include <string>
#include <string_view>
#include <vector>

#include "actions/uniActions.h"

// An action whose editor step is one editor command without arguments.
template <void (TuniAbstractMemo::*Command)()>
class TuniMemoCommandAction : public TuniMemoAction {
public:
    using TuniMemoAction::TuniMemoAction;
    void execute(TuniAbstractMemo& editor) override { (editor.*Command)(); }
};

// The action classes by their command names. In a namespace of their own: "TUndo" is also
// the line list's undo journal.
namespace std_actions {

using TRet = TuniMemoCommandAction<&TuniAbstractMemo::NewLine>;
using TBack = TuniMemoCommandAction<&TuniAbstractMemo::Backspace>;
using TDelLine = TuniMemoCommandAction<&TuniAbstractMemo::DeleteLine>;
using TWBack = TuniMemoCommandAction<&TuniAbstractMemo::DeleteWordBack>;
using TIndent = TuniMemoCommandAction<&TuniAbstractMemo::IndentSelection>;
using TUnIndent = TuniMemoCommandAction<&TuniAbstractMemo::UnindentSelection>;
using TBackIndent = TuniMemoCommandAction<&TuniAbstractMemo::BackIndent>;
using TRetIndent = TuniMemoCommandAction<&TuniAbstractMemo::NewLineIndent>;
using TUndo = TuniMemoCommandAction<&TuniAbstractMemo::Undo>;
using TRedo = TuniMemoCommandAction<&TuniAbstractMemo::Redo>;
using TMarkAll = TuniMemoCommandAction<&TuniAbstractMemo::SelectAll>;
using TunMark = TuniMemoCommandAction<&TuniAbstractMemo::Unselect>;
using TRight = TuniMemoCommandAction<&TuniAbstractMemo::CaretRight>;
using TLeft = TuniMemoCommandAction<&TuniAbstractMemo::CaretLeft>;
using TWRight = TuniMemoCommandAction<&TuniAbstractMemo::WordRight>;
using TWLeft = TuniMemoCommandAction<&TuniAbstractMemo::WordLeft>;
using TDown = TuniMemoCommandAction<&TuniAbstractMemo::CaretDown>;
using TUp = TuniMemoCommandAction<&TuniAbstractMemo::CaretUp>;
using TScrollDown = TuniMemoCommandAction<&TuniAbstractMemo::ScrollDown>;
using TScrollUp = TuniMemoCommandAction<&TuniAbstractMemo::ScrollUp>;
using TToHome = TuniMemoCommandAction<&TuniAbstractMemo::LineHome>;
using TToEnd = TuniMemoCommandAction<&TuniAbstractMemo::LineEnd>;
using TToTop = TuniMemoCommandAction<&TuniAbstractMemo::TextTop>;
using TToBottom = TuniMemoCommandAction<&TuniAbstractMemo::TextBottom>;
using TPageUp = TuniMemoCommandAction<&TuniAbstractMemo::PageUp>;
using TPageDown = TuniMemoCommandAction<&TuniAbstractMemo::PageDown>;
using TDelC = TuniMemoCommandAction<&TuniAbstractMemo::DeleteChar>;
using TDelCut = TuniMemoCommandAction<&TuniAbstractMemo::CutSelection>;
using TWDel = TuniMemoCommandAction<&TuniAbstractMemo::DeleteWord>;
using TToUpper = TuniMemoCommandAction<&TuniAbstractMemo::SelectionToUpper>;
using TToLower = TuniMemoCommandAction<&TuniAbstractMemo::SelectionToLower>;
using TKbdPrev = TuniMemoCommandAction<&TuniAbstractMemo::KeyboardPrev>;
using TKbdNext = TuniMemoCommandAction<&TuniAbstractMemo::KeyboardNext>;
using TTab = TuniMemoCommandAction<&TuniAbstractMemo::InsertTab>;
using TBracket = TuniMemoCommandAction<&TuniAbstractMemo::MatchBracket>;
using TInsrt = TuniMemoCommandAction<&TuniAbstractMemo::ToggleOverwrite>;
using TClipPaste = TuniMemoCommandAction<&TuniAbstractMemo::PasteClipboard>;
using TClipCopy = TuniMemoCommandAction<&TuniAbstractMemo::CopyClipboard>;
using TWrap = TuniMemoCommandAction<&TuniAbstractMemo::ToggleWrap>;
using TZoom = TuniMemoCommandAction<&TuniAbstractMemo::ToggleMaximize>;
using TEnterUnicode = TuniMemoCommandAction<&TuniAbstractMemo::EnterUnicode>;
using TWordSearch = TuniMemoCommandAction<&TuniAbstractMemo::WordSearch>;
using TWordSearchBack = TuniMemoCommandAction<&TuniAbstractMemo::WordSearchBack>;
using TMarkWord = TuniMemoCommandAction<&TuniAbstractMemo::SelectWord>;
using TMarkLine = TuniMemoCommandAction<&TuniAbstractMemo::SelectLine>;

// Sets or goes to one of the ten bookmarks.
class TMark : public TuniMemoAction {
public:
    explicit TMark(int number) : number_(number) {}
    void execute(TuniAbstractMemo& editor) override { editor.SetBookmark(number_); }
    int Number() const { return number_; }

private:
    int number_;
};

class TGoto : public TuniMemoAction {
public:
    explicit TGoto(int number) : number_(number) {}
    void execute(TuniAbstractMemo& editor) override { editor.GotoBookmark(number_); }
    int Number() const { return number_; }

private:
    int number_;
};

} // namespace std_actions

// The local date and time in the locale's short date and long time, a blank between;
// the time is left out at exactly midnight.
std::u16string DateTimeText(const std::tm& time, const std::locale& locale);

// Inserts the current local date and time at the caret.
class TuniInsertDateTime : public TuniMemoAction {
public:
    using TuniMemoAction::TuniMemoAction;
    void execute(TuniAbstractMemo& editor) override;
};

// Registers the standard actions in their fixed order: the 33 actions named after their
// classes ("Back", "DelLine", ...), the 14 named explicitly ("Return", "WordBack", ...,
// "Top" and "Bottom" as objects of their own), then "Mark0", "Goto0" .. "Mark9", "Goto9".
// They have no current-editor function: they act only when run on an editor.
void RegisterStandardActions(TUniActionMap& map);

// "InsertDateTime", which the main window registers with its active-editor function.
void RegisterInsertDateTime(TUniActionMap& map, TCurrentEditor activeEditor);

// The commands the main window registers in the global map (as TUniNotifyEventAction, and
// "InsertDateTime"), before actions.ini and keys.ini section "*" are loaded: the shipped
// files name them. "SearchBack" is among them: keys.ini binds it and the Search back menu
// command shows its key.
const std::vector<std::string_view>& MainWindowActionNames();
