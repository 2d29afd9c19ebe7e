// The message dialog, the open and save dialogs with their encoding lists, the properties
// dialog, the question before a save that would lose characters, and the notice of bytes
// a load could not decode; driven with real keys and clicks where a person would use them.
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <deque>
#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "platform/qt/qtDialogs.h"
#include "qt/qtTestSupport.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "shell/qt/Properties.h"
#include "widgets/uniFileDialogs.h"
#include "widgets/uniMsgDlg.h"

using namespace qt_testing;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

namespace {

// Runs `act` on the modal dialog that the next call opens.
void WhenModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        act(modal);
    });
}

QPushButton* ButtonOf(QWidget* dialog, const char* name) {
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

TEST(MessageDialog, DefaultAndCancelButtonsFollowTheRules) {
    using B = TMsgDlgBtn;
    EXPECT_EQ(MsgDlgDefaultButton(B::Yes | B::No | B::OK), B::OK);
    EXPECT_EQ(MsgDlgDefaultButton(B::Yes | B::No | B::Cancel), B::Yes);
    EXPECT_EQ(MsgDlgDefaultButton(B::Abort | B::Retry | B::Ignore), B::Retry);
    EXPECT_EQ(MsgDlgDefaultButton(B::NoToAll | B::YesToAll), std::nullopt);
    EXPECT_EQ(MsgDlgCancelButton(B::Yes | B::No | B::Cancel), B::Cancel);
    EXPECT_EQ(MsgDlgCancelButton(B::Yes | B::No), B::No);
    EXPECT_EQ(MsgDlgCancelButton(B::OK | B::Help), B::OK);
    EXPECT_EQ(MsgDlgCancelButton(B::Abort | B::Retry | B::Ignore), std::nullopt);
    EXPECT_STREQ(MsgDlgButtonName(MsgDlgButtonAt(8)), "NoToAll");
}

TEST(MessageDialog, KeysPressTheDefaultAndCancelButtonsInALaidOutRow) {
    QWidget parent;
    parent.show();
    TMsgDlgBtn seenDefault = TMsgDlgBtn::Help;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TuniMessageDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Confirm"));
        QPushButton* yes = ButtonOf(dialog, "Yes");
        QPushButton* no = ButtonOf(dialog, "No");
        QPushButton* cancel = ButtonOf(dialog, "Cancel");
        ASSERT_TRUE(yes && no && cancel);
        EXPECT_EQ(ButtonOf(dialog, "OK"), nullptr);
        EXPECT_EQ(yes->text(), QStringLiteral("Yes"));
        // One row, in the buttons' order, equally wide, 4/4 of a character apart.
        const QFontMetrics m(dialog->font());
        EXPECT_EQ(yes->y(), cancel->y());
        EXPECT_LT(yes->x(), no->x());
        EXPECT_LT(no->x(), cancel->x());
        EXPECT_EQ(yes->width(), cancel->width());
        EXPECT_GE(yes->width(), 50 * m.averageCharWidth() / 4);
        EXPECT_GE(yes->height(), 14 * m.height() / 8);
        EXPECT_EQ(no->x() - yes->geometry().right() - 1, m.averageCharWidth());
        // The text is centred above them.
        const QLabel* text = dialog->Message();
        EXPECT_LT(text->geometry().bottom(), yes->y());
        EXPECT_NEAR(text->geometry().center().x(), dialog->width() / 2, 1);
        seenDefault = yes->isDefault() ? TMsgDlgBtn::Yes : TMsgDlgBtn::Help;
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    EXPECT_EQ(UniMessageDlg(&parent, QStringLiteral("Save the changes?"), TMsgDlgType::Confirmation,
                            TMsgDlgBtn::Yes | TMsgDlgBtn::No | TMsgDlgBtn::Cancel),
              TMsgDlgBtn::Yes);
    EXPECT_EQ(seenDefault, TMsgDlgBtn::Yes);

    WhenModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(UniMessageDlg(&parent, QStringLiteral("?"), TMsgDlgType::Confirmation,
                            TMsgDlgBtn::Yes | TMsgDlgBtn::No),
              TMsgDlgBtn::No);
    WhenModal([](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Error"));
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    EXPECT_EQ(UniMessageDlg(&parent, QStringLiteral("!"), TMsgDlgType::Error, TMsgDlgBtn::OK),
              TMsgDlgBtn::OK);
    // A click answers with its button; a caller's caption replaces the language's.
    WhenModal([](QWidget* modal) {
        QPushButton* ignore = ButtonOf(modal, "Ignore");
        ASSERT_NE(ignore, nullptr);
        EXPECT_EQ(ignore->text(), QStringLiteral("&Save anyway"));
        EXPECT_TRUE(ButtonOf(modal, "Retry")->isDefault());
        QTest::mouseClick(ignore, Qt::LeftButton);
    });
    TMsgDlgOptions options;
    options.captions[TMsgDlgBtn::Ignore] = QStringLiteral("&Save anyway");
    EXPECT_EQ(UniMessageDlg(&parent, QStringLiteral("?"), TMsgDlgType::Warning,
                            TMsgDlgBtn::Retry | TMsgDlgBtn::Ignore | TMsgDlgBtn::Cancel, options),
              TMsgDlgBtn::Ignore);
}

TEST(FileDialogs, ListsAreFilledOnceAndReadBackOnCancelToo) {
    TuniOpenDialog dialog;
    dialog.SetConfiguredNames({QStringLiteral("Windows-1251"), QStringLiteral("KOI8-R")},
                              {QStringLiteral("Esperanto-x")});
    dialog.SetCharSet(QStringLiteral("utf-8"));
    dialog.SetSurrogate(QStringLiteral("ESPERANTO-X"));
    dialog.SetUniRepr(2);
    WhenModal([&](QWidget*) {
        EXPECT_EQ(dialog.CharSetList().count(), 9);
        EXPECT_EQ(dialog.CharSetList().currentText(), QStringLiteral("UTF-8"));
        EXPECT_EQ(dialog.CharSetList().objectName(), QStringLiteral("FCharSet"));
        EXPECT_EQ(dialog.SurrogateList().currentText(), QStringLiteral("Esperanto-x"));
        EXPECT_EQ(dialog.UniReprList().currentText(), QStringLiteral("\\uXXXX"));
        EXPECT_EQ(dialog.CharSetList().maxVisibleItems(), 16);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);

    // The second opening only moves the selections; a name not listed selects item 0.
    dialog.SetCharSet(QStringLiteral("no such charset"));
    WhenModal([&](QWidget*) {
        EXPECT_EQ(dialog.CharSetList().count(), 9);
        EXPECT_EQ(dialog.SurrogateList().count(), 2); // "-" and the configured one
        EXPECT_EQ(dialog.CharSetList().currentIndex(), 0);
        dialog.CharSetList().setFocus();
        QTest::keyClick(&dialog.CharSetList(), Qt::Key_Down);
        QTest::keyClick(&dialog.CharSetList(), Qt::Key_Down);
        QTest::keyClick(&dialog.CharSetList(), Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(dialog.CharSet(), QStringLiteral("UTF-8 (BOM)")) << "read back though cancelled";
    EXPECT_EQ(dialog.UniRepr(), 2);

    TuniSaveDialog save;
    save.SetEOL(3);
    save.PrepareLists();
    EXPECT_EQ(save.EOLList().objectName(), QStringLiteral("FEOL"));
    EXPECT_EQ(save.EOLList().count(), 4);
    EXPECT_EQ(save.EOLList().currentText(), QStringLiteral("\\u2028"));
}

// The main window over a private program folder, optionally in German.
class EncodingUiTest : public ::testing::Test {
protected:
    void Start(const char* language = "english") {
        if (std::string(language) != "english") {
            const std::string ini = program_.File("Ini/pelmar.ini");
            std::string text = ReadBytes(ini);
            text = std::regex_replace(text, std::regex("\nDefault=english"),
                                      std::string("\nDefault=") + language);
            WriteBytes(ini, text);
        }
        main_ = std::make_unique<TPMMainForm>(program_.Root());
        main_->resize(800, 600);
        main_->show();
        QApplication::processEvents();
    }
    ~EncodingUiTest() override {
        if (main_) {
            for (TMDIChild* child : main_->Children()) {
                child->Memo().DeclineSave();
            }
        }
        main_.reset();
        SetDialogCaptions({});
        SetDialogFont(std::nullopt);
        SetMessageDlgResponder(nullptr);
        TPMMainForm::SetFileDialogResponder(nullptr);
        TPMMainForm::SetPropertiesResponder(nullptr);
    }
    std::string MakeFile(const std::string& name, const std::string& bytes) {
        const std::string path = files_.file(name);
        WriteBytes(path, bytes);
        return path;
    }
    TMDIChild& OnlyChild() {
        EXPECT_EQ(main_->Children().size(), 1u);
        return *main_->Children().front();
    }

    TProgramCopy program_;
    testing_support::TempDir files_;
    std::unique_ptr<TPMMainForm> main_;
};

// "Привет" and "мир" in KOI8-R.
constexpr std::string_view kKoi8 = "\xF0\xD2\xC9\xD7\xC5\xD4\n\xCD\xC9\xD2\n";

TEST_F(EncodingUiTest, GermanCaptionsReachTheMessageAndFileDialogs) {
    Start("german");
    WhenModal([](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), QString::fromUtf8("Best\xC3\xA4tigung"));
        EXPECT_EQ(ButtonOf(modal, "Yes")->text(), QStringLiteral("Ja"));
        EXPECT_EQ(ButtonOf(modal, "No")->text(), QStringLiteral("Nein"));
        EXPECT_EQ(ButtonOf(modal, "Cancel")->text(), QStringLiteral("Abbrechen"));
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    EXPECT_EQ(AskYesNoCancel(main_.get(), QString(), QStringLiteral("?")), TYesNoCancel::Cancel);
    EXPECT_EQ(DialogCaptions().noToAll, QString::fromUtf8("Nein f\xC3\xBCr alle"));
    const auto* label = qobject_cast<QLabel*>(
        main_->OpenDialog().CharSetList().parentWidget()->findChildren<QLabel*>().value(0));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("&Zeichensatz"));
    // The folder's label marks its key as the file name's does, showing no "&".
    const auto* folder = main_->OpenDialog().findChild<QLabel*>(QStringLiteral("lookInLabel"));
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->text(), QStringLiteral("&Ordner:"));
    EXPECT_NE(folder->buddy(), nullptr);
    EXPECT_EQ(main_->PropertiesDialog().windowTitle(), QStringLiteral("Dateieigenschaften"));
    // Every dialog speaks in the interface font of the settings.
    const TuniMessageDialog message(main_.get(), QStringLiteral("?"), TMsgDlgType::Information,
                                    TMsgDlgBtn::OK);
    EXPECT_EQ(message.font().pointSize(), 9);
    EXPECT_EQ(main_->OpenDialog().font().pointSize(), 9);
    EXPECT_EQ(main_->PropertiesDialog().ButtonCancel().text(), QStringLiteral("Abbrechen"));
}

TEST_F(EncodingUiTest, OpenInTheDialogWithKoi8R) {
    Start();
    const std::string file = MakeFile("ru.txt", std::string(kKoi8));
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TuniOpenDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->CharSetList().setFocus();
        QTest::keyClicks(&dialog->CharSetList(), QStringLiteral("K"));
        EXPECT_EQ(dialog->CharSetList().currentText(), QStringLiteral("KOI8-R"));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        // The folder is listed first (the dialog clears the field when it is); the
        // toolkit's completer would take the Return for its own list.
        QTest::qWait(200);
        name->setCompleter(nullptr);
        name->setFocus();
        QTest::keyClicks(name, QString::fromStdString(file));
        QTest::keyClick(name, Qt::Key_Return);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "still open: " << name->text().toStdString() << " | "
                          << dialog->selectedFiles().join(',').toStdString();
            dialog->reject();
        }
    });
    main_->RunGlobalAction("Open");
    QApplication::processEvents();
    TuniMemo& memo = OnlyChild().Memo();
    EXPECT_EQ(memo.Codec().charset, "KOI8-R");
    EXPECT_EQ(memo.Lines().Get(0), u"\u041F\u0440\u0438\u0432\u0435\u0442");
    EXPECT_EQ(ReadRecentFiles(main_->Folder())[0].charset, "KOI8-R");

    // Reopen brings it back as it was opened.
    main_->CloseActive();
    QApplication::processEvents();
    ASSERT_TRUE(main_->Children().empty());
    QMenu* reopen = main_->MenuAction("Reopen")->menu();
    ASSERT_NE(reopen, nullptr);
    ASSERT_FALSE(reopen->actions().isEmpty());
    EXPECT_TRUE(reopen->actions()[0]->text().endsWith(QStringLiteral("\tKOI8-R")));
    reopen->actions()[0]->trigger();
    QApplication::processEvents();
    EXPECT_EQ(OnlyChild().Memo().Codec().charset, "KOI8-R");
    EXPECT_EQ(OnlyChild().Memo().Lines().Get(1), u"\u043C\u0438\u0440");
}

TEST_F(EncodingUiTest, TheCommandLineChoosesWhereTheNextOpenStarts) {
    Start();
    main_->OpenCommandLine({MakeFile("a.txt", "a\n"), "-KOI8-R", "-Esperanto-x", "-HEX"});
    EXPECT_EQ(main_->OpenDialog().CharSet(), QStringLiteral("KOI8-R"));
    EXPECT_EQ(main_->OpenDialog().Surrogate(), QStringLiteral("Esperanto-x"));
    EXPECT_EQ(main_->OpenDialog().UniRepr(), 2);
}

TEST_F(EncodingUiTest, SaveInACharsetThatLosesCharactersAsksFirst) {
    Start();
    const std::string original = "\xD0\x9F\xD1\x80\xD0\xB8\n\xE4\xB8\xAD \xE6\x96\x87\n";
    const std::string file = MakeFile("cjk.txt", original);
    main_->OpenDocument(file, {}, nullptr, 0, "-", "UTF-8");
    TMDIChild& child = OnlyChild();
    TuniMemo& memo = child.Memo();
    memo.Codec().charset = "Windows-1251";
    memo.SetModified(true);

    // A person reads the question and presses Escape: nothing is written.
    WhenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<TuniMessageDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        const QString text = dialog->Message()->text();
        EXPECT_TRUE(text.startsWith(QStringLiteral("2 characters"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Windows-1251")));
        EXPECT_TRUE(
            text.contains(QString::fromUtf8("\"\xE4\xB8\xAD\" (U+4E2D) at line 2, column 1")))
            << text.toStdString();
        EXPECT_TRUE(ButtonOf(dialog, "Retry")->isDefault()) << "Enter loses nothing";
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_FALSE(main_->SaveDocument(child));
    EXPECT_EQ(ReadBytes(file), original);
    EXPECT_TRUE(memo.Modified());

    // Another encoding: the save dialog comes, and UTF-8 there loses nothing.
    std::deque<TMsgDlgBtn> answers{TMsgDlgBtn::Retry};
    int asked = 0;
    SetMessageDlgResponder([&](const TMsgDlgRequest&) {
        ++asked;
        const TMsgDlgBtn a = answers.front();
        answers.pop_front();
        return a;
    });
    const std::string copy = files_.file("copy.txt");
    TPMMainForm::SetFileDialogResponder([&](bool save, const QString&) {
        EXPECT_TRUE(save);
        EXPECT_EQ(main_->SaveDialog().CharSet(), QStringLiteral("Windows-1251"));
        main_->SaveDialog().SetCharSet(QStringLiteral("UTF-8"));
        return QString::fromStdString(copy);
    });
    EXPECT_TRUE(main_->SaveDocument(child));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ReadBytes(copy), original);
    EXPECT_EQ(ReadBytes(file), original);
    EXPECT_EQ(memo.Codec().charset, "UTF-8");
    const TRecentFile recent = ReadRecentFiles(main_->Folder())[0];
    EXPECT_EQ(recent.fileName, copy);
    EXPECT_EQ(recent.charset, "UTF-8");

    // Save anyway writes the "?".
    memo.Codec().charset = "Windows-1251";
    memo.SetModified(true);
    answers = {TMsgDlgBtn::Ignore};
    EXPECT_TRUE(main_->SaveDocument(child));
    EXPECT_EQ(ReadBytes(copy), "\xCF\xF0\xE8\n? ?\n");
}

TEST_F(EncodingUiTest, PropertiesReadTheFileAgainAsKoi8RKeepingTheCaret) {
    Start();
    const std::string file = MakeFile("ru.txt", std::string(kKoi8));
    main_->OpenDocument(file, {}, nullptr, 0, "-", "Windows");
    TMDIChild& child = OnlyChild();
    TuniMemo& memo = child.Memo();
    EXPECT_EQ(memo.Lines().Get(1), u"\u00CD\u00C9\u00D2");
    memo.GotoPosition(2, 1);

    for (int round = 0; round < 2; ++round) {
        WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<TFormProperties*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->CharsetList().count(), 7 + 11) << "filled once";
            EXPECT_EQ(dialog->focusWidget(), &dialog->CharsetList());
            EXPECT_FALSE(dialog->SyntaxList().isEnabled());
            if (round == 0) {
                EXPECT_EQ(dialog->CharsetList().currentText(), QStringLiteral("Windows"));
                QTest::keyClicks(&dialog->CharsetList(), QStringLiteral("K"));
                QTest::keyClick(&dialog->CharsetList(), Qt::Key_Return);
            } else {
                EXPECT_EQ(dialog->CharsetList().currentText(), QStringLiteral("KOI8-R"));
                QTest::keyClick(&dialog->CharsetList(), Qt::Key_Escape);
            }
        });
        main_->RunGlobalAction("Properties");
    }
    EXPECT_EQ(memo.Codec().charset, "KOI8-R");
    EXPECT_EQ(memo.Lines().Get(0), u"\u041F\u0440\u0438\u0432\u0435\u0442");
    EXPECT_EQ(memo.Lines().Get(1), u"\u043C\u0438\u0440");
    EXPECT_EQ(memo.Caret().X, 2);
    EXPECT_EQ(memo.Caret().Y, 1);
    EXPECT_FALSE(memo.Modified());
    EXPECT_EQ(main_->StatusText(4), QStringLiteral("KOI8-R"));
    EXPECT_EQ(ReadRecentFiles(main_->Folder())[0].charset, "KOI8-R");
}

TEST_F(EncodingUiTest, AModifiedFileChangesOnlyItsSeparatorAsOneUndoStep) {
    Start();
    const std::string file = MakeFile("crlf.txt", "a\r\nb\r\n");
    main_->OpenDocument(file);
    TuniMemo& memo = OnlyChild().Memo();
    OnlyChild().MemoWidget().setFocus();
    QTest::keyClicks(&OnlyChild().MemoWidget(), "x");
    ASSERT_TRUE(memo.Modified());
    TPMMainForm::SetPropertiesResponder([](TFormProperties& dialog) {
        EXPECT_FALSE(dialog.CharsetList().isEnabled());
        EXPECT_FALSE(dialog.UniReprList().isEnabled());
        EXPECT_TRUE(dialog.SeparatorList().isEnabled());
        EXPECT_EQ(dialog.SeparatorList().currentText(), QStringLiteral("CR LF"));
        dialog.SeparatorList().setCurrentIndex(2);
        EXPECT_EQ(dialog.LineSeparator(), 2) << "a change is the value at once";
        return true;
    });
    main_->Properties();
    EXPECT_EQ(memo.Codec().lineSeparator, lsLF);
    EXPECT_EQ(memo.Lines().Get(0), u"xa");
    memo.Undo();
    EXPECT_EQ(memo.Codec().lineSeparator, lsCRLF);
    EXPECT_EQ(memo.Lines().Get(0), u"xa") << "the typing is another step";
}

TEST_F(EncodingUiTest, UndecodableBytesAreAnnouncedWithAWayToReopen) {
    Start();
    const std::string file = MakeFile("bad.txt", "caf\xE9 \xFF ok\n");
    main_->OpenDocument(file, {}, nullptr, 0, "-", "UTF-8");
    TMDIChild& child = OnlyChild();
    ASSERT_TRUE(child.NoticeShown());
    EXPECT_TRUE(child.NoticeText().startsWith(QStringLiteral("2 bytes")))
        << child.NoticeText().toStdString();
    EXPECT_TRUE(child.NoticeText().contains(QStringLiteral("written back unchanged")));
    ASSERT_TRUE(child.ReopenButton().isVisible());
    TPMMainForm::SetPropertiesResponder([](TFormProperties& dialog) {
        dialog.CharsetList().setCurrentText(QStringLiteral("Windows"));
        return true;
    });
    QTest::mouseClick(&child.ReopenButton(), Qt::LeftButton);
    EXPECT_EQ(child.Memo().Lines().Get(0), u"caf\u00E9 \u00FF ok");
    EXPECT_FALSE(child.NoticeShown()) << "read cleanly now";
}

TEST_F(EncodingUiTest, StatusBarClicksOpenTheProperties) {
    Start();
    main_->OpenDocument(MakeFile("a.txt", "a\n"));
    int opened = 0;
    TPMMainForm::SetPropertiesResponder([&](TFormProperties&) {
        ++opened;
        return false;
    });
    QStatusBar* status = main_->statusBar();
    QTest::mouseDClick(status, Qt::LeftButton, {}, QPoint(status->width() - 5, 5));
    EXPECT_EQ(opened, 1);
    QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(150, 5),
                            status->mapToGlobal(QPoint(150, 5)));
    QApplication::sendEvent(status, &right);
    EXPECT_EQ(opened, 2);
    // Alt+Enter reaches the command through the keymap.
    TMDIChild& child = OnlyChild();
    child.MemoWidget().setFocus();
    QTest::keyClick(&child.MemoWidget(), Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(opened, 3);
    EXPECT_EQ(child.Memo().Lines().Count(), 2) << "no line was added";
}

TEST_F(EncodingUiTest, AnUnnamedDocumentTakesTheValuesWithoutReading) {
    Start();
    main_->NewDocument();
    TuniMemo& memo = OnlyChild().Memo();
    TPMMainForm::SetPropertiesResponder([](TFormProperties& dialog) {
        EXPECT_TRUE(dialog.CharsetList().isEnabled());
        dialog.CharsetList().setCurrentText(QStringLiteral("KOI8-R"));
        dialog.UniReprList().setCurrentIndex(1);
        return true;
    });
    main_->Properties();
    EXPECT_EQ(memo.Codec().charset, "KOI8-R");
    EXPECT_EQ(memo.Codec().uniRepr, urDecimalRef);
    EXPECT_EQ(main_->StatusText(6), QStringLiteral("HTML"));
}

} // namespace

// The syntax list: disabled for a document without a highlighter (here: the program folder
// has no library), and with the library it lists the types, shows the document's and
// switches to the one chosen, re-applying that type's profile.
TEST_F(EncodingUiTest, TheSyntaxListIsOffWithoutTheLibraryAndSwitchesTheTypeWithIt) {
    const std::string ini = program_.File("Ini/pelmar.ini");
    std::string text = ReadBytes(ini);
    Start();
    main_->OpenDocument(MakeFile("a.c", "int main(void) { return 0; }\n"));
    bool asked = false;
    TPMMainForm::SetPropertiesResponder([&](TFormProperties& dialog) {
        asked = true;
        EXPECT_FALSE(dialog.SyntaxList().isEnabled());
        EXPECT_EQ(dialog.Syntax(), QString());
        return true;
    });
    main_->Properties();
    EXPECT_TRUE(asked);
    EXPECT_EQ(OnlyChild().Memo().Colorer(), nullptr);
    OnlyChild().Memo().DeclineSave();
    main_.reset();

    text =
        std::regex_replace(text, std::regex("\\[Common\\]\n"),
                           "[Common]\nColorerDLL=" PELMAR_PROGRAM_DIR "/Colorer/libicolorer.so\n");
    WriteBytes(ini, text);
    WriteBytes(program_.File("Ini/files.ini"),
               ReadBytes(program_.File("Ini/files.ini")) + "\n[python3]\nTabSize=7\n");
    Start();
    main_->OpenDocument(MakeFile("b.c", "int main(void) { return 0; }\n"));
    TuniMemo& memo = OnlyChild().Memo();
    ASSERT_NE(memo.Colorer(), nullptr);
    EXPECT_EQ(memo.Colorer()->GetFileTypeName(), "c");
    TPMMainForm::SetPropertiesResponder([&](TFormProperties& dialog) {
        EXPECT_TRUE(dialog.SyntaxList().isEnabled());
        EXPECT_GT(dialog.SyntaxList().count(), 100);
        EXPECT_EQ(dialog.SyntaxList().currentText(), QStringLiteral("C"));
        dialog.SyntaxList().setCurrentText(QStringLiteral("Python 3"));
        EXPECT_EQ(dialog.Syntax(), QStringLiteral("Python 3"));
        return true;
    });
    main_->Properties();
    ASSERT_NE(memo.Colorer(), nullptr);
    EXPECT_EQ(memo.Colorer()->GetFileTypeName(), "python3");
    EXPECT_EQ(memo.Settings().tabSize, 7) << "the chosen type's profile applies";
}
