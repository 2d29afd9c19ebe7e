// The main window's printing: the page setup it keeps for the run, the Page setup and Print
// commands with their platform dialogs.
#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>

#include "print/qt/qtPrintCanvas.h"
#include "print/qt/uniPgSetupDialog.h"
#include "print/uniPrint.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"

namespace {

std::function<bool(QPrinter&)>& PrintResponder() {
    static std::function<bool(QPrinter&)> responder;
    return responder;
}

// The wait cursor for as long as it lives.
class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace

void TPMMainForm::SetPrintResponder(std::function<bool(QPrinter&)> responder) {
    PrintResponder() = std::move(responder);
}

void TPMMainForm::MakePageSetup() {
    InstallDefaultPrinterPageSetup();
    pageSetup_ = std::make_unique<TuniPageSetupDialog>(TPSMeasurements::pmDefault);
    TuniPageSetup& values = pageSetup_->Values();
    // A4 in the unit the locale measures in.
    constexpr TPSPoint a4{21000, 29700};
    values.SetPaperSize(values.EffectiveUnit() == TPSMeasurements::pmMillimeters
                            ? a4
                            : TPSPoint{InchesFromMillimeters(a4.X), InchesFromMillimeters(a4.Y)});
    values.SetMinimumMargins({0, 0, 0, 0});
    values.SetOptions(poDefaultMinMargins);
}

void TPMMainForm::PageSetup() {
    if (ActiveChild() == nullptr) {
        return;
    }
    pageSetup_->Execute(this);
}

void TPMMainForm::Print() {
    TMDIChild* child = ActiveChild();
    if (child == nullptr) {
        return;
    }
    TuniMemo& memo = child->Memo();
    QPrinter printer(QPrinter::HighResolution);
    pageSetup_->ApplyPaper(printer);
    // The page setup's margins are the layout's; the printer keeps only what it cannot print
    // on, which the layout takes off again.
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    printer.setDocName(DocumentTitle(memo));
    bool go = false;
    if (PrintResponder()) {
        go = PrintResponder()(printer);
    } else {
        QPrintDialog dialog(&printer, this);
        // The layout prints whole documents or selections: no page ranges.
        dialog.setOptions(QAbstractPrintDialog::PrintToFile |
                          QAbstractPrintDialog::PrintShowPageSize |
                          QAbstractPrintDialog::PrintCollateCopies);
        go = dialog.exec() == QDialog::Accepted;
    }
    if (!go) {
        return;
    }
    {
        const TWaitCursor wait;
        TQtPrintCanvas canvas(printer, &printer);
        PrintDocument(memo, canvas, pageSetup_->Values());
    }
    // The highlighter's window held the printed lines: the view is drawn again.
    memo.RequestRepaint();
}
