// Numeric character references ("&#DDDD;", "$#DDDD") and "\uXXXX" escapes in text.
#pragma once

#include <string>
#include <string_view>

// Which reference openers DecodeNumericRefs accepts.
enum class TRefForms {
    Ampersand,         // "&#" only
    AmpersandOrDollar, // "&#" and "$#"
};

// The value of a hexadecimal digit (either case), or -1.
int HexDigitValue(char16_t c);

// Every character from U+0080 up becomes "&#" + decimal code + ";".
std::u16string EncodeNumericRefs(std::u16string_view text);
// The same, as 8-bit text (the result is pure ASCII).
std::string EncodeNumericRefsA(std::u16string_view text);

// Replaces each reference by the character whose code is the low 16 bits of its number.
// The number is read like an integer from text: leading spaces, an optional sign, an
// optional hexadecimal prefix ("$", "x", "X", "0x"), then digits, at most 10 characters
// examined; a ";" right after the digits is consumed. An opener with no digits after it
// is ordinary text and is kept.
std::u16string DecodeNumericRefs(std::u16string_view text,
                                 TRefForms forms = TRefForms::AmpersandOrDollar);

// Every character from U+0080 up becomes "\u" + four lower-case hexadecimal digits.
std::u16string EncodeUEscapes(std::u16string_view text);
// Replaces "\u" + four hexadecimal digits by that character. With fewer than four digits
// the digits read so far give the value and the text goes on at the first non-digit;
// "\u" with no digit after it is kept as text.
std::u16string DecodeUEscapes(std::u16string_view text);
