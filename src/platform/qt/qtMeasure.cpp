#include "platform/qt/qtMeasure.h"

#include <QFontInfo>
#include <QPalette>

#include <algorithm>

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

} // namespace

QColor QtColor(TColor colour, const QPalette& palette, const QColor& fallback) {
    if (colour == kNoColor) {
        return fallback;
    }
    const auto value = static_cast<std::uint32_t>(colour);
    if ((value & 0x80000000u) != 0) {
        return SystemColour(static_cast<int>(value & 0xFFu), palette);
    }
    return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                  static_cast<int>((value >> 16) & 0xFFu));
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
    const QFontMetricsF exact(font_);
    wholePixelAdvance_ =
        fixedPitch_ && exact.horizontalAdvance(QStringLiteral("MMMMMMMMMM")) == 10.0 * spaceWidth_;
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
