// Qt keys <-> virtual-key codes, and the keyboard query over the current key event.
#include "platform/qt/qtKeys.h"

#include <QKeyEvent>

#include <array>
#include <utility>

namespace {

struct TKeyPair {
    int virtualKey;
    int qtKey;
};

// One Qt key per virtual-key code: the mapping both ways. Keypad codes appear with the Qt
// key they carry together with Qt::KeypadModifier.
constexpr std::array kKeys = {
    TKeyPair{0x08, Qt::Key_Backspace},  TKeyPair{0x09, Qt::Key_Tab},
    TKeyPair{0x0C, Qt::Key_Clear},      TKeyPair{0x0D, Qt::Key_Return},
    TKeyPair{0x10, Qt::Key_Shift},      TKeyPair{0x11, Qt::Key_Control},
    TKeyPair{0x12, Qt::Key_Alt},        TKeyPair{0x13, Qt::Key_Pause},
    TKeyPair{0x14, Qt::Key_CapsLock},   TKeyPair{0x1B, Qt::Key_Escape},
    TKeyPair{0x20, Qt::Key_Space},      TKeyPair{0x21, Qt::Key_PageUp},
    TKeyPair{0x22, Qt::Key_PageDown},   TKeyPair{0x23, Qt::Key_End},
    TKeyPair{0x24, Qt::Key_Home},       TKeyPair{0x25, Qt::Key_Left},
    TKeyPair{0x26, Qt::Key_Up},         TKeyPair{0x27, Qt::Key_Right},
    TKeyPair{0x28, Qt::Key_Down},       TKeyPair{0x2C, Qt::Key_Print},
    TKeyPair{0x2D, Qt::Key_Insert},     TKeyPair{0x2E, Qt::Key_Delete},
    TKeyPair{0x5B, Qt::Key_Super_L},    TKeyPair{0x5C, Qt::Key_Super_R},
    TKeyPair{0x5D, Qt::Key_Menu},       TKeyPair{0x6A, Qt::Key_Asterisk},
    TKeyPair{0x6B, Qt::Key_Plus},       TKeyPair{0x6D, Qt::Key_Minus},
    TKeyPair{0x6E, Qt::Key_Period},     TKeyPair{0x6F, Qt::Key_Slash},
    TKeyPair{0x90, Qt::Key_NumLock},    TKeyPair{0x91, Qt::Key_ScrollLock},
    TKeyPair{0xBA, Qt::Key_Semicolon},  TKeyPair{0xBB, Qt::Key_Equal},
    TKeyPair{0xBC, Qt::Key_Comma},      TKeyPair{0xBD, Qt::Key_Minus},
    TKeyPair{0xBE, Qt::Key_Period},     TKeyPair{0xBF, Qt::Key_Slash},
    TKeyPair{0xC0, Qt::Key_QuoteLeft},  TKeyPair{0xDB, Qt::Key_BracketLeft},
    TKeyPair{0xDC, Qt::Key_Backslash},  TKeyPair{0xDD, Qt::Key_BracketRight},
    TKeyPair{0xDE, Qt::Key_Apostrophe},
};

// Keys Qt reports by the symbol they type with Shift (US layout), and the other names of a
// key: forward only.
constexpr std::array kAliases = {
    TKeyPair{0x09, Qt::Key_Backtab},     TKeyPair{0x0D, Qt::Key_Enter},
    TKeyPair{0x5B, Qt::Key_Meta},        TKeyPair{0xBA, Qt::Key_Colon},
    TKeyPair{0xBB, Qt::Key_Plus},        TKeyPair{0xBC, Qt::Key_Less},
    TKeyPair{0xBD, Qt::Key_Underscore},  TKeyPair{0xBE, Qt::Key_Greater},
    TKeyPair{0xBF, Qt::Key_Question},    TKeyPair{0xC0, Qt::Key_AsciiTilde},
    TKeyPair{0xDB, Qt::Key_BraceLeft},   TKeyPair{0xDC, Qt::Key_Bar},
    TKeyPair{0xDD, Qt::Key_BraceRight},  TKeyPair{0xDE, Qt::Key_QuoteDbl},
    TKeyPair{0x30, Qt::Key_ParenRight},  TKeyPair{0x31, Qt::Key_Exclam},
    TKeyPair{0x32, Qt::Key_At},          TKeyPair{0x33, Qt::Key_NumberSign},
    TKeyPair{0x34, Qt::Key_Dollar},      TKeyPair{0x35, Qt::Key_Percent},
    TKeyPair{0x36, Qt::Key_AsciiCircum}, TKeyPair{0x37, Qt::Key_Ampersand},
    TKeyPair{0x38, Qt::Key_Asterisk},    TKeyPair{0x39, Qt::Key_ParenLeft},
};

constexpr int kNumpad0 = 0x60;
constexpr int kNumpadDivide = 0x6F;
constexpr int kF1 = 0x70;
constexpr int kF24 = 0x87;

int KeypadCode(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return kNumpad0 + (qtKey - Qt::Key_0);
    }
    switch (qtKey) {
    case Qt::Key_Asterisk:
        return 0x6A;
    case Qt::Key_Plus:
        return 0x6B;
    case Qt::Key_Minus:
        return 0x6D;
    case Qt::Key_Period:
    case Qt::Key_Comma: // the decimal key of layouts with a decimal comma
        return 0x6E;
    case Qt::Key_Slash:
        return 0x6F;
    default:
        return 0; // Enter and the navigation keys: the plain codes
    }
}

} // namespace

int VirtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers) {
    if ((modifiers & Qt::KeypadModifier) != 0) {
        if (const int code = KeypadCode(qtKey)) {
            return code;
        }
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return 0x30 + (qtKey - Qt::Key_0);
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return 0x41 + (qtKey - Qt::Key_A);
    }
    if (qtKey >= 'a' && qtKey <= 'z') {
        return 0x41 + (qtKey - 'a');
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return kF1 + (qtKey - Qt::Key_F1);
    }
    // The punctuation table comes before the keypad entries of the same Qt key: without the
    // keypad modifier "-" is the main keyboard's minus.
    for (const TKeyPair& k : kKeys) {
        if (k.qtKey == qtKey && (k.virtualKey < kNumpad0 || k.virtualKey > kNumpadDivide)) {
            return k.virtualKey;
        }
    }
    for (const TKeyPair& k : kAliases) {
        if (k.qtKey == qtKey) {
            return k.virtualKey;
        }
    }
    return 0;
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers) {
    TShiftState shift = 0;
    if ((modifiers & Qt::ShiftModifier) != 0) {
        shift |= scShift;
    }
    if ((modifiers & Qt::ControlModifier) != 0) {
        shift |= scCtrl;
    }
    if ((modifiers & Qt::AltModifier) != 0) {
        shift |= scAlt;
    }
    return shift;
}

bool IsKeypadKey(int virtualKey) {
    return virtualKey >= kNumpad0 && virtualKey <= kNumpadDivide && virtualKey != 0x6C;
}

int QtKeyOf(int virtualKey) {
    if (virtualKey >= 0x30 && virtualKey <= 0x39) {
        return Qt::Key_0 + (virtualKey - 0x30);
    }
    if (virtualKey >= 0x41 && virtualKey <= 0x5A) {
        return Qt::Key_A + (virtualKey - 0x41);
    }
    if (virtualKey >= kNumpad0 && virtualKey <= kNumpad0 + 9) {
        return Qt::Key_0 + (virtualKey - kNumpad0);
    }
    if (virtualKey >= kF1 && virtualKey <= kF24) {
        return Qt::Key_F1 + (virtualKey - kF1);
    }
    for (const TKeyPair& k : kKeys) {
        if (k.virtualKey == virtualKey) {
            return k.qtKey;
        }
    }
    return 0;
}

QKeySequence KeySequenceOf(TShortCut shortcut) {
    const int key = QtKeyOf(shortcut & 0xFF);
    if (key == 0) {
        return {};
    }
    Qt::KeyboardModifiers modifiers;
    if ((shortcut & scShift) != 0) {
        modifiers |= Qt::ShiftModifier;
    }
    if ((shortcut & scCtrl) != 0) {
        modifiers |= Qt::ControlModifier;
    }
    if ((shortcut & scAlt) != 0) {
        modifiers |= Qt::AltModifier;
    }
    if (IsKeypadKey(shortcut & 0xFF)) {
        modifiers |= Qt::KeypadModifier;
    }
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

bool TQtKeyboardQuery::ProducesWideOrDeadChar(int) const {
    if (event_ == nullptr) {
        return false;
    }
    const int key = event_->key();
    if (key >= Qt::Key_Dead_Grave && key <= Qt::Key_Dead_Longsolidusoverlay) {
        return true;
    }
    if (key > 0x7F && key < 0x01000000) {
        return true;
    }
    const QString text = event_->text();
    return text.size() == 1 && text[0].unicode() > 0x7F &&
           (event_->modifiers() & Qt::ControlModifier) == 0;
}
