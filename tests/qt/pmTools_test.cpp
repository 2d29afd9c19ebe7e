// The main window's external tools: the menus of the active document's type, compiler
// messages in the panel and following them, filters as one undo step, stopping a tool
// that does not end.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include "actions/uniMemoActions.h"
#include "qt/qtTestSupport.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "shell/qt/PmTools.h"
#include "widgets/uniMsgDlg.h"

using namespace qt_testing;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

namespace {

class ToolsTest : public ::testing::Test {
protected:
    ToolsTest() {
        // Entries of our own beside the shipped ones.
        const std::string c = ReadBytes(program_.File("Compile/c.ini"));
        WriteBytes(program_.File("Compile/c.ini"),
                   c + "\n[Forever]\nCmd=sleep 100\nShow=1\n"
                       "[Missing]\nCmd=pelmar-no-such-compiler %File%\nShow=1\n");
        const std::string f = ReadBytes(program_.File("Ini/filters.ini"));
        WriteBytes(program_.File("Ini/filters.ini"),
                   f + "\n[Complain]\nCmd=sh -c \"echo bad input >&2\"\n");
        main_ = std::make_unique<TPMMainForm>(program_.Root());
        main_->resize(800, 600);
        main_->show();
        QApplication::processEvents();
    }
    ~ToolsTest() override {
        for (TMDIChild* child : main_->Children()) {
            child->Memo().DeclineSave();
        }
        main_.reset();
    }

    std::string MakeFile(const std::string& name, const std::string& bytes) {
        const std::string path = files_.file(name);
        WriteBytes(path, bytes);
        return path;
    }

    std::vector<std::string> PanelLines() { return main_->ToolPanel().Lines(); }

    int RowOf(const std::string& text) {
        const std::vector<std::string> lines = PanelLines();
        for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
            if (lines[static_cast<size_t>(i)].find(text) != std::string::npos) {
                return i;
            }
        }
        return -1;
    }

    static std::string Text(const TuniMemo& memo) {
        std::string out;
        for (int i = 0; i < memo.Lines().Count(); ++i) {
            out += (i > 0 ? "\n" : "") + testing_support::U8(memo.Lines().Get(i));
        }
        return out;
    }

    TProgramCopy program_;
    testing_support::TempDir files_;
    std::unique_ptr<TPMMainForm> main_;
};

TEST_F(ToolsTest, TheMenusListTheEntriesOfTheActiveDocumentsType) {
    main_->OpenDocument(MakeFile("a.c", "int x;\n"));
    QApplication::processEvents();
    main_->BuildToolMenus();
    QStringList compile;
    for (QAction* a : main_->CompilerMenu()->actions()) {
        compile << a->text();
    }
    EXPECT_TRUE(compile.contains(QStringLiteral("Syntax check")))
        << compile.join(',').toStdString();
    EXPECT_TRUE(compile.contains(QStringLiteral("Forever")));
    EXPECT_TRUE(main_->CompilerMenu()->isEnabled());

    main_->OpenDocument(MakeFile("b.txt", "x\n"));
    QApplication::processEvents();
    main_->BuildToolMenus();
    EXPECT_TRUE(main_->CompilerMenu()->actions().isEmpty());
    EXPECT_FALSE(main_->CompilerMenu()->isEnabled());
    ASSERT_FALSE(main_->FilterMenu()->actions().isEmpty());
    EXPECT_EQ(main_->FilterMenu()->actions().front()->text(), QStringLiteral("Sort"));
}

TEST_F(ToolsTest, CompilerMessagesLeadToTheirFilesLinesAndColumns) {
    MakeFile("other.h", "int y = z;\n");
    const std::string main =
        MakeFile("main.c", "#include \"other.h\"\nint main(void) { return 0; }\n");
    TMDIChild* child = main_->OpenDocument(main);
    ASSERT_NE(child, nullptr);
    QApplication::processEvents();
    // An edit not yet saved: the run saves it first, so the compiler sees it.
    child->Memo().BeginCommand();
    child->Memo().GotoPosition(0, 1);
    child->MemoWidget().setFocus();
    QTest::keyClicks(&child->MemoWidget(), "int f(void) { return w; } ");
    main_->RunTool(*child, "Syntax_check");
    EXPECT_EQ(ReadBytes(main).substr(19, 26), "int f(void) { return w; } ");
    ASSERT_TRUE(main_->ToolPanel().isVisible());
    QListWidget& list = main_->ToolPanel().List();
    EXPECT_EQ(list.currentRow(), 0);
    EXPECT_TRUE(list.hasFocus());

    // Enter on the header's error opens the header with the caret on the place.
    const int inHeader = RowOf("other.h:1:9: error");
    ASSERT_GE(inHeader, 0) << testing::PrintToString(PanelLines());
    list.setCurrentRow(inHeader);
    QTest::keyClick(&list, Qt::Key_Return);
    TMDIChild* header = main_->ActiveChild();
    ASSERT_NE(header, child);
    EXPECT_EQ(header->Memo().FileName(), files_.file("other.h"));
    EXPECT_EQ(header->Memo().Caret(), (TPoint{8, 0}));
    EXPECT_TRUE(header->MemoWidget().hasFocus());

    // Space on the edit's message goes back to the open file and leaves the focus here.
    const int inMain = RowOf("main.c:2:22: error");
    ASSERT_GE(inMain, 0) << testing::PrintToString(PanelLines());
    list.setFocus();
    list.setCurrentRow(inMain);
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(main_->ActiveChild(), child);
    EXPECT_EQ(child->Memo().Caret(), (TPoint{21, 1}));
    EXPECT_TRUE(list.hasFocus());
    EXPECT_EQ(main_->Children().size(), 2u);

    // A line that names no place does nothing; letters typed do not move the selection.
    list.setCurrentRow(RowOf("In file included") >= 0 ? RowOf("In file included") : 0);
    const int row = list.currentRow();
    QTest::keyClicks(&list, "m");
    EXPECT_EQ(list.currentRow(), row);

    main_->ToolPanel().CloseButton().click();
    EXPECT_FALSE(main_->ToolPanel().isVisible());
}

TEST_F(ToolsTest, AProgramThatCannotStartIsTheOnlyMessage) {
    TMDIChild* child = main_->OpenDocument(MakeFile("m.c", "int x;\n"));
    main_->RunTool(*child, "Missing");
    EXPECT_EQ(PanelLines(),
              (std::vector<std::string>{
                  "Cannot run \"pelmar-no-such-compiler\": No such file or directory"}));
    EXPECT_TRUE(main_->ToolPanel().isVisible());
}

TEST_F(ToolsTest, AFilterReplacesTheSelectionAsOneStepToUndo) {
    TMDIChild* child = main_->OpenDocument(MakeFile("f.txt", "top\npear\napple\nfig\nend\n"));
    QApplication::processEvents();
    TuniMemo& memo = child->Memo();
    memo.Select({0, 1}, {0, 4});
    // Through the action, as a key bound to it would run it.
    TMemoController& controller = child->MemoWidget().Controller();
    TUniAction* sort = controller.Map()->Find("Filter.Sort");
    ASSERT_NE(sort, nullptr);
    controller.Input().RunCommand([&] { controller.Execute(*sort); });
    QElapsedTimer waited;
    waited.start();
    while (Text(memo).rfind("top\npear", 0) == 0 && waited.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(Text(memo), "top\napple\nfig\npear\nend\n");
    child->MemoWidget().setFocus();
    QTest::keyClick(&child->MemoWidget(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Text(memo), "top\npear\napple\nfig\nend\n");
}

TEST_F(ToolsTest, AFilterThatComplainsLeavesTheTextAndShowsWhy) {
    TMDIChild* child = main_->OpenDocument(MakeFile("g.txt", "keep\n"));
    QApplication::processEvents();
    child->Memo().Select({0, 0}, {4, 0});
    main_->RunFilterTool(*child, "Complain");
    EXPECT_EQ(Text(child->Memo()), "keep\n");
    EXPECT_FALSE(child->Memo().Modified());
    EXPECT_EQ(PanelLines(), (std::vector<std::string>{"bad input"}));
}

TEST_F(ToolsTest, CancelStopsAToolThatNeverEnds) {
    TMDIChild* child = main_->OpenDocument(MakeFile("s.c", "int x;\n"));
    QApplication::processEvents();
    bool dialogSeen = false;
    bool closedWhileRunning = true;
    QTimer::singleShot(1200, [&] {
        // The window the run waits in does not close under it.
        closedWhileRunning = main_->close();
        auto* dialog = qobject_cast<TToolRunDialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr) {
            dialogSeen = true;
            dialog->findChild<QPushButton*>(QStringLiteral("ToolCancel"))->click();
        }
    });
    QElapsedTimer took;
    took.start();
    main_->RunTool(*child, "Forever");
    EXPECT_LT(took.elapsed(), 10000);
    EXPECT_TRUE(dialogSeen);
    EXPECT_FALSE(closedWhileRunning);
    ASSERT_FALSE(PanelLines().empty());
    EXPECT_EQ(PanelLines().back(), "[\"sleep\" was stopped]");
}

} // namespace
