// The drawing surface an editor paints on: rectangle fills, text cells, gutter marks, band
// scrolls and the caret, in client pixels. The toolkit layer paints into a retained image
// and shows it, so what is not drawn again stays as it was.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/uniMeasure.h"

// A pixel rectangle; right and bottom are excluded.
struct TRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

// Which way the pixels of a band move.
enum class TScrollDirection { Up, Down };

class TCanvas {
public:
    TCanvas() = default;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;
    virtual ~TCanvas() = default;

    // The surface's size: the editor's client area.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // True while nobody can see the surface (a maximized document window that is not the
    // active one): painting waits until it shows again.
    virtual bool Obscured() const = 0;
    // True when text is drawn with blended (anti-aliased) edges: drawing a glyph twice over
    // the same pixels darkens its edges, so a cell that is drawn again is filled whole
    // instead of inset by a pixel on each side.
    virtual bool BlendsGlyphEdges() const { return false; }

    // Bracket one paint; EndPaint is called also when painting fails, and shows what was
    // drawn.
    virtual void BeginPaint() = 0;
    virtual void EndPaint() = 0;

    // Opaque fill.
    virtual void FillRect(const TRect& rect, TColor colour) = 0;
    // Transparent text in the editor font: the code units' glyphs side by side from the
    // top-left corner (x, y) of their first cell, in the font style bits of TFontStyleBits.
    virtual void DrawText(int x, int y, std::u16string_view text, TColor colour,
                          std::uint8_t style) = 0;
    // A marker cell: the code unit's label (two or four hexadecimal digits) drawn small in
    // the style of `kind`, in the cell's foreground colour, over a box toned from `fg` and
    // `bg` (the colour the cell was just filled with). Nothing is drawn outside `cell`.
    virtual void DrawMarker(const TRect& cell, std::u16string_view label, TMarkerKind kind,
                            TColor fg, TColor bg) = 0;
    // A gutter mark (bookmark digit or continuation mark) with its top-left corner at
    // (x, y), transparent, in the editor font made 3 points smaller.
    virtual void DrawGutterMark(int x, int y, char16_t mark, TColor colour) = 0;
    // Moves the pixels of `band` by `distance` pixels up or down; what moves out of the band
    // is lost, what it uncovers inside the band is undefined until drawn again.
    virtual void ScrollBand(const TRect& band, TScrollDirection direction, int distance) = 0;

    // The caret's rectangle (shown while the editor has the focus), or none.
    virtual void PlaceCaret(int x, int y, int width, int height) = 0;
    virtual void HideCaret() = 0;
};
