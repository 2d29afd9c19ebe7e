// Numeric character references ("&#DDDD;", "$#DDDD") and "\uXXXX" escapes in text.
#pragma once

#include <functional>
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

// The two file representations of the codec ("&#DDDD;" and "\uXXXX"). A save writes a
// line with EncodeFileRefs, a load reads it back with DecodeFileRefs, and the pair is
// exact both ways for the bytes a file can hold:
//  - the encoder writes every unit from U+0080 up as "&#" + decimal without leading zeros
//    + ";" or as "\u" + four lower-case hexadecimal digits; ASCII is copied;
//  - a lone U+DC00..U+DCFF (a byte a reader could not decode, kept escaped) is copied, so
//    the writer puts the byte back; after a high surrogate such a unit is the second half
//    of a pair and is encoded like any other;
//  - the decoder turns back exactly those forms and nothing else: "&#65;", "&#0233;",
//    "&#xE9;", "$#233", "&#233" (no ";"), "\u0041", "\u00E9" and values above U+FFFF stay
//    text as written, since the encoder never produces them and a save would not write
//    them back the same;
//  - a reference to U+DC00..U+DCFF is decoded only right after a high surrogate, and one to
//    a high surrogate only when no escaped byte follows it, so that every decoded unit is
//    one the encoder writes back as the same reference.
// Characters from U+0080 up that stand in the file as themselves have no exact way back
// (the save writes them as references); callers announce that change.
enum class TRefStyle { Decimal, UEscape };
std::u16string EncodeFileRefs(std::u16string_view text, TRefStyle style);
// One unit of `text` as EncodeFileRefs writes it, appended to `out` (for callers that
// encode some stretches otherwise, such as a conversion table).
void AppendFileRef(std::u16string& out, std::u16string_view text, size_t pos, TRefStyle style);
// `heldAsItself`, when given, names the units the writer puts in the file as themselves
// (those a conversion table holds): a reference to one of them stays text.
std::u16string DecodeFileRefs(std::u16string_view text, TRefStyle style,
                              const std::function<bool(char16_t)>& heldAsItself = {});
