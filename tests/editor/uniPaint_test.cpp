// Painting: what an incremental paint draws after caret moves, typing, scrolls and line
// edits; colours of selections and highlights; the gutter; the caret; and, over random
// sessions, that the surface after incremental paints equals one painted from scratch.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <set>
#include <sstream>

#include "editor/uniMemo.h"
#include "editor/uniPaint.h"
#include "highlight/uniColorer.h"
#include "memoFakes.h"
#include "platform/uniCanvas.h"

using namespace memo_fakes;
using testing_support::U16;
using testing_support::U8;

namespace {

constexpr TColor kGarbage = 0x7EADBEEF; // what uncovered or never painted pixels hold
constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kSilver = 0xC0C0C0;

// Records every call and keeps a model of the retained surface: per pixel its background
// and the glyphs drawn over it since the last fill.
class TSurfaceCanvas : public TCanvas {
public:
    enum class Kind { Begin, End, Fill, Text, Mark, Scroll, Caret, HideCaret, Marker };
    struct TCall {
        Kind kind = Kind::Begin;
        TRect rect;
        std::u16string text;
        TColor colour = 0;
        std::uint8_t style = 0;
        TColor bg = 0;
        TMarkerKind marker = TMarkerKind::None;
        TScrollDirection direction = TScrollDirection::Up;
        int distance = 0;
    };

    TSurfaceCanvas(const TFakeWindow& window, const TTextMeasurer& measurer)
        : window_(window), measurer_(measurer) {}

    bool obscured = false;
    std::vector<TCall> calls;

    int Width() const override { return window_.width; }
    int Height() const override { return window_.height; }
    bool Obscured() const override { return obscured; }
    void BeginPaint() override {
        Push(Kind::Begin);
        if (width_ != Width() || height_ != Height()) {
            width_ = Width();
            height_ = Height();
            pixels_.assign(static_cast<size_t>(width_ * height_), TPixel{});
        }
    }
    void EndPaint() override { Push(Kind::End); }
    void FillRect(const TRect& rect, TColor colour) override {
        Push(Kind::Fill, rect, {}, colour);
        ForEach(rect, [&](TPixel& p) { p = TPixel{colour, 0, {}}; });
    }
    void DrawText(int x, int y, std::u16string_view text, TColor colour,
                  std::uint8_t style) override {
        const int lh = measurer_.LineHeight();
        int width = 0;
        for (char16_t unit : text) {
            width += measurer_.UnitExtent(unit, style);
        }
        Push(Kind::Text, {x, y, x + width, y + lh}, std::u16string(text), colour, style);
        for (char16_t unit : text) {
            const int advance = measurer_.UnitExtent(unit, style);
            const std::uint64_t glyph = (std::uint64_t{static_cast<std::uint32_t>(colour)} << 32) |
                                        (std::uint64_t{unit} << 16) |
                                        (std::uint64_t{style & 0xFu} << 12) |
                                        static_cast<std::uint64_t>(x & 0xFFF);
            Ink({x, y, x + advance, y + lh}, glyph);
            x += advance;
        }
    }
    // A marker inks its cell with what it shows; it is drawn over a fill of its background,
    // which the model checks, since the Qt canvas tones the box from that colour.
    void DrawMarker(const TRect& cell, std::u16string_view label, TMarkerKind kind, TColor fg,
                    TColor bg) override {
        Push(Kind::Marker, cell, std::u16string(label), fg);
        calls.back().bg = bg;
        calls.back().marker = kind;
        std::uint64_t glyph = static_cast<std::uint8_t>(kind);
        for (const char16_t unit : label) {
            glyph = glyph * 65599 + unit;
        }
        glyph = (glyph * 65599 + static_cast<std::uint32_t>(fg)) | (std::uint64_t{3} << 62);
        ForEach(cell, [&](TPixel& p) {
            if (p.bg != bg) {
                misplacedMarkers = true;
            }
        });
        Ink(cell, glyph);
    }
    // A marker was drawn over a background other than the one it was given.
    bool misplacedMarkers = false;
    void DrawGutterMark(int x, int y, char16_t mark, TColor colour) override {
        Push(Kind::Mark, {x, y, x, y}, std::u16string(1, mark), colour);
        Ink({x, y, x + 6, y + measurer_.LineHeight()},
            (std::uint64_t{1} << 63) | (std::uint64_t{static_cast<std::uint32_t>(colour)} << 16) |
                mark);
    }
    void ScrollBand(const TRect& band, TScrollDirection direction, int distance) override {
        Push(Kind::Scroll, band);
        calls.back().direction = direction;
        calls.back().distance = distance;
        const int top = std::max(band.top, 0);
        const int bottom = std::min(band.bottom, height_);
        const int left = std::max(band.left, 0);
        const int right = std::min(band.right, width_);
        const auto row = [&](int y) { return pixels_.begin() + y * width_; };
        if (direction == TScrollDirection::Up) {
            for (int y = top; y < bottom; ++y) {
                for (int x = left; x < right; ++x) {
                    row(y)[x] = y + distance < bottom ? row(y + distance)[x] : TPixel{};
                }
            }
        } else {
            for (int y = bottom - 1; y >= top; --y) {
                for (int x = left; x < right; ++x) {
                    row(y)[x] = y - distance >= top ? row(y - distance)[x] : TPixel{};
                }
            }
        }
    }
    void PlaceCaret(int x, int y, int width, int height) override {
        Push(Kind::Caret, {x, y, x + width, y + height});
    }
    void HideCaret() override { Push(Kind::HideCaret); }

    // --- reading the surface ---
    TColor BgAt(int x, int y) const { return pixels_[static_cast<size_t>(y * width_ + x)].bg; }
    bool HasGarbage() const {
        return std::any_of(pixels_.begin(), pixels_.end(),
                           [](const TPixel& p) { return p.bg == kGarbage; });
    }
    // "" when both surfaces hold the same pixels, else where they first differ.
    std::string Difference(const TSurfaceCanvas& other) const {
        if (width_ != other.width_ || height_ != other.height_) {
            return "sizes differ";
        }
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const TPixel& a = pixels_[static_cast<size_t>(y * width_ + x)];
                const TPixel& b = other.pixels_[static_cast<size_t>(y * width_ + x)];
                if (!(a == b)) {
                    std::ostringstream out;
                    out << "pixel (" << x << ", " << y << ") bg " << std::hex << a.bg << " vs "
                        << b.bg << ", " << std::dec << int{a.count} << " vs " << int{b.count}
                        << " glyphs; the last paint's calls there:";
                    for (const TCall& c : calls) {
                        if (c.rect.left <= x && x < c.rect.right && c.rect.top <= y &&
                            y < c.rect.bottom) {
                            out << " [" << static_cast<int>(c.kind) << " " << c.rect.left << ","
                                << c.rect.top << "-" << c.rect.right << "," << c.rect.bottom << " "
                                << std::hex << c.colour << std::dec << "]";
                        }
                    }
                    return out.str();
                }
            }
        }
        return "";
    }

    std::vector<TCall> Of(Kind kind) const {
        std::vector<TCall> out;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                     [kind](const TCall& c) { return c.kind == kind; });
        return out;
    }
    // The texts drawn on the row whose top is y, in the order drawn, joined.
    std::string TextAt(int y) const {
        std::u16string out;
        for (const TCall& c : Of(Kind::Text)) {
            if (c.rect.top == y) {
                out += c.text;
            }
        }
        return U8(out);
    }

private:
    void Push(Kind kind, TRect rect = {}, std::u16string text = {}, TColor colour = 0,
              std::uint8_t style = 0) {
        TCall call;
        call.kind = kind;
        call.rect = rect;
        call.text = std::move(text);
        call.colour = colour;
        call.style = style;
        calls.push_back(std::move(call));
    }
    // A pixel's background and the glyphs over it, sorted. A fourth glyph in one pixel
    // marks it as overflowing, which no paint from scratch produces.
    struct TPixel {
        TColor bg = kGarbage;
        std::uint8_t count = 0;
        std::array<std::uint64_t, 3> ink{};
        friend bool operator==(const TPixel&, const TPixel&) = default;
    };
    template <class F>
    void ForEach(const TRect& r, F f) {
        for (int y = std::max(r.top, 0); y < std::min(r.bottom, height_); ++y) {
            for (int x = std::max(r.left, 0); x < std::min(r.right, width_); ++x) {
                f(pixels_[static_cast<size_t>(y * width_ + x)]);
            }
        }
    }
    void Ink(const TRect& r, std::uint64_t glyph) {
        ForEach(r, [&](TPixel& p) {
            const auto end = p.ink.begin() + p.count;
            if (std::find(p.ink.begin(), end, glyph) != end) {
                return;
            }
            if (p.count == p.ink.size()) {
                p.ink.fill(~std::uint64_t{0});
                return;
            }
            p.ink[p.count++] = glyph;
            std::sort(p.ink.begin(), p.ink.begin() + p.count);
        });
    }

    const TFakeWindow& window_;
    const TTextMeasurer& measurer_;
    int width_ = 0;
    int height_ = 0;
    std::vector<TPixel> pixels_;
};

using Kind = TSurfaceCanvas::Kind;

// 40 columns of 8 x 16 pixels right of a 10-pixel gutter, 10 rows.
class PaintTest : public ::testing::Test {
protected:
    TFakeHost host;
    TSurfaceCanvas canvas{host.window, host.measurer};
    TuniMemo memo{WithCanvas()};

    TMemoPlatform WithCanvas() {
        TMemoPlatform p = host.Platform(false);
        p.canvas = &canvas;
        return p;
    }
    static int Row(int r) { return r * 16; }
    static int Col(int c) { return 10 + c * 8; }

    // A document shown and painted, the record emptied.
    void Show(std::string_view text) {
        SetText(memo, text);
        memo.Repaint();
        memo.UpdateView();
        canvas.calls.clear();
    }
    void Numbered(int count) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            text += (i ? "\n" : "") + std::string("line ") + std::to_string(i);
        }
        Show(text);
    }
    // One command as the input layer runs it; the record holds what its paint drew.
    template <class F>
    void Step(F change) {
        memo.BeginCommand();
        change();
        memo.Repaint();
        canvas.calls.clear();
        memo.UpdateView();
    }
    // The surface equals a paint of the same state from scratch on a new surface.
    void ExpectSurfaceIsFresh() {
        TSurfaceCanvas fresh{host.window, host.measurer};
        TScrMap kept;
        memo.PreviousMap().AssignTo(kept);
        TMemoPainter reference;
        reference.Paint(memo, fresh, TPaintKind::Whole);
        kept.AssignTo(memo.PreviousMapForPainting());
        EXPECT_FALSE(fresh.HasGarbage()) << "a paint from scratch leaves pixels undrawn";
        EXPECT_EQ(canvas.Difference(fresh), "");
    }
    int TextCalls() const { return static_cast<int>(canvas.Of(Kind::Text).size()); }
};

TEST_F(PaintTest, MovingTheCaretAlongALineRedrawsOnlyTheLastCellOfEachRow) {
    Show("alpha\nbeta\n\ngamma ray");
    Step([&] { memo.SetCaret({2, 1}); });
    // One text call per row with text: its last cell, at that cell's place.
    const auto texts = canvas.Of(Kind::Text);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].rect, (TRect{Col(4), Row(0), Col(5), Row(1)}));
    EXPECT_EQ(canvas.TextAt(Row(0)), "a");
    EXPECT_EQ(canvas.TextAt(Row(1)), "a");
    EXPECT_EQ(canvas.TextAt(Row(3)), "y");
    // No fill touches a cell left of the last one.
    const std::vector<int> lengths{5, 4, 0, 9};
    for (const auto& fill : canvas.Of(Kind::Fill)) {
        const int row = fill.rect.top / 16;
        if (row < 4 && fill.rect.left >= 10) {
            EXPECT_GE(fill.rect.left, Col(std::max(lengths[static_cast<size_t>(row)] - 1, 0)))
                << "row " << row;
        }
    }
    EXPECT_TRUE(canvas.Of(Kind::Scroll).empty());
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, TypingRedrawsOnlyTheChangedRowFromTheCellBeforeTheChange) {
    Show("line0\nline1\nline2");
    memo.SetCaret({2, 1});
    canvas.calls.clear();
    Type(memo, "x");
    // From the changed cell's left neighbour to the end of the row, and nothing elsewhere.
    EXPECT_EQ(canvas.TextAt(Row(1)), "ixne1");
    EXPECT_EQ(canvas.Of(Kind::Text).front().rect.left, Col(1));
    EXPECT_EQ(TextCalls(), 1);
    ExpectSurfaceIsFresh();

    // Deleting the last character redraws only the new last cell.
    Step([&] { memo.SetLineText(1, u"lixne", TMerge::No); });
    EXPECT_EQ(canvas.TextAt(Row(1)), "e");
    EXPECT_EQ(TextCalls(), 1);
    ExpectSurfaceIsFresh();
}

// With syntax colours the same holds: typing in a coloured text redraws the row it
// changed, not the rows whose colours stayed.
TEST_F(PaintTest, TypingInAHighlightedTextRedrawsOnlyTheChangedRow) {
    ASSERT_TRUE(LoadHighlighter(ReadHighlighterPaths(PELMAR_PROGRAM_DIR "/")));
    std::string text;
    for (int i = 0; i < 100; ++i) {
        text += "int f" + std::to_string(i) + "(void) { return (" + std::to_string(i) + "); }\n";
    }
    SetText(memo, text);
    memo.SetColorerEnabled(true);
    const std::string first = TWStringList::AnsiForm(memo.Lines().Get(0));
    ASSERT_TRUE(memo.Colorer()->ChooseFileType("a.c", &first));
    memo.SetTopLine(50);
    memo.SetCaret({3, 53});
    memo.Repaint();
    memo.UpdateView();
    for (int key = 0; key < 3; ++key) {
        canvas.calls.clear();
        Type(memo, "x");
        std::set<int> rows;
        for (const TSurfaceCanvas::TCall& c : canvas.Of(Kind::Text)) {
            rows.insert(c.rect.top / 16);
        }
        EXPECT_EQ(rows, std::set<int>{3}) << "after key " << key;
        ExpectSurfaceIsFresh();
    }
    memo.SetColorerEnabled(false);
    UnloadHighlighter();
}

TEST_F(PaintTest, AOneRowViewMoveScrollsTheSurfaceAndDrawsOnlyTheNewRow) {
    Numbered(30);
    Step([&] { memo.SetCaret({0, 9}); });
    Step([&] { memo.SetCaret({0, 10}); });
    ASSERT_EQ(memo.TopLine(), 1);
    const auto scrolls = canvas.Of(Kind::Scroll);
    ASSERT_EQ(scrolls.size(), 1u);
    EXPECT_EQ(scrolls[0].rect, (TRect{0, 0, 330, 160}));
    EXPECT_EQ(scrolls[0].direction, TScrollDirection::Up);
    EXPECT_EQ(scrolls[0].distance, 16);
    // The scroll comes first, before any drawing.
    EXPECT_EQ(canvas.calls[1].kind, Kind::Scroll);
    EXPECT_EQ(canvas.TextAt(Row(9)), "line 10");
    EXPECT_EQ(TextCalls(), 1);
    ExpectSurfaceIsFresh();

    Step([&] { memo.SetCaret({0, 0}); });
    ASSERT_EQ(memo.TopLine(), 0);
    ASSERT_EQ(canvas.Of(Kind::Scroll).size(), 1u);
    EXPECT_EQ(canvas.Of(Kind::Scroll)[0].direction, TScrollDirection::Down);
    EXPECT_EQ(canvas.TextAt(Row(0)), "line 0");
    EXPECT_EQ(TextCalls(), 1);
    ExpectSurfaceIsFresh();

    // A jump of several lines does not scroll; rows are compared where they stand.
    Step([&] { memo.SetCaret({0, 25}); });
    EXPECT_TRUE(canvas.Of(Kind::Scroll).empty());
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, WrappedRowsScrollOnlyForAMoveOfExactlyOneRow) {
    memo.SetWordWrap(true);
    // Line 0 takes three rows of 40 columns; lines 1 to 19 one each.
    std::string text = std::string(100, 'w');
    for (int i = 1; i < 20; ++i) {
        text += "\nline " + std::to_string(i);
    }
    Show(text);
    ASSERT_EQ(memo.ScreenMap().LineRow(1), 3);
    Step([&] { memo.SetCaret({0, 5}); });

    // Inside the wrapped top line: one row up, the new bottom row drawn alone.
    Step([&] { memo.SetTopLine(0, 1); });
    ASSERT_EQ(memo.FirstRow(), 1);
    ASSERT_EQ(canvas.Of(Kind::Scroll).size(), 1u);
    EXPECT_EQ(canvas.TextAt(Row(9)), "line 8");
    // The other rows redraw only their last cells (the top line did not change).
    for (int row = 0; row < 9; ++row) {
        EXPECT_EQ(canvas.TextAt(Row(row)).size(), 1u) << row;
    }
    ExpectSurfaceIsFresh();

    // From the middle row of the top line to the next line: two rows, so no scroll.
    Step([&] { memo.SetTopLine(1, 0); });
    ASSERT_EQ(memo.TopLine(), 1);
    EXPECT_TRUE(canvas.Of(Kind::Scroll).empty());
    ExpectSurfaceIsFresh();

    // Back up to the last row of the wrapped line: one row down.
    Step([&] { memo.SetTopLine(0, 2); });
    ASSERT_EQ(memo.FirstRow(), 2);
    ASSERT_EQ(canvas.Of(Kind::Scroll).size(), 1u);
    EXPECT_EQ(canvas.Of(Kind::Scroll)[0].direction, TScrollDirection::Down);
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, AnInsertedOrRemovedLineScrollsTheRowsBelowIt) {
    Numbered(30);
    Step([&] { memo.SetCaret({0, 3}); });
    Step([&] { memo.InsertLineAt(4, u"new"); });
    auto scrolls = canvas.Of(Kind::Scroll);
    ASSERT_EQ(scrolls.size(), 1u);
    EXPECT_EQ(scrolls[0].rect, (TRect{0, Row(4), 330, 160}));
    EXPECT_EQ(scrolls[0].direction, TScrollDirection::Down);
    EXPECT_EQ(canvas.TextAt(Row(4)), "new");
    EXPECT_EQ(TextCalls(), 1);
    ExpectSurfaceIsFresh();

    Step([&] { memo.RemoveLineAt(4); });
    scrolls = canvas.Of(Kind::Scroll);
    ASSERT_EQ(scrolls.size(), 1u);
    EXPECT_EQ(scrolls[0].rect, (TRect{0, Row(4), 330, 160}));
    EXPECT_EQ(scrolls[0].direction, TScrollDirection::Up);
    // Only the row that came up from below the surface is drawn.
    EXPECT_EQ(canvas.TextAt(Row(9)), "line 9");
    EXPECT_EQ(TextCalls(), 1);
    ExpectSurfaceIsFresh();

    // A line inserted above the view moves the text shown under the unchanged top line
    // down by one: the surface scrolls down and only the row that came in is drawn.
    Step([&] {
        memo.SetCaret({0, 8});
        memo.SetTopLine(5);
    });
    ASSERT_EQ(memo.TopLine(), 5);
    Step([&] { memo.InsertLineAt(0, u"first"); });
    ASSERT_EQ(memo.TopLine(), 5);
    scrolls = canvas.Of(Kind::Scroll);
    ASSERT_EQ(scrolls.size(), 1u);
    EXPECT_EQ(scrolls[0].direction, TScrollDirection::Down);
    EXPECT_EQ(canvas.TextAt(Row(0)), "line 4");
    EXPECT_EQ(TextCalls(), 1);
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, ManyInsertedLinesAreDrawnInsteadOfScrolledOneByOne) {
    Numbered(30);
    Step([&] {
        for (int i = 0; i < 40; ++i) {
            memo.InsertLineAt(2, u"x");
        }
    });
    EXPECT_LE(canvas.Of(Kind::Scroll).size(), 12u);
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, ARangeOfLinesScrollsAsItsLinesWouldOrIsDrawnAfresh) {
    Numbered(100);
    // Fewer lines than rows: the scrolls of that many single lines.
    Step([&] { memo.InsertLinesAt(3, {u"a", u"b"}); });
    ASSERT_EQ(canvas.Of(Kind::Scroll).size(), 2u);
    EXPECT_EQ(canvas.Of(Kind::Scroll)[0].direction, TScrollDirection::Down);
    EXPECT_EQ(TextCalls(), 2);
    ExpectSurfaceIsFresh();
    Step([&] { memo.RemoveLinesAt(3, 2); });
    ASSERT_EQ(canvas.Of(Kind::Scroll).size(), 2u);
    EXPECT_EQ(canvas.Of(Kind::Scroll)[0].direction, TScrollDirection::Up);
    ExpectSurfaceIsFresh();
    // More lines than rows: nothing scrolls, every row is drawn.
    Step([&] { memo.RemoveLinesAt(2, 40); });
    EXPECT_TRUE(canvas.Of(Kind::Scroll).empty());
    EXPECT_EQ(canvas.TextAt(Row(2)), "line 42");
    ExpectSurfaceIsFresh();
    Step([&] { memo.InsertLinesAt(1, std::vector<std::u16string>(30, u"new")); });
    EXPECT_TRUE(canvas.Of(Kind::Scroll).empty());
    EXPECT_EQ(canvas.TextAt(Row(9)), "new");
    ExpectSurfaceIsFresh();
    // Many lines above the view only renumber what the surface shows.
    Step([&] {
        memo.SetCaret({0, 60});
        memo.SetTopLine(55);
    });
    Step([&] { memo.RemoveLinesAt(0, 20); });
    EXPECT_TRUE(canvas.Of(Kind::Scroll).empty());
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, TheCaretLineTakesTheHighlightColourUpToTheRightEdge) {
    memo.SetHighlightLine(true);
    Show("one\ntwo\nthree");
    EXPECT_EQ(canvas.BgAt(Col(0) + 3, Row(0) + 3), kSilver);
    EXPECT_EQ(canvas.BgAt(Col(30), Row(0) + 3), kSilver);
    Step([&] { memo.SetCaret({0, 1}); });
    // Both rows repainted: the old one in the control's colour, the new one highlighted.
    EXPECT_EQ(canvas.TextAt(Row(0)), "one");
    EXPECT_EQ(canvas.TextAt(Row(1)), "two");
    EXPECT_EQ(canvas.BgAt(Col(1), Row(0) + 3), kWhite);
    EXPECT_EQ(canvas.BgAt(Col(30), Row(0) + 3), kWhite);
    EXPECT_EQ(canvas.BgAt(Col(1), Row(1) + 3), kSilver);
    EXPECT_EQ(canvas.BgAt(Col(30), Row(1) + 3), kSilver);
    EXPECT_EQ(canvas.TextAt(Row(2)), "e"); // only its last cell
    ExpectSurfaceIsFresh();

    // The caret leaves a line that also lost its last character: the new last cell changed
    // colour and is filled whole, edges included.
    Step([&] {
        memo.SetLineText(1, u"tw", TMerge::No);
        memo.SetCaret({0, 2});
    });
    EXPECT_EQ(canvas.BgAt(Col(1), Row(1) + 3), kWhite);
    EXPECT_EQ(canvas.BgAt(Col(2) - 1, Row(1) + 3), kWhite);
    ExpectSurfaceIsFresh();

    // Not with word wrap.
    ASSERT_EQ(canvas.BgAt(Col(30), Row(2) + 3), kSilver);
    memo.SetWordWrap(true);
    Step([] {});
    EXPECT_EQ(canvas.BgAt(Col(30), Row(2) + 3), kWhite);
    EXPECT_EQ(canvas.BgAt(Col(1), Row(2) + 3), kWhite);
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, AStreamSelectionColoursThePastTheEndOfFullySelectedLinesOnly) {
    Show("abcd\nefgh\nijkl\nmnop");
    Step([&] { memo.Select({2, 0}, {0, 2}); });
    EXPECT_EQ(canvas.BgAt(Col(1) + 3, Row(0) + 3), kWhite);
    EXPECT_EQ(canvas.BgAt(Col(2) + 3, Row(0) + 3), clHighlight);
    EXPECT_EQ(canvas.BgAt(Col(20), Row(0) + 3), clHighlight);
    EXPECT_EQ(canvas.BgAt(Col(20), Row(1) + 3), clHighlight);
    // The end line: nothing selected, not even past its end.
    EXPECT_EQ(canvas.BgAt(Col(0) + 3, Row(2) + 3), kWhite);
    EXPECT_EQ(canvas.BgAt(Col(20), Row(2) + 3), kWhite);
    ExpectSurfaceIsFresh();

    // A selection ending in virtual space colours only the columns up to its end.
    Step([&] { memo.Select({2, 3}, {10, 3}); });
    EXPECT_EQ(canvas.BgAt(Col(6) + 3, Row(3) + 3), clHighlight);
    EXPECT_EQ(canvas.BgAt(Col(9) + 3, Row(3) + 3), clHighlight);
    EXPECT_EQ(canvas.BgAt(Col(10) + 3, Row(3) + 3), kWhite);
    EXPECT_EQ(canvas.BgAt(Col(20), Row(0) + 3), kWhite);
    ExpectSurfaceIsFresh();

    Step([&] { memo.DropSelection(); });
    EXPECT_EQ(canvas.BgAt(Col(6) + 3, Row(3) + 3), kWhite);
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, AColumnSelectionReachesIntoVirtualSpace) {
    Show("ab\nabcdefgh\n\nabcdef");
    Step([&] { memo.Select({1, 0}, {5, 2}, TSelectionMode::Column); });
    for (int row = 0; row <= 2; ++row) {
        EXPECT_EQ(canvas.BgAt(Col(0) + 3, Row(row) + 3), kWhite) << row;
        for (int col = 1; col < 5; ++col) {
            EXPECT_EQ(canvas.BgAt(Col(col) + 3, Row(row) + 3), clHighlight) << row << "," << col;
        }
        EXPECT_EQ(canvas.BgAt(Col(5) + 3, Row(row) + 3), kWhite) << row;
    }
    EXPECT_EQ(canvas.BgAt(Col(2) + 3, Row(3) + 3), kWhite);
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, TheColumnHighlightFollowsTheCaretAndNeedsAFixedPitch) {
    memo.SetHighlightColumn(true);
    Show("abcdef\nab\nabcdef");
    Step([&] { memo.SetCaret({3, 0}); });
    EXPECT_EQ(canvas.BgAt(Col(3) + 3, Row(2) + 3), kSilver);
    EXPECT_EQ(canvas.BgAt(Col(3) + 3, Row(1) + 3), kSilver); // past a short line's end
    EXPECT_EQ(canvas.BgAt(Col(2) + 3, Row(2) + 3), kWhite);
    Step([&] { memo.SetCaret({4, 0}); });
    EXPECT_EQ(canvas.BgAt(Col(3) + 3, Row(2) + 3), kWhite);
    EXPECT_EQ(canvas.BgAt(Col(3) + 3, Row(1) + 3), kWhite);
    EXPECT_EQ(canvas.BgAt(Col(4) + 3, Row(2) + 3), kSilver);
    ExpectSurfaceIsFresh();

    // A proportional font: never, whatever the setting says.
    host.measurer.wide = {u'W'};
    memo.MeasureFont();
    ASSERT_TRUE(memo.Proportional());
    Step([&] { memo.SetCaret({3, 0}); });
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 10; ++col) {
            EXPECT_NE(canvas.BgAt(Col(col) + 3, Row(row) + 3), kSilver) << row << "," << col;
        }
    }
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, TheGutterShowsBookmarkDigitsAndContinuationMarks) {
    memo.SetWordWrap(true);
    Show("short\n" + std::string(90, 'z') + "\nlast");
    Step([&] { memo.SetBookmarkAt(3, {0, 0}); });
    Step([&] { memo.SetBookmarkAt(7, {0, 2}); });
    const auto marks = canvas.Of(Kind::Mark);
    ASSERT_EQ(marks.size(), 4u);
    EXPECT_EQ(U8(marks[0].text), "3");
    EXPECT_EQ(marks[0].rect.top, Row(0));
    EXPECT_EQ(marks[0].colour, 0x800000);
    // The 90-unit line takes rows 1 to 3: two continuation rows.
    EXPECT_EQ(U8(marks[1].text), ">");
    EXPECT_EQ(marks[1].rect.top, Row(2));
    EXPECT_EQ(marks[1].colour, 0x008000);
    EXPECT_EQ(U8(marks[2].text), ">");
    EXPECT_EQ(marks[2].rect.top, Row(3));
    EXPECT_EQ(U8(marks[3].text), "7");
    EXPECT_EQ(marks[3].rect.top, Row(4));
    // Every row's gutter is filled, the rows past the text too.
    int gutterFills = 0;
    for (const auto& fill : canvas.Of(Kind::Fill)) {
        if (fill.rect.left == 0 && fill.rect.right == 10) {
            EXPECT_EQ(fill.colour, kSilver);
            ++gutterFills;
        }
    }
    EXPECT_EQ(gutterFills, 10);
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, GutterColoursComeFromTheCommonSettings) {
    TCommonSettings common;
    common.gutterBColor = 0x112233;
    common.gutterFColor = 0x445566;
    TuniMemo coloured{WithCanvas(), TMemoEnvironment{nullptr, &common, nullptr, nullptr}};
    SetText(coloured, "a\nb");
    coloured.SetBookmarkAt(0, {0, 1});
    canvas.calls.clear();
    coloured.PaintWhole();
    const auto marks = canvas.Of(Kind::Mark);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].colour, 0x445566);
    EXPECT_EQ(canvas.BgAt(2, Row(0) + 2), 0x112233);
}

TEST_F(PaintTest, APaintOfTheWholeAreaDrawsEveryCellButTabs) {
    Show("a\tb\nplain\n");
    memo.PaintWhole();
    canvas.calls.clear();
    memo.PaintWhole();
    EXPECT_EQ(canvas.TextAt(Row(0)), "a  b"); // two filler cells, the TAB cell is not drawn
    EXPECT_EQ(canvas.TextAt(Row(1)), "plain");
    EXPECT_EQ(canvas.Of(Kind::Text).front().rect.left, Col(0));
    // Every row from the top to the bottom of the surface is filled.
    std::vector<bool> filled(10, false);
    for (const auto& fill : canvas.Of(Kind::Fill)) {
        if (fill.rect.left <= 10 && fill.rect.right == 330) {
            filled[static_cast<size_t>(fill.rect.top / 16)] = true;
        }
    }
    EXPECT_EQ(std::count(filled.begin(), filled.end(), true), 10);
    EXPECT_FALSE(canvas.HasGarbage());
}

TEST_F(PaintTest, MarkersAreDrawnInTheirOwnCellsAndNeverAsText) {
    // Escaped bytes, a control, a lone high surrogate and a noncharacter, around a TAB.
    Show(U8(u"a\xDC80"
            u"b\x01\tc\xDCFF\nplain\n\xD83Dx\xFFFE"));
    canvas.calls.clear();
    memo.PaintWhole();
    const auto markers = canvas.Of(Kind::Marker);
    ASSERT_EQ(markers.size(), 5u);
    struct TExpected {
        TRect cell;
        std::string label;
        TMarkerKind kind;
    };
    const std::vector<TExpected> expected{
        {{Col(1), Row(0), Col(3), Row(1)}, "80", TMarkerKind::Byte},
        {{Col(4), Row(0), Col(6), Row(1)}, "01", TMarkerKind::Code},
        {{Col(9), Row(0), Col(11), Row(1)}, "FF", TMarkerKind::Byte},
        {{Col(0), Row(2), Col(2), Row(3)}, "D83D", TMarkerKind::Code},
        {{Col(3), Row(2), Col(5), Row(3)}, "FFFE", TMarkerKind::Code},
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("marker " + std::to_string(i));
        EXPECT_EQ(markers[i].rect, expected[i].cell);
        EXPECT_EQ(U8(markers[i].text), expected[i].label);
        EXPECT_EQ(markers[i].marker, expected[i].kind);
        EXPECT_EQ(markers[i].colour, clBlack);
        EXPECT_EQ(markers[i].bg, kWhite);
    }
    // The text runs hold the other cells only (the TAB's filler is a space).
    EXPECT_EQ(canvas.TextAt(Row(0)), "ab c");
    EXPECT_EQ(canvas.TextAt(Row(2)), "x");
    EXPECT_FALSE(canvas.misplacedMarkers);

    // A high surrogate typed before the first byte pairs with it: two text cells, drawn
    // incrementally as a paint from scratch draws them.
    Step([&] {
        memo.SetCaret({1, 0});
        memo.TypeChar(0xD83D);
    });
    for (const auto& m : canvas.Of(Kind::Marker)) {
        EXPECT_NE(U8(m.text), "80");
    }
    ASSERT_FALSE(canvas.Of(Kind::Text).empty());
    EXPECT_NE(canvas.Of(Kind::Text).front().text.find(u"\xD83D\xDC80"), std::u16string::npos);
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, MarkersTakeTheSelectionAndCaretColumnColours) {
    Show(U8(u"a\xDC80"
            u"b\x01"
            u"cd\xDCFF\nplain\n\x02x"));
    Step([&] { memo.Select({1, 0}, {4, 0}); });
    std::vector<TSurfaceCanvas::TCall> markers = canvas.Of(Kind::Marker);
    ASSERT_EQ(markers.size(), 2u) << "the markers whose colours changed";
    for (const auto& m : markers) {
        EXPECT_EQ(m.colour, clHighlightText);
        EXPECT_EQ(m.bg, clHighlight);
    }
    EXPECT_EQ(canvas.BgAt(Col(1), Row(0) + 3), clHighlight);
    ExpectSurfaceIsFresh();

    // The caret's column highlight falls on the control that begins line 2.
    memo.SetHighlightColumn(true);
    Step([&] {
        memo.DropSelection();
        memo.SetCaret({0, 1});
    });
    markers = canvas.Of(Kind::Marker);
    const auto control =
        std::find_if(markers.begin(), markers.end(), [](const auto& m) { return m.text == u"02"; });
    ASSERT_NE(control, markers.end());
    EXPECT_EQ(control->bg, kSilver);
    EXPECT_FALSE(canvas.misplacedMarkers);
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, TheCaretStandsOnMarkerEdgesWrappedOrNot) {
    // Six columns a group: two letters and two markers of two columns each.
    std::u16string line;
    for (int i = 0; i < 12; ++i) {
        line += u"wx\x01\xDC80";
    }
    for (const bool wrap : {false, true}) {
        SCOPED_TRACE(wrap ? "wrapped" : "unwrapped");
        memo.SetWordWrap(wrap);
        Show(U8(line));
        const TScrMap& map = memo.ScreenMap();
        for (int column = 0; column <= static_cast<int>(line.size()); ++column) {
            Step([&] { memo.SetCaret({column, 0}); });
            const auto placed = canvas.Of(Kind::Caret);
            ASSERT_FALSE(placed.empty());
            // A caret on the right edge moves a pixel left into the surface.
            const auto shown = [](int x) { return std::min(x, Col(40) - 1); };
            const TRect caret = placed.back().rect;
            if (!wrap) {
                // The visual column the editor computes for selections lands on the same
                // pixel as the layout's caret.
                EXPECT_EQ(caret.left,
                          shown(Col(memo.VisualColumn({column, 0}) - memo.HorzScroll())))
                    << column;
            }
            // Whatever row it is on, the caret stands on the left edge of its unit's cell.
            bool edge = column == static_cast<int>(line.size());
            const int row = caret.top / 16 + memo.FirstRow();
            for (int j = 1; j <= map.CellCount(row); ++j) {
                const int left = Col(0) + map.CellsWidth(row, j - 1) - memo.HorzScroll() * 8;
                edge = edge || (map.CellColumn(row, j) == column && shown(left) == caret.left);
            }
            EXPECT_TRUE(edge) << "column " << column;
        }
        // Every marker lies whole inside the text area, with the marker width.
        memo.PaintWhole();
        for (const auto& m : canvas.Of(Kind::Marker)) {
            EXPECT_EQ(m.rect.Width(), 16);
            if (wrap) {
                EXPECT_GE(m.rect.left, Col(0));
                EXPECT_LE(m.rect.right, Col(40));
            }
        }
        ExpectSurfaceIsFresh();
    }
}

TEST_F(PaintTest, TheCaretIsTwoPixelsWideInInsertModeAndACellWideInOverwriteMode) {
    host.measurer.wide = {u'W'};
    memo.MeasureFont();
    Show("aWb");
    const auto caret = [&] {
        const auto placed = canvas.Of(Kind::Caret);
        return placed.empty() ? TRect{} : placed.back().rect;
    };
    Step([&] { memo.SetCaret({1, 0}); });
    EXPECT_EQ(caret(), (TRect{Col(1), 0, Col(1) + 2, 16}));
    memo.SetOverwrite(true);
    Step([&] { memo.SetCaret({1, 0}); });
    EXPECT_EQ(caret(), (TRect{Col(1), 0, Col(1) + 16, 16}));
    Step([&] { memo.SetCaret({6, 0}); }); // virtual space: one char width
    EXPECT_EQ(caret(), (TRect{10 + 8 + 16 + 8 + 3 * 8, 0, 10 + 8 + 16 + 8 + 4 * 8, 16}));
}

TEST_F(PaintTest, ACaretAtTheRightEdgeMovesOnePixelLeft) {
    Show(std::string(100, 'a'));
    Step([&] { memo.SetCaret({50, 0}); });
    ASSERT_EQ(memo.HorzScroll(), 10);
    const auto placed = canvas.Of(Kind::Caret);
    ASSERT_FALSE(placed.empty());
    EXPECT_EQ(placed.back().rect.left, 10 + 40 * 8 - 1);
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, ALongLineScrolledSidewaysShowsTheColumnsOfTheScrollPosition) {
    std::string line;
    for (int i = 0; i < 3000; ++i) {
        line += static_cast<char>('a' + i % 26);
    }
    Show(line + "\nshort");
    for (const int column : {1200, 2990, 40}) {
        Step([&] { memo.SetCaret({column, 0}); });
        const int scroll = memo.HorzScroll();
        ASSERT_GT(scroll, 0);
        int drawn = 0;
        for (const auto& text : canvas.Of(Kind::Text)) {
            if (text.rect.top != Row(0)) {
                continue;
            }
            for (size_t k = 0; k < text.text.size(); ++k) {
                const int x = text.rect.left + static_cast<int>(k) * 8;
                const int shown = scroll + (x - 10) / 8;
                EXPECT_EQ(text.text[k], static_cast<char16_t>(u'a' + shown % 26)) << x;
                drawn += x >= 10 && x < 330;
            }
        }
        EXPECT_EQ(drawn, 40) << "every column of the row is drawn after a sideways scroll";
        ExpectSurfaceIsFresh();
    }
}

TEST_F(PaintTest, AnObscuredSurfaceIsNotPaintedAndCatchesUpAfterwards) {
    Numbered(30);
    canvas.obscured = true;
    Step([&] { memo.SetCaret({0, 10}); });
    Step([&] { memo.InsertLineAt(3, u"hidden"); });
    Step([&] { memo.SetCaret({0, 11}); });
    EXPECT_TRUE(canvas.calls.empty());
    canvas.obscured = false;
    Step([] {});
    ExpectSurfaceIsFresh();
}

TEST_F(PaintTest, AResizedSurfaceIsPaintedWhole) {
    Numbered(30);
    host.window.width = 10 + 50 * 8;
    host.window.height = 12 * 16 + 5;
    Step([] {});
    EXPECT_FALSE(canvas.HasGarbage());
    EXPECT_EQ(canvas.TextAt(Row(11)), "line 11");
    ExpectSurfaceIsFresh();
}

// Random sessions: after every incremental paint the surface is what a paint from scratch
// would show. This covers the comparison, the neighbour rule, the scroll queue and the
// previous map's shifts together.
class PaintSessionTest : public PaintTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(PaintSessionTest, IncrementalPaintsMatchAPaintFromScratch) {
    std::mt19937 rng(GetParam());
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::string longLine; // laid out in windows when it is long enough
    for (int i = 0; i < 300; ++i) {
        longLine += i % 7 == 0 ? "\tword" : " word";
    }
    const std::vector<std::string> words{"alpha",
                                         "\tb",
                                         "gamma  delta",
                                         "",
                                         "x",
                                         "W",
                                         "a somewhat longer line of text that wraps around",
                                         longLine,
                                         U8(u"bad\xDC80\xDCFF byte\x01 \xD83D\xDE00 \xD83Dx")};
    std::string text;
    for (int i = 0; i < 40; ++i) {
        text += (i ? "\n" : "") + words[static_cast<size_t>(pick(static_cast<int>(words.size())))];
    }
    host.window.height = 10 * 16 + 7; // a partly visible row at the bottom
    if (GetParam() % 2 == 0) {
        host.measurer.wide = {u'W'}; // a proportional font with a double-width letter
        memo.MeasureFont();
    }
    Show(text);
    for (int step = 0; step < 200; ++step) {
        const int count = memo.Lines().Count();
        const int line = pick(count);
        const bool hidden = pick(25) == 0;
        canvas.obscured = hidden;
        const int op = pick(16);
        Step([&] {
            switch (op) {
            case 0:
                memo.SetCaret({pick(12), line});
                break;
            case 1:
                memo.SetCaret({pick(4) ? pick(60) : pick(1600), line}); // may scroll sideways
                break;
            case 2:
                memo.SetCaret({memo.Caret().X, std::min(memo.Caret().Y + 1, count - 1)});
                break;
            case 3:
                memo.SetCaret({memo.Caret().X, std::max(memo.Caret().Y - 1, 0)});
                break;
            case 4:
                if (pick(4) == 0) {
                    // Marker units, and surrogates that may pair with their neighbours.
                    static constexpr char16_t kMarkers[] = {0x01, 0xDC80, 0xD83D, 0xDE00};
                    memo.TypeChar(kMarkers[pick(4)]);
                } else {
                    memo.TypeChar(pick(3) == 0 ? u'W' : static_cast<char16_t>(u'a' + pick(26)));
                }
                break;
            case 5:
                memo.InsertLineAt(line, U16(words[static_cast<size_t>(pick(9))]));
                break;
            case 6:
                if (count > 2) {
                    memo.RemoveLineAt(line);
                    memo.SetCaret({0, std::min(memo.Caret().Y, count - 2)});
                }
                break;
            case 7:
                memo.Select({pick(8), line}, {pick(14), std::min(line + pick(4), count - 1)},
                            pick(2) ? TSelectionMode::Column : TSelectionMode::Stream);
                break;
            case 8:
                memo.DropSelection();
                break;
            case 9:
                memo.SetHighlightLine(!memo.HighlightLine());
                break;
            case 10:
                memo.SetHighlightColumn(!memo.HighlightColumn());
                break;
            case 11:
                memo.SetTopLine(memo.TopLine() + (pick(2) ? 1 : -1), memo.FirstRow());
                break;
            case 12:
                memo.SetTopLine(memo.TopLine(), memo.FirstRow() + (pick(2) ? 1 : -1));
                break;
            case 13:
                if (pick(4) == 0) {
                    memo.SetWordWrap(!memo.WordWrap());
                }
                break;
            case 14:
                memo.SetBookmarkAt(pick(10), {0, line});
                break;
            default:
                memo.SetOverwrite(!memo.Overwrite());
                break;
            }
        });
        if (hidden) {
            continue;
        }
        if (pick(40) == 0) {
            memo.PaintWhole();
        }
        SCOPED_TRACE("step " + std::to_string(step) + ", operation " + std::to_string(op));
        ExpectSurfaceIsFresh();
        EXPECT_FALSE(canvas.misplacedMarkers);
        if (HasFailure()) {
            return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, PaintSessionTest, ::testing::Range(1u, 7u));

} // namespace
