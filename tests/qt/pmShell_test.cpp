// The main window's frame: documents from templates, the language switch while documents
// stay open, the tool-bar bands and their layout in pelmar.ini, and the configuration-file
// commands.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

#include <deque>

#include <gtest/gtest.h>

#include "base/uniFileIO.h"
#include "base/uniIni.h"
#include "qt/qtTestSupport.h"
#include "search/qt/uniSearchForms.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "shell/qt/Properties.h"
#include "widgets/uniMsgDlg.h"

using namespace qt_testing;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

namespace {

class ShellFrameTest : public ::testing::Test {
protected:
    ShellFrameTest() {
        TPMMainForm::SetFileDialogResponder([this](bool save, const QString& initial) {
            dialogs_.push_back({save, initial});
            if (fileNames_.empty()) {
                return QString();
            }
            const QString name = fileNames_.front();
            fileNames_.pop_front();
            return name;
        });
        SetMessageDlgResponder([this](const TMsgDlgRequest& request) {
            messages_.push_back(request.text);
            return TMsgDlgBtn::OK;
        });
    }
    ~ShellFrameTest() override {
        Close();
        TPMMainForm::SetFileDialogResponder(nullptr);
        SetMessageDlgResponder(nullptr);
    }

    TPMMainForm& Start() {
        main_ = std::make_unique<TPMMainForm>(program_.Root());
        main_->resize(900, 600);
        main_->show();
        QApplication::processEvents();
        return *main_;
    }
    // Closes the window as the user would, so that what it keeps at exit is written.
    void Close() {
        if (!main_) {
            return;
        }
        for (TMDIChild* child : main_->Children()) {
            child->Memo().DeclineSave();
        }
        main_->close();
        main_.reset();
    }
    QString MenuTitle(int i) const {
        const QList<QAction*> menus = main_->MenuBar()->actions();
        return i < menus.size() ? menus[i]->text() : QString();
    }
    std::string PelmarIni() const { return ReadBytes(program_.File("Ini/pelmar.ini")); }
    void SetPelmarIni(const std::string& from, const std::string& to) {
        std::string ini = PelmarIni();
        const size_t at = ini.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        ini.replace(at, from.size(), to);
        WriteBytes(program_.File("Ini/pelmar.ini"), ini);
    }

    struct TDialog {
        bool save;
        QString initial;
    };
    TProgramCopy program_;
    testing_support::TempDir files_;
    std::unique_ptr<TPMMainForm> main_;
    std::deque<QString> fileNames_;
    std::vector<TDialog> dialogs_;
    std::vector<QString> messages_;
};

// The item of the language menu whose caption is `caption`.
QAction* LanguageItem(TPMMainForm& main, const QString& caption) {
    for (QAction* item : main.LanguageMenu()->actions()) {
        if (item->text() == caption) {
            return item;
        }
    }
    return nullptr;
}

TEST_F(ShellFrameTest, TemplateDocumentsAreUnnamedAndTypedByTheirTemplate) {
    TPMMainForm& main = Start();
    // The menu lists the language file's templates in their order, numbered.
    const QList<QAction*> items = main.TemplateMenu()->actions();
    ASSERT_EQ(items.size(), static_cast<qsizetype>(main.Texts().Templates().size()));
    ASSERT_GE(items.size(), 2);
    EXPECT_TRUE(items[0]->text().startsWith(QStringLiteral("&1 ")))
        << items[0]->text().toStdString();
    EXPECT_TRUE(items[1]->text().startsWith(QStringLiteral("&2 ")));

    TMDIChild* child = main.NewFromTemplate("c");
    ASSERT_NE(child, nullptr);
    TuniMemo& memo = child->Memo();
    const std::string shipped = ReadBytes(program_.File("Templates/empty.c"));
    ASSERT_FALSE(shipped.empty());
    EXPECT_TRUE(memo.FileName().empty());
    EXPECT_FALSE(memo.Modified());
    EXPECT_EQ(memo.TemplateExt(), ".c");
    EXPECT_EQ(memo.ProfileType(), "c");
    EXPECT_EQ(memo.Lines().Get(0),
              std::u16string(shipped.begin(),
                             shipped.begin() + static_cast<std::ptrdiff_t>(shipped.find('\n'))));
    // Unnamed documents are captioned as new ones.
    EXPECT_EQ(main.Tabs().tabText(main.Tabs().currentIndex()).trimmed(),
              main.Text("Messages", "NewFile"));
    // The template's charset is offered when it is saved; the name box holds its type.
    EXPECT_EQ(memo.Codec().charset, "UTF-8");
    const std::string target = files_.file("hello.c");
    fileNames_.push_back(QString::fromStdString(target));
    ASSERT_TRUE(main.SaveDocumentAs(*child));
    ASSERT_FALSE(dialogs_.empty());
    EXPECT_TRUE(dialogs_.back().save);
    EXPECT_EQ(dialogs_.back().initial, QStringLiteral("*.c"));
    EXPECT_EQ(ReadBytes(target), shipped);
    EXPECT_EQ(memo.FileName(), target);
}

TEST_F(ShellFrameTest, AMissingTemplateIsReportedAndOpensNothing) {
    std::string templates = ReadBytes(program_.File("Templates/templates.ini"));
    templates.replace(templates.find("c=empty.c"), 9, "c=gone.c");
    WriteBytes(program_.File("Templates/templates.ini"), templates);
    TPMMainForm& main = Start();
    const size_t before = main.Children().size();
    EXPECT_EQ(main.NewFromTemplate("c"), nullptr);
    EXPECT_EQ(main.Children().size(), before);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].contains(QStringLiteral("gone.c"))) << messages_[0].toStdString();
    // A key that names no template at all says so too.
    EXPECT_EQ(main.NewFromTemplate("nosuchkey"), nullptr);
    EXPECT_EQ(messages_.size(), 2u);
}

TEST_F(ShellFrameTest, TheLanguageSwitchesWhileDocumentsStayOpen) {
    TPMMainForm& main = Start();
    main.OpenCommandLine({});
    TMDIChild* child = main.ActiveChild();
    ASSERT_NE(child, nullptr);
    SetLines(child->Memo(), u"alpha beta\ngamma");
    child->Memo().SetModified(true);
    // A search that finds nothing leaves its word in the status bar.
    main.SearchForm().uniComboBox1().SetText(u"zeta");
    main.SearchAgain(false);
    EXPECT_EQ(main.SearchStatus(), QStringLiteral("End reached"));
    EXPECT_EQ(MenuTitle(0), QStringLiteral("&File"));
    EXPECT_EQ(
        main.PropertiesDialog().findChild<QPushButton*>(QStringLiteral("ButtonCancel"))->text(),
        QStringLiteral("Cancel"));
    ASSERT_NE(main.ToolButton("Save"), nullptr);
    EXPECT_TRUE(main.ToolButton("Save")->toolTip().startsWith(QStringLiteral("Save")));

    QAction* german = LanguageItem(main, QStringLiteral("Deutsch"));
    ASSERT_NE(german, nullptr);
    german->trigger();
    EXPECT_EQ(main.CurrentLanguage(), "german");
    EXPECT_EQ(MenuTitle(0), QStringLiteral("&Datei"));
    EXPECT_EQ(main.SearchStatus(), QStringLiteral("Ende erreicht"));
    EXPECT_EQ(
        main.PropertiesDialog().findChild<QPushButton*>(QStringLiteral("ButtonCancel"))->text(),
        QStringLiteral("Abbrechen"));
    EXPECT_TRUE(main.ToolButton("Save")->toolTip().startsWith(QStringLiteral("Speichern")))
        << main.ToolButton("Save")->toolTip().toStdString();
    EXPECT_EQ(main.Tabs().tabText(0), QStringLiteral("*Neu"));
    EXPECT_TRUE(LanguageItem(main, QStringLiteral("Deutsch"))->isChecked());
    // The toolkit's own texts follow (the file dialog's columns).
    EXPECT_EQ(QCoreApplication::translate("QFileSystemModel", "Date Modified"),
              QStringLiteral("Änderungsdatum"));
    EXPECT_NE(PelmarIni().find("Default=german"), std::string::npos);
    // The document and its text are untouched.
    EXPECT_EQ(main.ActiveChild(), child);
    EXPECT_EQ(child->Memo().Lines().Get(0), u"alpha beta");
    EXPECT_TRUE(child->Memo().Modified());

    // The menus of the previous language are gone once the switch is over.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const qsizetype menusNow = main.MenuBar()->findChildren<QMenu*>().size();
    LanguageItem(main, QStringLiteral("English"))->trigger();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main.MenuBar()->findChildren<QMenu*>().size(), menusNow);
    EXPECT_EQ(main.CurrentLanguage(), "english");
    EXPECT_EQ(MenuTitle(0), QStringLiteral("&File"));
    EXPECT_EQ(main.SearchStatus(), QStringLiteral("End reached"));
    EXPECT_EQ(
        main.PropertiesDialog().findChild<QPushButton*>(QStringLiteral("ButtonCancel"))->text(),
        QStringLiteral("Cancel"));
    EXPECT_EQ(main.Tabs().tabText(0), QStringLiteral("*New"));
    EXPECT_EQ(QCoreApplication::translate("QFileSystemModel", "Date Modified"),
              QStringLiteral("Date Modified"));
    EXPECT_NE(PelmarIni().find("Default=english"), std::string::npos);

    // The choice is what the next start begins with.
    LanguageItem(main, QStringLiteral("Deutsch"))->trigger();
    Close();
    Start();
    EXPECT_EQ(MenuTitle(0), QStringLiteral("&Datei"));
}

TEST_F(ShellFrameTest, AnUnlistedDefaultLanguageLeavesTheBuiltInTexts) {
    SetPelmarIni("Default=english", "Default=klingon");
    TPMMainForm& main = Start();
    EXPECT_EQ(main.CurrentLanguage(), "");
    EXPECT_EQ(MenuTitle(0), QStringLiteral("&File"));
    for (QAction* item : main.LanguageMenu()->actions()) {
        EXPECT_FALSE(item->isChecked()) << item->text().toStdString();
    }
    EXPECT_NE(PelmarIni().find("Default=\n"), std::string::npos);
}

TEST_F(ShellFrameTest, BandsFollowTheToolsSettingAndKeepTheirLayout) {
    SetPelmarIni("Tools=1,*2,3,4,5", "Tools=1,3,*2,5");
    TPMMainForm& main = Start();
    EXPECT_EQ(main.BandLayout(), "1,3,*2,5");
    EXPECT_TRUE(main.Band(4)->isHidden());
    EXPECT_FALSE(main.Band(0)->isHidden()); // the window band is always there
    // The window band stands in the first row, before the band that starts the second.
    EXPECT_EQ(main.Band(0)->geometry().top(), main.Band(1)->geometry().top());
    EXPECT_GT(main.Band(2)->geometry().top(), main.Band(1)->geometry().top());
    Close();
    // Nothing moved: the line stays as it was (the structure view keeps its own keys).
    EXPECT_NE(PelmarIni().find("Tools=1,3,*2,5\n"), std::string::npos);
    const std::string closed = PelmarIni();

    Start().LayOutBands("1,*4,2");
    QApplication::processEvents();
    EXPECT_EQ(main_->BandLayout(), "1,*4,2");
    Close();
    std::string expected = closed;
    expected.replace(expected.find("Tools=1,3,*2,5"), 14, "Tools=1,*4,2");
    EXPECT_EQ(PelmarIni(), expected);
    EXPECT_EQ(Start().BandLayout(), "1,*4,2");
    EXPECT_TRUE(main_->Band(3)->isHidden());
    EXPECT_TRUE(main_->Band(5)->isHidden());

    // A layout without the menu band still shows the menu.
    main_->LayOutBands("*2,3");
    QApplication::processEvents();
    EXPECT_EQ(main_->BandLayout(), "1,*2,3");
}

TEST_F(ShellFrameTest, BandButtonsShareTheMenuCommands) {
    TPMMainForm& main = Start();
    // Every button has its icon: the desktop theme's, or the shipped one.
    for (const char* command :
         {"NewFile", "Open", "Save", "SaveAll", "Close0", "Undo", "Redo", "Cut", "Copy0", "Paste",
          "Wrap0", "Find", "Replace", "GotoLine", "Compiler", "Filter", "SpellCheck"}) {
        QToolButton* button = main.ToolButton(command);
        ASSERT_NE(button, nullptr) << command;
        EXPECT_FALSE(button->icon().isNull()) << command;
        EXPECT_FALSE(button->icon().pixmap(16, 16).isNull()) << command;
        EXPECT_EQ(button->defaultAction(), main.MenuAction(command)) << command;
    }
    EXPECT_EQ(main.ToolButton("NewFile")->menu(), main.TemplateMenu());
    EXPECT_EQ(main.ToolButton("Run"), main.ToolButton("Compiler"));
    // The hint names the bound key.
    EXPECT_EQ(main.ToolButton("Save")->toolTip(), QStringLiteral("Save (Ctrl+S)"));

    // Without a document the commands that need one are off, and so is the window band.
    QApplication::processEvents();
    main.Idle();
    EXPECT_FALSE(main.ToolButton("Save")->isEnabled());
    EXPECT_FALSE(main.Band(0)->actions().front()->isEnabled());
    main.NewDocument();
    main.Idle();
    EXPECT_TRUE(main.ToolButton("Save")->isEnabled());
    QAction* maximize = main.Band(0)->actions().at(1);
    ASSERT_TRUE(maximize->isEnabled());
    QMdiSubWindow* window = main.MdiArea().activeSubWindow();
    const bool wasMaximized = window->isMaximized();
    maximize->trigger();
    EXPECT_NE(window->isMaximized(), wasMaximized);
    maximize->trigger();
    EXPECT_EQ(window->isMaximized(), wasMaximized);
}

TEST_F(ShellFrameTest, ConfigurationFilesOpenAsDocuments) {
    TPMMainForm& main = Start();
    QAction* files = main.MenuAction("FilesIni");
    ASSERT_NE(files, nullptr);
    files->trigger();
    TuniMemo* memo = main.ActiveEditor();
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->FileName(), program_.File("Ini/files.ini"));
    EXPECT_EQ(memo->Codec().uniRepr, urDecimalRef);
    // The folder commands go through the open dialog in that folder.
    fileNames_.push_back(QString::fromStdString(program_.File("Struc/c.struc")));
    main.MenuAction("StrucDir")->trigger();
    ASSERT_FALSE(dialogs_.empty());
    EXPECT_EQ(dialogs_.back().initial, QString::fromStdString(program_.File("Struc")));
    EXPECT_EQ(main.ActiveEditor()->FileName(), program_.File("Struc/c.struc"));
}

} // namespace
