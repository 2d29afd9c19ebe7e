// The editor control's base: the identity that undo records and actions refer to.
#pragma once

// The editor commands become its abstract operations, in their fixed order, together with
// their implementations; until then it only gives every editor one stable identity (undo
// records name the editor that made them).
class TuniAbstractMemo {
public:
    TuniAbstractMemo() = default;
    // An editor is referred to by address from undo records and actions: never copied.
    TuniAbstractMemo(const TuniAbstractMemo&) = delete;
    TuniAbstractMemo& operator=(const TuniAbstractMemo&) = delete;
    virtual ~TuniAbstractMemo() = default;
};
