// Printing into a PDF file with QPdfWriter, also from a program that has no window.
#include <QGuiApplication>
#include <QPdfWriter>

#include "platform/qt/qtConvert.h"
#include "print/qt/qtPrintCanvas.h"
#include "print/uniPdfPrint.h"

namespace {

// The fonts need an application of the GUI kind; a program without one gets one on the
// offscreen platform, kept for the rest of its run.
void EnsureGuiApplication() {
    if (QGuiApplication::instance() != nullptr) {
        return;
    }
    static int argc = 3;
    static char name[] = "pelmar";
    static char option[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    // Never deleted: taking an application down among the program's static destructors
    // would outlive the parts of Qt it needs.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

} // namespace

TPrintResult PrintToPdf(TuniMemo& memo, const std::string& fileName, const TuniPageSetup& setup) {
    EnsureGuiApplication();
    QPdfWriter writer(QStringFromFileName(fileName));
    writer.setCreator(QStringLiteral("Pelmar"));
    // The margins are the layout's own business (PrintRect): the page is the whole paper.
    writer.setPageLayout(PageLayoutFromSetup(setup));
    TQtPrintCanvas canvas(writer);
    return PrintDocument(memo, canvas, setup);
}
