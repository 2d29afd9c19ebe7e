// A window as a person sees it: a wrapped line, a TAB, a bookmark, a selection and
// Cyrillic and CJK text, painted by the editor and checked pixel by pixel against what
// the core laid out. With PELMAR_SCREENSHOT=file.png the picture is kept for a look.
#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include "editor/qt/uniMemoWidget.h"
#include "qt/qtTestSupport.h"

using namespace qt_testing;

namespace {

TEST(ScreenshotTest, WrappedTabbedBookmarkedSelectedAndMultilingual) {
    TProgramCopy program;
    TEditorSetup setup(program.Root());
    TuniMemoWidget w(setup.Environment(), setup.keys.get());
    w.Controller().AttachActionMaps(*setup.global, setup.folder);
    w.Memo().ApplyProfile("txt");
    TuniMemo& m = w.Memo();
    SetLines(m, u"\tTabbed line\n"
                u"Русский текст и 中文文本 side by side\n"
                u"A long line that must wrap at the window's edge because it goes on and on "
                u"and on, well past the right border of this small window\n"
                u"selected words here\n"
                u"last");
    m.SetWordWrap(true);
    m.SetBookmarkAt(3, {0, 1});
    m.GotoPosition(0, 3);
    m.Select({0, 3}, {14, 3});
    w.resize(420, 200);
    w.show();
    w.setFocus();
    QApplication::processEvents();
    w.RepaintWhole();
    w.viewport()->repaint();
    const QImage shot = w.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (const QByteArray file = qgetenv("PELMAR_SCREENSHOT"); !file.isEmpty()) {
        shot.save(QString::fromLocal8Bit(file));
    }

    const int lh = m.LineHeight();
    const int cw = m.CharWidth();
    const int g = m.GutterWidth();
    const QRgb white = qRgb(255, 255, 255);
    const TScrMap& map = m.ScreenMap();
    ASSERT_GT(map.RowCount(), map.LineCount()) << "the long line wraps";

    // Row 0: a TAB's width of background, then text.
    EXPECT_FALSE(Inked(shot, QRect(g + 1, 2, 4 * cw - 2, lh - 4), white));
    EXPECT_TRUE(Inked(shot, QRect(g + 4 * cw, 0, 6 * cw, lh), white));
    // Row 1: glyphs under the Cyrillic and the CJK letters, and the bookmark digit in the
    // gutter (the gutter is silver; the digit is navy).
    EXPECT_TRUE(Inked(shot, QRect(g, lh, 7 * cw, lh), white));
    const int cjk = static_cast<int>(std::u16string_view(u"Русский текст и ").size());
    int cjkX = g;
    for (int j = 1; j <= cjk; ++j) {
        cjkX += map.Cell(1, j).width;
    }
    EXPECT_TRUE(Inked(shot, QRect(cjkX, lh, map.Cell(1, cjk + 1).width, lh), white));
    EXPECT_TRUE(Inked(shot, QRect(0, lh, g, lh), qRgb(0xC0, 0xC0, 0xC0)));
    // A continuation row carries the ">" mark.
    int continuation = -1;
    for (int r = 0; r < map.RowCount(); ++r) {
        if (!map.RowStartsLine(r)) {
            continuation = r;
            break;
        }
    }
    ASSERT_GE(continuation, 0);
    EXPECT_TRUE(Inked(shot, QRect(0, continuation * lh, g, lh), qRgb(0xC0, 0xC0, 0xC0)));
    // The selection: highlight colour behind the selected words.
    int selectedRow = -1;
    for (int r = 0; r < map.RowCount(); ++r) {
        if (map.RowStartsLine(r) && map.RowLine(r) == 3) {
            selectedRow = r;
        }
    }
    ASSERT_GE(selectedRow, 0);
    const QColor highlight = w.palette().color(QPalette::Active, QPalette::Highlight);
    int highlighted = 0;
    for (int x = g; x < g + 14 * cw; ++x) {
        highlighted += QColor(shot.pixel(x, selectedRow * lh + 1)) == highlight ? 1 : 0;
    }
    EXPECT_GT(highlighted, 10 * cw);
}

} // namespace
