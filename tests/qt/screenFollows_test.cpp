// The window shows what the editor's core holds: after every key of the shipped keys.ini
// and every command of the Edit menu, the image the editor painted step by step (and its
// caret) equals a paint of the same state from scratch.
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTest>

#include <set>

#include <gtest/gtest.h>

#include "base/uniIni.h"
#include "platform/qt/qtDialogs.h"
#include "platform/qt/qtHosts.h"
#include "platform/qt/qtKeys.h"
#include "qt/qtTestSupport.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"

using namespace qt_testing;

namespace {

// Commands that open a dialog, another window or a process: they are driven by the tests
// of those windows, not by pressing their keys here.
const std::set<std::string, std::less<>> kElsewhere{"Find",
                                                    "Replace",
                                                    "SearchAgain",
                                                    "SearchBack",
                                                    "GotoLine",
                                                    "New",
                                                    "New2",
                                                    "Open",
                                                    "ReOpen",
                                                    "Save",
                                                    "SaveAs",
                                                    "SaveAll",
                                                    "Close",
                                                    "Print",
                                                    "PageSetup",
                                                    "Properties",
                                                    "Exit",
                                                    "SpellCheck",
                                                    "ISpellLang",
                                                    "Run",
                                                    "Filter",
                                                    "FindWordInStruc",
                                                    "SyncStruc",
                                                    "RefreshStruc",
                                                    "GoCurrentInStruc",
                                                    "Clone",
                                                    "TileH",
                                                    "TileV",
                                                    "Cascade",
                                                    "Maximize",
                                                    "Help",
                                                    "EnterUnicode"};

struct TShot {
    QImage image;
    std::optional<QRect> caret;
};

class ScreenFollowsTest : public ::testing::Test {
protected:
    ScreenFollowsTest() {
        TQtMessageBox::SetTestResponder([](const QString&, const QString&) {});
        SetYesNoCancelResponder([](const QString&) { return TYesNoCancel::No; });
        main_ = std::make_unique<TPMMainForm>(program_.Root());
        main_->resize(700, 420);
        main_->show();
        QApplication::setActiveWindow(main_.get());
        QApplication::processEvents();
    }
    ~ScreenFollowsTest() override {
        for (TMDIChild* child : main_->Children()) {
            child->Memo().DeclineSave();
        }
        main_.reset();
        TQtMessageBox::SetTestResponder(nullptr);
        SetYesNoCancelResponder(nullptr);
    }

    // A C file long and wide enough for paging, scrolling and tabs to show.
    TMDIChild& OpenSample() {
        std::string text;
        for (int i = 0; i < 160; ++i) {
            if (i % 7 == 3) {
                text += "\tint value_" + std::to_string(i) + " = compute(" + std::to_string(i) +
                        ");  /* a comment that runs past the right edge of the window */\n";
            } else if (i % 5 == 0) {
                text += "\n";
            } else {
                text += "word" + std::to_string(i) + " other.words here\n";
            }
        }
        const std::string path = files_.file("sample.c");
        testing_support::WriteBytes(path, text);
        main_->OpenCommandLine({path});
        QApplication::processEvents();
        TMDIChild* child = main_->ActiveChild();
        EXPECT_NE(child, nullptr);
        child->MemoWidget().setFocus();
        child->Memo().GotoPosition(2, 40);
        QApplication::processEvents();
        return *child;
    }

    static TShot Shot(TuniMemoWidget& w) {
        QApplication::processEvents();
        return {w.Surface().copy(), w.CaretRect()};
    }

    static TShot WholePaint(TuniMemoWidget& w) {
        w.RepaintWhole();
        w.viewport()->repaint();
        return Shot(w);
    }

    // The incremental image against a paint from scratch; on a mismatch both are written
    // to PELMAR_PAINT_DUMP (a path prefix) when it is set.
    static void ExpectSameScreen(TuniMemoWidget& w, const std::string& step) {
        const TShot incremental = Shot(w);
        const TShot whole = WholePaint(w);
        const TuniMemo& m = w.Memo();
        const bool sameImage = incremental.image == whole.image;
        EXPECT_TRUE(sameImage) << "after " << step << ": the window does not show the state";
        EXPECT_EQ(incremental.caret, whole.caret)
            << "after " << step << ": the caret is not where the core has it (" << m.Caret().X
            << ", " << m.Caret().Y << ")";
        EXPECT_EQ(w.verticalScrollBar()->value(), m.TopLine() / m.ScrollScale())
            << "after " << step << ": the scroll bar does not show the top line";
        if (!m.WordWrap()) {
            EXPECT_EQ(w.horizontalScrollBar()->value(), m.HorzScroll()) << "after " << step;
        }
        if (!sameImage) {
            if (const QByteArray dump = qgetenv("PELMAR_PAINT_DUMP"); !dump.isEmpty()) {
                const QString base = QString::fromLocal8Bit(dump) + QString::fromStdString(step);
                incremental.image.save(base + QStringLiteral("-incremental.png"));
                whole.image.save(base + QStringLiteral("-whole.png"));
            }
        }
    }

    TProgramCopy program_;
    testing_support::TempDir files_;
    std::unique_ptr<TPMMainForm> main_;
};

TEST_F(ScreenFollowsTest, EveryShippedKeyLeavesTheScreenAsTheCoreSays) {
    TMDIChild& child = OpenSample();
    TuniMemoWidget& w = child.MemoWidget();
    const TIniFile keys(main_->Folder().Path("Ini/keys.ini"));
    const std::vector<std::string> bindings = keys.ReadSectionA("*");
    ASSERT_GT(bindings.size(), 80U);
    // Wrap off, wrap on, and wrap off with the caret column's highlight as well.
    for (const int pass : {0, 1, 2}) {
        const bool wrap = pass == 1;
        w.Memo().SetWordWrap(wrap);
        w.Memo().SetHighlightColumn(pass == 2);
        w.Memo().GotoPosition(2, 40);
        WholePaint(w);
        int pressed = 0;
        for (const std::string& key : bindings) {
            const std::string action = keys.ReadStringA("*", key, "");
            if (kElsewhere.contains(action)) {
                continue;
            }
            const TShortCut shortcut = TextToShortCut(key);
            const int vk = shortcut & 0xFF;
            const int qtKey = QtKeyOf(vk);
            ASSERT_NE(qtKey, 0) << key;
            Qt::KeyboardModifiers mods;
            if ((shortcut & scShift) != 0) {
                mods |= Qt::ShiftModifier;
            }
            if ((shortcut & scCtrl) != 0) {
                mods |= Qt::ControlModifier;
            }
            if ((shortcut & scAlt) != 0) {
                mods |= Qt::AltModifier;
            }
            // The key runs twice: a move that changes nothing the first time (at a line's
            // end, say) still moves on the second.
            for (int i = 0; i < 2; ++i) {
                QTest::keyClick(&w, static_cast<Qt::Key>(qtKey), mods);
                ExpectSameScreen(w, std::to_string(pass) + "-" + key + "=" + action);
            }
            ++pressed;
            if (::testing::Test::HasFailure()) {
                return;
            }
        }
        EXPECT_GT(pressed, 60);
        w.Input().RunCommand([&] { w.Memo().Undo(); });
        ExpectSameScreen(w, std::to_string(pass) + "-undo");
    }
}

TEST_F(ScreenFollowsTest, EveryEditMenuCommandLeavesTheScreenAsTheCoreSays) {
    TMDIChild& child = OpenSample();
    TuniMemoWidget& w = child.MemoWidget();
    QMenu* edit = nullptr;
    for (QAction* a : main_->MenuBar()->actions()) {
        if (a->menu() != nullptr && a->text().remove(QLatin1Char('&')) == QStringLiteral("Edit")) {
            edit = a->menu();
        }
    }
    ASSERT_NE(edit, nullptr);
    int run = 0;
    for (const bool selected : {false, true}) {
        for (QAction* a : edit->actions()) {
            if (a->isSeparator()) {
                continue;
            }
            w.Memo().GotoPosition(3, 45);
            if (selected) {
                QTest::keyClick(&w, Qt::Key_Down, Qt::ShiftModifier);
                QTest::keyClick(&w, Qt::Key_End, Qt::ShiftModifier);
            }
            WholePaint(w);
            a->trigger();
            ++run;
            ExpectSameScreen(w, (selected ? "selected-" : "") + a->text().toStdString());
        }
    }
    EXPECT_GT(run, 10);
}

} // namespace
