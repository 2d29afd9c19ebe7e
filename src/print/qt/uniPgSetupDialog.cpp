#include "print/qt/uniPgSetupDialog.h"

#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>

#include "print/qt/qtPrintCanvas.h"

namespace {

std::function<bool(QPrinter&)>& Responder() {
    static std::function<bool(QPrinter&)> responder;
    return responder;
}

std::int32_t Units(double value, double scale) {
    return static_cast<std::int32_t>(std::lround(value * scale));
}

// The values' unit as a page layout unit, and how many of the values' units make one.
struct TUnit {
    QPageLayout::Unit unit;
    double scale;
};

TUnit UnitOf(const TuniPageSetup& values) {
    return values.EffectiveUnit() == TPSMeasurements::pmMillimeters
               ? TUnit{QPageLayout::Millimeter, 100.0}
               : TUnit{QPageLayout::Inch, 1000.0};
}

} // namespace

TuniPageSetupDialog::TuniPageSetupDialog(TPSMeasurements measurements) : values_(measurements) {}

void TuniPageSetupDialog::SetResponder(std::function<bool(QPrinter&)> responder) {
    Responder() = std::move(responder);
}

void TuniPageSetupDialog::ApplyPaper(QPrinter& printer) const {
    // The printer keeps its own margins: only the paper and how it lies are set.
    const QPageLayout paper = PageLayoutFromSetup(values_);
    printer.setPageSize(paper.pageSize());
    printer.setPageOrientation(paper.orientation());
}

void TuniPageSetupDialog::TakeFromPrinter(const QPrinter& printer) {
    const TUnit u = UnitOf(values_);
    const QPageLayout layout = printer.pageLayout();
    // The paper as it lies: a landscape choice gives the wider width.
    const QSizeF paper = layout.fullRect(u.unit).size();
    values_.SetPaperSize({Units(paper.width(), u.scale), Units(paper.height(), u.scale)});
    const QMarginsF m = layout.margins(u.unit);
    values_.SetMargins({Units(m.left(), u.scale), Units(m.top(), u.scale),
                        Units(m.right(), u.scale), Units(m.bottom(), u.scale)});
}

bool TuniPageSetupDialog::Execute(QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
    }
    ApplyPaper(printer);
    const TUnit u = UnitOf(values_);
    const TPSRect m = values_.DialogMargins();
    // Qt keeps margins inside what the printer can print; the values' own minimum is ours.
    printer.setPageMargins(
        QMarginsF(m.Left / u.scale, m.Top / u.scale, m.Right / u.scale, m.Bottom / u.scale),
        u.unit);
    bool ok = false;
    if (Responder()) {
        ok = Responder()(printer);
    } else {
        QPageSetupDialog dialog(&printer, parent);
        ok = dialog.exec() == QDialog::Accepted;
    }
    if (ok) {
        TakeFromPrinter(printer);
    }
    return ok;
}

void InstallDefaultPrinterPageSetup() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        InstallPageSetupDefaults(std::nullopt);
        return;
    }
    QPrinter printer(info, QPrinter::HighResolution);
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Inch);
    const QSizeF paper = layout.fullRect().size();
    const QMarginsF least = layout.minimumMargins();
    const QMarginsF m = layout.margins();
    const auto rect = [](const QMarginsF& r) {
        return TPSRect{Units(r.left(), 1000), Units(r.top(), 1000), Units(r.right(), 1000),
                       Units(r.bottom(), 1000)};
    };
    InstallPageSetupDefaults(TPageSetupDefaults{
        {Units(paper.width(), 1000), Units(paper.height(), 1000)}, rect(least), rect(m)});
}
