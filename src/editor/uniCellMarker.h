// Code units that are drawn as markers instead of glyphs: which ones, their cell width, and
// the code a marker shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/uniMeasure.h"

// What the code unit at text[i] is drawn as. Most units decide by themselves; a surrogate
// needs its neighbour: a high surrogate followed by a low one is a pair, anything else is
// unpaired. A TAB is never a marker (it expands to the next stop).
//   Byte  an unpaired U+DC80..U+DCFF: a byte the file's encoding could not read, kept as
//         that code unit;
//   Code  a control character (U+0000..U+001F but TAB, U+007F..U+009F), a noncharacter
//         (U+FDD0..U+FDEF and every code point ending in FFFE or FFFF, pairs included), any
//         other unpaired surrogate, and a character or pair the font and its fallbacks have
//         no glyph for.
TMarkerKind MarkerAt(std::u16string_view text, size_t i, const TTextMeasurer& measurer);

// The cell that shows text[i] (not a TAB) in the given style: a marker takes the
// measurer's marker width, any other unit its own extent. Every width the editor works
// with (layout, hit tests, caret, visual columns) comes from here.
struct TUnitCell {
    TMarkerKind marker = TMarkerKind::None;
    int width = 0;
};
TUnitCell UnitCellAt(std::u16string_view text, size_t i, const TTextMeasurer& measurer,
                     std::uint8_t style);
inline int UnitWidthAt(std::u16string_view text, size_t i, const TTextMeasurer& measurer,
                       std::uint8_t style) {
    return UnitCellAt(text, i, measurer, style).width;
}

// Whether the unit is a surrogate half: the only units whose width depends on the text
// around them, so the layout's per-unit width caches pass them by.
constexpr bool IsSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// The hexadecimal digits a marker shows for `unit`: the byte of a Byte marker ("80".."FF"),
// two digits for a code below U+0100 ("01", "7F"), four for any other code unit ("FFFE",
// "D83D"; a pair without a glyph shows each half's own code).
std::u16string MarkerLabel(char16_t unit, TMarkerKind kind);
