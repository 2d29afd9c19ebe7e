#include "platform/qt/qtMeasure.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <QPalette>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

// The system colour indexes the configuration may name, as palette roles.
QColor SystemColour(int index, const QPalette& p) {
    switch (index) {
    case 1:  // desktop
    case 12: // application workspace
        return p.color(QPalette::Dark);
    case 2: // active caption
    case 13:
        return p.color(QPalette::Active, QPalette::Highlight);
    case 3: // inactive caption
        return p.color(QPalette::Inactive, QPalette::Highlight);
    case 9: // caption text
    case 14:
        return p.color(QPalette::Active, QPalette::HighlightedText);
    case 4:  // menu
    case 15: // button face
        return p.color(QPalette::Button);
    case 5: // window
        return p.color(QPalette::Base);
    case 6:  // window frame
    case 21: // dark 3-D shadow
        return p.color(QPalette::Shadow);
    case 7:  // menu text
    case 18: // button text
        return p.color(QPalette::ButtonText);
    case 8: // window text
        return p.color(QPalette::Text);
    case 16: // button shadow
        return p.color(QPalette::Mid);
    case 17: // grey text
    case 19: // inactive caption text
        return p.color(QPalette::Disabled, QPalette::Text);
    case 20: // button highlight
    case 22: // 3-D light
        return p.color(QPalette::Light);
    case 23: // tooltip text
        return p.color(QPalette::ToolTipText);
    case 24: // tooltip background
        return p.color(QPalette::ToolTipBase);
    default:
        return p.color(QPalette::Window);
    }
}

// The font of marker labels: the editor font's family, plain, at `pixels` pixels.
QFont LabelFont(const QFont& base, int pixels) {
    QFont f = StyledFont(base, 0);
    f.setPixelSize(std::max(pixels, 4));
    return f;
}

int WidestDigit(const QFont& font) {
    const QFontMetrics fm(font);
    int widest = 0;
    for (const char16_t c : std::u16string_view(u"0123456789ABCDEF")) {
        widest = std::max(widest, fm.horizontalAdvance(QChar(c)));
    }
    return widest;
}

} // namespace

QColor QtColor(TColor colour, const QPalette& palette, const QColor& fallback) {
    if (colour == kNoColor) {
        return fallback;
    }
    const auto value = static_cast<std::uint32_t>(colour);
    if ((value & 0x80000000u) != 0) {
        return SystemColour(static_cast<int>(value & 0xFFu), palette);
    }
    return QColorFromColor(colour);
}

QFont StyledFont(const QFont& base, std::uint8_t style) {
    QFont f(base);
    f.setBold((style & fsBold) != 0);
    f.setItalic((style & fsItalic) != 0);
    f.setUnderline((style & fsUnderline) != 0);
    f.setStrikeOut((style & fsStrikeOut) != 0);
    return f;
}

TQtMeasurer::TQtMeasurer(const QFont& font) {
    SetFont(font);
}

void TQtMeasurer::SetFont(const QFont& font) {
    font_ = font;
    for (int s = 0; s < kStyles; ++s) {
        styled_[static_cast<size_t>(s)].reset();
        metrics_[static_cast<size_t>(s)].reset();
        widths_[static_cast<size_t>(s)].clear();
    }
    const QFontMetrics fm(font_);
    spaceWidth_ = fm.horizontalAdvance(QChar(u' '));
    lineHeight_ = fm.height();
    ascent_ = fm.ascent();
    // Some faces claim a fixed pitch they do not keep; the widths decide.
    fixedPitch_ = QFontInfo(font_).fixedPitch() &&
                  fm.horizontalAdvance(QChar(u'i')) == fm.horizontalAdvance(QChar(u'W')) &&
                  fm.horizontalAdvance(QChar(u'.')) == spaceWidth_;

    // Marker labels: two digits as large as fit side by side in two char widths, with a
    // pixel of frame and a pixel of air on either side, between half and 70% of the line
    // height. With a 10 pt or 13 px editor font (7-8 px cells, 13-17 px lines) that gives
    // 8-10 px digits, legible at a glance; one char width could hold two digits only at
    // about 4 px, which no one can read. A font too narrow even for the smallest size
    // widens the cell by whole char widths, so a fixed-pitch font's columns stay aligned.
    // Four digits stack in two rows at half the line height.
    const int cw = std::max(spaceWidth_, 1);
    const int smallest = std::max(static_cast<int>(std::lround(lineHeight_ * 0.5)), 5);
    int pixels = std::max(static_cast<int>(std::lround(lineHeight_ * 0.7)), smallest);
    while (pixels > smallest && 2 * WidestDigit(LabelFont(font_, pixels)) + 4 > 2 * cw) {
        --pixels;
    }
    markerFont1_ = LabelFont(font_, pixels);
    markerFont2_ = LabelFont(font_, (lineHeight_ - 2) / 2);
    const int needed = 2 * WidestDigit(markerFont1_) + 4;
    markerWidth_ = std::max(2, (needed + cw - 1) / cw) * cw;
    showable_.clear();
    astralShowable_.clear();
}

bool TQtMeasurer::CanShow(char32_t code) const {
    if (code < 0x10000) {
        if (showable_.empty()) {
            showable_.assign(0x10000, -1);
        }
    } else if (const auto it = astralShowable_.find(code); it != astralShowable_.end()) {
        return it->second;
    }
    if (code < 0x10000 && showable_[code] >= 0) {
        return showable_[code] != 0;
    }
    bool found = QFontMetrics(font_).inFontUcs4(code);
    if (!found) {
        // The primary font lacks it: lay it out as drawing would, with the font's fallbacks.
        QTextLayout layout(QString::fromUcs4(&code, 1), font_);
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        found = !runs.isEmpty();
        for (const QGlyphRun& run : runs) {
            const QList<quint32> glyphs = run.glyphIndexes();
            found = found && !glyphs.isEmpty() &&
                    std::none_of(glyphs.begin(), glyphs.end(), [](quint32 g) { return g == 0; });
        }
    }
    if (code < 0x10000) {
        showable_[code] = found ? 1 : 0;
    } else {
        astralShowable_.emplace(code, found);
    }
    return found;
}

const QFont& TQtMeasurer::Font(std::uint8_t style) const {
    auto& f = styled_[style & (kStyles - 1)];
    if (!f) {
        f = StyledFont(font_, style);
    }
    return *f;
}

int TQtMeasurer::UnitExtent(char16_t unit, std::uint8_t style) const {
    if (unit >= 0xD800 && unit <= 0xDFFF) {
        return spaceWidth_;
    }
    const size_t s = style & (kStyles - 1);
    auto& widths = widths_[s];
    if (widths.empty()) {
        widths.assign(0x10000, -1);
        metrics_[s] = std::make_unique<QFontMetrics>(Font(static_cast<std::uint8_t>(s)));
    }
    std::int16_t& w = widths[unit];
    if (w < 0) {
        const int advance = metrics_[s]->horizontalAdvance(QChar(unit));
        // A zero-width mark still takes a cell the caret can stand on.
        w = static_cast<std::int16_t>(std::clamp(advance, 1, 0x7FFF));
    }
    return w;
}
