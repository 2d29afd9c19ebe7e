// Printing from the main window: Ctrl+P through the print dialog into a PDF file, the page
// setup dialog's paper and margins, the menus' enabling.
#include <QApplication>
#include <QMenu>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QTest>

#include <gtest/gtest.h>

#include <regex>

#include "platform/qt/qtConvert.h"
#include "print/qt/uniPgSetupDialog.h"
#include "qt/qtTestSupport.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "widgets/uniMsgDlg.h"

using namespace qt_testing;
using testing_support::ProcessResult;
using testing_support::RunProcess;
using testing_support::WriteBytes;

namespace {

std::string PdfInfo(const std::string& pdf) {
    const ProcessResult r = RunProcess({"/usr/bin/pdfinfo", pdf});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

std::string PdfText(const std::string& pdf) {
    const ProcessResult r = RunProcess({"/usr/bin/pdftotext", "-layout", pdf, "-"});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

double PageWidthPoints(const std::string& pdf) {
    std::smatch m;
    const std::string info = PdfInfo(pdf);
    return std::regex_search(info, m, std::regex(R"(Page size:\s+([\d.]+) x)")) ? std::stod(m[1])
                                                                                : 0.0;
}

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
    EXPECT_NE(PdfInfo(pdf_).find("Pages:           1"), std::string::npos);
    // A4 unless the page setup says otherwise.
    EXPECT_NEAR(PageWidthPoints(pdf_), 210 * 72 / 25.4, 1);
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
    EXPECT_NEAR(PageWidthPoints(pdf_), 148 * 72 / 25.4, 1);

    // Cancelled, the dialog changes nothing.
    TuniPageSetupDialog::SetResponder([&](QPrinter& printer) {
        printer.setPageSize(QPageSize(QPageSize::Letter));
        return false;
    });
    main_->RunGlobalAction("PageSetup");
    EXPECT_EQ(main_->PageSetupDialog().Values().PaperSize().X, mm ? 14800 : 5827);
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

} // namespace
