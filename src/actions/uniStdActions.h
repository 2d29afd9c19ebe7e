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

// An action whose editor step is one numbered command (a bookmark) with its number.
template <void (TuniAbstractMemo::*Command)(int)>
class TuniMemoNumberedAction : public TuniMemoAction {
public:
    explicit TuniMemoNumberedAction(int number) : number_(number) {}
    void execute(TuniAbstractMemo& editor) override { (editor.*Command)(number_); }
    int Number() const { return number_; }

private:
    int number_;
};

// The action classes by their command names (the list in editor/uniCommands.h). In a
// namespace of their own: "TUndo" is also the line list's undo journal.
namespace std_actions {

#define PELMAR_ACTION_CLASS(name, actionClass, ...)                                                \
    __VA_OPT__(using actionClass = TuniMemoCommandAction<&TuniAbstractMemo::name>;)
#define PELMAR_NUMBERED_ACTION_CLASS(name, actionClass, prefix)                                    \
    using actionClass = TuniMemoNumberedAction<&TuniAbstractMemo::name>;
#define PELMAR_NO_ACTION_CLASS(...)
PELMAR_EDITOR_COMMANDS(PELMAR_ACTION_CLASS, PELMAR_NO_ACTION_CLASS, PELMAR_NUMBERED_ACTION_CLASS,
                       PELMAR_NO_ACTION_CLASS)
#undef PELMAR_ACTION_CLASS
#undef PELMAR_NUMBERED_ACTION_CLASS
#undef PELMAR_NO_ACTION_CLASS

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

// Registers the standard actions in the order of the command list, one object under each
// of a command's names ("ToTop" and "Top" are two), then "Mark0", "Goto0" .. "Mark9",
// "Goto9". They have no current-editor function: they act only when run on an editor.
void RegisterStandardActions(TUniActionMap& map);

// "InsertDateTime", which the main window registers with its active-editor function.
void RegisterInsertDateTime(TUniActionMap& map, TCurrentEditor activeEditor);

// The commands the main window registers in the global map (as TUniNotifyEventAction, and
// "InsertDateTime"), before actions.ini and keys.ini section "*" are loaded: the shipped
// files name them. "SearchBack" is among them: keys.ini binds it and the Search back menu
// command shows its key.
const std::vector<std::string_view>& MainWindowActionNames();
