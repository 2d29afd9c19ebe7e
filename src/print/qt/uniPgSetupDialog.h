// The page setup dialog: the page setup values shown in Qt's page setup dialog, and the
// process-wide defaults read from the default printer.
#pragma once

#include <functional>

#include "print/uniPgSetup.h"

class QPrinter;
class QWidget;

class TuniPageSetupDialog {
public:
    explicit TuniPageSetupDialog(TPSMeasurements measurements = TPSMeasurements::pmDefault);

    TuniPageSetup& Values() { return values_; }
    const TuniPageSetup& Values() const { return values_; }

    // Shows the platform dialog filled with the paper and margins (margins below the minimum
    // raised to it with poDefaultMinMargins); on OK stores what the user chose. False when
    // cancelled.
    bool Execute(QWidget* parent);

    // The paper of the values set on a printer (before its print dialog): a wide paper as
    // its standard size turned to landscape.
    void ApplyPaper(QPrinter& printer) const;
    // The paper and margins of a printer's page layout taken into the values.
    void TakeFromPrinter(const QPrinter& printer);

    // Tests answer the dialog: they may change the printer's page layout, and return true
    // for OK.
    static void SetResponder(std::function<bool(QPrinter&)> responder);

private:
    TuniPageSetup values_;
};

// Reads the default printer's paper and margins (through CUPS) and makes them the defaults
// of every page setup made after; with no printer the no-printer values stay.
void InstallDefaultPrinterPageSetup();
