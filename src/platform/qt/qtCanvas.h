// The editor's drawing surface on Qt: a retained image the editor paints into, shown by
// its widget. What the editor does not draw again stays as it was, so an incremental paint
// touches only the changed cells, and a one-row move is a copy of pixels.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QRect>
#include <QRegion>

#include <functional>
#include <optional>
#include <vector>

#include "platform/qt/qtMeasure.h"
#include "platform/uniCanvas.h"

class QWidget;

class TQtCanvas : public TCanvas {
public:
    // `surface` is the widget that shows the image (its update() is asked for what changed);
    // the measurer gives the fonts. Both are borrowed.
    TQtCanvas(QWidget& surface, const TQtMeasurer& measurer);
    ~TQtCanvas() override;

    // A new size for the surface: the old pixels stay at the top left, new ones are the
    // background colour until painted.
    void Resize(QSize size);
    const QImage& Image() const { return image_; }
    void SetPalette(const QPalette& palette) { palette_ = palette; }
    // While the widget paints itself, changes need not be announced to it.
    void SetAnnounce(bool on) { announce_ = on; }
    // The caret's rectangle as the editor last placed it; none when hidden.
    const std::optional<QRect>& Caret() const { return caret_; }
    // Answers Obscured(); none means never obscured.
    std::function<bool()> obscured;
    // Called when the caret moves, so the widget can restart its blinking.
    std::function<void()> onCaretMoved;

    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    bool Obscured() const override { return obscured && obscured(); }
    bool BlendsGlyphEdges() const override { return true; }
    void BeginPaint() override;
    void EndPaint() override;
    void FillRect(const TRect& rect, TColor colour) override;
    void DrawText(int x, int y, std::u16string_view text, TColor colour,
                  std::uint8_t style) override;
    void DrawMarker(const TRect& cell, std::u16string_view label, TMarkerKind kind, TColor fg,
                    TColor bg) override;
    void DrawGutterMark(int x, int y, char16_t mark, TColor colour) override;
    void ScrollBand(const TRect& band, TScrollDirection direction, int distance) override;
    void PlaceCaret(int x, int y, int width, int height) override;
    void HideCaret() override;

private:
    // Opens the painter when a call comes outside BeginPaint/EndPaint; true when it did.
    bool Open();
    void Touch(const QRect& rect);
    // Whether `rect` already holds exactly this fill: filled so last time, and nothing drawn
    // into it since. Every paint fills each row's gutter and the part past its text again;
    // skipping what would not change a pixel keeps the repainted region small.
    bool AlreadyFilled(const QRect& rect, QRgb colour);
    void Forget(const QRect& rect);
    void Announce();

    QWidget& surface_;
    const TQtMeasurer& measurer_;
    QImage image_;
    QPainter painter_;
    QPalette palette_;
    QRegion dirty_;
    int depth_ = 0;
    bool announce_ = true;
    std::optional<QRect> caret_;
    struct TFill {
        QRect rect;
        QRgb colour;
    };
    std::vector<TFill> fills_;
};
