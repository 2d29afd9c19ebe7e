// The paint pass: row comparison with the previous map, backgrounds, text, gutter, caret,
// and the pixel scrolls that keep the previous map in step with the surface.
#include "editor/uniPaint.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string>

#include "editor/uniCellMarker.h"
#include "editor/uniMemo.h"

namespace {

constexpr char16_t kTab = u'\t';

bool Before(TPoint a, TPoint b) {
    return a.Y < b.Y || (a.Y == b.Y && a.X < b.X);
}

bool HighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}

bool LowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// The cell (1-based) that takes the caret column's colour: the first one whose left edge
// reaches that visual column, when it has no background of its own; 0 for none.
int ColumnCell(const TScrMap& map, int row, int column, int charWidth) {
    if (column < 0 || row < 0 || row >= map.RowCount()) {
        return 0;
    }
    const int n = map.CellCount(row);
    int left = map.CellsWidth(row, 0);
    for (int j = 1; j <= n; ++j) {
        if (left / charWidth >= column) {
            return map.CellBg(row, j) == kNoColor ? j : 0;
        }
        left += map.CellWidth(row, j);
    }
    return 0;
}

void ResetRows(TScrMap& map, int from, int to) {
    for (int r = std::max(from, 0); r <= to && r < map.RowCount(); ++r) {
        map.ResetRow(r);
    }
}

} // namespace

// What one paint works with, read from the editor and the canvas once.
struct TMemoPainter::TFrame {
    TuniMemo* memo = nullptr;
    int width = 0;
    int height = 0;
    int lineHeight = 1;
    int charWidth = 1;
    int gutter = 0;
    int visibleRows = 1;
    int top = 0;
    int firstRow = 0;
    int horz = 0;
    bool wrap = false;
    bool fixedPitch = true;
    TRect area; // the client area right of the gutter
    TColor control = 0xFFFFFF;
    TColor highlight = 0xC0C0C0; // caret line and column
    TColor gutterBack = 0xC0C0C0;
    TColor gutterMark = 0x800000;
    TColor gutterMore = 0x008000;
    bool lineHighlight = false;
    int caretColumn = -1; // the highlighted visual column, -1 none
    TPoint caret;
    bool selection = false;    // a selection is active (for the last-cell rule)
    bool hasSelection = false; // ... and covers something (for colouring past the text)
    TNormalSelection sel;
    bool incremental = false;
    bool horzChanged = false;
    bool fullPending = false;
    std::array<int, TuniMemo::kBookmarkCount> bookmarkLines{};
};

// One row being painted.
struct TMemoPainter::TRowPaint {
    int row = 0;
    int y = 0;
    int line = 0; // document line
    int count = 0;
    int first = 1; // the first cell drawn whatever its state
    TColor rowBg = 0;
    int end = 0;        // past the text: 0 unselected, 1 selected, 2 decided per column
    int columnCell = 0; // the cell with the caret column's colour, 0 none
    int origin = 0;     // where the row's line starts, horizontal scroll applied
    int x0 = 0;         // left edge of the row's first cell
};

// --- the record of the surface -----------------------------------------------------------

int TMemoPainter::PaintedScreenRow(const TuniMemo& memo, int index) const {
    if (!painted_ || paintedLineHeight_ <= 0) {
        return -1;
    }
    const int k = index - paintedTop_;
    if (k < 0) {
        return -1;
    }
    int row = k;
    if (paintedWrap_) {
        // Row numbers of wrapped lines are known only from the map as it was painted.
        const TScrMap& previous = memo.PreviousMap();
        if (shifted_ || k >= previous.LineCount()) {
            return -1;
        }
        row = previous.LineRow(k);
    }
    const int screen = row - paintedFirstRow_;
    const int rows = std::max(paintedHeight_ / paintedLineHeight_, 1);
    return screen >= 0 && screen < rows ? screen : -1;
}

int TMemoPainter::SurfaceRows() const {
    return std::max(paintedHeight_ / std::max(paintedLineHeight_, 1), 1);
}

void TMemoPainter::Forget(TuniMemo& memo) {
    queue_.clear();
    TScrMap& previous = memo.PreviousMapForPainting();
    ResetRows(previous, 0, previous.RowCount() - 1);
}

void TMemoPainter::Queue(TuniMemo& memo, const TBandScroll& scroll) {
    queue_.push_back(scroll);
    if (static_cast<int>(queue_.size()) > SurfaceRows() + 2) {
        // More scrolls than rows: forget the surface's contents and draw every row instead.
        Forget(memo);
    }
}

// The surface row from which a line inserted or removed at `index` moves the rows below
// (`delta` +1 or -1 lines); nullopt when nothing on the surface is to move, the
// comparison then finds what changed. A line above the surface only renumbers it.
std::optional<int> TMemoPainter::MovedRow(const TuniMemo& memo, int index, int delta) {
    if (!painted_) {
        return std::nullopt;
    }
    shifted_ = true;
    if (index < paintedTop_) {
        paintedTop_ += delta;
        return std::nullopt;
    }
    const int a = PaintedScreenRow(memo, index);
    const int rows = std::max(paintedHeight_ / paintedLineHeight_, 1);
    if (a < 0 || a >= rows - 1) {
        return std::nullopt;
    }
    return a;
}

void TMemoPainter::LineInserted(TuniMemo& memo, int index) {
    const std::optional<int> row = MovedRow(memo, index, +1);
    if (!row) {
        return;
    }
    const int a = *row;
    TScrMap& previous = memo.PreviousMapForPainting();
    const int p = a + paintedFirstRow_;
    previous.ShiftRowsDown(p, previous.RowCount() - 1);
    previous.ResetRow(p); // uncovered by the scroll
    Queue(memo, {{0, a * paintedLineHeight_, paintedWidth_, paintedHeight_},
                 TScrollDirection::Down,
                 paintedLineHeight_});
}

void TMemoPainter::LineRemoved(TuniMemo& memo, int index) {
    const std::optional<int> row = MovedRow(memo, index, -1);
    if (!row) {
        return;
    }
    const int a = *row;
    const int rows = std::max(paintedHeight_ / paintedLineHeight_, 1);
    TScrMap& previous = memo.PreviousMapForPainting();
    const int p = a + paintedFirstRow_;
    const int last = paintedFirstRow_ + rows - 1; // the last whole row on the surface
    previous.ShiftRowsUp(p, last - 1);
    previous.ResetRow(last);
    Queue(memo, {{0, a * paintedLineHeight_, paintedWidth_, rows * paintedLineHeight_},
                 TScrollDirection::Up,
                 paintedLineHeight_});
}

void TMemoPainter::LinesInserted(TuniMemo& memo, int index, int n) {
    if (n <= SurfaceRows()) {
        for (int k = 0; k < n; ++k) {
            LineInserted(memo, index + k);
        }
        return;
    }
    if (!painted_) {
        return;
    }
    shifted_ = true;
    if (index < paintedTop_) {
        paintedTop_ += n;
    } else {
        Forget(memo);
    }
}

void TMemoPainter::LinesRemoved(TuniMemo& memo, int index, int n) {
    if (n <= SurfaceRows()) {
        for (int k = 0; k < n; ++k) {
            LineRemoved(memo, index);
        }
        return;
    }
    if (!painted_) {
        return;
    }
    shifted_ = true;
    // The lines above the surface renumber it; the rest leave from its top on.
    const int above = std::clamp(paintedTop_ - index, 0, n);
    paintedTop_ -= above;
    if (above < n) {
        Forget(memo);
    }
}

int TMemoPainter::ViewMove(const TFrame& f, const TScrMap& map, const TScrMap& previous) const {
    if (f.wrap != paintedWrap_ || f.horz != paintedHorz_) {
        return 0;
    }
    if (f.top == paintedTop_) {
        // Within one wrapped top line the map's rows stay where they are.
        return f.firstRow == paintedFirstRow_ + 1 ? -1 : f.firstRow == paintedFirstRow_ - 1 ? 1 : 0;
    }
    if (!f.wrap) {
        if (f.firstRow != 0 || paintedFirstRow_ != 0) {
            return 0;
        }
        return f.top == paintedTop_ + 1 ? -1 : f.top == paintedTop_ - 1 ? 1 : 0;
    }
    // A wrapped line: one row only when the view left the old top line's last row, or came
    // to the new top line's last row.
    if (f.top == paintedTop_ + 1 && f.firstRow == 0 && !shifted_ && previous.LineCount() >= 2 &&
        previous.LineRow(1) == paintedFirstRow_ + 1) {
        return -1;
    }
    if (f.top == paintedTop_ - 1 && paintedFirstRow_ == 0 && map.LineCount() >= 2 &&
        f.firstRow == map.LineRow(1) - 1) {
        return 1;
    }
    return 0;
}

void TMemoPainter::ScrollWholeView(TScrMap& previous, const TFrame& f, int move) {
    const TRect band{0, 0, f.width, std::min(f.height, (f.visibleRows + 1) * f.lineHeight)};
    const int last = previous.RowCount() - 1;
    if (move > 0) {
        previous.ShiftRowsDown(1, last);
        previous.ResetRow(paintedFirstRow_);
        queue_.push_back({band, TScrollDirection::Down, f.lineHeight});
    } else {
        previous.ShiftRowsUp(0, last);
        ResetRows(previous, paintedFirstRow_ + f.visibleRows - 1, last);
        queue_.push_back({band, TScrollDirection::Up, f.lineHeight});
    }
}

void TMemoPainter::Realign(TScrMap& previous, int firstRow) {
    const int k = firstRow - paintedFirstRow_;
    paintedFirstRow_ = firstRow;
    const int count = previous.RowCount();
    if (k == 0) {
        return;
    }
    if (std::abs(k) >= count) {
        ResetRows(previous, 0, count - 1);
        return;
    }
    if (k > 0) {
        for (int i = 0; i < k; ++i) {
            previous.ShiftRowsDown(1, count - 1);
        }
        ResetRows(previous, 0, k - 1);
    } else {
        for (int i = 0; i < -k; ++i) {
            previous.ShiftRowsUp(0, count - 1);
        }
        ResetRows(previous, count + k, count - 1);
    }
}

bool TMemoPainter::HighlightsCurrent(const TuniMemo& memo) const {
    if (!painted_) {
        return false;
    }
    const int line = memo.EffectiveHighlightLine() ? memo.Caret().Y : -1;
    const int column =
        memo.EffectiveHighlightColumn() ? memo.VisualColumn(memo.Caret()) + memo.TabOffset() : -1;
    return line == paintedCaretLine_ && column == paintedColumn_;
}

// --- the paint ---------------------------------------------------------------------------

void TMemoPainter::Paint(TuniMemo& memo, TCanvas& canvas, TPaintKind kind) {
    const int lineHeight = memo.LineHeight();
    if (lineHeight <= 0 || canvas.Obscured()) {
        return;
    }
    TFrame f;
    f.memo = &memo;
    f.width = canvas.Width();
    f.height = canvas.Height();
    f.lineHeight = lineHeight;
    f.charWidth = std::max(memo.CharWidth(), 1);
    f.gutter = std::max(memo.GutterWidth(), 0);
    f.visibleRows = std::max(f.height / lineHeight, 1);
    f.top = memo.TopLine();
    f.firstRow = memo.FirstRow();
    f.horz = memo.HorzScroll();
    f.wrap = memo.WordWrap();
    f.fixedPitch = !memo.Proportional();
    f.area = {f.gutter, 0, f.width, f.height};
    const TMemoSettings& settings = memo.Settings();
    f.control = settings.backgroundColor;
    f.highlight = settings.highlightColor;
    const TCommonSettings common =
        memo.CommonSettings() != nullptr ? *memo.CommonSettings() : TCommonSettings{};
    f.gutterBack = common.gutterBColor;
    f.gutterMark = common.gutterFColor;
    f.gutterMore = common.gutterFColor2;
    f.lineHighlight = memo.EffectiveHighlightLine();
    f.caret = memo.Caret();
    if (memo.EffectiveHighlightColumn()) {
        f.caretColumn = memo.VisualColumn(f.caret) + memo.TabOffset();
    }
    f.selection = memo.SelectionActive();
    f.hasSelection = f.selection && memo.SelStart().pos != memo.SelEnd().pos;
    if (f.hasSelection) {
        f.sel = memo.NormalSelection();
    }
    f.fullPending = memo.FullRepaintPending();
    for (int n = 0; n < TuniMemo::kBookmarkCount; ++n) {
        f.bookmarkLines[static_cast<size_t>(n)] = memo.Bookmark(n).Y;
    }
    f.incremental = kind == TPaintKind::Changed && painted_ && f.width == paintedWidth_ &&
                    f.height == paintedHeight_ && f.lineHeight == paintedLineHeight_ &&
                    f.charWidth == paintedCharWidth_ && f.gutter == paintedGutter_;
    f.horzChanged = f.horz != paintedHorz_;

    struct TSession {
        TMemoPainter& painter;
        TCanvas& canvas;
        ~TSession() {
            painter.canvas_ = nullptr;
            canvas.EndPaint();
        }
    };
    canvas.BeginPaint();
    TSession session{*this, canvas};
    canvas_ = &canvas;
    // Until this paint is through, the surface and the previous map may disagree.
    painted_ = false;

    TScrMap& map = memo.MapForPainting();
    TScrMap& previous = memo.PreviousMapForPainting();
    if (f.incremental) {
        if (const int move = ViewMove(f, map, previous); move != 0) {
            ScrollWholeView(previous, f, move);
        }
        for (const TBandScroll& s : queue_) {
            canvas.ScrollBand(s.band, s.direction, s.distance);
        }
        Realign(previous, f.firstRow);
    }
    queue_.clear();

    for (int r = f.firstRow; (r - f.firstRow) * f.lineHeight < f.height; ++r) {
        PaintRow(f, map, previous, r);
    }
    ShowCaret(f);

    map.AssignTo(previous);
    paintedTop_ = f.top;
    paintedFirstRow_ = f.firstRow;
    paintedHorz_ = f.horz;
    paintedWrap_ = f.wrap;
    paintedWidth_ = f.width;
    paintedHeight_ = f.height;
    paintedLineHeight_ = f.lineHeight;
    paintedCharWidth_ = f.charWidth;
    paintedGutter_ = f.gutter;
    paintedColumn_ = f.caretColumn;
    paintedCaretLine_ = f.lineHighlight ? f.caret.Y : -1;
    shifted_ = false;
    painted_ = true;
}

void TMemoPainter::PaintRow(const TFrame& f, TScrMap& map, const TScrMap& previous, int r) {
    TRowPaint rp;
    rp.row = r;
    rp.y = (r - f.firstRow) * f.lineHeight;
    rp.origin = f.area.left - f.horz * f.charWidth;
    rp.x0 = rp.origin;
    if (r >= map.RowCount()) {
        canvas_->FillRect({f.area.left, rp.y, f.area.right, rp.y + f.lineHeight}, f.control);
        PaintGutter(f, map, r, rp.y);
        return;
    }
    const int n = map.CellCount(r);
    rp.count = n;
    // A row may show a window into a long line: its cells start right of the line's start.
    const int left = map.CellsWidth(r, 0);
    rp.x0 = rp.origin + left;
    rp.line = f.top + map.RowLine(r);
    rp.rowBg = f.lineHighlight && rp.line == f.caret.Y ? f.highlight : f.control;
    rp.columnCell = ColumnCell(map, r, f.caretColumn, f.charWidth);

    const bool everything =
        n == 0 || !f.incremental || f.horzChanged || left != previous.CellsWidth(r, 0);
    rp.first = everything ? 1 : map.CompareRow(previous, r);
    const int first = rp.first;

    states_.assign(static_cast<size_t>(n) + 2, 0);
    const int compared = std::min(n, first - 1); // cells before `first` carry a fresh state
    for (int j = 1; j <= compared; ++j) {
        states_[static_cast<size_t>(j)] = map.CellState(r, j);
    }
    if (compared > 0) {
        // The caret column's colour is not part of the map: a cell that gains or loses it
        // has changed colour.
        const int before = ColumnCell(previous, r, paintedColumn_, f.charWidth);
        for (const int j : {rp.columnCell, before}) {
            if (j < 1 || j > compared) {
                continue;
            }
            const TColor now = j == rp.columnCell ? f.highlight : map.CellBg(r, j);
            const TColor was = j == before ? f.highlight : previous.CellBg(r, j);
            if (now != was) {
                auto& s = states_[static_cast<size_t>(j)];
                s = std::max<std::uint8_t>(s, 1);
            }
        }
        // Unchanged neighbours of changed cells are drawn again, so that glyph parts
        // reaching into them are restored. Decided on the comparison's states alone.
        const std::vector<std::uint8_t> was(states_);
        for (int j = 1; j <= compared; ++j) {
            const size_t i = static_cast<size_t>(j);
            if (was[i] != 0) {
                continue;
            }
            const bool leftChanged = j > 1 && was[i - 1] != 0;
            const bool rightChanged = j < compared ? was[i + 1] != 0 : j + 1 == first;
            if (leftChanged || rightChanged) {
                states_[i] = 2;
            }
        }
    }
    if (n > 0) {
        auto& last = states_[static_cast<size_t>(n)];
        if (first <= n + 1) {
            // Redrawn, and in full when its colour changed: the inset fill of state 2 would
            // leave its edges in the old colour.
            last = last == 1 ? 1 : 2;
        } else if (first == INT_MAX && f.incremental && !f.fullPending && !f.selection) {
            last = 1;
        }
    }

    // The end-of-line state: how the selection treats the columns past the row's text.
    if (f.hasSelection) {
        const int lastColumn = n > 0 ? map.CellColumn(r, n) : -1;
        const TPoint past{lastColumn + 1, rp.line};
        const TPoint s = f.sel.start;
        const TPoint t = f.sel.end;
        if (f.sel.mode == TSelectionMode::Column) {
            const int firstVirtual = map.RowWidth(r) / f.charWidth;
            rp.end = rp.line >= s.Y && rp.line <= t.Y && t.X > firstVirtual ? 2 : 0;
        } else if (!map.RowStartsLine(r + 1)) {
            // A wrapped row: the rest of it is selected when the next row's first cell is.
            rp.end = !Before(past, s) && Before(past, t) ? 1 : 0;
        } else if (!Before(past, s) && t.Y > rp.line) {
            rp.end = 1;
        } else if (f.wrap || !Before(past, t) || s.Y > rp.line) {
            rp.end = 0;
        } else {
            rp.end = 2;
        }
    }

    PaintBackground(f, map, rp);
    PaintText(f, map, rp);
    PaintGutter(f, map, r, rp.y);
}

// The background a cell has of its own (its map colour, or the caret column's), kNoColor
// for none; and the one it is filled with, the row's where it has none.
TColor TMemoPainter::OwnBackground(const TFrame& f, const TScrMap& map, const TRowPaint& rp,
                                   int j) {
    return j == rp.columnCell ? f.highlight : map.CellBg(rp.row, j);
}

TColor TMemoPainter::CellBackground(const TFrame& f, const TScrMap& map, const TRowPaint& rp,
                                    int j) {
    const TColor own = OwnBackground(f, map, rp, j);
    return own != kNoColor ? own : rp.rowBg;
}

void TMemoPainter::PaintBackground(const TFrame& f, const TScrMap& map, const TRowPaint& rp) {
    const int y = rp.y;
    const int bottom = y + f.lineHeight;
    const int right = f.area.right;
    int x = rp.x0;
    // The colour [x, right) has from a fill of the rest of this row, if any: cells fill
    // only their own rectangles, so it stays true as x advances.
    std::optional<TColor> rest;
    const auto fillRest = [&](TColor colour) {
        if (rest != colour) {
            canvas_->FillRect({x, y, right, bottom}, colour);
            rest = colour;
        }
    };
    int j = 1;
    for (; j <= rp.count && x < right; ++j) {
        if (j >= rp.first) {
            fillRest(rp.rowBg);
        }
        const int w = map.CellWidth(rp.row, j);
        const bool own = OwnBackground(f, map, rp, j) != kNoColor;
        const TColor bg = CellBackground(f, map, rp, j);
        const int mode = j < rp.first ? states_[static_cast<size_t>(j)] : own ? 1 : 2;
        if (rest != bg) {
            if (mode == 1) {
                canvas_->FillRect({x, y, x + w, bottom}, bg);
            } else if (mode == 2 && canvas_->BlendsGlyphEdges()) {
                canvas_->FillRect({x, y, x + w, bottom}, bg);
            } else if (mode == 2 && w > 2) {
                canvas_->FillRect({x + 1, y, x + w - 1, bottom}, bg);
            }
        }
        x += w;
    }
    if (j <= rp.count || x >= right) {
        return;
    }
    // Past the text.
    if (rp.end != 2) {
        fillRest(rp.end == 1 ? clHighlight : rp.rowBg);
    }
    const int lastColumn = rp.count > 0 ? map.CellColumn(rp.row, rp.count) : -1;
    const TNormalSelection& sel = f.sel;
    // Adjacent virtual cells of one colour are filled at once.
    int runLeft = x;
    bool running = false;
    TColor runColour = 0;
    const auto flush = [&] {
        if (running) {
            canvas_->FillRect({runLeft, y, std::min(x, right), bottom}, runColour);
            running = false;
        }
    };
    // A short line far left of a view scrolled along a long one: its virtual cells left of
    // the text area are skipped in one step, not walked through one by one.
    int k = 1;
    if (x < f.area.left - f.charWidth) {
        const int skipped = (f.area.left - x) / f.charWidth;
        k += skipped;
        x += skipped * f.charWidth;
        runLeft = x;
    }
    for (; x < right; ++k) {
        const int visual = (x - rp.origin) / f.charWidth;
        TColor colour = rp.rowBg;
        if (f.hasSelection && sel.mode == TSelectionMode::Column) {
            if (rp.line >= sel.start.Y && rp.line <= sel.end.Y && visual >= sel.start.X &&
                visual < sel.end.X) {
                colour = clHighlight;
            }
        } else if (f.hasSelection && !f.wrap) {
            const TPoint pos{lastColumn + k, rp.line};
            if (!Before(pos, sel.start) && Before(pos, sel.end)) {
                colour = clHighlight;
            }
        }
        if (colour == rp.rowBg && f.caretColumn >= 0 && visual == f.caretColumn) {
            colour = f.highlight;
        }
        const bool fill = (colour != rp.rowBg || rp.end == 2) && rest != colour;
        if (running && (!fill || runColour != colour)) {
            flush();
        }
        if (fill && !running) {
            running = true;
            runColour = colour;
            runLeft = x;
        }
        x += f.charWidth;
    }
    flush();
}

void TMemoPainter::PaintText(const TFrame& f, const TScrMap& map, const TRowPaint& rp) {
    const int y = rp.y;
    std::u16string text;
    int runX = 0;
    int runEnd = 0;
    TColor runFg = 0;
    std::uint8_t runStyle = 0;
    bool runGrid = false; // every cell of the run is one char width wide
    const auto flush = [&] {
        if (!text.empty()) {
            canvas_->DrawText(runX, y, text, runFg, runStyle);
            text.clear();
        }
    };
    int x = rp.x0;
    for (int j = 1; j <= rp.count && x < f.area.right; ++j) {
        const TScrCell& cell = map.Cell(rp.row, j);
        const int mode = j < rp.first ? states_[static_cast<size_t>(j)] : 2;
        if (mode == 0 || x + cell.width <= f.area.left || cell.ch == kTab) {
            flush();
            x += cell.width;
            continue;
        }
        if (cell.marker != TMarkerKind::None) {
            flush();
            canvas_->DrawMarker({x, y, x + cell.width, y + f.lineHeight},
                                MarkerLabel(cell.ch, cell.marker), cell.marker, cell.fg,
                                CellBackground(f, map, rp, j));
            x += cell.width;
            continue;
        }
        const bool grid = f.fixedPitch && cell.width == f.charWidth;
        // Runs keep glyph positions exact only on a fixed-pitch grid; a surrogate pair is
        // always drawn whole.
        const bool joins =
            !text.empty() && runEnd == x && runFg == cell.fg && runStyle == cell.style &&
            ((runGrid && grid) || (HighSurrogate(text.back()) && LowSurrogate(cell.ch)));
        if (!joins) {
            flush();
            runX = x;
            runFg = cell.fg;
            runStyle = cell.style;
            runGrid = grid;
        }
        runGrid = runGrid && grid;
        text.push_back(cell.ch);
        x += cell.width;
        runEnd = x;
    }
    flush();
}

void TMemoPainter::PaintGutter(const TFrame& f, const TScrMap& map, int r, int y) {
    if (f.gutter <= 0) {
        return;
    }
    canvas_->FillRect({0, y, f.gutter, y + f.lineHeight}, f.gutterBack);
    if (r >= map.RowCount()) {
        return;
    }
    if (!map.RowStartsLine(r)) {
        canvas_->DrawGutterMark(0, y, u'>', f.gutterMore);
        return;
    }
    const int line = f.top + map.RowLine(r);
    // Two bookmarks on one line would print over each other: the lower number shows.
    for (int n = 0; n < TuniMemo::kBookmarkCount; ++n) {
        if (f.bookmarkLines[static_cast<size_t>(n)] == line) {
            canvas_->DrawGutterMark(0, y, static_cast<char16_t>(u'0' + n), f.gutterMark);
            return;
        }
    }
}

void TMemoPainter::ShowCaret(const TFrame& f) {
    if (const std::optional<TRect> r = f.memo->CaretRect()) {
        canvas_->PlaceCaret(r->left, r->top, r->Width(), r->Height());
    } else {
        canvas_->HideCaret();
    }
}

// --- the editor's entry for a window paint -----------------------------------------------

void TuniMemo::PaintWhole() {
    if (platform_.canvas == nullptr) {
        return;
    }
    RebuildMap();
    painter_.Paint(*this, *platform_.canvas, TPaintKind::Whole);
}
