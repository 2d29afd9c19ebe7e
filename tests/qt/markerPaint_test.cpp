// Marker cells on the Qt canvas: the measurer's glyph question with font fallback, and, in
// fixed-pitch and proportional fonts, wrapped and not, markers that ink only their own
// cells and show the selection.
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QRawFont>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "editor/memoFakes.h"
#include "editor/uniMemo.h"
#include "platform/qt/qtCanvas.h"
#include "platform/qt/qtMeasure.h"

namespace {

TEST(QtMarkers, TheMeasurerFindsGlyphsInFallbackFontsAndSizesMarkersInWholeCells) {
    const QFont font(QStringLiteral("DejaVu Sans Mono"), 10);
    TQtMeasurer m(font);
    EXPECT_TRUE(m.CanShow(U'A'));
    EXPECT_TRUE(m.CanShow(0x0416));
    // Not in the primary font, but a fallback draws it: no marker.
    ASSERT_FALSE(QRawFont::fromFont(font).supportsCharacter(char32_t{0x4E2D}));
    EXPECT_TRUE(m.CanShow(0x4E2D));
    // Unassigned code points, in the BMP and beyond it: no font has them.
    EXPECT_FALSE(m.CanShow(0x0378));
    EXPECT_FALSE(m.CanShow(0x50000));
    EXPECT_FALSE(m.CanShow(0x0378)) << "the cached answer";

    for (const QFont& f : {font, QFont(QStringLiteral("DejaVu Sans"), 10)}) {
        const TQtMeasurer measurer(f);
        EXPECT_GE(measurer.MarkerWidth(), 2 * measurer.SpaceWidth()) << f.family().toStdString();
        EXPECT_EQ(measurer.MarkerWidth() % measurer.SpaceWidth(), 0) << f.family().toStdString();
        // Two label digits fit inside the box, a pixel of frame and of air on either side.
        EXPECT_LE(2 * QFontMetrics(measurer.MarkerFont(1)).horizontalAdvance(QChar(u'D')) + 4,
                  measurer.MarkerWidth());
    }
}

// A canvas that leaves marker cells alone: what the surface holds without the markers.
class TNoMarkerCanvas : public TQtCanvas {
public:
    using TQtCanvas::TQtCanvas;
    void DrawMarker(const TRect&, std::u16string_view, TMarkerKind, TColor, TColor) override {}
};

// One editor painted on a Qt canvas in the given font, outside any widget.
struct TPainted {
    TPainted(const QFont& font, bool wrap, const std::u16string& text, bool markers)
        : measurer(font) {
        host.window.width = 330;
        host.window.height = 8 * measurer.LineHeight();
        canvas = markers ? std::make_unique<TQtCanvas>(surface, measurer)
                         : std::make_unique<TNoMarkerCanvas>(surface, measurer);
        canvas->Resize(QSize(host.window.width, host.window.height));
        TMemoPlatform platform = host.Platform(false);
        platform.measurer = &measurer;
        platform.canvas = canvas.get();
        memo = std::make_unique<TuniMemo>(platform);
        memo->SetWordWrap(wrap);
        memo_fakes::SetText(*memo, testing_support::U8(text));
    }
    void Paint() { memo->PaintWhole(); }
    QImage Image() const { return canvas->Image().convertToFormat(QImage::Format_RGB32); }

    // The rectangles of the marker cells in view.
    std::vector<QRect> MarkerCells() const {
        std::vector<QRect> cells;
        const TScrMap& map = memo->ScreenMap();
        const int lh = memo->LineHeight();
        for (int r = memo->FirstRow(); r < map.RowCount(); ++r) {
            const int y = (r - memo->FirstRow()) * lh;
            for (int j = 1; j <= map.CellCount(r) && y < host.window.height; ++j) {
                const int x = memo->GutterWidth() + map.CellsWidth(r, j - 1) -
                              memo->HorzScroll() * memo->CharWidth();
                if (map.CellMarker(r, j) != TMarkerKind::None && x < host.window.width) {
                    cells.emplace_back(x, y, map.CellWidth(r, j), lh);
                }
            }
        }
        return cells;
    }

    memo_fakes::TFakeHost host;
    TQtMeasurer measurer;
    QWidget surface;
    std::unique_ptr<TQtCanvas> canvas;
    std::unique_ptr<TuniMemo> memo;
};

bool InAny(const std::vector<QRect>& cells, int x, int y) {
    for (const QRect& c : cells) {
        if (c.contains(x, y)) {
            return true;
        }
    }
    return false;
}

struct TFontCase {
    const char* family;
    int points; // 0: 13 pixels
};

class MarkerPixelsTest : public ::testing::TestWithParam<std::tuple<TFontCase, bool>> {};

TEST_P(MarkerPixelsTest, MarkersInkOnlyTheirOwnCells) {
    const auto [fontCase, wrap] = GetParam();
    QFont font(QString::fromLatin1(fontCase.family));
    if (fontCase.points > 0) {
        font.setPointSize(fontCase.points);
    } else {
        font.setPixelSize(13);
    }
    ASSERT_EQ(QFontInfo(font).family(), font.family()) << "the font is not installed";
    // Escaped bytes, controls, an unassigned code point, a lone surrogate and a
    // noncharacter, between letters without overhangs and in runs of their own.
    std::u16string text = u"ab\xDC80"
                          u"cd \xDCFF\x01"
                          u"e \x0378"
                          u"n\n"
                          u"x\xD83Dx\xFFFE"
                          u"o\x1F"
                          u"\xDC80\xDCFF"
                          u"a\n";
    for (int i = 0; i < 8; ++i) {
        text += u"word\xDC80"
                u"wo\x01 ";
    }
    TPainted with(font, wrap, text, true);
    TPainted without(font, wrap, text, false);
    with.Paint();
    without.Paint();
    const std::vector<QRect> cells = with.MarkerCells();
    ASSERT_GE(cells.size(), wrap ? 25u : 12u) << "markers in view";
    ASSERT_EQ(cells.size(), without.MarkerCells().size());
    const QImage a = with.Image();
    const QImage b = without.Image();
    if (const QByteArray dump = qgetenv("PELMAR_MARKER_DUMP"); !dump.isEmpty()) {
        a.save(QString::fromLocal8Bit(dump) + QStringLiteral("-") + font.family() +
               (wrap ? QStringLiteral("-wrap.png") : QStringLiteral(".png")));
    }

    // Outside the marker cells the markers changed no pixel.
    int changed = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y) && !InAny(cells, x, y)) {
                ++changed;
            }
        }
    }
    EXPECT_EQ(changed, 0) << "pixels outside every marker cell differ";
    for (const QRect& c : cells) {
        SCOPED_TRACE("cell at " + std::to_string(c.x()) + "," + std::to_string(c.y()));
        EXPECT_EQ(c.width(), with.measurer.MarkerWidth());
        if (wrap) {
            EXPECT_LE(c.right(), a.width() - 1) << "a wrapped row keeps its markers whole";
        }
        // Nothing else draws into a marker cell, and the marker shows in it.
        const QRgb background = b.pixel(c.topLeft());
        int inkWithout = 0;
        int inkWith = 0;
        for (int y = c.top(); y <= c.bottom(); ++y) {
            for (int x = c.left(); x <= std::min(c.right(), a.width() - 1); ++x) {
                inkWithout += b.pixel(x, y) != background ? 1 : 0;
                inkWith += a.pixel(x, y) != background ? 1 : 0;
            }
        }
        EXPECT_EQ(inkWithout, 0);
        EXPECT_GT(inkWith, std::min(c.right(), a.width() - 1) - c.left());
    }

    // Selected, a marker sits on the selection colour: its pixel of air shows it.
    with.memo->Select({0, 0}, {4, 0});
    with.Paint();
    const QImage selected = with.Image();
    const QColor highlight = with.surface.palette().color(QPalette::Active, QPalette::Highlight);
    EXPECT_EQ(QColor(selected.pixel(cells[0].topLeft())), highlight);
    EXPECT_NE(selected.pixel(cells[0].center()), a.pixel(cells[0].center()));
}

INSTANTIATE_TEST_SUITE_P(Fonts, MarkerPixelsTest,
                         ::testing::Combine(::testing::Values(TFontCase{"DejaVu Sans Mono", 10},
                                                              TFontCase{"Liberation Mono", 10},
                                                              TFontCase{"DejaVu Sans", 10},
                                                              TFontCase{"DejaVu Sans Mono", 0}),
                                            ::testing::Bool()),
                         [](const auto& param) {
                             const TFontCase& f = std::get<0>(param.param);
                             std::string name;
                             for (const char* c = f.family; *c != '\0'; ++c) {
                                 name += *c == ' ' ? "" : std::string(1, *c);
                             }
                             name += f.points > 0 ? std::to_string(f.points) + "pt" : "13px";
                             return name + (std::get<1>(param.param) ? "Wrapped" : "Unwrapped");
                         });

} // namespace
