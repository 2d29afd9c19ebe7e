// The main window and its document windows: the command line, the placeholder, the
// already-open question, the close prompts, recent files, the status bar, views of one
// document, and the program's --help and --version.
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <deque>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/uniFileIO.h"
#include "base/uniRecovery.h"
#include "platform/qt/qtDialogs.h"
#include "qt/qtTestSupport.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "shell/qt/uniApp.h"
#include "text/uniCodec.h"
#include "widgets/uniMsgDlg.h"

using namespace qt_testing;
using testing_support::ReadBytes;
using testing_support::RunProcess;
using testing_support::WriteBytes;

namespace {

class MainFormTest : public ::testing::Test {
protected:
    MainFormTest() {
        SetYesNoCancelResponder([this](const QString& text) {
            questions_.push_back(text);
            if (answers_.empty()) {
                ADD_FAILURE() << "unexpected question: " << text.toStdString();
                return TYesNoCancel::Cancel;
            }
            const TYesNoCancel a = answers_.front();
            answers_.pop_front();
            return a;
        });
        TPMMainForm::SetFileDialogResponder([this](bool, const QString&) {
            ++fileDialogs_;
            if (fileNames_.empty()) {
                return QString();
            }
            const QString name = fileNames_.front();
            fileNames_.pop_front();
            return name;
        });
        main_ = std::make_unique<TPMMainForm>(program_.Root());
        main_->resize(800, 600);
        main_->show();
        QApplication::processEvents();
    }
    ~MainFormTest() override {
        // Whatever is left unsaved is discarded without questions.
        for (TMDIChild* child : main_->Children()) {
            child->Memo().DeclineSave();
        }
        main_.reset();
        SetYesNoCancelResponder(nullptr);
        TPMMainForm::SetFileDialogResponder(nullptr);
    }

    std::string MakeFile(const std::string& name, const std::string& bytes) {
        const std::string path = files_.file(name);
        WriteBytes(path, bytes);
        return path;
    }

    static void Type(TMDIChild& child, const char* text) {
        child.MemoWidget().setFocus();
        QTest::keyClicks(&child.MemoWidget(), text);
    }

    TProgramCopy program_;
    testing_support::TempDir files_;
    std::unique_ptr<TPMMainForm> main_;
    std::deque<TYesNoCancel> answers_;
    std::vector<QString> questions_;
    std::deque<QString> fileNames_;
    int fileDialogs_ = 0;
};

TEST_F(MainFormTest, CommandLineOpensFilesWithTheirOptions) {
    const std::string a = MakeFile("a.txt", "alpha\r\n");
    const std::string b = MakeFile("b.txt", "beta\r\n");
    main_->OpenCommandLine({"-ignored", a, "-UTF-8", "-html", b, "-UTF-16 (LE)"});
    const auto children = main_->Children();
    ASSERT_EQ(children.size(), 2u);
    const TTextCodec& ca = children[0]->Memo().Codec();
    EXPECT_EQ(children[0]->Memo().FileName(), a);
    EXPECT_EQ(ca.charset, "UTF-8");
    EXPECT_EQ(ca.uniRepr, urDecimalRef);
    EXPECT_EQ(children[0]->Memo().Lines().Get(0), u"alpha");
    // The representation carries over to a file with its own charset.
    EXPECT_EQ(children[1]->Memo().Codec().uniRepr, urDecimalRef);
    EXPECT_EQ(children[1]->Memo().Codec().charset, "UTF-16 (LE)");
    EXPECT_EQ(main_->Tabs().count(), 2);
    EXPECT_EQ(main_->Tabs().tabText(1), QStringLiteral(" b.txt"));
}

TEST_F(MainFormTest, PlaceholderIsReplacedUnlessTypedInto) {
    main_->OpenCommandLine({});
    ASSERT_EQ(main_->Children().size(), 1u);
    EXPECT_TRUE(main_->Children()[0]->Placeholder());
    const std::string a = MakeFile("a.txt", "alpha\n");
    main_->OpenDocument(a);
    QApplication::processEvents();
    ASSERT_EQ(main_->Children().size(), 1u) << "the untouched placeholder goes";
    EXPECT_EQ(main_->Children()[0]->Memo().FileName(), a);

    main_->CloseActive();
    QApplication::processEvents();
    main_->OpenCommandLine({});
    Type(*main_->Children()[0], "kept");
    main_->OpenDocument(a);
    QApplication::processEvents();
    EXPECT_EQ(main_->Children().size(), 2u) << "a placeholder with text stays";
}

TEST_F(MainFormTest, AlreadyOpenFileReloadsOpensASecondViewOrComesForward) {
    const std::string a = MakeFile("a.txt", "one\n");
    main_->OpenDocument(a);
    TuniMemo& first = main_->Children()[0]->Memo();
    WriteBytes(a, "two\n");

    answers_ = {TYesNoCancel::Cancel};
    EXPECT_TRUE(main_->FindOpenDocument(a, "Default", "-"));
    EXPECT_EQ(main_->Children().size(), 1u);
    EXPECT_EQ(first.Lines().Get(0), u"one");
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0], QStringLiteral("This file is already open. Reload it?"));

    answers_ = {TYesNoCancel::Yes};
    EXPECT_TRUE(main_->FindOpenDocument(files_.file("./a.txt"), "Default", "-"));
    EXPECT_EQ(main_->Children().size(), 1u);
    EXPECT_EQ(first.Lines().Get(0), u"two") << "Yes reloads in place";

    answers_ = {TYesNoCancel::No};
    EXPECT_TRUE(main_->FindOpenDocument(a, "Default", "-"));
    ASSERT_EQ(main_->Children().size(), 2u);
    TuniMemo& second = main_->Children()[1]->Memo();
    EXPECT_EQ(&second.Lines(), &first.Lines()) << "No shares the text, it loads nothing";

    // Views of one document stay in step.
    Type(*main_->Children()[1], "X");
    EXPECT_EQ(first.Lines().Get(0), u"Xtwo");
    EXPECT_TRUE(first.Modified());

    EXPECT_FALSE(main_->FindOpenDocument(files_.file("other.txt"), "Default", "-"));
}

TEST_F(MainFormTest, ClosePromptSavesDiscardsOrKeeps) {
    const std::string a = MakeFile("a.txt", "text\n");
    TMDIChild* child = main_->OpenDocument(a);
    Type(*child, "new ");

    answers_ = {TYesNoCancel::Cancel};
    main_->CloseActive();
    QApplication::processEvents();
    ASSERT_EQ(main_->Children().size(), 1u);
    EXPECT_EQ(questions_.back(), QStringLiteral("File \"a.txt\" is not saved. Save it?"));

    answers_ = {TYesNoCancel::Yes};
    main_->CloseActive();
    QApplication::processEvents();
    EXPECT_TRUE(main_->Children().empty());
    EXPECT_EQ(ReadBytes(a).substr(0, 8), "new text");
}

TEST_F(MainFormTest, UnnamedDocumentAsksAgainAfterACancelledSaveAs) {
    main_->NewDocument();
    Type(*main_->Children()[0], "draft");
    // Yes, the save dialog is cancelled; asked again: Yes, a name; saved and closed.
    answers_ = {TYesNoCancel::Yes, TYesNoCancel::Yes};
    fileNames_ = {QString(), QString::fromStdString(files_.file("draft.txt"))};
    main_->CloseActive();
    QApplication::processEvents();
    EXPECT_EQ(fileDialogs_, 2);
    EXPECT_TRUE(main_->Children().empty());
    EXPECT_EQ(ReadBytes(files_.file("draft.txt")).substr(0, 5), "draft");

    main_->NewDocument();
    Type(*main_->Children()[0], "again");
    answers_ = {TYesNoCancel::Yes, TYesNoCancel::Cancel};
    main_->CloseActive();
    QApplication::processEvents();
    EXPECT_EQ(main_->Children().size(), 1u) << "Cancel after a cancelled Save As keeps it";
}

TEST_F(MainFormTest, ExitStopsAtTheFirstCancel) {
    TMDIChild* a = main_->OpenDocument(MakeFile("a.txt", "a\n"));
    Type(*a, "1");
    TMDIChild* b = main_->OpenDocument(MakeFile("b.txt", "b\n"));
    Type(*b, "2");
    answers_ = {TYesNoCancel::No, TYesNoCancel::Cancel};
    EXPECT_FALSE(main_->close());
    EXPECT_TRUE(main_->isVisible());
    ASSERT_EQ(main_->Children().size(), 2u);
    EXPECT_FALSE(a->Memo().Modified()) << "the No stands";
    EXPECT_TRUE(b->Memo().Modified());
    EXPECT_EQ(ReadBytes(files_.file("a.txt")), "a\n");
}

TEST_F(MainFormTest, RecentFilesAndStatusFollowTheDocuments) {
    const std::string a = MakeFile("a.txt", "abc\nxyz\n");
    main_->OpenDocument(a);
    const TRecentFiles recent = ReadRecentFiles(main_->Folder());
    EXPECT_EQ(recent[0].fileName, a);
    const auto items = main_->FileMenu()->actions();
    EXPECT_EQ(items.back()->text(), QString::fromStdString("&1 " + a));

    TMDIChild* child = main_->Children()[0];
    child->MemoWidget().setFocus();
    QTest::keyClick(&child->MemoWidget(), Qt::Key_Down);
    QTest::keyClick(&child->MemoWidget(), Qt::Key_Right);
    main_->Idle();
    EXPECT_EQ(main_->StatusText(0), QStringLiteral("   2 : 2 / 3"));
    EXPECT_EQ(main_->StatusText(1), QStringLiteral("121"));
    EXPECT_EQ(main_->StatusText(2), QStringLiteral("0x79"));
    EXPECT_EQ(main_->StatusText(3),
              child->Memo().WordWrap() ? QStringLiteral(" >=<") : QStringLiteral(" <=>"));
    QTest::keyClicks(&child->MemoWidget(), "!");
    main_->Idle();
    EXPECT_EQ(main_->Tabs().tabText(0), QStringLiteral("*a.txt"));
    EXPECT_FALSE(main_->MenuAction("Cut")->isEnabled());
    EXPECT_TRUE(main_->MenuAction("Undo")->isEnabled());
}

TEST_F(MainFormTest, AltWithALetterOpensItsMenuOrDoesNothingAndEscapeGivesTheKeysBack) {
    TMDIChild* child = main_->OpenDocument(MakeFile("a.txt", "abc\n"));
    QApplication::setActiveWindow(main_.get());
    TuniMemoWidget& w = child->MemoWidget();
    w.setFocus();
    QApplication::processEvents();
    // No menu has Q: nothing is typed.
    QTest::keyClick(&w, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(child->Memo().Lines().Get(0), u"abc");
    EXPECT_FALSE(child->Memo().Modified());

    // Alt+E opens the Edit menu; Escape closes it and the keys go to the text again.
    QTest::keyClick(&w, Qt::Key_E, Qt::AltModifier);
    QApplication::processEvents();
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr) << "Alt+E opens the Edit menu";
    EXPECT_TRUE(qobject_cast<QMenu*>(popup)->title().contains(QStringLiteral("Edit")));
    QTest::keyClick(popup, Qt::Key_Escape);
    QTest::qWait(20);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClicks(focus, "x");
    EXPECT_EQ(child->Memo().Lines().Get(0), u"xabc") << "the key went to the document";
}

// A menu opened with a click and closed (with Escape, or by clicking its title again) leaves
// the menu bar as it was: the next click on a title opens that menu.
TEST_F(MainFormTest, AClosedMenuLeavesTheMenuBarOpeningMenusWithAClick) {
    TMDIChild* child = main_->OpenDocument(MakeFile("a.txt", "abc\n"));
    QApplication::setActiveWindow(main_.get());
    child->MemoWidget().setFocus();
    QApplication::processEvents();
    auto* bar = main_->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    const QList<QAction*> titles = bar->actions();
    ASSERT_GE(titles.size(), 3);
    // Through the window, as the window system delivers a click: an open menu sees it first.
    const auto clickTitle = [&](int index) {
        const QPoint at = bar->mapTo(main_.get(), bar->actionGeometry(titles[index]).center());
        QTest::mouseClick(main_->windowHandle(), Qt::LeftButton, {}, at);
    };
    const auto click = [&](int index) {
        clickTitle(index);
        QTest::qWait(20);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return menu != nullptr && menu == titles[index]->menu();
    };
    for (const bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "closed with Escape" : "closed with a click");
        ASSERT_TRUE(click(0));
        if (escape) {
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        } else {
            clickTitle(0);
        }
        QTest::qWait(20);
        ASSERT_EQ(QApplication::activePopupWidget(), nullptr);
        EXPECT_TRUE(click(2)) << "the next title clicked opens its menu";
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTest::qWait(20);
        // With the menus closed the keys go to the document.
        QTest::keyClicks(QApplication::focusWidget(), "x");
    }
    EXPECT_EQ(child->Memo().Lines().Get(0), u"xxabc");
}

TEST_F(MainFormTest, StatusPanelsFitTheirTextShowTheSeparatorAndStayWhenTheWindowIsLeft) {
    TMDIChild* child = main_->OpenDocument(MakeFile("crlf.txt", "one\r\ntwo\r\n"));
    main_->Idle();
    EXPECT_EQ(main_->StatusText(7), QStringLiteral("CR LF"));
    EXPECT_EQ(main_->StatusText(4), QStringLiteral("UTF-8"));

    // A long position shows whole.
    main_->ShowInfo(&child->Memo(), 808701, false, 0, 122);
    const QString text = main_->StatusText(0);
    EXPECT_TRUE(text.contains(QStringLiteral("808702 : 123 / 3"))) << text.toStdString();
    for (QLabel* label : main_->statusBar()->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()) +
                                          2 * label->frameWidth())
                << label->text().toStdString();
        }
    }

    // Another window takes the focus: the panels keep the document's state.
    main_->Idle();
    const QString before = main_->StatusText(0);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    // What the window system sends when another program takes the focus.
    QEvent windowDeactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(main_.get(), &windowDeactivate);
    QEvent appDeactivate(QEvent::ApplicationDeactivate);
    QApplication::sendEvent(qApp, &appDeactivate);
    QApplication::processEvents();
    main_->Idle();
    EXPECT_EQ(main_->StatusText(0), before);
    EXPECT_EQ(main_->StatusText(7), QStringLiteral("CR LF"));

    // A new document ends its lines in LF.
    main_->NewDocument();
    main_->Idle();
    EXPECT_EQ(main_->StatusText(7), QStringLiteral("LF"));
}

TEST_F(MainFormTest, ViewsOfOneDocumentShareItsNameAndAreAskedAboutOnce) {
    const std::string a = MakeFile("a.txt", "text\n");
    TMDIChild* first = main_->OpenDocument(a);
    main_->Clone();
    TMDIChild* second = main_->ActiveChild();
    ASSERT_NE(second, first);
    ASSERT_EQ(&second->Memo().Lines(), &first->Memo().Lines());

    // Save As in the second view: the first one saves to the new file from then on.
    const std::string b = files_.file("b.txt");
    fileNames_.push_back(QString::fromStdString(b));
    Type(*second, "1");
    ASSERT_TRUE(main_->SaveDocumentAs(*second));
    EXPECT_EQ(first->Memo().FileName(), b);
    main_->Idle();
    EXPECT_EQ(first->windowTitle(), QStringLiteral("b.txt"));
    Type(*first, "2");
    ASSERT_TRUE(main_->SaveDocument(*first));
    EXPECT_EQ(ReadBytes(b), "21text\n");
    EXPECT_EQ(ReadBytes(a), "text\n") << "the old file is left alone";

    // Closing one of two views loses nothing and asks nothing; the last one asks.
    Type(*first, "3");
    first->close();
    QApplication::processEvents();
    EXPECT_TRUE(questions_.empty());
    ASSERT_EQ(main_->Children().size(), 1U);
    answers_.push_back(TYesNoCancel::Cancel);
    second->close();
    EXPECT_EQ(questions_.size(), 1U);
    EXPECT_EQ(main_->Children().size(), 1U) << "Cancel keeps the last view";

    // Exit asks once per document, not once per view.
    main_->Clone();
    ASSERT_EQ(main_->Children().size(), 2U);
    questions_.clear();
    answers_.push_back(TYesNoCancel::No);
    main_->close();
    EXPECT_EQ(questions_.size(), 1U);
}

TEST_F(MainFormTest, MixedLineEndsShowANoticeWhoseButtonMakesThemUniform) {
    TMDIChild* plain = main_->OpenDocument(MakeFile("plain.txt", "a\r\nb\r\n"));
    QApplication::processEvents();
    EXPECT_FALSE(plain->NoticeShown());
    const std::string mixed = "a\r\nb\nc\rd";
    const std::string name = MakeFile("mixed.txt", mixed);
    TMDIChild* child = main_->OpenDocument(name);
    QApplication::processEvents();
    ASSERT_TRUE(child->NoticeShown());
    EXPECT_EQ(child->UniformButton().text(), QStringLiteral("End every line with CR LF"));
    // Saved as read while the notice stands.
    Type(*child, "x");
    ASSERT_TRUE(main_->SaveDocument(*child));
    EXPECT_EQ(ReadBytes(name), "x" + mixed);
    QTest::mouseClick(&child->UniformButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(child->NoticeShown());
    EXPECT_EQ(child->Memo().Lines().OwnSeparatorCount(), 0);
    EXPECT_TRUE(child->Memo().Modified());
    EXPECT_TRUE(child->MemoWidget().hasFocus());
    ASSERT_TRUE(main_->SaveDocument(*child));
    EXPECT_EQ(ReadBytes(name), "xa\r\nb\r\nc\r\nd");
    // One undo step takes it back.
    QTest::keyClick(&child->MemoWidget(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(main_->SaveDocument(*child));
    EXPECT_EQ(ReadBytes(name), "x" + mixed);
}

TEST_F(MainFormTest, AByteOrderMarkTheSaveAddsIsAnnouncedAtLoad) {
    const std::string name = MakeFile("nomark.txt", "a\nb\rc");
    TMDIChild* child = main_->OpenDocument(name, {}, nullptr, 0, "-", "UTF-8 (BOM)");
    QApplication::processEvents();
    ASSERT_TRUE(child->NoticeShown());
    EXPECT_TRUE(child->NoticeText().contains(QStringLiteral("byte order mark")))
        << child->NoticeText().toStdString();
    EXPECT_TRUE(child->NoticeText().contains(QStringLiteral("do not all end alike")));
    // Making the ends alike leaves the other half of the notice standing, without the button.
    QTest::mouseClick(&child->UniformButton(), Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_TRUE(child->NoticeShown());
    EXPECT_FALSE(child->UniformButton().isVisible());
    EXPECT_FALSE(child->NoticeText().contains(QStringLiteral("do not all end alike")));
    ASSERT_TRUE(main_->SaveDocument(*child));
    EXPECT_EQ(ReadBytes(name), "\xEF\xBB\xBF"
                               "a\nb\nc");
    // The save wrote the mark: the notice has nothing left to say.
    EXPECT_FALSE(child->NoticeShown()) << child->NoticeText().toStdString();

    // Opened again, the file has its mark: nothing to say.
    TMDIChild* again = main_->OpenDocument(MakeFile("mark.txt", "\xEF\xBB\xBFz"), {}, nullptr, 0,
                                           "-", "UTF-8 (BOM)");
    QApplication::processEvents();
    EXPECT_FALSE(again->NoticeShown());
}

TEST_F(MainFormTest, ALoadOutOfMemoryIsAMessageAndTheOtherDocumentsStay) {
    TMDIChild* first = main_->OpenDocument(MakeFile("first.txt", "kept\n"));
    Type(*first, "edit ");
    std::vector<TMsgDlgRequest> messages;
    SetMessageDlgResponder([&](const TMsgDlgRequest& request) {
        messages.push_back(request);
        return TMsgDlgBtn::OK;
    });
    SetLoadFaultForTesting(0);
    main_->OpenDocument(MakeFile("big.txt", "a\nb\nc\n"));
    QApplication::processEvents();
    SetLoadFaultForTesting(-1);
    SetMessageDlgResponder(nullptr);
    ASSERT_EQ(messages.size(), 1U);
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("Out of memory")))
        << messages[0].text.toStdString();
    // The document that was open is as it was, with its unsaved edit.
    const std::vector<TMDIChild*> children = main_->Children();
    ASSERT_TRUE(std::find(children.begin(), children.end(), first) != children.end());
    EXPECT_EQ(first->Memo().Lines().Get(0), u"edit kept");
    EXPECT_TRUE(first->Memo().Modified());
}

TEST_F(MainFormTest, StructureTimerRestartsWithEveryEdit) {
    TMDIChild* child = main_->OpenDocument(MakeFile("a.txt", "x\n"));
    EXPECT_FALSE(child->Timer().isActive());
    Type(*child, "a");
    ASSERT_TRUE(child->Timer().isActive());
    QTest::qWait(300);
    Type(*child, "b");
    EXPECT_GT(child->Timer().remainingTime(), TMDIChild::kStructureDelayMs - 200)
        << "the second edit starts the wait again";
    EXPECT_EQ(child->StructureParses(), 0);
}

// Each window listens to its view and, through it, to the document: an edit in one view
// refreshes the other one (its selection goes, its caret stays on the text), and only the
// window that was edited waits to re-parse its structure.
TEST_F(MainFormTest, EveryWindowOfADocumentFollowsItsEdits) {
    TMDIChild* first = main_->OpenDocument(MakeFile("a.txt", "one\ntwo\nthree\n"));
    main_->Clone();
    TMDIChild* second = main_->ActiveChild();
    ASSERT_NE(second, first);
    second->Timer().stop();
    second->Memo().Select({0, 3}, {0, 1});
    second->Memo().SetCaret({0, 3});
    main_->MdiArea().setActiveSubWindow(first);
    first->Memo().SetCaret({0, 0});
    first->Memo().BeginCommand();
    first->Memo().SelectAll();
    Type(*first, "x"); // the whole text becomes "x"
    ASSERT_EQ(first->Memo().Lines().Count(), 1);
    EXPECT_FALSE(second->Memo().SelectionActive());
    EXPECT_EQ(second->Memo().Caret().Y, 0);
    EXPECT_TRUE(first->Timer().isActive());
    EXPECT_FALSE(second->Timer().isActive());
}

TEST_F(MainFormTest, ReadOnlyFileIsReplacedOnlyAfterAsking) {
    const std::string a = MakeFile("ro.txt", "old\n");
    chmod(a.c_str(), 0444);
    main_->OpenDocument(a);
    TMDIChild& child = *main_->Children()[0];
    Type(child, "x");

    answers_ = {TYesNoCancel::No};
    EXPECT_FALSE(main_->SaveDocument(child));
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0],
              QString::fromStdString("File \"" + a + "\" is read-only. Replace it anyway?"));
    EXPECT_EQ(ReadBytes(a), "old\n");
    EXPECT_TRUE(child.Memo().Modified());

    answers_ = {TYesNoCancel::Yes};
    EXPECT_TRUE(main_->SaveDocument(child));
    EXPECT_EQ(ReadBytes(a), "xold\n");
    EXPECT_FALSE(child.Memo().Modified());
    EXPECT_EQ(questions_.size(), 2u);
}

TEST_F(MainFormTest, StartOffersTheCopiesOfInterruptedSaves) {
    testing_support::TempDir state;
    SetRecoveryFolder(state.file("recovery"));
    const std::string a = MakeFile("a.txt", "before a");
    const std::string b = MakeFile("b.txt", "before b");
    // Saves in place cut short by a kill leave these behind.
    for (const std::string& file : {a, b}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SetTempFileFaultForTesting(EACCES);
            TSafeFileWriter writer(file);
            if (writer.Open().ok && write(writer.Fd(), "cut", 3) == 3) {
                kill(getpid(), SIGKILL);
            }
            _exit(1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
    }

    answers_ = {TYesNoCancel::Yes, TYesNoCancel::Cancel};
    main_->OfferRecovery();
    ASSERT_EQ(questions_.size(), 2u);
    EXPECT_TRUE(questions_[0].contains(QString::fromStdString(a))) << questions_[0].toStdString();
    EXPECT_EQ(ReadBytes(a), "before a");
    EXPECT_EQ(ReadBytes(b), "cut");

    answers_ = {TYesNoCancel::No}; // asked again; No throws the copy away
    main_->OfferRecovery();
    EXPECT_EQ(questions_.size(), 3u);
    EXPECT_EQ(ReadBytes(b), "cut");
    EXPECT_TRUE(FindLeftoverCopies().empty());
    SetRecoveryFolder({});
}

TEST(ApplicationTest, AnExceptionInAnEventIsShownAndTheLoopGoesOn) {
    QStringList shown;
    TuniApplication::SetErrorResponder([&](const QString& m) { shown << m; });
    bool after = false;
    QTimer::singleShot(0, [] { throw std::runtime_error("List index out of bounds (7)"); });
    QTimer::singleShot(5, [&] { after = true; });
    QTest::qWait(50);
    TuniApplication::SetErrorResponder(nullptr);
    EXPECT_EQ(shown, QStringList{QStringLiteral("List index out of bounds (7)")});
    EXPECT_TRUE(after);
}

TEST(ProgramTest, HelpAndVersionPrintAndExit) {
    const auto version = RunProcess({PELMAR_EXE, "--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Pelmar " PELMAR_VERSION_TEXT "\n");
    const auto help = RunProcess({PELMAR_EXE, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--version"), std::string::npos);
}

} // namespace
