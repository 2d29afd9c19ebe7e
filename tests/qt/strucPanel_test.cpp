// The structure view in the main window: the active document's tree in the outline, the
// parse after a pause in typing, following the active document, jumping to a node,
// Synchronize and Find word, and closing a document while it is parsed.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QSplitter>
#include <QTest>

#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include "qt/qtTestSupport.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "structure/qt/uniOutline.h"
#include "structure/qt/uniStrucFrame.h"

using namespace qt_testing;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

namespace {

const char* const kSource = "#include <stdio.h>\n"
                            "\n"
                            "struct point {\n"
                            "    int x, y;\n"
                            "};\n"
                            "\n"
                            "static int square(int v)\n"
                            "{\n"
                            "    return v * v;\n"
                            "}\n"
                            "\n"
                            "int main(void)\n"
                            "{\n"
                            "    return square(2);\n"
                            "}\n";

class StrucPanelTest : public ::testing::Test {
protected:
    StrucPanelTest() {
        // The program folder's copy uses the highlighting library of the build: the file
        // type, and so the template, comes from it.
        const std::string ini = program_.File("Ini/pelmar.ini");
        WriteBytes(ini, std::regex_replace(ReadBytes(ini), std::regex("\\[Common\\]\n"),
                                           "[Common]\nColorerDLL=" PELMAR_PROGRAM_DIR
                                           "/Colorer/libicolorer.so\n"));
        main_ = std::make_unique<TPMMainForm>(program_.Root());
        main_->resize(1000, 700);
        main_->show();
        QApplication::processEvents();
    }
    ~StrucPanelTest() override {
        for (TMDIChild* child : main_->Children()) {
            child->Memo().DeclineSave();
        }
        main_.reset();
    }
    TMDIChild* Open(const std::string& name, const std::string& text) {
        const std::string path = files_.file(name);
        WriteBytes(path, text);
        TMDIChild* child = main_->OpenDocument(path);
        QApplication::processEvents();
        return child;
    }
    // Runs the event loop until `done` holds (at most 30 s: the sanitizers are slow).
    template <class F>
    bool WaitFor(F done) {
        for (int i = 0; i < 3000 && !done(); ++i) {
            QTest::qWait(10);
        }
        return done();
    }
    std::vector<std::string> Shown() const { return main_->StrucFrame().Outline().Lines(); }
    TuniOutline& Outline() { return main_->StrucFrame().Outline(); }
    // The window's passes are done and their result has reached the main thread.
    bool Settled(TMDIChild& child) {
        return WaitFor([&] {
            return child.Structure().Passes() > 0 && !child.Structure().Parsing() &&
                   !child.Memo().LoadPending();
        });
    }

    TProgramCopy program_;
    testing_support::TempDir files_;
    std::unique_ptr<TPMMainForm> main_;
};

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line + "\n";
    }
    return out;
}

TEST_F(StrucPanelTest, OpeningAFileShowsItsTreeAndAClickJumpsToANode) {
    TMDIChild* child = Open("a.c", kSource);
    ASSERT_TRUE(Settled(*child));
    const std::string shown = Joined(Shown());
    EXPECT_NE(shown.find("square"), std::string::npos) << shown;
    EXPECT_NE(shown.find("main"), std::string::npos) << shown;
    EXPECT_EQ(main_->StrucFrame().Memo(), &child->Memo());
    // A click on the node "main" puts the caret on its line.
    const int index = Outline().IndexOfPath(Outline().Item(1).Text()); // a kind branch
    ASSERT_GT(index, 0);
    int mainIndex = 0;
    for (int i = 1; i <= Outline().LastIndex(); ++i) {
        if (Outline().Item(i).Text().rfind("main", 0) == 0) {
            mainIndex = i;
        }
    }
    ASSERT_GT(mainIndex, 0) << shown;
    Outline().SetSelected(mainIndex); // opens its branch
    const int row = Outline().RowOfIndex(mainIndex);
    const QPoint at(Outline().LayoutOf(Outline().Item(mainIndex)).textLeft + 3,
                    row * Outline().ItemHeight() - Outline().TopRow() * Outline().ItemHeight() +
                        Outline().ItemHeight() / 2);
    QTest::mouseClick(Outline().viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(child->Memo().Caret().Y, 11);
    // Synchronize from a caret inside square() selects square.
    child->Memo().GotoPosition(4, 8);
    main_->RunGlobalAction("SyncStruc");
    EXPECT_EQ(Outline().Item(Outline().Selected()).Text().rfind("square", 0), 0u);
}

TEST_F(StrucPanelTest, EditsReparseOnceThreeSecondsAfterTheLast) {
    TMDIChild* child = Open("b.c", kSource);
    ASSERT_TRUE(Settled(*child));
    const int before = child->Structure().Passes();
    child->MemoWidget().setFocus();
    child->Memo().GotoPosition(0, 15);
    for (const char* text : {"int a", "dded(v", "oid) {}"}) {
        QTest::keyClicks(&child->MemoWidget(), text);
        QTest::qWait(1000);
        EXPECT_EQ(child->Structure().Passes(), before) << "no parse while typing";
    }
    QTest::qWait(TMDIChild::kStructureDelayMs - 1000 + 300);
    ASSERT_TRUE(WaitFor([&] { return child->Structure().Passes() == before + 1; }));
    QTest::qWait(200);
    EXPECT_EQ(child->Structure().Passes(), before + 1) << "one pass for the three edits";
    EXPECT_NE(Joined(Shown()).find("added"), std::string::npos) << Joined(Shown());
}

TEST_F(StrucPanelTest, TheViewFollowsTheActiveDocumentAndForgetsAClosedOne) {
    TMDIChild* c = Open("c.c", kSource);
    ASSERT_TRUE(Settled(*c));
    const int passes = c->Structure().Passes();
    TMDIChild* md = Open("d.md", "# Title\n\ntext\n\n## Part two\n");
    ASSERT_TRUE(Settled(*md));
    EXPECT_NE(Joined(Shown()).find("Part two"), std::string::npos) << Joined(Shown());
    main_->MdiArea().setActiveSubWindow(c);
    QApplication::processEvents();
    EXPECT_EQ(main_->StrucFrame().Memo(), &c->Memo());
    EXPECT_NE(Joined(Shown()).find("square"), std::string::npos) << "shown at once, no parse";
    EXPECT_EQ(c->Structure().Passes(), passes);
    // Closing the document shown, with a pass asked for: the view is emptied.
    c->Structure().Refresh();
    c->close();
    QApplication::processEvents();
    QTest::qWait(50);
    EXPECT_NE(main_->StrucFrame().Memo(), nullptr); // the Markdown file is active again
    EXPECT_EQ(Joined(Shown()).find("square"), std::string::npos);
}

// What the tests' passes copy in one turn: a few small documents take many turns.
constexpr size_t kSlice = 2048;

// A C source of `functions` small functions, f0 .. f<n-1>.
std::string ManyFunctions(int functions) {
    std::string text;
    for (int i = 0; i < functions; ++i) {
        text += "static int f" + std::to_string(i) + "(int v)\n{\n    return v;\n}\n\n";
    }
    return text;
}

// Whether a node of the tree has a name that begins with `name`.
bool HasNode(const TStrucTree* tree, const std::string& name) {
    if (tree == nullptr) {
        return false;
    }
    for (int i = 0; i < tree->Children.Count(); ++i) {
        const TStrucNode* child = tree->Children.Items(i);
        if (child->GetName().rfind(name, 0) == 0 ||
            HasNode(dynamic_cast<const TStrucTree*>(child), name)) {
            return true;
        }
    }
    return false;
}

// Asking for a pass copies the lines a bounded slice per turn of the event loop: twice the
// text takes twice the turns, and the tree is complete.
TEST_F(StrucPanelTest, ThePassesCopyIsTakenInSlicesInProportionToTheText) {
    std::vector<int> turns;
    for (const int functions : {400, 800}) {
        TMDIChild* child =
            Open("many" + std::to_string(functions) + ".c", ManyFunctions(functions));
        ASSERT_TRUE(Settled(*child));
        child->Structure().SetCopySlice(kSlice);
        child->Timer().stop();
        const int before = child->Structure().CopySlices();
        const int passes = child->Structure().Passes();
        child->Structure().Refresh();
        ASSERT_TRUE(WaitFor([&] { return child->Structure().Passes() > passes; }));
        turns.push_back(child->Structure().CopySlices() - before);
        EXPECT_TRUE(HasNode(child->Structure().Tree(), "f" + std::to_string(functions - 1)))
            << "the last line was copied";
    }
    ASSERT_GE(turns[0], 4);
    EXPECT_GE(turns[1], 2 * turns[0] - 1);
    EXPECT_LE(turns[1], 2 * turns[0] + 1);
}

// An edit while the copy is being taken drops it (the lines copied so far may be gone);
// the timer the edit started asks again, and that pass sees the edited text.
TEST_F(StrucPanelTest, AnEditDuringTheCopyDropsItAndTheTimerAsksAgain) {
    TMDIChild* child = Open("edited.c", ManyFunctions(400));
    ASSERT_TRUE(Settled(*child));
    child->Structure().SetCopySlice(kSlice);
    child->Timer().stop();
    const int passes = child->Structure().Passes();
    child->Structure().Refresh(); // copies the first slice now, the rest in later turns
    ASSERT_TRUE(child->Structure().Copying());
    child->Memo().GotoPosition(0, 0);
    child->Memo().PasteText(u"int early(void)\n{\n}\n", TSelectionMode::Stream);
    EXPECT_TRUE(child->Timer().isActive());
    QTest::qWait(TMDIChild::kStructureDelayMs / 2);
    EXPECT_FALSE(child->Structure().Parsing()) << "nothing parsed before the pause is over";
    ASSERT_TRUE(WaitFor([&] { return child->Structure().Passes() > passes; }));
    ASSERT_TRUE(Settled(*child));
    EXPECT_EQ(child->Structure().Passes(), passes + 1);
    EXPECT_TRUE(HasNode(child->Structure().Tree(), "early")) << "the inserted function";
    EXPECT_TRUE(HasNode(child->Structure().Tree(), "f399")) << "and the last one";
}

// An edit in a second window of the document, whose timer this window does not hear,
// starts this window's copy over: its pass sees the edited text.
TEST_F(StrucPanelTest, AnEditInAnotherWindowDuringTheCopyStartsItOver) {
    TMDIChild* first = Open("shared.c", ManyFunctions(400));
    ASSERT_TRUE(Settled(*first));
    first->Structure().SetCopySlice(kSlice);
    main_->Clone();
    QApplication::processEvents();
    TMDIChild* second = main_->ActiveChild();
    ASSERT_NE(second, first);
    ASSERT_EQ(&second->Memo().Lines(), &first->Memo().Lines());
    main_->MdiArea().setActiveSubWindow(first);
    ASSERT_TRUE(Settled(*first));
    first->Timer().stop();
    const int passes = first->Structure().Passes();
    first->Structure().Refresh();
    ASSERT_TRUE(first->Structure().Copying());
    second->Memo().GotoPosition(0, 0);
    second->Memo().PasteText(u"int early(void)\n{\n}\n", TSelectionMode::Stream);
    second->Timer().stop();
    EXPECT_FALSE(first->Timer().isActive());
    ASSERT_TRUE(WaitFor([&] { return first->Structure().Passes() > passes; }));
    ASSERT_TRUE(Settled(*first));
    EXPECT_EQ(first->Structure().Passes(), passes + 1);
    EXPECT_TRUE(HasNode(first->Structure().Tree(), "early")) << "the inserted function";
    EXPECT_TRUE(HasNode(first->Structure().Tree(), "f399")) << "and the last one";
}

// The settings' BrowserWidth and BrowserMin: the view starts that wide, or collapsed, and a
// structure command shows a collapsed view again at its width.
TEST(StrucPanelSettings, TheViewStartsAsTheSettingsSayAndACommandShowsItAgain) {
    TProgramCopy program;
    const std::string ini = program.File("Ini/pelmar.ini");
    WriteBytes(ini, std::regex_replace(ReadBytes(ini), std::regex("\\[Common\\]\n"),
                                       "[Common]\nBrowserWidth=260\nBrowserMin=1\n"));
    TPMMainForm main(program.Root());
    main.resize(1000, 700);
    main.show();
    QApplication::processEvents();
    EXPECT_TRUE(main.StrucCollapsed());
    EXPECT_EQ(main.StrucWidth(), 260);
    main.NewDocument();
    main.RunGlobalAction("SyncStruc");
    QApplication::processEvents();
    EXPECT_FALSE(main.StrucCollapsed());
    EXPECT_EQ(main.StrucSplitter().sizes().at(1), 260);
    for (TMDIChild* child : main.Children()) {
        child->Memo().DeclineSave();
    }
}

// The side, the width and the fold of the view are kept in pelmar.ini when the window
// closes, and the next start lays the view out as it was left.
TEST(StrucPanelSettings, SideWidthAndFoldAreKeptForTheNextStart) {
    TProgramCopy program;
    const std::string ini = program.File("Ini/pelmar.ini");
    WriteBytes(ini, std::regex_replace(ReadBytes(ini), std::regex("\\[Common\\]\n"),
                                       "[Common]\nBrowserWidth=240\nBrowserLeft=1\n"));
    const std::string before = ReadBytes(ini);
    {
        TPMMainForm main(program.Root());
        main.resize(1000, 700);
        main.show();
        QApplication::processEvents();
        ASSERT_TRUE(main.StrucLeft());
        EXPECT_EQ(main.StrucSplitter().widget(0), &main.StrucFrame());
        EXPECT_EQ(main.StrucSplitter().sizes().at(0), 240);
        // The menu item moves it to the right, as wide as it was.
        QAction* side = main.MenuAction("StrucLeft");
        ASSERT_NE(side, nullptr);
        EXPECT_TRUE(side->isChecked());
        side->trigger();
        QApplication::processEvents();
        EXPECT_FALSE(main.StrucLeft());
        EXPECT_FALSE(side->isChecked());
        EXPECT_EQ(main.StrucSplitter().widget(1), &main.StrucFrame());
        EXPECT_EQ(main.StrucSplitter().sizes().at(1), 240);
        // Folded by the user: the width before the fold is what is kept.
        const QList<int> sizes = main.StrucSplitter().sizes();
        main.StrucSplitter().setSizes({sizes.at(0) + sizes.at(1), 0});
        EXPECT_TRUE(main.StrucCollapsed());
        EXPECT_TRUE(main.close());
    }
    const std::string after = ReadBytes(ini);
    EXPECT_NE(after.find("BrowserWidth=240\n"), std::string::npos) << after;
    EXPECT_NE(after.find("BrowserMin=1\n"), std::string::npos) << after;
    EXPECT_NE(after.find("BrowserLeft=0\n"), std::string::npos) << after;
    // Nothing else of the file changed but the window's own geometry.
    const auto withoutBrowserKeys = [](const std::string& text) {
        return std::regex_replace(
            text, std::regex("(Browser[A-Za-z]+|Left|Top|Width|Height|Maximize|Zoom)=[^\n]*\n"),
            "");
    };
    EXPECT_EQ(withoutBrowserKeys(after), withoutBrowserKeys(before));

    TPMMainForm again(program.Root());
    again.resize(1000, 700);
    again.show();
    QApplication::processEvents();
    EXPECT_FALSE(again.StrucLeft());
    EXPECT_TRUE(again.StrucCollapsed());
    EXPECT_EQ(again.StrucWidth(), 240);
}

// A template the parse cannot use leaves the outline empty and says why above it, for as
// long as that document is shown; another document's tree takes the notice away.
TEST_F(StrucPanelTest, AFailedParseIsShownWithItsMessage) {
    WriteBytes(program_.File("Struc/lua.struc"), "Functions\n ^function (\\w+\n $1\n");
    TMDIChild* broken = Open("broken.lua", "function f()\nend\n");
    ASSERT_NE(broken, nullptr);
    const QLabel& notice = main_->StrucFrame().FailureLabel();
    ASSERT_TRUE(WaitFor([&] { return !broken->Structure().Failure().empty(); }));
    QApplication::processEvents();
    EXPECT_TRUE(notice.isVisibleTo(&main_->StrucFrame()));
    EXPECT_TRUE(notice.text().startsWith(QStringLiteral("No structure for this document:")))
        << notice.text().toStdString();
    EXPECT_TRUE(notice.text().contains(QString::fromStdString(broken->Structure().Failure())));
    EXPECT_TRUE(Shown().empty());

    TMDIChild* good = Open("good.c", kSource);
    ASSERT_TRUE(WaitFor([&] { return good->Structure().Tree() != nullptr; }));
    QApplication::processEvents();
    EXPECT_FALSE(notice.isVisibleTo(&main_->StrucFrame()));
    main_->MdiArea().setActiveSubWindow(broken);
    QApplication::processEvents();
    EXPECT_TRUE(notice.isVisibleTo(&main_->StrucFrame()));
}

// A template file that exists but cannot be read fails the same way, without taking the
// program down (it is looked up on the main thread).
TEST_F(StrucPanelTest, AnUnreadableTemplateIsAFailureNotACrash) {
    std::filesystem::create_directories(program_.File("Struc/ruby.struc"));
    TMDIChild* child = Open("script.rb", "def f\nend\n");
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(WaitFor([&] { return !child->Structure().Failure().empty(); }));
    EXPECT_TRUE(main_->StrucFrame().FailureLabel().isVisibleTo(&main_->StrucFrame()));
    // Later requests do nothing more.
    main_->RunGlobalAction("RefreshStruc");
    QApplication::processEvents();
    EXPECT_FALSE(child->Structure().Parsing());
}

} // namespace
