// Files changed or removed by another program while they are open: the notice when the
// window comes to the front, Reload and Keep my text, the question before a save, and the
// editor's own saves, which are no change.
#include <QApplication>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>

#include <deque>
#include <filesystem>

#include <gtest/gtest.h>

#include "qt/qtTestSupport.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "widgets/uniMsgDlg.h"

using namespace qt_testing;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

class DiskChangeTest : public ::testing::Test {
protected:
    DiskChangeTest() {
        SetMessageDlgResponder([this](const TMsgDlgRequest& request) {
            questions_.push_back(request.text);
            if (answers_.empty()) {
                ADD_FAILURE() << "unexpected question: " << request.text.toStdString();
                return TMsgDlgBtn::Cancel;
            }
            const TMsgDlgBtn answer = answers_.front();
            answers_.pop_front();
            return answer;
        });
        main_ = std::make_unique<TPMMainForm>(program_.Root());
        main_->show();
        QApplication::processEvents();
    }
    ~DiskChangeTest() override {
        for (TMDIChild* child : main_->Children()) {
            child->Memo().DeclineSave();
        }
        main_.reset();
        SetMessageDlgResponder(nullptr);
    }

    // `file` open in its window, and a second document in front of it.
    TMDIChild* OpenBehind(const std::string& file) {
        TMDIChild* child = main_->OpenDocument(file);
        main_->OpenDocument(files_.file("other.txt"));
        QApplication::processEvents();
        EXPECT_FALSE(child->DiskNoticeShown());
        return child;
    }
    void Activate(TMDIChild* child) {
        main_->MdiArea().setActiveSubWindow(child);
        QApplication::processEvents();
    }
    void Type(TMDIChild* child, const char* text) {
        Activate(child);
        child->MemoWidget().setFocus();
        QTest::keyClicks(&child->MemoWidget(), text);
    }
    std::string Line(TMDIChild* child, int i) {
        return testing_support::U8(child->Memo().Lines().Get(i));
    }

    TProgramCopy program_;
    TempDir files_;
    std::unique_ptr<TPMMainForm> main_;
    std::deque<TMsgDlgBtn> answers_;
    std::vector<QString> questions_;
};

TEST_F(DiskChangeTest, ChangedFileShowsTheNoticeAndReloadKeepsTheCaretLine) {
    const std::string file = files_.file("a.txt");
    WriteBytes(file, "one\ntwo\nthree\n");
    WriteBytes(files_.file("other.txt"), "x\n");
    TMDIChild* a = OpenBehind(file);
    a->Memo().GotoPosition(1, 2);
    WriteBytes(file, "ONE\nTWO\nTHREE\nFOUR\n");
    Activate(a);
    ASSERT_TRUE(a->DiskNoticeShown());
    EXPECT_EQ(a->DiskNoticeText(), main_->Text("Messages", "DiskChangedMsg"));
    // Nothing of the text would be lost: Reload is the button to press.
    EXPECT_TRUE(a->DiskReloadButton().isDefault());
    EXPECT_FALSE(a->DiskKeepButton().isDefault());
    // Told once: coming to the front again shows nothing new after it is dismissed.
    a->DiskReloadButton().click();
    EXPECT_FALSE(a->DiskNoticeShown());
    EXPECT_EQ(Line(a, 0), "ONE");
    EXPECT_EQ(a->Memo().Caret().Y, 2);
    EXPECT_FALSE(a->Memo().Modified());

    // A shorter file: the caret goes to its last line.
    a->Memo().GotoPosition(0, 4);
    WriteBytes(file, "only\n");
    Activate(main_->Children().back());
    Activate(a);
    a->DiskReloadButton().click();
    EXPECT_EQ(Line(a, 0), "only");
    EXPECT_EQ(a->Memo().Caret().Y, 1);
    EXPECT_TRUE(questions_.empty());
}

TEST_F(DiskChangeTest, KeepLeavesTheTextAndTheSaveAsks) {
    const std::string file = files_.file("a.txt");
    WriteBytes(file, "mine\n");
    WriteBytes(files_.file("other.txt"), "x\n");
    TMDIChild* a = OpenBehind(file);
    Type(a, "my ");
    Activate(main_->Children().back());
    WriteBytes(file, "theirs\n");
    Activate(a);
    ASSERT_TRUE(a->DiskNoticeShown());
    // Edits would be lost by a reload: keeping them is the default.
    EXPECT_TRUE(a->DiskKeepButton().isDefault());
    a->DiskKeepButton().click();
    EXPECT_FALSE(a->DiskNoticeShown());
    EXPECT_EQ(Line(a, 0), "my mine");
    // Not told again for the same state of the file.
    Activate(main_->Children().back());
    Activate(a);
    EXPECT_FALSE(a->DiskNoticeShown());

    // Cancel: nothing written.
    answers_ = {TMsgDlgBtn::Cancel};
    EXPECT_FALSE(main_->SaveDocument(*a));
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_NE(questions_[0].indexOf(QStringLiteral("a.txt")), -1);
    EXPECT_EQ(ReadBytes(file), "theirs\n");
    EXPECT_TRUE(a->Memo().Modified());
    // Overwrite: written, and settled.
    answers_ = {TMsgDlgBtn::Ignore};
    EXPECT_TRUE(main_->SaveDocument(*a));
    EXPECT_EQ(ReadBytes(file), "my mine\n");
    Type(a, "!");
    EXPECT_TRUE(main_->SaveDocument(*a));
    EXPECT_EQ(questions_.size(), 2u) << "the editor's own save is no change";

    // Reload from the question: the other program's text, nothing written.
    Type(a, "?");
    WriteBytes(file, "theirs again\n");
    answers_ = {TMsgDlgBtn::Abort};
    EXPECT_FALSE(main_->SaveDocument(*a));
    EXPECT_EQ(Line(a, 0), "theirs again");
    EXPECT_EQ(ReadBytes(file), "theirs again\n");
    EXPECT_FALSE(a->Memo().Modified());
}

TEST_F(DiskChangeTest, RemovedFileIsWrittenAgainBySaving) {
    const std::string file = files_.file("a.txt");
    WriteBytes(file, "kept\n");
    WriteBytes(files_.file("other.txt"), "x\n");
    TMDIChild* a = OpenBehind(file);
    std::filesystem::remove(file);
    Activate(a);
    ASSERT_TRUE(a->DiskNoticeShown());
    EXPECT_EQ(a->DiskNoticeText(), main_->Text("Messages", "DiskRemovedMsg"));
    EXPECT_TRUE(a->DiskReloadButton().isHidden());
    a->DiskKeepButton().click();
    // Even unchanged, the text is saved: there is no file to leave as it is.
    EXPECT_TRUE(main_->SaveDocument(*a));
    EXPECT_EQ(ReadBytes(file), "kept\n");
    Type(a, "still ");
    EXPECT_TRUE(main_->SaveDocument(*a)); // no question: there is nothing to overwrite
    EXPECT_EQ(ReadBytes(file), "still kept\n");
    EXPECT_TRUE(questions_.empty());
}

TEST_F(DiskChangeTest, EveryWindowOfTheDocumentShowsItAndTheMainWindowChecksToo) {
    const std::string file = files_.file("a.txt");
    WriteBytes(file, "one\n");
    TMDIChild* a = main_->OpenDocument(file);
    main_->Clone();
    QApplication::processEvents();
    ASSERT_EQ(main_->Children().size(), 2u);
    TMDIChild* clone = main_->ActiveChild();
    ASSERT_NE(clone, a);
    WriteBytes(file, "two\n");
    // The main window comes back to the front: its active document is checked.
    QWidget other;
    other.show();
    other.activateWindow();
    QApplication::processEvents();
    main_->activateWindow();
    QApplication::processEvents();
    if (!main_->isActiveWindow()) {
        GTEST_SKIP() << "this platform does not activate windows";
    }
    EXPECT_TRUE(clone->DiskNoticeShown());
    EXPECT_TRUE(a->DiskNoticeShown());
    clone->DiskReloadButton().click();
    EXPECT_FALSE(a->DiskNoticeShown());
    EXPECT_EQ(Line(a, 0), "two");
}

} // namespace
