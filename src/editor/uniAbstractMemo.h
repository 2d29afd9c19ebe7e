// The editor control's command interface: every editing and movement command of the
// command list, and what a macro run asks of the editor. Undo records and actions refer to
// an editor through this base.
#pragma once

#include <string>
#include <string_view>

#include "editor/uniCommands.h"

class TuniAbstractMemo {
public:
    TuniAbstractMemo() = default;
    // An editor is referred to by address from undo records and actions: never copied.
    TuniAbstractMemo(const TuniAbstractMemo&) = delete;
    TuniAbstractMemo& operator=(const TuniAbstractMemo&) = delete;
    virtual ~TuniAbstractMemo() = default;

    // Every command of the list in editor/uniCommands.h, in its order.
    PELMAR_DECLARE_EDITOR_COMMANDS_PURE

    // --- what a macro run asks of the editor it plays on ----------------------------------
    // Whether the caret moved since the flag was last cleared: a macro clears it before
    // each item, and leaves it set when any item moved the caret, for the key handler.
    virtual bool CaretMoved() const = 0;
    virtual void SetCaretMoved(bool moved) = 0;
    // Selection off with both ends at the caret, as after a move without Shift.
    virtual void CollapseSelection() = 0;
    // While a macro runs (calls nest), the text its items insert is recorded as typing is.
    virtual void BeginMacroTyping() = 0;
    virtual void EndMacroTyping() = 0;
};
