// Shortcut values and their text.
#include "actions/uniKeyNames.h"

#include <array>

#include "base/uniAscii.h"

namespace {

using TNameTable = std::array<std::string_view, 256>;

TNameTable MakeNames() {
    TNameTable names{};
    names[0x08] = "BkSp";
    names[0x09] = "Tab";
    names[0x0C] = "Num 5"; // Clear: the keypad's 5 without Num Lock
    names[0x0D] = "Enter";
    names[0x10] = "Shift";
    names[0x11] = "Ctrl";
    names[0x12] = "Alt";
    names[0x13] = "Pause";
    names[0x14] = "Caps Lock";
    names[0x1B] = "Esc";
    names[0x20] = "Space";
    names[0x21] = "PgUp";
    names[0x22] = "PgDn";
    names[0x23] = "End";
    names[0x24] = "Home";
    names[0x25] = "Left";
    names[0x26] = "Up";
    names[0x27] = "Right";
    names[0x28] = "Down";
    names[0x2C] = "Prnt Scrn";
    names[0x2D] = "Ins";
    names[0x2E] = "Del";
    static constexpr std::string_view kDigits[] = {"0", "1", "2", "3", "4",
                                                   "5", "6", "7", "8", "9"};
    for (int d = 0; d < 10; ++d) {
        names[static_cast<size_t>(0x30 + d)] = kDigits[d];
    }
    static constexpr std::string_view kLetters[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I",
                                                    "J", "K", "L", "M", "N", "O", "P", "Q", "R",
                                                    "S", "T", "U", "V", "W", "X", "Y", "Z"};
    for (int l = 0; l < 26; ++l) {
        names[static_cast<size_t>(0x41 + l)] = kLetters[l];
    }
    names[0x5B] = "Left Windows";
    names[0x5C] = "Right Windows";
    names[0x5D] = "Application";
    static constexpr std::string_view kPad[] = {"Num 0", "Num 1", "Num 2", "Num 3", "Num 4",
                                                "Num 5", "Num 6", "Num 7", "Num 8", "Num 9"};
    for (int d = 0; d < 10; ++d) {
        names[static_cast<size_t>(0x60 + d)] = kPad[d];
    }
    names[0x6A] = "Num *";
    names[0x6B] = "Num +";
    names[0x6D] = "Num -";
    names[0x6E] = "Num Del";
    names[0x6F] = "Num /";
    static constexpr std::string_view kFunction[] = {
        "F1",  "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",  "F9",  "F10", "F11", "F12",
        "F13", "F14", "F15", "F16", "F17", "F18", "F19", "F20", "F21", "F22", "F23", "F24"};
    for (int f = 0; f < 24; ++f) {
        names[static_cast<size_t>(0x70 + f)] = kFunction[f];
    }
    names[0x90] = "Num Lock";
    names[0x91] = "Scroll Lock";
    names[0xBA] = ";";
    names[0xBB] = "=";
    names[0xBC] = ",";
    names[0xBD] = "-";
    names[0xBE] = ".";
    names[0xBF] = "/";
    names[0xC0] = "`";
    names[0xDB] = "[";
    names[0xDC] = "\\";
    names[0xDD] = "]";
    names[0xDE] = "'";
    names[0xE2] = "\\"; // the extra key of 102-key layouts; "\" finds 0xDC first
    return names;
}

const TNameTable& Names() {
    static const TNameTable names = MakeNames();
    return names;
}

bool TakePrefix(std::string_view& text, std::string_view prefix) {
    if (text.size() > prefix.size() && SameText(text.substr(0, prefix.size()), prefix)) {
        text.remove_prefix(prefix.size());
        return true;
    }
    return false;
}

} // namespace

std::string_view KeyName(int virtualKey) {
    if (virtualKey < 0x08 || virtualKey > 0xFF) {
        return {};
    }
    return Names()[static_cast<size_t>(virtualKey)];
}

TShortCut TextToShortCut(std::string_view text) {
    TShortCut modifiers = 0;
    for (;;) {
        if (TakePrefix(text, "Shift+")) {
            modifiers |= scShift;
        } else if (TakePrefix(text, "Ctrl+") || TakePrefix(text, "^")) {
            modifiers |= scCtrl;
        } else if (TakePrefix(text, "Alt+")) {
            modifiers |= scAlt;
        } else {
            break;
        }
    }
    for (int vk = 0x08; vk <= 0xFF; ++vk) {
        const std::string_view name = Names()[static_cast<size_t>(vk)];
        if (!name.empty() && SameText(name, text)) {
            return static_cast<TShortCut>(modifiers | vk);
        }
    }
    return 0;
}

std::string ShortCutToText(TShortCut shortcut) {
    const std::string_view name = KeyName(shortcut & 0xFF);
    if (name.empty()) {
        return {};
    }
    std::string text;
    if (shortcut & scShift) {
        text += "Shift+";
    }
    if (shortcut & scCtrl) {
        text += "Ctrl+";
    }
    if (shortcut & scAlt) {
        text += "Alt+";
    }
    return text + std::string(name);
}
