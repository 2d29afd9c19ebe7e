// Marker cells: the rule that picks the units, their width and their labels.
#include "editor/uniCellMarker.h"

namespace {

bool IsHigh(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}

bool IsLow(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

bool IsNoncharacter(char32_t code) {
    return (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE;
}

// Controls have no glyph worth drawing: some fonts draw nothing, others a box of their own
// width, so they are markers whatever the font says.
bool IsControl(char16_t u) {
    return (u < 0x20 && u != u'\t') || (u >= 0x7F && u <= 0x9F);
}

TMarkerKind PairMarker(char16_t high, char16_t low, const TTextMeasurer& measurer) {
    const char32_t code = 0x10000 + ((char32_t{high} - 0xD800) << 10) + (char32_t{low} - 0xDC00);
    return IsNoncharacter(code) || !measurer.CanShow(code) ? TMarkerKind::Code : TMarkerKind::None;
}

} // namespace

TMarkerKind MarkerAt(std::u16string_view text, size_t i, const TTextMeasurer& measurer) {
    const char16_t unit = text[i];
    if (IsHigh(unit)) {
        if (i + 1 < text.size() && IsLow(text[i + 1])) {
            return PairMarker(unit, text[i + 1], measurer);
        }
        return TMarkerKind::Code;
    }
    if (IsLow(unit)) {
        if (i > 0 && IsHigh(text[i - 1])) {
            return PairMarker(text[i - 1], unit, measurer);
        }
        return unit >= 0xDC80 && unit <= 0xDCFF ? TMarkerKind::Byte : TMarkerKind::Code;
    }
    if (unit == u'\t') {
        return TMarkerKind::None;
    }
    if (IsControl(unit) || IsNoncharacter(unit) || !measurer.CanShow(unit)) {
        return TMarkerKind::Code;
    }
    return TMarkerKind::None;
}

TUnitCell UnitCellAt(std::u16string_view text, size_t i, const TTextMeasurer& measurer,
                     std::uint8_t style) {
    const TMarkerKind marker = MarkerAt(text, i, measurer);
    return {marker, marker != TMarkerKind::None ? measurer.MarkerWidth()
                                                : measurer.UnitExtent(text[i], style)};
}

std::u16string MarkerLabel(char16_t unit, TMarkerKind kind) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    const auto digit = [](unsigned value) { return kDigits[value & 0xF]; };
    if (kind == TMarkerKind::Byte || unit < 0x100) {
        return {digit(unit >> 4u), digit(unit)};
    }
    return {digit(unit >> 12u), digit(unit >> 8u), digit(unit >> 4u), digit(unit)};
}
