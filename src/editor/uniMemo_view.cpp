// The view: layout into the screen map, caret placement by pixels, paging, keeping the
// caret visible, the update cycle and the scroll bars.
#include <algorithm>

#include "editor/uniMemo.h"

namespace {

// A screen has fewer rows than this; it bounds the loops that walk the view row by row.
constexpr int kRowWalkLimit = 100000;

} // namespace

int TuniMemo::ClientWidth() const {
    return platform_.window != nullptr ? platform_.window->ClientWidth()
                                       : 80 * metrics_.charWidth + settings_.gutterWidth;
}

int TuniMemo::ClientHeight() const {
    return platform_.window != nullptr ? platform_.window->ClientHeight()
                                       : 25 * metrics_.lineHeight;
}

int TuniMemo::VisibleRows() const {
    return std::max(ClientHeight() / metrics_.lineHeight, 1);
}

int TuniMemo::VisibleColumns() const {
    return std::max((ClientWidth() - settings_.gutterWidth) / metrics_.charWidth, 1);
}

void TuniMemo::SetTopLine(int line, int firstRow) {
    topLine_ = std::clamp(line, 0, std::max(lines_->Count() - 1, 0));
    firstRow_ = std::max(firstRow, 0);
}

TLayoutParams TuniMemo::LayoutParams() const {
    TLayoutParams p;
    p.lines = lines_;
    p.measurer = platform_.measurer;
    p.geometry = &geometry_;
    p.topLine = topLine_;
    p.firstRow = firstRow_;
    p.scrollX = wordWrap_ ? 0 : horzScroll_ * metrics_.charWidth;
    p.visibleRows = VisibleRows();
    p.wordWrap = wordWrap_;
    p.textAreaWidth = ClientWidth() - settings_.gutterWidth;
    p.tabSize = settings_.tabSize;
    p.textColor = settings_.textColor;
    p.highlightColor = settings_.highlightColor;
    p.highlightLine = EffectiveHighlightLine();
    p.caretLine = caret_.Y;
    p.highlighter = &colorerCells_;
    if (HasSelectedText()) {
        const TNormalSelection n = NormalSelection();
        p.selection.kind = n.mode == TSelectionMode::Column ? TLayoutSelection::Kind::Column
                                                            : TLayoutSelection::Kind::Stream;
        p.selection.start = n.start;
        p.selection.end = n.end;
    }
    return p;
}

void TuniMemo::RebuildMap() {
    UpdateColorerWindow();
    const TLayoutParams p = LayoutParams();
    LayoutLines(map_, p);
    layoutTopLine_ = topLine_;
    layoutWidth_ = p.textAreaWidth;
    layoutRows_ = p.visibleRows;
    layoutDirty_ = false;
    mapFresh_ = true;
}

// The map is laid out again when the text changed or the view or anything the cells show
// (caret line, selection, colours) differs from what it was laid out for.
void TuniMemo::EnsureLayout() {
    if (layoutDirty_ || !map_.LaidOutFor(LayoutParams())) {
        RebuildMap();
    }
}

// The map must be laid out for the current top line.
int TuniMemo::RowsOfTopLine() const {
    return map_.LineRowCount(0);
}

TPoint TuniMemo::CaretPixel() {
    EnsureLayout();
    return map_.PosToPixel({caret_.X, caret_.Y - topLine_}, firstRow_, tabOffset_, VirtualSpace(),
                           metrics_);
}

int TuniMemo::CaretScreenRow() {
    EnsureLayout();
    const int k = caret_.Y - topLine_;
    if (k < map_.LineCount()) {
        return CaretPixel().Y / metrics_.lineHeight;
    }
    // Below a long wrapped line the map holds only in part: count the rows in between.
    const int last = map_.LineCount() - 1;
    int row = map_.LineRow(last) + map_.LineRowCount(last) - firstRow_;
    for (int line = topLine_ + last + 1; line < caret_.Y; ++line) {
        row += geometry_.RowCount(line);
    }
    return row + geometry_.RowOfColumn(caret_.Y, caret_.X).row;
}

// --- moving the caret by pixels ----------------------------------------------------------

void TuniMemo::AdvanceOneRow() {
    EnsureLayout();
    if (map_.LineHasRow(0, firstRow_ + 1)) {
        ++firstRow_;
    } else {
        ++topLine_;
        firstRow_ = 0;
        RebuildMap();
    }
}

void TuniMemo::MoveCaretToPixel(TPoint point, bool keepBeyondEOL) {
    tabOffset_ = 0;
    const bool beyond = keepBeyondEOL && VirtualSpace();
    const int lh = metrics_.lineHeight;
    const int count = lines_->Count();
    bool placed = false;
    for (int guard = 0; guard < kRowWalkLimit; ++guard) {
        EnsureLayout();
        if (point.Y < 0) {
            if (firstRow_ > 0) {
                --firstRow_;
                point.Y += lh;
            } else if (topLine_ > 0) {
                --topLine_;
                RebuildMap();
                firstRow_ = RowsOfTopLine() - 1;
                point.Y += lh;
            } else {
                break;
            }
            continue;
        }
        const bool lastRow = topLine_ >= count - 1 && !map_.LineHasRow(0, firstRow_ + 1);
        // A row that fits in the window whole is reached without scrolling; at the last row
        // the view cannot move further down and the point is clamped to the laid-out rows.
        if (point.Y + lh <= ClientHeight() || lh >= ClientHeight() || lastRow) {
            const TPoint pos = map_.PixelToPos(point, firstRow_, beyond, metrics_);
            const int line = topLine_ + pos.Y;
            caret_ = line < count ? TPoint{pos.X, line} : TPoint{caret_.X, std::max(count - 1, 0)};
            if (!beyond) {
                caret_.X = std::min(caret_.X, static_cast<int>(lines_->Get(caret_.Y).size()));
            }
            placed = true;
            break;
        }
        AdvanceOneRow();
        point.Y -= lh;
    }
    EnsureLayout();
    if (placed && lines_->Get(caret_.Y).size() > static_cast<size_t>(caret_.X) &&
        lines_->Get(caret_.Y)[static_cast<size_t>(caret_.X)] == u'\t') {
        const int tabX =
            map_.PosToPixel({caret_.X, caret_.Y - topLine_}, firstRow_, 0, beyond, metrics_).X;
        tabOffset_ = std::max((point.X - tabX) / metrics_.charWidth, 0);
    }
}

TPageResult TuniMemo::Page(TPageDirection direction) {
    const int n = VisibleRows();
    const int count = lines_->Count();
    TPoint point = CaretPixel();
    if (direction == TPageDirection::Up) {
        if (firstRow_ >= n) {
            firstRow_ -= n;
        } else {
            const int oldTop = topLine_;
            const int k = n - firstRow_;
            topLine_ = std::max(0, topLine_ - k);
            firstRow_ = 0;
            RebuildMap();
            for (int guard = 0; guard < kRowWalkLimit && topLine_ < count && map_.RowCount() > k;
                 ++guard) {
                if (map_.RowLine(k) + topLine_ + firstRow_ >= oldTop) {
                    break;
                }
                AdvanceOneRow();
                EnsureLayout();
            }
            if (map_.RowCount() > k && map_.RowLine(k) + topLine_ + firstRow_ > oldTop) {
                point.Y = 0;
            }
        }
    } else {
        EnsureLayout();
        const int a = firstRow_ + n;
        if (map_.LineHasRow(0, a)) {
            firstRow_ = a;
        } else if (a >= map_.RowCount() || topLine_ + map_.RowLine(a) > count - 1) {
            return TPageResult::ReachedEnd;
        } else {
            const int line = map_.RowLine(a);
            topLine_ += line;
            firstRow_ = a - map_.LineRow(line);
            RebuildMap();
        }
    }
    MoveCaretToPixel(point, true);
    return TPageResult::Moved;
}

// --- keeping the caret visible -----------------------------------------------------------

// Only the top line's row count matters here, which the map gives whatever first row it
// was laid out for; the map is laid out anew on the next use.
void TuniMemo::NormaliseFirstRow() {
    const int count = lines_->Count();
    EnsureLayout();
    for (int guard = 0; guard < kRowWalkLimit; ++guard) {
        if (firstRow_ > 0 && !map_.LineHasRow(0, firstRow_) && topLine_ < count - 1) {
            firstRow_ -= RowsOfTopLine();
            ++topLine_;
            RebuildMap();
        } else if (firstRow_ < 0 && topLine_ > 0) {
            --topLine_;
            RebuildMap();
            firstRow_ += RowsOfTopLine();
        } else {
            break;
        }
    }
    if (firstRow_ < 0) {
        firstRow_ = 0;
    } else if (!map_.LineHasRow(0, firstRow_)) {
        firstRow_ = std::max(RowsOfTopLine() - 1, 0);
    }
}

void TuniMemo::KeepCaretVisible() {
    const int n = VisibleRows();
    if (caret_.Y < topLine_) {
        topLine_ = caret_.Y;
        firstRow_ = 0;
    }
    if (caret_.Y > topLine_ + n) {
        topLine_ = caret_.Y - n;
        firstRow_ = 0;
    }
    if (wordWrap_) {
        NormaliseFirstRow();
        // The top line may have lost rows (an edit, an undo): normalising then moves the
        // view down, possibly past the caret.
        if (caret_.Y < topLine_) {
            topLine_ = caret_.Y;
            firstRow_ = 0;
        }
        if (caret_.Y == topLine_ && CaretScreenRow() < 0) {
            firstRow_ = std::max(firstRow_ + CaretScreenRow(), 0);
        }
        for (int guard = 0; guard < kRowWalkLimit; ++guard) {
            const int row = CaretScreenRow();
            if (row <= n - 1) {
                break;
            }
            firstRow_ += row - (n - 1);
            NormaliseFirstRow();
        }
        return;
    }
    if (caret_.Y - topLine_ + 1 > n) {
        topLine_ = caret_.Y - n + 1;
    }
    firstRow_ = 0;
    const int cw = metrics_.charWidth;
    const int x = CaretPixel().X;
    if (x < horzScroll_ * cw) {
        horzScroll_ = x / cw;
    } else if (x >= cw * (horzScroll_ + VisibleColumns())) {
        horzScroll_ = (x - cw * VisibleColumns() + 1) / cw;
    }
}

// --- the update cycle --------------------------------------------------------------------

void TuniMemo::UpdateView() {
    if (loading_ || destroying_) {
        return;
    }
    if (scrollBarsEnabled_ && platform_.scrollBars != nullptr) {
        platform_.scrollBars->ShowScrollBars(true, !wordWrap_);
    }
    bool paint = false;
    lastRowMove_ = 0;
    mapFresh_ = false;
    if (repaint_ || caret_ != caretBefore_ || topLine_ != prevTopLine_ ||
        firstRow_ != prevFirstRow_) {
        KeepCaretVisible();
        if (wordWrap_) {
            if ((topLine_ == prevTopLine_ && firstRow_ == prevFirstRow_ + 1) ||
                (topLine_ == prevTopLine_ + 1 && firstRow_ == 0)) {
                lastRowMove_ = 1;
            } else if ((topLine_ == prevTopLine_ && firstRow_ == prevFirstRow_ - 1) ||
                       (topLine_ == prevTopLine_ - 1 && prevFirstRow_ == 0)) {
                lastRowMove_ = -1;
            }
        } else if (horzScroll_ == prevHorzScroll_) {
            lastRowMove_ = topLine_ == prevTopLine_ + 1 ? 1 : topLine_ == prevTopLine_ - 1 ? -1 : 0;
        }
        paint = repaint_ || selActive_ || topLine_ != prevTopLine_ || firstRow_ != prevFirstRow_ ||
                horzScroll_ != prevHorzScroll_;
    }
    // A bracket at the caret is lit with its partner: a move onto one, along one or off
    // one repaints.
    if (colorer_ != nullptr && !loadPending_) {
        const bool onPair = colorer_->IsOnPair(caret_.X, caret_.Y);
        if (onPair || onPair != caretOnPair_) {
            paint = repaint_ = true;
        }
        caretOnPair_ = onPair;
    }
    // The caret line's and column's colours follow the caret: a move that leaves them on
    // the old place on screen needs a paint, not only a new caret position.
    if (!paint && platform_.canvas != nullptr && !painter_.HighlightsCurrent(*this)) {
        paint = true;
    }
    SetScrollBars();
    if (topLine_ != prevTopLine_) {
        fullRepaint_ = true;
    }
    caretBefore_ = caret_;
    prevTopLine_ = topLine_;
    prevFirstRow_ = firstRow_;
    prevHorzScroll_ = horzScroll_;
    if (paint) {
        Paint();
        if (!loadPending_) {
            RaiseCaret(false);
        }
    } else {
        PlaceCaret();
    }
}

// What painting needs from the model: the map laid out with the current colours, the
// request to the window, the caret. The painter draws from the map and keeps the
// previous map.
void TuniMemo::Paint() {
    // A map laid out for the same text, view, caret line and selection is what a new
    // layout would give, but syntax colours the map cannot compare: with a highlighter a
    // repaint lays out again (once per cycle).
    const TLayoutParams p = LayoutParams();
    if (!mapFresh_ && (repaint_ || fullRepaint_) && p.highlighter != nullptr &&
        p.highlighter->Active()) {
        RebuildMap();
    } else {
        EnsureLayout();
    }
    // The painter reads the repaint flags; they are cleared once it is through.
    if (platform_.canvas != nullptr) {
        // Only what changed is drawn, the caret with it; the surface tells its window itself.
        painter_.Paint(*this, *platform_.canvas, TPaintKind::Changed);
    } else if (platform_.window != nullptr) {
        // Without a surface the window paints everything from the map.
        platform_.window->Invalidate();
    }
    repaint_ = false;
    fullRepaint_ = false;
    if (platform_.canvas == nullptr) {
        PlaceCaret();
    }
}

std::optional<TRect> TuniMemo::CaretRect() {
    EnsureLayout();
    const TPoint pos{caret_.X, caret_.Y - topLine_};
    if (pos.Y < 0 || pos.Y >= map_.LineCount()) {
        return std::nullopt;
    }
    const TPoint p = CaretPixel();
    int x = p.X - horzScroll_ * metrics_.charWidth;
    if (p.Y < 0 || p.Y >= ClientHeight() || x < 0) {
        return std::nullopt;
    }
    const int width = overwrite_ ? map_.CellWidthAt(pos, metrics_.charWidth) : 2;
    if (x + settings_.gutterWidth >= ClientWidth()) {
        --x;
    }
    const int left = x + settings_.gutterWidth;
    return TRect{left, p.Y, left + width, p.Y + metrics_.lineHeight};
}

// The caret alone moved: the surface the editor paints on shows it.
void TuniMemo::PlaceCaret() {
    const std::optional<TRect> r = CaretRect();
    if (platform_.canvas != nullptr && !platform_.canvas->Obscured()) {
        if (r) {
            platform_.canvas->PlaceCaret(r->left, r->top, r->Width(), r->Height());
        } else {
            platform_.canvas->HideCaret();
        }
    }
}

void TuniMemo::SetScrollBars() {
    if (!scrollBarsEnabled_ || platform_.scrollBars == nullptr) {
        return;
    }
    const int count = lines_->Count();
    const int n = VisibleRows();
    int max = count - 1;
    if (count < n && count < map_.RowCount()) {
        max = n;
    }
    int page = n;
    int pos = topLine_;
    scrollScale_ = 1;
    if (max > 65535) {
        scrollScale_ = max / 65535 + 1;
        max /= scrollScale_;
        page /= scrollScale_;
        pos /= scrollScale_;
    }
    platform_.scrollBars->SetScrollInfo(TScrollBarKind::Vertical, {0, max, page, pos});
    if (!wordWrap_) {
        platform_.scrollBars->SetScrollInfo(TScrollBarKind::Horizontal, {0, 512, 80, horzScroll_});
    }
}

void TuniMemo::IdleStep(bool ctrl, bool shift) {
    const bool changed = ApplyModifierKeys(ctrl, shift);
    if (changed || forcedRepaint_) {
        forcedRepaint_ = false;
        repaint_ = true;
        UpdateView();
    }
    ColorerIdleStep();
    RaiseCaret(false);
}

void TuniMemo::RaiseCaret(bool refresh) {
    if (listeners_.Empty()) {
        return;
    }
    const std::u16string& line = lines_->Get(caret_.Y);
    const char16_t unit = refresh || static_cast<size_t>(caret_.X) >= line.size()
                              ? u'\0'
                              : line[static_cast<size_t>(caret_.X)];
    const int column = wordWrap_ || proportional_ ? caret_.X : VisualColumn(caret_) + tabOffset_;
    const TCaretReport report{column, refresh, unit, caret_.Y};
    listeners_.TellAll([&](TMemoListener& l) { l.CaretMoved(*this, report); });
}
