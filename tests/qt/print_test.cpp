// Printing from the main window: Ctrl+P through the print dialog into a PDF file, the page
// setup dialog's paper and margins, the menus' enabling.
#include <QApplication>
#include <QMenu>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/qt/qtConvert.h"
#include "print/qt/uniPgSetupDialog.h"
#include "qt/qtTestSupport.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "support/pdfTools.h"
#include "widgets/uniMsgDlg.h"

using namespace qt_testing;
using testing_support::FirstWordCorner;
using testing_support::PdfPages;
using testing_support::PdfPageSize;
using testing_support::PdfText;
using testing_support::WriteBytes;

namespace {

class PrintFormTest : public ::testing::Test {
protected:
    PrintFormTest() {
        TPMMainForm::SetPrintResponder([this](QPrinter& printer) {
            ++dialogs_;
            if (pdf_.empty()) {
                return false; // Cancel
            }
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QStringFromFileName(pdf_));
            return true;
        });
        main_ = std::make_unique<TPMMainForm>(program_.Root());
        main_->resize(800, 600);
        main_->show();
        QApplication::processEvents();
    }
    ~PrintFormTest() override {
        for (TMDIChild* child : main_->Children()) {
            child->Memo().DeclineSave();
        }
        main_.reset();
        TPMMainForm::SetPrintResponder(nullptr);
        TuniPageSetupDialog::SetResponder(nullptr);
    }

    TMDIChild& Open(const std::string& name, const std::string& bytes) {
        const std::string path = files_.file(name);
        WriteBytes(path, bytes);
        TMDIChild* child = main_->OpenDocument(path);
        QApplication::processEvents();
        main_->Idle();
        return *child;
    }

    TProgramCopy program_;
    testing_support::TempDir files_;
    std::unique_ptr<TPMMainForm> main_;
    std::string pdf_;
    int dialogs_ = 0;
};

TEST_F(PrintFormTest, CtrlPPrintsTheActiveDocumentIntoAPdfFile) {
    TMDIChild& child = Open("a.c", "int main(void) {\n\treturn 0; /* done */\n}\n");
    pdf_ = files_.file("out.pdf");
    child.MemoWidget().setFocus();
    QTest::keyClick(&child.MemoWidget(), Qt::Key_P, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(dialogs_, 1);
    const std::string text = PdfText(pdf_);
    EXPECT_NE(text.find("int main(void) {"), std::string::npos) << text;
    EXPECT_NE(text.find("return 0; /* done */"), std::string::npos) << text;
    EXPECT_EQ(PdfPages(pdf_), 1);
    // A4 unless the page setup says otherwise.
    EXPECT_NEAR(PdfPageSize(pdf_).first, 210 * 72 / 25.4, 1);
    // The document is not changed by printing it.
    EXPECT_FALSE(child.Memo().Modified());
}

TEST_F(PrintFormTest, CancellingThePrintDialogPrintsNothing) {
    Open("a.txt", "text\n");
    pdf_.clear();
    main_->RunGlobalAction("Print");
    EXPECT_EQ(dialogs_, 1);
    EXPECT_FALSE(std::filesystem::exists(files_.file("out.pdf")));
}

TEST_F(PrintFormTest, ThePageSetupsPaperIsThePrintedPaper) {
    Open("a.txt", "text\n");
    int shown = 0;
    TuniPageSetupDialog::SetResponder([&](QPrinter& printer) {
        ++shown;
        // The dialog opens on the values: A4 paper.
        EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A4);
        printer.setPageSize(QPageSize(QPageSize::A5));
        printer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
        return true;
    });
    main_->RunGlobalAction("PageSetup");
    EXPECT_EQ(shown, 1);
    const TuniPageSetup& values = main_->PageSetupDialog().Values();
    const bool mm = values.EffectiveUnit() == TPSMeasurements::pmMillimeters;
    EXPECT_EQ(values.Margins().Left, mm ? 2000 : 787);
    EXPECT_EQ(values.PaperSize().X, mm ? 14800 : 5827);

    pdf_ = files_.file("a5.pdf");
    main_->RunGlobalAction("Print");
    EXPECT_NEAR(PdfPageSize(pdf_).first, 148 * 72 / 25.4, 1);

    // Cancelled, the dialog changes nothing.
    TuniPageSetupDialog::SetResponder([&](QPrinter& printer) {
        printer.setPageSize(QPageSize(QPageSize::Letter));
        return false;
    });
    main_->RunGlobalAction("PageSetup");
    EXPECT_EQ(main_->PageSetupDialog().Values().PaperSize().X, mm ? 14800 : 5827);
}

// How many characters the first printed row holds.
size_t FirstRowLength(const std::string& pdf) {
    const std::string text = PdfText(pdf);
    return text.substr(0, text.find('\n')).size();
}

TEST_F(PrintFormTest, ALandscapePageSetupPrintsLandscapePages) {
    std::string line = "first";
    for (int i = 0; i < 60; ++i) {
        line += " word" + std::to_string(i);
    }
    Open("a.txt", line + "\n");
    pdf_ = files_.file("portrait.pdf");
    main_->RunGlobalAction("Print");
    const size_t portraitRow = FirstRowLength(pdf_);

    TuniPageSetupDialog::SetResponder([&](QPrinter& printer) {
        EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
        printer.setPageOrientation(QPageLayout::Landscape);
        // Different on every side, as they lie on the turned page.
        printer.setPageMargins(QMarginsF(30, 20, 10, 15), QPageLayout::Millimeter);
        return true;
    });
    main_->RunGlobalAction("PageSetup");
    const TuniPageSetup& values = main_->PageSetupDialog().Values();
    const bool mm = values.EffectiveUnit() == TPSMeasurements::pmMillimeters;
    const TPSPoint wideA4 = mm ? TPSPoint{29700, 21000} : TPSPoint{11693, 8268};
    const TPSRect margins = mm ? TPSRect{3000, 2000, 1000, 1500} : TPSRect{1181, 787, 394, 591};
    EXPECT_EQ(values.PaperSize(), wideA4);
    EXPECT_EQ(values.Margins(), margins);

    // The print dialog is offered A4 turned, not a wide paper of its own.
    QPageLayout offered;
    TPMMainForm::SetPrintResponder([&](QPrinter& printer) {
        offered = printer.pageLayout();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QStringFromFileName(pdf_));
        return true;
    });
    pdf_ = files_.file("landscape.pdf");
    main_->RunGlobalAction("Print");
    EXPECT_EQ(offered.orientation(), QPageLayout::Landscape);
    EXPECT_EQ(offered.pageSize().id(), QPageSize::A4);
    EXPECT_NEAR(PdfPageSize(pdf_).first, 842, 1);
    EXPECT_NEAR(PdfPageSize(pdf_).second, 595, 1);
    // The text runs across the wide page and begins at the left and top margins.
    EXPECT_GT(FirstRowLength(pdf_), portraitRow * 13 / 10);
    const auto [x, y] = FirstWordCorner(pdf_);
    EXPECT_NEAR(x, 30 * 72 / 25.4, 1.5);
    EXPECT_NEAR(y, 20 * 72 / 25.4, 3);

    // The dialog opens again on landscape A4 with the margins where they were put.
    TuniPageSetupDialog::SetResponder([&](QPrinter& printer) {
        const QPageLayout layout = printer.pageLayout();
        EXPECT_EQ(layout.orientation(), QPageLayout::Landscape);
        EXPECT_EQ(layout.pageSize().id(), QPageSize::A4);
        const QMarginsF m = layout.margins(QPageLayout::Millimeter);
        EXPECT_NEAR(m.left(), 30, 0.1);
        EXPECT_NEAR(m.bottom(), 15, 0.1);
        return true;
    });
    main_->RunGlobalAction("PageSetup");
    EXPECT_EQ(main_->PageSetupDialog().Values().PaperSize(), wideA4);
    EXPECT_EQ(main_->PageSetupDialog().Values().Margins(), margins);
}

TEST_F(PrintFormTest, PrintAndPageSetupNeedADocument) {
    main_->Idle();
    ASSERT_NE(main_->MenuAction("Print"), nullptr);
    EXPECT_FALSE(main_->MenuAction("Print")->isEnabled());
    EXPECT_FALSE(main_->MenuAction("PageSetup")->isEnabled());
    main_->RunGlobalAction("Print");
    EXPECT_EQ(dialogs_, 0);

    Open("a.txt", "text\n");
    EXPECT_TRUE(main_->MenuAction("Print")->isEnabled());
    EXPECT_TRUE(main_->MenuAction("PageSetup")->isEnabled());
    // The file menu holds both, the tab row's menu Print.
    EXPECT_TRUE(main_->FileMenu()->actions().contains(main_->MenuAction("PageSetup")));
    EXPECT_TRUE(main_->FileMenu()->actions().contains(main_->MenuAction("Print")));
    bool inTabMenu = false;
    for (QMenu* menu : main_->findChildren<QMenu*>()) {
        if (menu->parent() == main_.get() && menu->actions().contains(main_->MenuAction("Print")) &&
            menu->actions().contains(main_->MenuAction("Properties")) &&
            !menu->actions().contains(main_->MenuAction("Exit0"))) {
            inTabMenu = true;
        }
    }
    EXPECT_TRUE(inTabMenu);
}

// The page setup values given to a printer and read back from it.
struct TPaperCase {
    TPSMeasurements unit;
    TPSPoint paper;
    TPSRect margins;
    QPageLayout::Orientation orientation;
    QPageSize::PageSizeId id;
};

TEST(PageSetupDialog, APaperLiesAsItIsStoredAndReadsBackTheSame) {
    const TPaperCase cases[] = {
        {TPSMeasurements::pmMillimeters,
         {21000, 29700},
         {1000, 2000, 3000, 4000},
         QPageLayout::Portrait,
         QPageSize::A4},
        {TPSMeasurements::pmMillimeters,
         {29700, 21000},
         {1000, 2000, 3000, 4000},
         QPageLayout::Landscape,
         QPageSize::A4},
        {TPSMeasurements::pmInches,
         {11000, 8500},
         {250, 500, 750, 1000},
         QPageLayout::Landscape,
         QPageSize::Letter},
        {TPSMeasurements::pmMillimeters,
         {25000, 10000},
         {500, 600, 700, 800},
         QPageLayout::Landscape,
         QPageSize::Custom},
        // As high as wide: upright.
        {TPSMeasurements::pmMillimeters,
         {15000, 15000},
         {500, 500, 500, 500},
         QPageLayout::Portrait,
         QPageSize::Custom},
    };
    for (const TPaperCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.paper.X << " x " << c.paper.Y);
        TuniPageSetupDialog dialog(c.unit);
        dialog.Values().SetPaperSize(c.paper);
        dialog.Values().SetMargins(c.margins);
        dialog.Values().SetMinimumMargins({0, 0, 0, 0});

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        dialog.ApplyPaper(printer);
        EXPECT_EQ(printer.pageLayout().orientation(), c.orientation);
        EXPECT_EQ(printer.pageLayout().pageSize().id(), c.id);

        // The dialog is shown the paper as it lies, the margins on their own sides.
        const bool mm = c.unit == TPSMeasurements::pmMillimeters;
        const double scale = mm ? 100.0 : 1000.0;
        const QPageLayout::Unit unit = mm ? QPageLayout::Millimeter : QPageLayout::Inch;
        QRectF shown;
        TuniPageSetupDialog::SetResponder([&](QPrinter& p) {
            shown = p.pageLayout().paintRect(unit);
            EXPECT_NEAR(p.pageLayout().fullRect(unit).width(), c.paper.X / scale, 0.01);
            return true;
        });
        EXPECT_TRUE(dialog.Execute(nullptr));
        TuniPageSetupDialog::SetResponder(nullptr);
        EXPECT_NEAR(shown.left(), c.margins.Left / scale, 0.01);
        EXPECT_NEAR(shown.top(), c.margins.Top / scale, 0.01);
        EXPECT_NEAR(shown.right(), (c.paper.X - c.margins.Right) / scale, 0.01);
        EXPECT_NEAR(shown.bottom(), (c.paper.Y - c.margins.Bottom) / scale, 0.01);
        EXPECT_EQ(dialog.Values().PaperSize(), c.paper);
        EXPECT_EQ(dialog.Values().Margins(), c.margins);
    }
}

} // namespace
