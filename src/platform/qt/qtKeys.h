// Qt keys and modifiers in the editor's key code space (the Windows virtual-key numbering
// that keys.ini is written in), the way back for menus, and the keyboard query.
#pragma once

#include <QKeySequence>
#include <Qt>

#include "actions/uniKeyNames.h"
#include "actions/uniMemoInput.h"
#include "platform/uniInputHost.h"

class QKeyEvent;

// The virtual-key code of a Qt key, 0 when there is none. Qt reports the shifted symbol of
// a punctuation or digit key (":" for the ";" key); it maps to the key. With
// Qt::KeypadModifier the digits and * + - . / become the numeric keypad's codes.
int VirtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers);

// The Shift, Ctrl and Alt bits (scShift, scCtrl, scAlt) of a modifier set.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers);

// The Qt key of a virtual-key code (the unshifted symbol for punctuation keys, the digit
// for the keypad's digits), 0 when there is none.
int QtKeyOf(int virtualKey);

// Whether the code is one of the numeric keypad's (VK_NUMPAD0..VK_DIVIDE): its Qt key
// needs Qt::KeypadModifier.
bool IsKeypadKey(int virtualKey);

// The key sequence a menu item shows for a binding; empty when the key has no Qt key.
QKeySequence KeySequenceOf(TShortCut shortcut);

// Answers for the key event being handled: the widget sets the event before it passes the
// key on to the editor and clears it afterwards.
class TQtKeyboardQuery : public TKeyboardQuery {
public:
    void SetEvent(const QKeyEvent* event) { event_ = event; }

    // A dead key, a key Qt names by a character above U+007F (national letters), or an
    // event that types one code unit above U+007F without Ctrl. False without an event.
    bool ProducesWideOrDeadChar(int virtualKey) const override;

private:
    const QKeyEvent* event_ = nullptr;
};
