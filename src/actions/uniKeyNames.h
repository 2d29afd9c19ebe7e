// Shortcut values and their text: "Ctrl+Shift+Left", "^S", "Alt+F4", "Num +".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A shortcut value: the virtual-key code in the low byte and one bit per modifier.
using TShortCut = std::uint16_t;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

// Virtual-key codes used by name in the program.
enum TVirtualKey : std::uint8_t {
    vkBack = 0x08,
    vkTab = 0x09,
    vkReturn = 0x0D,
    vkShift = 0x10,
    vkControl = 0x11,
    vkMenu = 0x12,
    vkEscape = 0x1B,
    vkSpace = 0x20,
    vkPrior = 0x21,
    vkNext = 0x22,
    vkEnd = 0x23,
    vkHome = 0x24,
    vkLeft = 0x25,
    vkUp = 0x26,
    vkRight = 0x27,
    vkDown = 0x28,
    vkInsert = 0x2D,
    vkDelete = 0x2E,
    vkF1 = 0x70,
};

// The name of a virtual-key code (0x08..0xFF), or empty when the code has none.
std::string_view KeyName(int virtualKey);

// Key-combination text -> shortcut value: modifier prefixes "Shift+", "Ctrl+" or "^",
// "Alt+" in any order and letter case, then one key name. 0 when the text names no key.
TShortCut TextToShortCut(std::string_view text);

// Shortcut value -> text, modifiers in the order Shift, Ctrl, Alt; empty for 0 or a code
// without a name.
std::string ShortCutToText(TShortCut shortcut);
