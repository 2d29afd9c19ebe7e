// The editor control's command interface: every editing and movement command of the
// command list. Undo records and actions refer to an editor through this base.
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
};
