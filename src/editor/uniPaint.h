// Painting an editor: the rows of its screen map drawn on a canvas, only what changed since
// the last paint, with one-row moves of the view and of the lines done by scrolling pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "editor/uniScrMap.h"
#include "platform/uniCanvas.h"

class TuniMemo;

enum class TPaintKind {
    Changed, // compare with what was painted last and draw the differences
    Whole,   // draw every cell (the surface is new, was resized or was exposed)
};

// One queued move of a band of the surface by a line height.
struct TBandScroll {
    TRect band;
    TScrollDirection direction = TScrollDirection::Up;
    int distance = 0;
    friend bool operator==(const TBandScroll&, const TBandScroll&) = default;
};

// Paints one editor through its public accessors; holds only what it needs to know about
// the surface: where the view stood at the last paint and the scrolls not carried out yet.
// The editor's previous map is its record of the surface: row r of it is what the surface
// shows at screen row r - (first row at the last paint). Every pixel scroll is applied to
// that map in the same step, so the comparison of the next paint stays exact.
class TMemoPainter {
public:
    TMemoPainter() = default;
    // Holds the record of one surface: a copy would describe pixels it never painted.
    TMemoPainter(const TMemoPainter&) = delete;
    TMemoPainter& operator=(const TMemoPainter&) = delete;

    // Draws the editor's current map, which the caller has laid out for the current view.
    // Reads the repaint flags but leaves clearing them to the editor. Nothing happens while
    // the line height is 0 or the canvas is obscured (the queued scrolls wait).
    void Paint(TuniMemo& memo, TCanvas& canvas, TPaintKind kind);

    // The document gained a line at `index` (the lines from there moved down) or lost the
    // line at `index`. When that line is on the surface, the rows below it are queued to
    // scroll by one line instead of being drawn again.
    void LineInserted(TuniMemo& memo, int index);
    void LineRemoved(TuniMemo& memo, int index);
    // n lines inserted before `index` or removed from it on, as that many single reports
    // would tell it; a range longer than the surface has rows forgets the surface's contents
    // instead (the next paint draws every row), as a queue of that many scrolls would.
    void LinesInserted(TuniMemo& memo, int index, int n);
    void LinesRemoved(TuniMemo& memo, int index, int n);

    // Whether the surface shows the editor's caret-dependent colours as they are now (the
    // caret line's and the caret column's highlight); false before the first paint.
    bool HighlightsCurrent(const TuniMemo& memo) const;

    // The scrolls the next paint carries out first.
    const std::vector<TBandScroll>& PendingScrolls() const { return queue_; }

private:
    struct TFrame;
    struct TRowPaint;

    // The screen row (from the top of the surface) where document line `index` started at
    // the last paint; -1 when it is not known or not on the surface.
    int PaintedScreenRow(const TuniMemo& memo, int index) const;
    std::optional<int> MovedRow(const TuniMemo& memo, int index, int delta);
    void Queue(TuniMemo& memo, const TBandScroll& scroll);
    int SurfaceRows() const;
    void Forget(TuniMemo& memo);
    // A view move of exactly one row since the last paint: +1 the pixels move down, -1 up.
    int ViewMove(const TFrame& f, const TScrMap& map, const TScrMap& previous) const;
    void ScrollWholeView(TScrMap& previous, const TFrame& f, int move);
    // Re-indexes the previous map so that its row r sits at screen row r - firstRow.
    void Realign(TScrMap& previous, int firstRow);
    void PaintRow(const TFrame& f, TScrMap& map, const TScrMap& previous, int row);
    static TColor OwnBackground(const TFrame& f, const TScrMap& map, const TRowPaint& rp, int j);
    static TColor CellBackground(const TFrame& f, const TScrMap& map, const TRowPaint& rp, int j);
    void PaintBackground(const TFrame& f, const TScrMap& map, const TRowPaint& rp);
    void PaintText(const TFrame& f, const TScrMap& map, const TRowPaint& rp);
    void PaintGutter(const TFrame& f, const TScrMap& map, int row, int y);
    void ShowCaret(const TFrame& f);

    bool painted_ = false;      // the surface and the previous map agree
    TCanvas* canvas_ = nullptr; // only during Paint
    int paintedTop_ = 0;
    int paintedFirstRow_ = 0;
    int paintedHorz_ = 0;
    bool paintedWrap_ = false;
    int paintedWidth_ = 0;
    int paintedHeight_ = 0;
    int paintedLineHeight_ = 0;
    int paintedCharWidth_ = 0;
    int paintedGutter_ = 0;
    int paintedColumn_ = -1;    // the highlighted caret column, -1 none
    int paintedCaretLine_ = -1; // the highlighted caret line, -1 none
    bool shifted_ = false;      // the previous map's rows moved since it was painted
    std::vector<TBandScroll> queue_;
    std::vector<std::uint8_t> states_; // one row's repaint states, 1-based
};
