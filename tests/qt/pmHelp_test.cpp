// Help > Contents and F1: the manual of the interface language, the English one when that
// language has none, and a message naming the file when there is no manual at all.
#include <QAction>
#include <QApplication>
#include <QTest>

#include <filesystem>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "qt/qtTestSupport.h"
#include "shell/ProgramFolder.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "widgets/uniMsgDlg.h"

using namespace qt_testing;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

namespace {

namespace fs = std::filesystem;

class HelpTest : public ::testing::Test {
protected:
    HelpTest() {
        // The shipped manuals go: each test lays out the ones it needs.
        fs::remove_all(fs::path(program_.Root()) / "Help");
        TPMMainForm::SetHelpOpener([this](const QString& file) {
            opened_.push_back(file.toStdString());
            return openerSucceeds_;
        });
        SetMessageDlgResponder([this](const TMsgDlgRequest& request) {
            messages_.push_back(request.text);
            return TMsgDlgBtn::OK;
        });
    }
    ~HelpTest() override {
        if (main_) {
            for (TMDIChild* child : main_->Children()) {
                child->Memo().DeclineSave();
            }
            main_.reset();
        }
        TPMMainForm::SetHelpOpener(nullptr);
        SetMessageDlgResponder(nullptr);
    }

    std::string Manual(const std::string& language) const {
        return program_.File("Help/" + language + "/index.html");
    }
    void AddManual(const std::string& language) {
        fs::create_directories(fs::path(Manual(language)).parent_path());
        WriteBytes(Manual(language), "<!DOCTYPE html><title>" + language + "</title>\n");
    }
    // The interface language named as Default in the copy's pelmar.ini.
    void UseLanguage(const std::string& language) {
        const std::string ini = program_.File("Ini/pelmar.ini");
        std::string text = ReadBytes(ini);
        const std::string from = "Default=english";
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, from.size(), "Default=" + language);
        WriteBytes(ini, text);
    }
    TPMMainForm& Start() {
        main_ = std::make_unique<TPMMainForm>(program_.Root());
        main_->show();
        QApplication::processEvents();
        return *main_;
    }

    TProgramCopy program_;
    std::unique_ptr<TPMMainForm> main_;
    std::vector<std::string> opened_;
    std::vector<QString> messages_;
    bool openerSucceeds_ = true;
};

TEST_F(HelpTest, ContentsOpensTheManualOfTheInterfaceLanguage) {
    AddManual("english");
    AddManual("german");
    TPMMainForm& main = Start();
    QAction* contents = main.MenuAction("Contents");
    ASSERT_NE(contents, nullptr);
    EXPECT_TRUE(contents->text().endsWith(QStringLiteral("\tF1"))) << "the key the keymap binds";
    contents->trigger();
    EXPECT_EQ(opened_, std::vector<std::string>{Manual("english")});
    EXPECT_TRUE(messages_.empty());
}

TEST_F(HelpTest, GermanInterfaceOpensTheGermanManualWithItsOwnCaption) {
    AddManual("english");
    AddManual("german");
    UseLanguage("german");
    TPMMainForm& main = Start();
    QAction* contents = main.MenuAction("Contents");
    ASSERT_NE(contents, nullptr);
    EXPECT_TRUE(contents->text().startsWith(QStringLiteral("&Inhalt")))
        << contents->text().toStdString();
    contents->trigger();
    EXPECT_EQ(opened_, std::vector<std::string>{Manual("german")});
}

TEST_F(HelpTest, LanguageWithoutAManualFallsBackToEnglish) {
    AddManual("english");
    UseLanguage("german");
    TPMMainForm& main = Start();
    EXPECT_EQ(main.HelpFile(), Manual("english"));
    main.OpenHelp();
    EXPECT_EQ(opened_, std::vector<std::string>{Manual("english")});
    EXPECT_TRUE(messages_.empty());
}

TEST_F(HelpTest, NoManualAtAllNamesTheMissingFile) {
    // An installed copy's manual would stand in for the missing ones.
    if (fs::exists(fs::path(InstalledDataFolder()) / "Help")) {
        GTEST_SKIP() << "an installed manual in " << InstalledDataFolder();
    }
    UseLanguage("german");
    // A folder without its index page is no manual.
    fs::create_directories(fs::path(Manual("german")).parent_path());
    TPMMainForm& main = Start();
    EXPECT_EQ(main.HelpFile(), "");
    main.OpenHelp();
    EXPECT_TRUE(opened_.empty());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].contains(QString::fromStdString(Manual("german"))))
        << messages_[0].toStdString();
    EXPECT_TRUE(messages_[0].contains(QStringLiteral("fehlt"))) << "in the interface language";
}

TEST_F(HelpTest, HandlerThatCannotOpenTheManualIsReported) {
    AddManual("english");
    openerSucceeds_ = false;
    Start().OpenHelp();
    EXPECT_EQ(opened_.size(), 1u);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].contains(QString::fromStdString(Manual("english"))));
}

TEST_F(HelpTest, F1OpensTheManualFromADocumentAndWithoutOne) {
    AddManual("english");
    TPMMainForm& main = Start();
    // No document: the main window looks the key up itself.
    ASSERT_TRUE(main.Children().empty());
    QTest::keyClick(&main, Qt::Key_F1);
    EXPECT_EQ(opened_.size(), 1u);
    main.OpenCommandLine({});
    ASSERT_EQ(main.Children().size(), 1u);
    TMDIChild& child = *main.Children()[0];
    child.MemoWidget().setFocus();
    QTest::keyClick(&child.MemoWidget(), Qt::Key_F1);
    EXPECT_EQ(opened_.size(), 2u);
    EXPECT_EQ(child.Memo().Lines().Get(0), u"") << "F1 types nothing";
}

} // namespace
