// Colour values and text measurement on Qt: the editor's 32-bit colours as QColor (system
// colours through the palette), and a measurer over QFontMetrics.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/qt/qtConvert.h"
#include "platform/uniMeasure.h"

class QPalette;

// 0x00BBGGRR as an RGB colour; 0x80000000 + index as the palette colour of that system
// colour index; none (-1) as `fallback`.
QColor QtColor(TColor colour, const QPalette& palette,
               const QColor& fallback = QColor(255, 255, 255));

// The editor font with its four style bits applied.
QFont StyledFont(const QFont& base, std::uint8_t style);

// Measures code units in one font. Widths are cached per style, so a layout pass asks
// QFontMetrics once per distinct unit. A surrogate half counts one char width, so a pair
// takes two cells (the astral planes are mostly wide glyphs).
class TQtMeasurer : public TTextMeasurer {
public:
    explicit TQtMeasurer(const QFont& font = QFont());

    void SetFont(const QFont& font);
    const QFont& Font() const { return font_; }
    const QFont& Font(std::uint8_t style) const;
    int Ascent() const { return ascent_; }

    int UnitExtent(char16_t unit, std::uint8_t style) const override;
    int SpaceWidth() const override { return spaceWidth_; }
    int LineHeight() const override { return lineHeight_; }
    bool FixedPitch() const override { return fixedPitch_; }
    int MarkerWidth() const override { return markerWidth_; }
    // Asks the font with its fallbacks, as drawing would: the primary font first, then a
    // text layout of the character, whose glyph 0 (.notdef) means no font has it.
    bool CanShow(char32_t code) const override;
    // The fonts of marker labels: two digits in one row, four digits in two rows.
    const QFont& MarkerFont(int rows) const { return rows > 1 ? markerFont2_ : markerFont1_; }

private:
    static constexpr int kStyles = 16;
    QFont font_;
    mutable std::array<std::optional<QFont>, kStyles> styled_;
    mutable std::array<std::unique_ptr<QFontMetrics>, kStyles> metrics_;
    mutable std::array<std::vector<std::int16_t>, kStyles> widths_;
    QFont markerFont1_;
    QFont markerFont2_;
    int markerWidth_ = 0;
    mutable std::vector<std::int8_t> showable_; // per BMP code point: -1 unknown, 0 no, 1 yes
    mutable std::unordered_map<char32_t, bool> astralShowable_;
    int spaceWidth_ = 0;
    int lineHeight_ = 0;
    int ascent_ = 0;
    bool fixedPitch_ = false;
};
