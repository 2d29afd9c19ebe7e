// The outline control: its depth-first index model, the selection, expand and collapse with
// their events, the errors and their messages, keys and mouse through Qt events, and what a
// row looks like on screen. With PELMAR_SCREENSHOT=file.png the picture is kept for a look.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qt/qtTestSupport.h"
#include "structure/qt/uniOutline.h"

using qt_testing::Inked;

namespace {

// The error message of `f`, or "" when it throws nothing.
template <typename F>
std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const EUniOutlineError& e) {
        return e.what();
    }
    return "";
}

// A   (1)          B (5)
//   A1 (2)
//   A2 (3)
//     A2a (4)
struct Sample {
    int a, a1, a2, a2a, b;
};
Sample Fill(TuniOutline& o, void* dataOfA2a = nullptr) {
    Sample s{};
    s.a = o.AddChild(0, "A");
    s.a1 = o.AddChild(s.a, "A1");
    s.a2 = o.AddChild(s.a, "A2");
    s.a2a = o.AddChild(s.a2, "A2a", dataOfA2a);
    s.b = o.AddChild(0, "B");
    return s;
}

std::vector<std::string> RowTexts(const TuniOutline& o) {
    std::vector<std::string> texts;
    for (int r = 0; r < o.RowCount(); ++r) {
        texts.push_back(o.ItemAtRow(r)->Text());
    }
    return texts;
}

using Texts = std::vector<std::string>;

TEST(OutlineModel, IndexesAreDepthFirstWhateverTheOrderOfAdding) {
    TuniOutline o;
    const Sample s = Fill(o);
    EXPECT_EQ((std::vector<int>{s.a, s.a1, s.a2, s.a2a, s.b}), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(o.Item(4).Level(), 3);
    EXPECT_EQ(o.Item(5).Level(), 1);
    // Adding inside the tree renumbers what follows.
    EXPECT_EQ(o.AddChild(s.a, "A3"), 5);
    EXPECT_EQ(o.Item(6).Text(), "B");
    EXPECT_EQ(o.AddSibling(2, "A1b"), 3);
    EXPECT_EQ(o.Item(4).Text(), "A2");
    EXPECT_EQ(o.AddSibling(0, "C"), 8);
    EXPECT_EQ(o.AddSibling(7, "B2"), 8);
    EXPECT_EQ(o.LastIndex(), 9);
    EXPECT_EQ(o.ItemCount(), 9);
    EXPECT_EQ(o.Lines(), (Texts{"A", "\tA1", "\tA1b", "\tA2", "\t\tA2a", "\tA3", "B", "B2", "C"}));
    EXPECT_EQ(o.Item(5).FullPath(), "A\\A2\\A2a");
    EXPECT_EQ(o.IndexOfPath("A\\A2\\A2a"), 5);
    EXPECT_EQ(o.IndexOfPath("A\\nothing"), 0);

    o.Clear();
    EXPECT_EQ(o.LastIndex(), 0);
    EXPECT_EQ(o.RowCount(), 0);
    EXPECT_EQ(o.AddChild(0, "again"), 1);
}

TEST(OutlineModel, RowsFollowExpandAndCollapseButIndexesDoNot) {
    TuniOutline o;
    std::vector<int> expanded, collapsed;
    o.onExpand = [&](int i) {
        // Announced before the item opens.
        EXPECT_FALSE(o.Item(i).Expanded());
        expanded.push_back(i);
    };
    o.onCollapse = [&](int i) { collapsed.push_back(i); };
    const Sample s = Fill(o);
    EXPECT_EQ(RowTexts(o), (Texts{"A", "B"}));

    o.Item(s.a2).Expand(); // opens A first
    EXPECT_EQ(expanded, (std::vector<int>{s.a, s.a2}));
    EXPECT_EQ(RowTexts(o), (Texts{"A", "A1", "A2", "A2a", "B"}));
    EXPECT_EQ(o.RowOfIndex(s.b), 4);
    EXPECT_EQ(o.Item(s.b).Index(), 5);

    o.Item(s.a).Collapse(); // closes A2 with it
    EXPECT_EQ(collapsed, (std::vector<int>{s.a}));
    EXPECT_FALSE(o.Item(s.a2).Expanded());
    EXPECT_EQ(RowTexts(o), (Texts{"A", "B"}));
    EXPECT_EQ(o.RowOfIndex(s.a2a), -1);

    // Children added under an open item show at once, at their place.
    o.Item(s.a).Expand();
    o.AddChild(s.a, "A3");
    EXPECT_EQ(RowTexts(o), (Texts{"A", "A1", "A2", "A3", "B"}));
    expanded.clear();
    o.FullExpand();
    EXPECT_EQ(expanded, (std::vector<int>{s.a2}));
    EXPECT_EQ(RowTexts(o), (Texts{"A", "A1", "A2", "A2a", "A3", "B"}));
}

TEST(OutlineModel, IndexOfDataFindsTheFirstHolderInDepthFirstOrder) {
    TuniOutline o;
    int x = 0, y = 0;
    const Sample s = Fill(o, &x);
    o.AddChild(s.b, "B1", &x);
    EXPECT_EQ(o.IndexOfData(&x), s.a2a);
    EXPECT_EQ(o.IndexOfData(&y), 0);
    EXPECT_EQ(o.IndexOfData(nullptr), 0); // the root's
    EXPECT_EQ(o.Item(s.a2a).Data(), &x);
}

TEST(OutlineModel, ErrorsCarryTheirMessages) {
    TuniOutline o;
    EXPECT_EQ(ErrorOf([&] { o.SetSelected(0); }), "Invalid selection");
    EXPECT_EQ(ErrorOf([&] { o.SetSelected(-1); }), "Invalid selection");
    EXPECT_EQ(o.Selected(), 0);
    Fill(o);
    EXPECT_EQ(ErrorOf([&] { o.Item(0); }), "Invalid outline index");
    EXPECT_EQ(ErrorOf([&] { o.Item(6); }), "Outline index not found");
    EXPECT_EQ(ErrorOf([&] { o.Item(-3); }), "Outline index not found");
    EXPECT_EQ(ErrorOf([&] { o.AddChild(6, "x"); }), "Outline index not found");
    EXPECT_EQ(ErrorOf([&] { o.AddSibling(9, "x"); }), "Outline index not found");
    EXPECT_EQ(ErrorOf([&] { o.SetSelected(6); }), "Outline index not found");
    EXPECT_EQ(o.ItemCount(), 5);
}

TEST(OutlineModel, TwoHundredFiftyFiveLevelsAndNoMore) {
    TuniOutline o;
    int at = 0;
    for (int level = 1; level <= TuniOutline::kMaxLevel; ++level) {
        at = o.AddChild(at, "level " + std::to_string(level));
    }
    EXPECT_EQ(o.Item(at).Level(), 255);
    EXPECT_EQ(ErrorOf([&] { o.AddChild(at, "too deep"); }), "Maximum outline depth exceeded");
    EXPECT_EQ(o.ItemCount(), 255);
    EXPECT_EQ(o.AddSibling(at, "beside"), 256); // same level: allowed
    o.SetSelected(at);
    EXPECT_EQ(o.RowCount(), 256);
}

TEST(OutlineSelection, SelectingInsideAClosedBranchOpensItsAncestors) {
    TuniOutline o;
    std::vector<int> expanded;
    o.onExpand = [&](int i) { expanded.push_back(i); };
    const Sample s = Fill(o);
    EXPECT_EQ(o.Selected(), s.a) << "nothing chosen: the item of the current row";
    o.SetSelected(s.a2a);
    EXPECT_EQ(expanded, (std::vector<int>{s.a, s.a2}));
    EXPECT_EQ(o.Selected(), s.a2a);
    EXPECT_EQ(o.CurrentRow(), 3);
    o.SetSelected(0);
    EXPECT_EQ(o.Selected(), s.a);
}

TEST(OutlineSelection, HiddenSelectionMovesUpToTheVisibleAncestor) {
    TuniOutline o;
    const Sample s = Fill(o);
    o.SetSelected(s.a2a);
    o.Item(s.a2).Collapse();
    EXPECT_EQ(o.Selected(), s.a2);
    o.Item(s.a2a).Expand(); // a leaf: opens its ancestors
    o.SetSelected(s.a2a);
    o.Item(s.a).Collapse();
    EXPECT_EQ(o.Selected(), s.a);
    EXPECT_EQ(o.CurrentRow(), 0);
    // Collapsing elsewhere leaves it be.
    o.SetSelected(s.b);
    o.Item(s.a2).Expand();
    o.Item(s.a).Collapse();
    EXPECT_EQ(o.Selected(), s.b);
    EXPECT_EQ(o.CurrentRow(), 1);
}

TEST(OutlineSelection, UpdatesNestAndIgnoreSelection) {
    TuniOutline o;
    const Sample s = Fill(o);
    o.SetSelected(s.a1);
    o.BeginUpdate();
    o.BeginUpdate();
    o.SetSelected(s.b);
    o.EndUpdate();
    EXPECT_TRUE(o.Updating());
    o.SetSelected(s.b);
    o.EndUpdate();
    EXPECT_FALSE(o.Updating());
    EXPECT_EQ(o.Selected(), s.a1);
    o.SetSelected(s.b);
    EXPECT_EQ(o.Selected(), s.b);
    // Clearing and refilling inside an update, as the structure panel does.
    o.BeginUpdate();
    o.Clear();
    Fill(o);
    o.EndUpdate();
    EXPECT_EQ(o.RowCount(), 2);
    EXPECT_EQ(o.Selected(), 1);
}

TEST(OutlineSelection, TopRowAndScrollingToTheSelection) {
    TuniOutline o;
    o.SetItemHeight(10);
    o.resize(150, 100 + 2 * o.frameWidth());
    o.SetScrollBars(TuniOutlineScrollBars::Vertical);
    o.show();
    for (int i = 0; i < 100; ++i) {
        o.AddChild(0, "item " + std::to_string(i));
    }
    QApplication::processEvents();
    o.SetTopRow(30);
    EXPECT_EQ(o.TopRow(), 30);
    o.SetSelected(71); // row 70: just enough to show it at the bottom
    EXPECT_GT(o.TopRow(), 30);
    EXPECT_LE(o.TopRow(), 70);
    EXPECT_GT(o.TopRow() + o.viewport()->height() / 10, 70);
    o.SetSelected(6);
    EXPECT_EQ(o.TopRow(), 5);
    o.SetTopRow(1000);
    EXPECT_EQ(o.TopRow(), o.verticalScrollBar()->maximum());
    EXPECT_LT(o.TopRow(), 100);
}

TEST(OutlineSelection, ReferencesAreDecodedForDisplayAndMeasure) {
    TuniOutline o;
    const int cyr = o.AddChild(0, "&#1055;&#1088;&#1080;&#1074;&#1077;&#1090;");
    const int cjk = o.AddChild(0, "&#20013;&#25991;");
    EXPECT_EQ(o.DisplayText(o.Item(cyr)), QStringLiteral("Привет"));
    EXPECT_EQ(o.DisplayText(o.Item(cjk)), QStringLiteral("中文"));
    const int empty = o.AddChild(0, "");
    EXPECT_EQ(o.LayoutOf(o.Item(cjk)).textWidth,
              o.fontMetrics().horizontalAdvance(QStringLiteral("中文")) +
                  o.LayoutOf(o.Item(empty)).textWidth);
}

// --- keys and mouse -------------------------------------------------------------------------

class OutlineInput : public ::testing::Test {
protected:
    OutlineInput() {
        o_.resize(200, 200);
        o_.show();
        o_.setFocus();
        s_ = Fill(o_);
        QApplication::processEvents();
        o_.onClick = [this] { ++clicks_; };
        o_.onDblClick = [this] { ++doubleClicks_; };
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(&o_, static_cast<Qt::Key>(key), mods);
    }
    QPoint RowPoint(int row, int x) const {
        return QPoint(x, row * o_.ItemHeight() + o_.ItemHeight() / 2);
    }
    QPoint TextOf(int index) const {
        const auto l = o_.LayoutOf(o_.Item(index));
        return RowPoint(o_.RowOfIndex(index), l.textLeft + 4);
    }
    QPoint ExpanderOf(int index) const {
        const auto l = o_.LayoutOf(o_.Item(index));
        return RowPoint(o_.RowOfIndex(index), (l.expanderLeft + l.expanderRight) / 2);
    }

    TuniOutline o_;
    Sample s_{};
    int clicks_ = 0;
    int doubleClicks_ = 0;
};

TEST_F(OutlineInput, ArrowsMoveAndLeftRightFollowTheTree) {
    Key(Qt::Key_Down);
    EXPECT_EQ(o_.Selected(), s_.b);
    Key(Qt::Key_Down); // stays on the last row
    EXPECT_EQ(o_.Selected(), s_.b);
    Key(Qt::Key_Home);
    EXPECT_EQ(o_.Selected(), s_.a);
    Key(Qt::Key_Right); // closed: a beep, no move
    EXPECT_EQ(o_.Selected(), s_.a);
    Key('+');
    EXPECT_TRUE(o_.Item(s_.a).Expanded());
    Key(Qt::Key_Right);
    EXPECT_EQ(o_.Selected(), s_.a1);
    Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(o_.Selected(), s_.a2);
    Key(Qt::Key_Down, Qt::ControlModifier); // no next sibling
    EXPECT_EQ(o_.Selected(), s_.a2);
    Key(Qt::Key_Left);
    EXPECT_EQ(o_.Selected(), s_.a);
    Key(Qt::Key_Left); // top level: a beep
    EXPECT_EQ(o_.Selected(), s_.a);
    Key(Qt::Key_End);
    EXPECT_EQ(o_.Selected(), s_.b);
    EXPECT_EQ(clicks_, 0) << "keys do not click";
}

TEST_F(OutlineInput, CharactersAndEnterOpenAndClose) {
    Key('*');
    EXPECT_TRUE(o_.Item(s_.a2).Expanded());
    EXPECT_EQ(o_.RowCount(), 5);
    Key('-');
    EXPECT_FALSE(o_.Item(s_.a).Expanded());
    EXPECT_FALSE(o_.Item(s_.a2).Expanded());
    Key(Qt::Key_Return);
    EXPECT_TRUE(o_.Item(s_.a).Expanded());
    Key(Qt::Key_Enter);
    EXPECT_FALSE(o_.Item(s_.a).Expanded());
    Key(Qt::Key_Asterisk, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_TRUE(o_.Item(s_.a2).Expanded());
}

TEST_F(OutlineInput, ClickSelectsAndNotifiesExpanderAndDoubleClickToggle) {
    QTest::mouseClick(o_.viewport(), Qt::LeftButton, {}, TextOf(s_.b));
    EXPECT_EQ(o_.Selected(), s_.b);
    EXPECT_EQ(clicks_, 1);
    EXPECT_FALSE(o_.Item(s_.a).Expanded()) << "a click on the text does not toggle";

    QTest::mouseClick(o_.viewport(), Qt::LeftButton, {}, ExpanderOf(s_.a));
    EXPECT_TRUE(o_.Item(s_.a).Expanded());
    EXPECT_EQ(o_.Selected(), s_.a);
    EXPECT_EQ(clicks_, 2);
    QTest::mouseClick(o_.viewport(), Qt::LeftButton, {}, ExpanderOf(s_.a));
    EXPECT_FALSE(o_.Item(s_.a).Expanded());

    QTest::mouseDClick(o_.viewport(), Qt::LeftButton, {}, TextOf(s_.a));
    EXPECT_TRUE(o_.Item(s_.a).Expanded());
    EXPECT_EQ(doubleClicks_, 1);

    // Below the last row: nothing.
    QTest::mouseClick(o_.viewport(), Qt::LeftButton, {}, RowPoint(10, 20));
    EXPECT_EQ(o_.Selected(), s_.a);
}

TEST_F(OutlineInput, PointerMakesTheHotItem) {
    QTest::mouseMove(o_.viewport(), TextOf(s_.b));
    EXPECT_EQ(o_.HotItem(), s_.b);
    EXPECT_EQ(o_.viewport()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(o_.viewport(), RowPoint(10, 20));
    EXPECT_EQ(o_.HotItem(), 0);
    QTest::mouseMove(o_.viewport(), TextOf(s_.a));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(o_.viewport(), &leave);
    EXPECT_EQ(o_.HotItem(), 0);
    // An item that goes out of sight is no longer hot.
    o_.Item(s_.a).Expand();
    QTest::mouseMove(o_.viewport(), TextOf(s_.a1));
    EXPECT_EQ(o_.HotItem(), s_.a1);
    o_.Item(s_.a).Collapse();
    EXPECT_EQ(o_.HotItem(), 0);
}

// --- on screen --------------------------------------------------------------------------------

int CountOf(const QImage& image, const QRect& r, QRgb colour) {
    int n = 0;
    for (int y = std::max(r.top(), 0); y <= std::min(r.bottom(), image.height() - 1); ++y) {
        for (int x = std::max(r.left(), 0); x <= std::min(r.right(), image.width() - 1); ++x) {
            n += image.pixel(x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

TEST(OutlineScreen, SelectedRowInHighlightAndClosedChildrenNotDrawn) {
    TuniOutline o;
    o.resize(260, 160);
    o.SetScrollBars(TuniOutlineScrollBars::Vertical);
    o.show();
    const int kinds = o.AddChild(0, "Functions");
    o.AddChild(kinds, "main");
    o.AddChild(kinds, "&#1055;&#1088;&#1080;&#1074;&#1077;&#1090;_world");
    const int types = o.AddChild(0, "Types");
    o.AddChild(types, "hidden_struct");
    const int more = o.AddChild(0, "Macros &#20013;&#25991;");
    o.AddChild(more, "X");
    o.Item(kinds).Expand();
    o.SetSelected(3);
    QApplication::processEvents();

    const QImage shot = o.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (const QByteArray file = qgetenv("PELMAR_SCREENSHOT"); !file.isEmpty()) {
        shot.save(QString::fromLocal8Bit(file));
    }
    const QRgb base = o.palette().color(QPalette::Base).rgb();
    const QRgb highlight = o.palette().color(QPalette::Highlight).rgb();
    const int h = o.ItemHeight();
    ASSERT_EQ(o.RowCount(), 5);
    const auto rowRect = [&](int row) { return QRect(0, row * h, shot.width(), h); };
    // Row 2 is the selected one; no other row carries the highlight.
    const auto l = o.LayoutOf(o.Item(3));
    EXPECT_GT(CountOf(shot, QRect(l.textLeft, 2 * h, l.textWidth, h), highlight),
              l.textWidth * h / 2);
    EXPECT_EQ(CountOf(shot, rowRect(1), highlight), 0);
    EXPECT_EQ(CountOf(shot, rowRect(3), highlight), 0);
    // Every shown row has ink; below the fifth, and so nothing of the closed branches, none.
    for (int row = 0; row < 5; ++row) {
        EXPECT_TRUE(Inked(shot, rowRect(row), base)) << row;
    }
    EXPECT_FALSE(Inked(shot, QRect(0, 5 * h, shot.width(), shot.height() - 5 * h), base));

    // Opening "Types" draws its child in the row after it, where "Macros" was.
    o.Item(types).Expand();
    QApplication::processEvents();
    const QImage opened = o.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(o.RowOfIndex(types + 1), 4);
    EXPECT_TRUE(opened.copy(rowRect(4)) != shot.copy(rowRect(4)));
    EXPECT_TRUE(Inked(opened, rowRect(5), base));
}

TEST(OutlineScreen, OwnerDrawLeavesEachVisibleRowToTheHandler) {
    TuniOutline o;
    o.resize(200, 120);
    o.show();
    const Sample s = Fill(o);
    o.SetSelected(s.b);
    std::vector<std::pair<int, bool>> drawn;
    o.SetStyle(TuniOutlineType::otOwnerDraw);
    o.onDrawItem = [&](QPainter& p, const QRect& rect, int index, TuniOutline::TDrawState state) {
        drawn.emplace_back(index, state.current);
        p.fillRect(rect, Qt::green);
    };
    const QImage shot = o.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(drawn, (std::vector<std::pair<int, bool>>{{s.a, false}, {s.b, true}}));
    EXPECT_EQ(shot.pixel(5, o.ItemHeight() + 1), QColor(Qt::green).rgb());
}

} // namespace
