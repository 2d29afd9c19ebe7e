#include "print/qt/qtPrintCanvas.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPrinter>

#include "platform/qt/qtConvert.h"

TQtPrintCanvas::TQtPrintCanvas(QPagedPaintDevice& device, QPrinter* printer)
    : device_(device), printer_(printer) {}

TQtPrintCanvas::~TQtPrintCanvas() {
    if (painter_.isActive()) {
        painter_.end();
    }
}

TPrinterGeometry TQtPrintCanvas::Geometry() const {
    const QPageLayout layout = device_.pageLayout();
    const int dpiX = device_.logicalDpiX();
    const int dpiY = device_.logicalDpiY();
    const QRect full = layout.fullRectPixels(dpiX);
    const QRect paint = layout.paintRectPixels(dpiX);
    TPrinterGeometry g;
    g.dpiX = dpiX;
    g.dpiY = dpiY;
    g.offX = paint.left() - full.left();
    g.offY = paint.top() - full.top();
    g.pageWidth = device_.width();
    g.pageHeight = device_.height();
    return g;
}

void TQtPrintCanvas::SetFont(std::u16string_view name, int size) {
    base_ = QFont(QStringFromU16(name));
    base_.setPointSize(size > 0 ? size : 10);
    // Advances add up as they are measured one character at a time.
    base_.setKerning(false);
    base_.setStyleHint(QFont::TypeWriter, QFont::PreferMatch);
    styled_ = {};
}

const QFont& TQtPrintCanvas::Font(std::uint8_t style) {
    std::optional<QFont>& f = styled_[style & 15u];
    if (!f) {
        QFont font = base_;
        font.setBold((style & fsBold) != 0);
        font.setItalic((style & fsItalic) != 0);
        font.setUnderline((style & fsUnderline) != 0);
        font.setStrikeOut((style & fsStrikeOut) != 0);
        f = font;
    }
    return *f;
}

int TQtPrintCanvas::TextWidth(std::u16string_view text, std::uint8_t style) {
    return QFontMetrics(Font(style), &device_).horizontalAdvance(QStringFromU16(text));
}

int TQtPrintCanvas::TextHeight() {
    return QFontMetrics(Font(0), &device_).height();
}

void TQtPrintCanvas::BeginJob() {
    if (!painter_.begin(&device_)) {
        throw EPrintError("The printer could not start the job.");
    }
}

void TQtPrintCanvas::NewPage() {
    if (!device_.newPage()) {
        throw EPrintError("The printer could not begin a new page.");
    }
}

void TQtPrintCanvas::EndJob() {
    if (painter_.isActive() && !painter_.end()) {
        throw EPrintError("The printer could not finish the job.");
    }
}

void TQtPrintCanvas::AbortJob() {
    if (printer_ != nullptr) {
        printer_->abort();
    }
    if (painter_.isActive()) {
        painter_.end();
    }
}

void TQtPrintCanvas::DrawText(int x, int y, std::u16string_view text, TColor colour,
                              std::uint8_t style) {
    const QFont& font = Font(style);
    painter_.setFont(font);
    // System colours have no meaning on paper: they print black.
    painter_.setPen(colour < 0 ? QColor(Qt::black) : QColorFromColor(colour));
    painter_.drawText(QPoint(x, y + QFontMetrics(font, &device_).ascent()), QStringFromU16(text));
}

QPageLayout PageLayoutFromSetup(const TuniPageSetup& setup) {
    const bool mm = setup.EffectiveUnit() == TPSMeasurements::pmMillimeters;
    // Hundredths of a millimetre or thousandths of an inch.
    const double scale = mm ? 100.0 : 1000.0;
    const TPSPoint paper = setup.PaperSize();
    // Qt's paper sizes stand upright and match only that way round: a wide paper is the
    // upright size turned.
    const bool wide = paper.X > paper.Y;
    const QSizeF upright =
        wide ? QSizeF(paper.Y / scale, paper.X / scale) : QSizeF(paper.X / scale, paper.Y / scale);
    const QPageSize size(upright, mm ? QPageSize::Millimeter : QPageSize::Inch, QString(),
                         QPageSize::FuzzyMatch);
    return QPageLayout(size, wide ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}
