// The editor widget driven through real Qt events: keys, characters, input methods, the
// mouse, the wheel, the scroll bars and the clipboard, checked against what the editor's
// core reports; and its painting, which must equal a paint from scratch.
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include "editor/qt/uniMemoWidget.h"
#include "qt/qtTestSupport.h"

using namespace qt_testing;
using testing_support::U16;

namespace {

class MemoWidgetTest : public ::testing::Test {
protected:
    MemoWidgetTest() : setup_(program_.Root()) {}

    std::unique_ptr<TuniMemoWidget> MakeWidget(const std::u16string& text = {}) {
        auto w = std::make_unique<TuniMemoWidget>(setup_.Environment(), setup_.keys.get());
        w->Controller().AttachActionMaps(*setup_.global, setup_.folder);
        w->Memo().ApplyProfile("txt");
        if (!text.empty()) {
            SetLines(w->Memo(), text);
            w->Memo().SetModified(false);
            w->Memo().GotoPosition(0, 0);
        }
        w->resize(480, 240);
        w->show();
        w->setFocus();
        QApplication::processEvents();
        return w;
    }

    // The client point of a text position on the first rows (fixed-pitch font, no scroll).
    static QPoint PointOf(TuniMemoWidget& w, int column, int row) {
        const TuniMemo& m = w.Memo();
        return QPoint(m.GutterWidth() + column * m.CharWidth() + 1,
                      row * m.LineHeight() + m.LineHeight() / 2);
    }

    TProgramCopy program_;
    TEditorSetup setup_;
};

TEST_F(MemoWidgetTest, TypesEditsUndoesAndRedoesThroughKeyEvents) {
    auto w = MakeWidget();
    QTest::keyClicks(w.get(), "hello");
    QTest::keyClick(w.get(), Qt::Key_Return);
    QTest::keyClicks(w.get(), "world");
    TuniMemo& m = w->Memo();
    ASSERT_EQ(m.Lines().Count(), 2);
    EXPECT_EQ(m.Lines().Get(0), u"hello");
    EXPECT_EQ(m.Lines().Get(1), u"world");
    EXPECT_EQ(m.Caret(), (TPoint{5, 1}));
    EXPECT_TRUE(m.Modified());

    QTest::keyClick(w.get(), Qt::Key_Backspace);
    EXPECT_EQ(m.Lines().Get(1), u"worl");
    QTest::keyClick(w.get(), Qt::Key_Home);
    QTest::keyClick(w.get(), Qt::Key_Tab);
    EXPECT_EQ(m.Lines().Get(1), u"\tworl") << "TAB is the editor's key, not a focus move";
    EXPECT_TRUE(w->hasFocus());

    QTest::keyClick(w.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(m.Lines().Get(1), u"worl");
    QTest::keyClick(w.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(m.Lines().Get(1), u"\tworl");
    // Ctrl with a letter no key binds types nothing.
    const std::u16string before = m.Lines().Get(1);
    QKeyEvent ctrlQ(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier, QStringLiteral("\x11"));
    QApplication::sendEvent(w.get(), &ctrlQ);
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_EQ(m.Lines().Get(1), before);
}

TEST_F(MemoWidgetTest, ShiftSelectsAndPlainMovesDrop) {
    auto w = MakeWidget(u"abcdefgh");
    TuniMemo& m = w->Memo();
    QTest::keyClick(w.get(), Qt::Key_Right);
    QTest::keyClick(w.get(), Qt::Key_Right);
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(w.get(), Qt::Key_Right, Qt::ShiftModifier);
    }
    ASSERT_TRUE(m.HasSelectedText());
    EXPECT_EQ(m.NormalSelection().start, (TPoint{2, 0}));
    EXPECT_EQ(m.NormalSelection().end, (TPoint{5, 0}));
    QTest::keyClick(w.get(), Qt::Key_Right);
    EXPECT_FALSE(m.HasSelectedText());
    EXPECT_EQ(m.Caret(), (TPoint{6, 0}));
}

TEST_F(MemoWidgetTest, NationalLettersAndAstralCharactersArriveWhole) {
    auto w = MakeWidget();
    TuniMemo& m = w->Memo();
    // A Cyrillic letter: Qt names the key by its upper-case code point.
    QKeyEvent zhe(QEvent::KeyPress, 0x0416, Qt::NoModifier, QString(QChar(0x0436)));
    QApplication::sendEvent(w.get(), &zhe);
    QInputMethodEvent ime;
    ime.setCommitString(QString::fromUcs4(U"\U0001F600中"));
    QApplication::sendEvent(w.get(), &ime);
    EXPECT_EQ(m.Lines().Get(0), std::u16string(u"\u0436\xD83D\xDE00\u4E2D"));
    EXPECT_EQ(m.Caret().X, 4);
}

TEST_F(MemoWidgetTest, MouseClicksDragsAndDoubleClicks) {
    auto w = MakeWidget(u"alpha beta gamma\nsecond line here\nthird");
    TuniMemo& m = w->Memo();
    ASSERT_FALSE(m.Proportional()) << "the default editor font must have a fixed pitch";
    QWidget* vp = w->viewport();

    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, PointOf(*w, 7, 1));
    EXPECT_EQ(m.Caret(), (TPoint{7, 1}));
    EXPECT_FALSE(m.HasSelectedText());

    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, PointOf(*w, 2, 0));
    QMouseEvent move(QEvent::MouseMove, PointOf(*w, 9, 0), vp->mapToGlobal(PointOf(*w, 9, 0)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, PointOf(*w, 9, 0));
    ASSERT_TRUE(m.HasSelectedText());
    EXPECT_EQ(m.NormalSelection().start, (TPoint{2, 0}));
    EXPECT_EQ(m.NormalSelection().end, (TPoint{9, 0}));

    // Two clicks in quick succession select the word.
    // A real double click: press, release, then the second press arrives as a
    // double-click event, and its release.
    const auto send = [&](QEvent::Type type, int column) {
        const QPoint p = PointOf(*w, column, 0);
        QMouseEvent e(type, p, vp->mapToGlobal(p), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
        QApplication::sendEvent(vp, &e);
    };
    send(QEvent::MouseButtonPress, 13);
    send(QEvent::MouseButtonRelease, 13);
    send(QEvent::MouseButtonDblClick, 13);
    send(QEvent::MouseButtonRelease, 13);
    ASSERT_TRUE(m.HasSelectedText());
    EXPECT_EQ(m.SelectedText(), u"gamma");

    // A click in the gutter selects the line.
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, QPoint(2, m.LineHeight() * 2 + 2));
    EXPECT_EQ(m.SelectedText(), u"third");
}

TEST_F(MemoWidgetTest, WheelPagesAndScrollBarsMoveTheView) {
    std::u16string text;
    for (int i = 0; i < 300; ++i) {
        text += U16("line " + std::to_string(i) + "\n");
    }
    auto w = MakeWidget(text);
    TuniMemo& m = w->Memo();
    const int rows = m.VisibleRows();
    ASSERT_GT(rows, 3);

    QWheelEvent down(QPointF(50, 50), w->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                     QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w->viewport(), &down);
    EXPECT_GE(m.TopLine(), rows - 2) << "one wheel step moves a page";
    const int afterWheel = m.TopLine();

    w->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(m.TopLine(), afterWheel + 1);
    EXPECT_EQ(w->verticalScrollBar()->value(), m.TopLine());
    w->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(m.Caret().Y, m.Lines().Count() - 1);
    w->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(m.TopLine(), 0);
    // Dragging the thumb to position 100 puts line 100 on top.
    w->verticalScrollBar()->setSliderPosition(100);
    EXPECT_EQ(m.TopLine(), 100);
}

TEST_F(MemoWidgetTest, PastesOtherProgramsTextAndMovesColumnBlocksBetweenEditors) {
    auto a = MakeWidget(u"0123456789\nabcdefghij\nABCDEFGHIJ");
    auto b = MakeWidget(u"xxxx\nyyyy\nzzzz");

    // Plain text from elsewhere, with LF separators.
    QApplication::clipboard()->setText(QStringLiteral("one\ntwo"));
    b->setFocus();
    QTest::keyClick(b.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(b->Memo().Lines().Get(0), u"one");
    EXPECT_EQ(b->Memo().Lines().Get(1), u"twoxxxx");
    b->Memo().Undo();
    ASSERT_EQ(b->Memo().Lines().Get(0), u"xxxx");

    // A column block: columns 2..4 of the three lines of a (text files wrap; blocks need
    // the wrap off).
    a->Memo().SetWordWrap(false);
    b->Memo().SetWordWrap(false);
    a->setFocus();
    a->Memo().GotoPosition(2, 0);
    a->Memo().SetSelStart({2, 0});
    for (int i = 0; i < 2; ++i) {
        QTest::keyClick(a.get(), Qt::Key_Down, Qt::AltModifier | Qt::ShiftModifier);
    }
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(a.get(), Qt::Key_Right, Qt::AltModifier | Qt::ShiftModifier);
    }
    ASSERT_EQ(a->Memo().SelectionMode(), TSelectionMode::Column);
    QTest::keyClick(a.get(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(QStringLiteral("PM_VerticalBlock")));
    EXPECT_EQ(data->text(), QStringLiteral("234\ncde\nCDE"));

    b->setFocus();
    b->Memo().GotoPosition(1, 0);
    QTest::keyClick(b.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(b->Memo().Lines().Get(0), u"x234xxx");
    EXPECT_EQ(b->Memo().Lines().Get(1), u"ycdeyyy");
    EXPECT_EQ(b->Memo().Lines().Get(2), u"zCDEzzz");
    EXPECT_EQ(b->Memo().Caret(), (TPoint{1, 0})) << "a column paste leaves the caret";
}

TEST_F(MemoWidgetTest, IncrementalPaintingEqualsAPaintFromScratch) {
    auto w = MakeWidget(u"first line\n\tsecond\nthird line with more text\nfourth");
    TuniMemo& m = w->Memo();
    m.SetBookmarkAt(3, {0, 1});
    QTest::keyClick(w.get(), Qt::Key_Down);
    QTest::keyClicks(w.get(), "typed ");
    QTest::keyClick(w.get(), Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(w.get(), Qt::Key_Down);
    QTest::keyClick(w.get(), Qt::Key_Return);
    QTest::keyClick(w.get(), Qt::Key_Up, Qt::ShiftModifier);
    QApplication::processEvents();
    const QImage incremental = w->Surface().copy();

    w->RepaintWhole();
    w->viewport()->repaint();
    const QImage whole = w->Surface().copy();
    ASSERT_EQ(incremental.size(), whole.size());
    if (const QByteArray dump = qgetenv("PELMAR_PAINT_DUMP"); !dump.isEmpty()) {
        incremental.save(QString::fromLocal8Bit(dump) + QStringLiteral("-incremental.png"));
        whole.save(QString::fromLocal8Bit(dump) + QStringLiteral("-whole.png"));
    }
    EXPECT_TRUE(incremental == whole) << "the incremental paint left stale pixels";

    // Something was drawn: the caret line's highlight and text pixels.
    const int y = m.LineHeight() * (m.Caret().Y - m.TopLine()) + 1;
    const QColor silver(0xC0, 0xC0, 0xC0);
    bool highlighted = false;
    for (int x = m.GutterWidth(); x < whole.width(); ++x) {
        highlighted = highlighted || QColor(whole.pixel(x, y)) == silver;
    }
    EXPECT_TRUE(highlighted || m.HasSelectedText());
}

// Needs a platform with a primary selection (X11): ctest runs it once more under Xvfb.
TEST_F(MemoWidgetTest, SelectionBecomesThePrimarySelectionAndAMiddleClickPastesIt) {
    if (!QApplication::clipboard()->supportsSelection()) {
        GTEST_SKIP() << "no primary selection on this platform";
    }
    auto a = MakeWidget(u"alpha beta\nsecond");
    auto b = MakeWidget(u"0123456789\nxyz");
    a->setFocus();
    QTest::keyClick(a.get(), Qt::Key_End, Qt::ShiftModifier);
    QTest::keyClick(a.get(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::qWait(20);
    EXPECT_EQ(QApplication::clipboard()->text(QClipboard::Selection),
              QStringLiteral("alpha beta\nsecond"));
    EXPECT_NE(QApplication::clipboard()->text(QClipboard::Clipboard),
              QStringLiteral("alpha beta\nsecond"))
        << "selecting does not copy to the clipboard";

    QTest::mouseClick(b->viewport(), Qt::MiddleButton, Qt::NoModifier, PointOf(*b, 4, 0));
    EXPECT_EQ(b->Memo().Lines().Get(0), u"0123alpha beta");
    EXPECT_EQ(b->Memo().Lines().Get(1), u"second456789");
    EXPECT_EQ(b->Memo().Caret(), (TPoint{6, 1}));
    b->Memo().Undo();
    EXPECT_EQ(b->Memo().Lines().Get(0), u"0123456789") << "one undo step";
    EXPECT_TRUE(a->Memo().HasSelectedText()) << "the source keeps its selection";
}

TEST_F(MemoWidgetTest, CaretShowsOnlyWithTheFocus) {
    auto w = MakeWidget(u"text");
    QApplication::setActiveWindow(w.get());
    w->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(w->CaretRect().has_value());
    EXPECT_EQ(w->CaretRect()->height(), w->Memo().LineHeight());
    EXPECT_EQ(w->objectName(), QStringLiteral("UnicodeEditor"));
}

} // namespace
