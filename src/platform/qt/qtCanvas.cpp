#include "platform/qt/qtCanvas.h"

#include <QWidget>

#include "platform/qt/qtConvert.h"

#include <cmath>

namespace {

// `a` moved towards `b` by `share` (0..1).
QColor Mix(const QColor& a, const QColor& b, double share) {
    const auto channel = [share](int x, int y) {
        return static_cast<int>(std::lround(x + (y - x) * share));
    };
    return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()),
                  channel(a.blue(), b.blue()));
}

} // namespace

TQtCanvas::TQtCanvas(QWidget& surface, const TQtMeasurer& measurer)
    : surface_(surface), measurer_(measurer), palette_(surface.palette()) {}

TQtCanvas::~TQtCanvas() {
    if (painter_.isActive()) {
        painter_.end();
    }
}

void TQtCanvas::Resize(QSize size) {
    size = size.expandedTo(QSize(1, 1));
    if (size == image_.size()) {
        return;
    }
    if (painter_.isActive()) {
        painter_.end();
    }
    QImage next(size, QImage::Format_RGB32);
    next.fill(palette_.color(QPalette::Base));
    if (!image_.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, image_);
    }
    image_ = std::move(next);
    fills_.clear();
    if (depth_ > 0) {
        painter_.begin(&image_);
    }
    Touch(QRect(QPoint(0, 0), size));
}

void TQtCanvas::BeginPaint() {
    if (depth_++ == 0 && !painter_.isActive() && !image_.isNull()) {
        painter_.begin(&image_);
    }
}

void TQtCanvas::EndPaint() {
    if (depth_ > 0 && --depth_ == 0) {
        if (painter_.isActive()) {
            painter_.end();
        }
        Announce();
    }
}

bool TQtCanvas::Open() {
    if (painter_.isActive() || image_.isNull()) {
        return false;
    }
    painter_.begin(&image_);
    return true;
}

void TQtCanvas::Touch(const QRect& rect) {
    dirty_ += rect;
}

bool TQtCanvas::AlreadyFilled(const QRect& rect, QRgb colour) {
    for (const TFill& f : fills_) {
        if (f.rect == rect) {
            if (f.colour == colour) {
                return true;
            }
            break;
        }
    }
    Forget(rect);
    if (fills_.size() < 4096) {
        fills_.push_back({rect, colour});
    }
    return false;
}

void TQtCanvas::Forget(const QRect& rect) {
    std::erase_if(fills_, [&](const TFill& f) { return f.rect.intersects(rect); });
}

void TQtCanvas::Announce() {
    if (dirty_.isEmpty()) {
        return;
    }
    if (announce_) {
        surface_.update(dirty_);
    }
    dirty_ = QRegion();
}

void TQtCanvas::FillRect(const TRect& rect, TColor colour) {
    if (rect.Empty()) {
        return;
    }
    const bool opened = Open();
    const QRect r = QRectFromRect(rect);
    const QColor c = QtColor(colour, palette_, palette_.color(QPalette::Base));
    if (AlreadyFilled(r, c.rgb())) {
        if (opened) {
            painter_.end();
        }
        return;
    }
    painter_.fillRect(r, c);
    Touch(r);
    if (opened) {
        painter_.end();
        Announce();
    }
}

void TQtCanvas::DrawText(int x, int y, std::u16string_view text, TColor colour,
                         std::uint8_t style) {
    if (text.empty()) {
        return;
    }
    const bool opened = Open();
    // Every glyph is clipped to its own cells: one that reaches past them (an underscore
    // below the line, a wide glyph into the next cell) would mark a neighbour, and only
    // where the neighbour is not drawn again, so the screen would depend on the order in
    // which cells happen to be drawn.
    painter_.save();
    const int lh = measurer_.LineHeight();
    const QFont& font = measurer_.Font(style);
    painter_.setFont(font);
    painter_.setPen(QtColor(colour, palette_, palette_.color(QPalette::Text)));
    // Each glyph at its own cell: a run laid out by the font would place its glyphs by
    // fractional advances and drift off the cells the layout measured in whole pixels.
    const int baseline = y + measurer_.Ascent();
    int gx = x;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t n = i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF &&
                                 text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF
                             ? 2
                             : 1;
        int w = 0;
        for (size_t k = 0; k < n; ++k) {
            w += measurer_.UnitExtent(text[i + k], style);
        }
        painter_.setClipRect(QRect(gx, y, w, lh));
        painter_.drawText(QPoint(gx, baseline), QStringFromU16(text.substr(i, n)));
        gx += w;
        i += n - 1;
    }
    painter_.restore();
    const QRect drawn(x, y, gx - x, lh);
    Forget(drawn);
    Touch(drawn);
    if (opened) {
        painter_.end();
        Announce();
    }
}

void TQtCanvas::DrawMarker(const TRect& cell, std::u16string_view label, TMarkerKind kind,
                           TColor fg, TColor bg) {
    if (cell.Empty()) {
        return;
    }
    const bool opened = Open();
    const QRect r = QRectFromRect(cell);
    const QColor ink = QtColor(fg, palette_, palette_.color(QPalette::Text));
    const QColor back = QtColor(bg, palette_, palette_.color(QPalette::Base));
    // A pixel of air around the box, so that two markers side by side stay apart.
    const QRect box = r.adjusted(1, 1, -1, -1);
    painter_.save();
    painter_.setClipRect(r);
    if (kind == TMarkerKind::Byte) {
        painter_.fillRect(box, Mix(back, ink, 0.22));
    } else {
        painter_.setPen(Mix(back, ink, 0.4));
        painter_.drawRect(box.adjusted(0, 0, -1, -1));
    }
    painter_.setPen(ink);
    const QString text = QStringFromU16(label);
    if (text.size() <= 2) {
        painter_.setFont(measurer_.MarkerFont(1));
        painter_.drawText(box, Qt::AlignCenter, text);
    } else {
        // Four digits in two rows of two.
        painter_.setFont(measurer_.MarkerFont(2));
        const int half = box.height() / 2;
        painter_.drawText(QRect(box.left(), box.top(), box.width(), half), Qt::AlignCenter,
                          text.left(2));
        painter_.drawText(QRect(box.left(), box.top() + half, box.width(), box.height() - half),
                          Qt::AlignCenter, text.mid(2));
    }
    painter_.restore();
    Forget(r);
    Touch(r);
    if (opened) {
        painter_.end();
        Announce();
    }
}

void TQtCanvas::DrawGutterMark(int x, int y, char16_t mark, TColor colour) {
    const bool opened = Open();
    QFont font = measurer_.Font();
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : 10.0;
    font.setPointSizeF(std::max(points - 3.0, 4.0));
    painter_.setFont(font);
    painter_.setPen(QtColor(colour, palette_, palette_.color(QPalette::Text)));
    const QFontMetrics fm(font);
    painter_.drawText(QPoint(x, y + fm.ascent()), QString(QChar(mark)));
    const QRect drawn(x, y, fm.horizontalAdvance(QChar(mark)) + 1, measurer_.LineHeight());
    Forget(drawn);
    Touch(drawn);
    if (opened) {
        painter_.end();
        Announce();
    }
}

void TQtCanvas::ScrollBand(const TRect& band, TScrollDirection direction, int distance) {
    if (band.Empty() || distance <= 0 || distance >= band.Height()) {
        return;
    }
    const bool opened = Open();
    const QRect r = QRectFromRect(band).intersected(image_.rect());
    const int shift = direction == TScrollDirection::Down ? distance : -distance;
    // The part that stays inside the band after the move.
    const QRect source =
        direction == TScrollDirection::Down
            ? QRect(r.left(), r.top(), r.width(), r.height() - distance)
            : QRect(r.left(), r.top() + distance, r.width(), r.height() - distance);
    const QImage moved = image_.copy(source);
    fills_.clear();
    painter_.save();
    painter_.setClipRect(r);
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    painter_.drawImage(source.topLeft() + QPoint(0, shift), moved);
    painter_.restore();
    Touch(r);
    if (opened) {
        painter_.end();
        Announce();
    }
}

void TQtCanvas::PlaceCaret(int x, int y, int width, int height) {
    const QRect next(x, y, std::max(width, 1), std::max(height, 1));
    if (caret_ && *caret_ == next) {
        return;
    }
    if (caret_) {
        Touch(*caret_);
    }
    caret_ = next;
    Touch(next);
    if (depth_ == 0) {
        Announce();
    }
    if (onCaretMoved) {
        onCaretMoved();
    }
}

void TQtCanvas::HideCaret() {
    if (!caret_) {
        return;
    }
    Touch(*caret_);
    caret_.reset();
    if (depth_ == 0) {
        Announce();
    }
}
