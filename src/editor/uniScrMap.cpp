// The screen map and the layout pass that fills it.
#include "editor/uniScrMap.h"

#include <algorithm>

#include "base/uniAssert.h"
#include "editor/uniCellMarker.h"

void TScrMap::Clear() {
    rowCount_ = 0;
    rowBase_ = 0;
    lines_.clear();
    info_.clear();
    geometry_ = nullptr;
    wrap_ = false;
    scrollX_ = 0;
    windows_ = false;
    cut_ = false;
    laidOut_ = false;
    TScrRow& row = NewRow();
    row.startsLine = true;
    row.line = 0;
    lines_.push_back(0);
    info_.push_back({});
}

TScrRow& TScrMap::NewRow() {
    if (rowCount_ < static_cast<int>(rows_.size())) {
        rows_[Index(rowCount_)].cells.clear();
        rows_[Index(rowCount_)].left = 0;
    } else {
        rows_.emplace_back();
    }
    return rows_[Index(rowCount_++)];
}

const TScrRow* TScrMap::RowAt(int row) const {
    const int i = row - rowBase_;
    return i >= 0 && i < rowCount_ ? &rows_[Index(i)] : nullptr;
}

TScrRow* TScrMap::RowAt(int row) {
    const int i = row - rowBase_;
    return i >= 0 && i < rowCount_ ? &rows_[Index(i)] : nullptr;
}

void TScrMap::AddCell(char16_t ch, TColor fg, int column, int width, std::uint8_t style, TColor bg,
                      TMarkerKind marker) {
    TScrRow& row = rows_[Index(rowCount_ - 1)];
    const size_t needed = row.cells.size() + 1;
    if (needed > row.cells.capacity()) {
        row.cells.reserve((needed / 100 + 1) * 100);
    }
    row.cells.push_back(TScrCell{ch, fg, bg, style, width, 0, marker, column - 1});
    row.line = LineCount() - 1;
}

int TScrMap::WrapAt(int column) {
    const int last = rowCount_ - 1;
    const int line = rows_[Index(last)].line;
    TScrRow& fresh = NewRow(); // may move rows_: take the old row only afterwards
    TScrRow& old = rows_[Index(last)];
    fresh.startsLine = false;
    fresh.line = line;
    auto first = std::find_if(old.cells.begin(), old.cells.end(),
                              [column](const TScrCell& c) { return c.column >= column - 1; });
    int width = 0;
    fresh.cells.reserve((static_cast<size_t>(old.cells.end() - first) / 100 + 1) * 100);
    for (auto it = first; it != old.cells.end(); ++it) {
        width += it->width;
        fresh.cells.push_back(*it);
    }
    old.cells.erase(first, old.cells.end());
    return width;
}

void TScrMap::EndLine() {
    PELMAR_ASSERT(lines_.size() == info_.size(), "every laid-out line has its line entry");
    const int index = RowCount();
    TScrRow& row = NewRow();
    row.startsLine = true;
    row.line = LineCount();
    lines_.push_back(index);
    info_.push_back({info_.back().doc + 1, false});
}

const TScrCell& TScrMap::Cell(int row, int j) const {
    static const TScrCell none;
    const TScrRow* r = RowAt(row);
    if (r == nullptr || j < 1 || static_cast<size_t>(j) > r->cells.size()) {
        return none;
    }
    return r->cells[Index(j - 1)];
}

int TScrMap::CellCount(int row) const {
    const TScrRow* r = RowAt(row);
    return r != nullptr ? static_cast<int>(r->cells.size()) : 0;
}

bool TScrMap::RowStartsLine(int row) const {
    const TScrRow* r = RowAt(row);
    if (r == nullptr) {
        return row < rowBase_ ? row == 0 : true;
    }
    return r->startsLine;
}

int TScrMap::RowLine(int row) const {
    const TScrRow* r = RowAt(row);
    if (r == nullptr) {
        return row < rowBase_ ? 0 : LineCount() - 1;
    }
    return r->line;
}

int TScrMap::RowLeft(int row) const {
    const TScrRow* r = RowAt(row);
    return r != nullptr ? r->left : 0;
}

int TScrMap::RowWidth(int row) const {
    return CellsWidth(row, CellCount(row));
}

int TScrMap::CellsWidth(int row, int n) const {
    const TScrRow* r = RowAt(row);
    if (r == nullptr) {
        return 0;
    }
    int width = r->left;
    const size_t limit = std::min(r->cells.size(), static_cast<size_t>(std::max(n, 0)));
    for (size_t j = 0; j < limit; ++j) {
        width += r->cells[j].width;
    }
    return width;
}

bool TScrMap::LineWindowed(int k) const {
    return k >= 0 && k < LineCount() && info_[Index(k)].windowed;
}

int TScrMap::RowsOfLine(int k) const {
    const int next = k + 1 < LineCount() ? lines_[Index(k + 1)] : RowCount();
    return std::max(next - lines_[Index(k)], 1);
}

bool TScrMap::LineHasRow(int k, int row) const {
    if (k < 0 || k >= LineCount() || row < 0) {
        return false;
    }
    if (wrap_ && info_[Index(k)].windowed) {
        PELMAR_ASSERT(geometry_ != nullptr, "a windowed line was laid out through a geometry");
        return geometry_->HasRow(info_[Index(k)].doc, row);
    }
    return row < RowsOfLine(k);
}

int TScrMap::LineRowCount(int k) const {
    if (k < 0 || k >= LineCount()) {
        return 1;
    }
    if (wrap_ && info_[Index(k)].windowed) {
        PELMAR_ASSERT(geometry_ != nullptr, "a windowed line was laid out through a geometry");
        return geometry_->RowCount(info_[Index(k)].doc);
    }
    return RowsOfLine(k);
}

bool TScrMap::Covers(int firstRow, int visibleRows, int scrollX) const {
    if (windows_ && scrollX != scrollX_) {
        return false;
    }
    if (firstRow < rowBase_) {
        return false;
    }
    return !cut_ || RowCount() >= firstRow + visibleRows + 3;
}

bool TScrMap::LaidOutFor(const TLayoutParams& p) const {
    const TLayoutParams& q = params_;
    const auto same = [](const TLayoutSelection& a, const TLayoutSelection& b) {
        return a.kind == b.kind &&
               (a.kind == TLayoutSelection::Kind::None || (a.start == b.start && a.end == b.end));
    };
    const bool lineColour = p.highlightLine && !p.wordWrap;
    return laidOut_ && p.lines == q.lines && p.measurer == q.measurer &&
           p.highlighter == q.highlighter && p.geometry == q.geometry && p.topLine == q.topLine &&
           p.visibleRows == q.visibleRows && p.wordWrap == q.wordWrap &&
           p.textAreaWidth == q.textAreaWidth && p.tabSize == q.tabSize &&
           p.textColor == q.textColor && p.highlightColor == q.highlightColor &&
           p.highlightLine == q.highlightLine && (!lineColour || p.caretLine == q.caretLine) &&
           same(p.selection, q.selection) && Covers(p.firstRow, p.visibleRows, p.scrollX);
}

int TScrMap::CompareRow(const TScrMap& previous, int row) {
    TScrRow* current = RowAt(row);
    const TScrRow* earlier = previous.RowAt(row);
    if (current == nullptr || earlier == nullptr) {
        return 1;
    }
    auto& cells = current->cells;
    const auto& before = earlier->cells;
    const size_t common = std::min(cells.size(), before.size());
    int result = cells.size() != before.size() ? static_cast<int>(common) + 1 : INT_MAX;
    for (size_t j = 0; j < common; ++j) {
        TScrCell& c = cells[j];
        const TScrCell& b = before[j];
        if (c.ch != b.ch || c.style != b.style || c.marker != b.marker) {
            c.state = 3;
        } else if (c.fg != b.fg || c.bg != b.bg) {
            c.state = 1;
        } else {
            c.state = 0;
        }
        if (c.state > 1) {
            return static_cast<int>(j) + 1;
        }
    }
    return result;
}

void TScrMap::AssignTo(TScrMap& target) const {
    if (target.rows_.size() < Index(rowCount_)) {
        target.rows_.resize(Index(rowCount_));
    }
    for (int r = 0; r < rowCount_; ++r) {
        target.rows_[Index(r)] = rows_[Index(r)]; // reuses the target's cell storage
    }
    target.rowCount_ = rowCount_;
    target.rowBase_ = rowBase_;
    target.lines_ = lines_;
    target.info_ = info_;
    target.geometry_ = geometry_;
    target.wrap_ = wrap_;
    target.scrollX_ = scrollX_;
    target.windows_ = windows_;
    target.cut_ = cut_;
    target.params_ = params_;
    target.laidOut_ = laidOut_;
}

void TScrMap::ResetRow(int row) {
    if (TScrRow* r = RowAt(row)) {
        r->cells.clear();
        r->startsLine = true;
    }
}

void TScrMap::ShiftRowsUp(int from, int to) {
    to = std::min(to, RowCount() - 2);
    for (int k = std::max(from, rowBase_); k <= to; ++k) {
        rows_[Index(k - rowBase_)] = rows_[Index(k + 1 - rowBase_)];
    }
}

void TScrMap::ShiftRowsDown(int from, int to) {
    to = std::min(to, RowCount() - 1);
    from = std::max({from, 1, rowBase_ + 1});
    for (int k = to; k >= from; --k) {
        rows_[Index(k - rowBase_)] = rows_[Index(k - 1 - rowBase_)];
    }
}

namespace {

// The hit test inside one row of cells (stored or rebuilt from the geometry).
template <class Cell>
int HitInRow(const std::vector<Cell>& cells, int width, int x, bool beyondEOL, int charWidth) {
    int column = cells.empty() ? 0 : cells.back().column + 1;
    if (beyondEOL && width < x) {
        column += (x - width + charWidth / 2 - 2) / charWidth;
    }
    int left = width;
    for (const Cell& c : cells) {
        left -= c.width;
    }
    for (size_t j = 0; j < cells.size(); ++j) {
        const int right = left + cells[j].width;
        if (right > x) {
            if (x - left <= right - x + 2) {
                column = cells[j].column;
            } else {
                column = j + 1 < cells.size() ? cells[j + 1].column : cells[j].column + 1;
            }
            break;
        }
        left = right;
    }
    return column;
}

int CellsSum(const std::vector<TRawCell>& cells) {
    int width = 0;
    for (const TRawCell& c : cells) {
        width += c.width;
    }
    return width;
}

} // namespace

TPoint TScrMap::PosToPixel(TPoint pos, int firstRow, int tabOffset, bool beyondEOL,
                           TScrMetrics metrics) const {
    if (pos.Y < 0 || pos.Y >= LineCount()) {
        return {beyondEOL ? pos.X * metrics.charWidth : 0,
                (RowCount() - firstRow) * metrics.lineHeight};
    }
    if (info_[Index(pos.Y)].windowed) {
        return WindowedPosToPixel(pos, firstRow, tabOffset, beyondEOL, metrics);
    }
    TPoint result;
    const int first = lines_[Index(pos.Y)];
    for (int r = first; r < RowCount(); ++r) {
        const TScrRow* row = RowAt(r);
        if (row == nullptr || (r != first && row->startsLine)) {
            break;
        }
        result.Y = (r - firstRow) * metrics.lineHeight;
        if (row->cells.empty()) {
            result.X = beyondEOL ? pos.X * metrics.charWidth : 0;
            return result;
        }
        int left = row->left;
        for (const TScrCell& cell : row->cells) {
            if (cell.column == pos.X) {
                result.X = left + tabOffset * metrics.charWidth;
                return result;
            }
            left += cell.width;
        }
        result.X = left;
        if (beyondEOL) {
            result.X += (pos.X - row->cells.back().column - 1) * metrics.charWidth;
            return result;
        }
    }
    return result;
}

// A long line: the same walk over its rows as above, on the rows the geometry gives.
TPoint TScrMap::WindowedPosToPixel(TPoint pos, int firstRow, int tabOffset, bool beyondEOL,
                                   TScrMetrics metrics) const {
    const int doc = info_[Index(pos.Y)].doc;
    const int cw = metrics.charWidth;
    const int firstY = (lines_[Index(pos.Y)] - firstRow) * metrics.lineHeight;
    const int length = geometry_->Length(doc);
    if (!wrap_) {
        if (pos.X >= 0 && pos.X < length) {
            return {geometry_->X(doc, pos.X) + tabOffset * cw, firstY};
        }
        return {geometry_->X(doc, length) + (beyondEOL ? (pos.X - length) * cw : 0), firstY};
    }
    int row = 0;
    if (beyondEOL) {
        // Virtual space: the walk stops on the first row, wherever the column is.
        geometry_->RowCells(doc, 0, raw_);
        if (raw_.empty()) {
            return {pos.X * cw, firstY};
        }
    } else {
        const TLineGeometry::TRowHit hit = geometry_->RowOfColumn(doc, pos.X);
        row = hit.row;
        if (hit.empty) {
            return {0, firstY + row * metrics.lineHeight};
        }
        geometry_->RowCells(doc, row, raw_);
    }
    const int y = firstY + row * metrics.lineHeight;
    for (const TRawCell& c : raw_) {
        if (c.column == pos.X) {
            return {c.left + tabOffset * cw, y};
        }
    }
    const int width = CellsSum(raw_);
    return {beyondEOL ? width + (pos.X - raw_.back().column - 1) * cw : width, y};
}

int TScrMap::CellWidthAt(TPoint pos, int defaultWidth) const {
    if (pos.Y < 0 || pos.Y >= LineCount()) {
        return defaultWidth;
    }
    if (info_[Index(pos.Y)].windowed) {
        const int doc = info_[Index(pos.Y)].doc;
        if (!wrap_) {
            return geometry_->CellWidth(doc, pos.X, defaultWidth);
        }
        const int row = geometry_->RowOfColumn(doc, pos.X).containing;
        if (row < 0) {
            return defaultWidth;
        }
        geometry_->RowCells(doc, row, raw_);
        for (const TRawCell& c : raw_) {
            if (c.column == pos.X) {
                return c.width;
            }
        }
        return defaultWidth;
    }
    const int first = lines_[Index(pos.Y)];
    for (int r = first; r < RowCount(); ++r) {
        const TScrRow* row = RowAt(r);
        if (row == nullptr || (r != first && row->startsLine)) {
            break;
        }
        for (const TScrCell& cell : row->cells) {
            if (cell.column == pos.X) {
                return cell.width;
            }
        }
    }
    return defaultWidth;
}

TPoint TScrMap::PixelToPos(TPoint point, int firstRow, bool beyondEOL, TScrMetrics metrics) const {
    const int lineHeight = std::max(metrics.lineHeight, 1);
    const int charWidth = std::max(metrics.charWidth, 1);
    const int r = std::clamp(point.Y / lineHeight + firstRow, 0, RowCount() - 1);
    const int line = RowLine(r);
    const TLineInfo& info = info_[Index(line)];
    if (info.windowed && !wrap_) {
        return {geometry_->Hit(info.doc, point.X, beyondEOL), line};
    }
    if (const TScrRow* row = RowAt(r)) {
        return {HitInRow(row->cells, RowWidth(r), point.X, beyondEOL, charWidth), line};
    }
    // A row of the top line before the ones the map holds.
    geometry_->RowCells(info.doc, r - lines_[Index(line)], raw_);
    return {HitInRow(raw_, CellsSum(raw_), point.X, beyondEOL, charWidth), line};
}

namespace {

bool InSelection(const TLayoutSelection& sel, bool wordWrap, int line, int column,
                 int visualColumn) {
    switch (sel.kind) {
    case TLayoutSelection::Kind::None:
        return false;
    case TLayoutSelection::Kind::Stream: {
        const bool afterStart =
            line > sel.start.Y || (line == sel.start.Y && column >= sel.start.X);
        const bool beforeEnd = line < sel.end.Y || (line == sel.end.Y && column < sel.end.X);
        return afterStart && beforeEnd;
    }
    case TLayoutSelection::Kind::Column:
        return !wordWrap && line >= sel.start.Y && line <= sel.end.Y &&
               visualColumn >= sel.start.X && visualColumn < sel.end.X;
    }
    return false;
}

// Colours one cell the geometry made and adds it to the map's last row.
void AddRawCell(TScrMap& map, const TLayoutParams& p, bool colouring, int index, const TRawCell& c,
                int charWidth) {
    TColor fg = p.textColor;
    TColor bg = kNoColor;
    std::uint8_t style = 0;
    if (colouring) {
        p.highlighter->CellColours(index, c.column + 1, fg, bg, style);
    }
    if (!p.wordWrap && p.highlightLine && index == p.caretLine && bg == kNoColor) {
        bg = p.highlightColor;
    }
    if (InSelection(p.selection, p.wordWrap, index, c.column, c.left / charWidth)) {
        map.AddCell(c.ch, clHighlightText, c.column + 1, c.width, style, clHighlight, c.marker);
    } else {
        map.AddCell(c.ch, fg, c.column + 1, c.width, style, bg, c.marker);
    }
}

// A line laid out whole, unit by unit.
void LayoutWhole(TScrMap& map, const TLayoutParams& p, bool colouring, int index, int charWidth,
                 int tabSize) {
    const std::u16string& text = p.lines->Get(index); // the line at count is empty
    int x = 0;
    int lastBreak = 0;
    for (int i = 1; i <= static_cast<int>(text.size()); ++i) {
        const char16_t unit = text[static_cast<size_t>(i - 1)];
        TColor fg = p.textColor;
        TColor bg = kNoColor;
        std::uint8_t style = 0;
        if (colouring) {
            p.highlighter->CellColours(index, i, fg, bg, style);
        }
        if (!p.wordWrap && p.highlightLine && index == p.caretLine && bg == kNoColor) {
            bg = p.highlightColor;
        }
        // Adds one cell whose left edge is `left`, in its own colours or the selection's.
        const auto add = [&](char16_t ch, int left, int width, TMarkerKind marker) {
            if (InSelection(p.selection, p.wordWrap, index, i - 1, left / charWidth)) {
                map.AddCell(ch, clHighlightText, i, width, style, clHighlight, marker);
            } else {
                map.AddCell(ch, fg, i, width, style, bg, marker);
            }
        };
        int right;
        if (unit != u'\t') {
            const TUnitCell cell = UnitCellAt(text, static_cast<size_t>(i - 1), *p.measurer, style);
            right = x + cell.width;
            add(unit, x, cell.width, cell.marker);
        } else {
            const int c = (x + charWidth / 2) / charWidth;
            right = ((c / tabSize) + 1) * tabSize * charWidth;
            const int span = right - x;
            const int fillers = std::max(span / charWidth - 1, 0);
            int left = x;
            for (int f = 0; f < fillers; ++f, left += charWidth) {
                add(u' ', left, charWidth, TMarkerKind::None);
            }
            add(u'\t', left, right - left, TMarkerKind::None);
        }
        if (unit == u' ' || unit == u'\t') {
            lastBreak = i + 1;
        }
        if (p.wordWrap && right >= p.textAreaWidth) {
            if (lastBreak < 20) {
                lastBreak = i;
            }
            x = map.WrapAt(lastBreak);
            lastBreak = 0;
        } else {
            x = right;
        }
    }
}

} // namespace

void LayoutLines(TScrMap& map, const TLayoutParams& p) {
    map.Clear();
    if (p.lines == nullptr || p.measurer == nullptr) {
        return;
    }
    map.params_ = p;
    map.laidOut_ = true;
    const int count = p.lines->Count();
    const int charWidth = std::max(p.measurer->SpaceWidth(), 1);
    const int tabSize = std::max(p.tabSize, 1);
    const bool colouring = p.highlighter != nullptr && p.highlighter->Active();
    const int lastIndex = p.topLine + p.visibleRows + 2;
    TLineGeometry* geometry = p.geometry;
    if (geometry != nullptr) {
        geometry->SetMetrics(p.lines, p.measurer, tabSize, charWidth);
        if (p.wordWrap) {
            geometry->SetWrapWidth(p.textAreaWidth);
        }
    }
    map.geometry_ = geometry;
    map.wrap_ = p.wordWrap;
    map.scrollX_ = p.scrollX;
    map.info_[0].doc = p.topLine;
    // Rows past this one cannot come into view before the next layout.
    const int rowsWanted = std::max(p.firstRow, 0) + p.visibleRows + 3;
    std::vector<TRawCell> raw;
    for (int index = p.topLine; index <= lastIndex && index <= count; ++index) {
        const int k = map.LineCount() - 1;
        if (geometry == nullptr || p.lines->Get(index).size() < static_cast<size_t>(kLongLine)) {
            LayoutWhole(map, p, colouring, index, charWidth, tabSize);
            map.EndLine();
            continue;
        }
        map.info_[static_cast<size_t>(k)].windowed = true;
        if (!p.wordWrap) {
            // The cells from the first one that reaches the scroll position to the right edge.
            const int first = geometry->UnitAt(index, p.scrollX);
            geometry->Cells(index, first, p.scrollX + p.textAreaWidth, raw);
            map.rows_[static_cast<size_t>(map.rowCount_ - 1)].left =
                raw.empty() ? geometry->X(index, first) : raw.front().left;
            for (const TRawCell& c : raw) {
                AddRawCell(map, p, colouring, index, c, charWidth);
            }
            map.windows_ = true;
            map.EndLine();
            continue;
        }
        // Wrapped: the rows from a screen above the view (the top line) or from the line's
        // first row, down to the rows that can be in view.
        int row = 0;
        if (k == 0) {
            row = std::max(p.firstRow - p.visibleRows, 0);
            if (row > 0 && !geometry->HasRow(index, row)) {
                row = geometry->RowCount(index) - 1;
            }
            map.rowBase_ = row;
            map.rows_[0].startsLine = row == 0;
        }
        for (;; ++row) {
            geometry->RowCells(index, row, raw);
            for (const TRawCell& c : raw) {
                AddRawCell(map, p, colouring, index, c, charWidth);
            }
            if (!geometry->HasRow(index, row + 1)) {
                break;
            }
            if (map.RowCount() >= rowsWanted) {
                map.cut_ = true;
                return;
            }
            TScrRow& next = map.NewRow();
            next.startsLine = false;
            next.line = k;
        }
        map.EndLine();
    }
}
