// What the editor's layout needs from the platform's text measurement.
#pragma once

#include <cstdint>

// Font style bits, as the highlighter supplies them.
enum TFontStyleBits : std::uint8_t {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};

// Colour values: 0x00BBGGRR; 0x80000000 + index for the system colours; -1 for none.
using TColor = std::int32_t;
inline constexpr TColor kNoColor = -1;
constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0x80000000u + static_cast<unsigned>(index));
}
inline constexpr TColor clHighlight = SystemColor(13);
inline constexpr TColor clHighlightText = SystemColor(14);
inline constexpr TColor clBlack = 0x000000;

// How a code unit that has no glyph to draw is shown: in a marker cell of its own, a small
// box with its code in hexadecimal digits, instead of a glyph that might spill into the
// cells beside it. Which units are markers is decided in the editor (uniCellMarker.h).
enum class TMarkerKind : std::uint8_t {
    None, // drawn as text
    Byte, // a byte the file's encoding could not read: its two digits on a tinted box
    Code, // a control, noncharacter, lone surrogate or unshowable character: its code framed
};

// Measures single code units in the editor font. Non-copyable by nature of its users:
// the editor borrows one for its lifetime.
class TTextMeasurer {
public:
    TTextMeasurer() = default;
    TTextMeasurer(const TTextMeasurer&) = delete;
    TTextMeasurer& operator=(const TTextMeasurer&) = delete;
    virtual ~TTextMeasurer() = default;

    // The advance width in pixels of one UTF-16 code unit drawn in the given style.
    virtual int UnitExtent(char16_t unit, std::uint8_t style) const = 0;
    // The extent of a single space: the char width and the line height.
    virtual int SpaceWidth() const = 0;
    virtual int LineHeight() const = 0;
    virtual bool FixedPitch() const = 0;
    // The width of every marker cell. Two char widths: one cell is too narrow for two
    // legible digits side by side at the usual sizes, and a multiple of the char width
    // keeps markers on the grid of a fixed-pitch font. A measurer that knows its label font
    // may widen it.
    virtual int MarkerWidth() const { return 2 * SpaceWidth(); }
    // Whether the font or one of its fallbacks has a glyph for this code point (a pair's
    // code point for the astral planes). A unit it cannot show is drawn as a marker.
    virtual bool CanShow(char32_t) const { return true; }
};

// Every code unit one cell of 8 x 16 pixels: the layout in character cells, for editors
// that have no screen (the command-line tool, benchmarks).
class TCellMeasurer : public TTextMeasurer {
public:
    int UnitExtent(char16_t, std::uint8_t) const override { return 8; }
    int SpaceWidth() const override { return 8; }
    int LineHeight() const override { return 16; }
    bool FixedPitch() const override { return true; }
};
