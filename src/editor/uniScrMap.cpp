// The screen map and the layout pass that fills it.
#include "editor/uniScrMap.h"

#include <algorithm>

void TScrMap::Clear() {
    rowCount_ = 0;
    lines_.clear();
    TScrRow& row = NewRow();
    row.startsLine = true;
    row.line = 0;
    lines_.push_back(0);
}

TScrRow& TScrMap::NewRow() {
    if (rowCount_ < static_cast<int>(rows_.size())) {
        rows_[Index(rowCount_)].cells.clear();
    } else {
        rows_.emplace_back();
    }
    return rows_[Index(rowCount_++)];
}

void TScrMap::AddCell(char16_t ch, TColor fg, int column, int width, std::uint8_t style,
                      TColor bg) {
    TScrRow& row = rows_[Index(rowCount_ - 1)];
    const size_t needed = row.cells.size() + 1;
    if (needed > row.cells.capacity()) {
        row.cells.reserve((needed / 100 + 1) * 100);
    }
    row.cells.push_back(TScrCell{ch, fg, bg, style, width, 0, column - 1});
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
    const int index = rowCount_;
    TScrRow& row = NewRow();
    row.startsLine = true;
    row.line = LineCount();
    lines_.push_back(index);
}

int TScrMap::CellCount(int row) const {
    if (row < 0 || row >= rowCount_) {
        return 0;
    }
    return static_cast<int>(rows_[Index(row)].cells.size());
}

bool TScrMap::RowStartsLine(int row) const {
    if (row < 0 || row >= rowCount_) {
        return true;
    }
    return rows_[Index(row)].startsLine;
}

int TScrMap::RowWidth(int row) const {
    return CellsWidth(row, CellCount(row));
}

int TScrMap::CellsWidth(int row, int n) const {
    if (row < 0 || row >= rowCount_) {
        return 0;
    }
    const auto& cells = rows_[Index(row)].cells;
    int width = 0;
    const size_t limit = std::min(cells.size(), static_cast<size_t>(std::max(n, 0)));
    for (size_t j = 0; j < limit; ++j) {
        width += cells[j].width;
    }
    return width;
}

int TScrMap::CompareRow(const TScrMap& previous, int row) {
    if (row < 0 || row >= rowCount_ || row >= previous.rowCount_) {
        return 1;
    }
    auto& cells = rows_[Index(row)].cells;
    const auto& before = previous.rows_[Index(row)].cells;
    const size_t common = std::min(cells.size(), before.size());
    int result = cells.size() != before.size() ? static_cast<int>(common) + 1 : INT_MAX;
    for (size_t j = 0; j < common; ++j) {
        TScrCell& c = cells[j];
        const TScrCell& b = before[j];
        if (c.ch != b.ch || c.style != b.style) {
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
    target.lines_ = lines_;
}

void TScrMap::ResetRow(int row) {
    if (row < 0 || row >= rowCount_) {
        return;
    }
    rows_[Index(row)].cells.clear();
    rows_[Index(row)].startsLine = true;
}

void TScrMap::ShiftRowsUp(int from, int to) {
    to = std::min(to, rowCount_ - 2);
    for (int k = std::max(from, 0); k <= to; ++k) {
        rows_[Index(k)] = rows_[Index(k + 1)];
    }
}

void TScrMap::ShiftRowsDown(int from, int to) {
    to = std::min(to, rowCount_ - 1);
    from = std::max(from, 1);
    for (int k = to; k >= from; --k) {
        rows_[Index(k)] = rows_[Index(k - 1)];
    }
}

TPoint TScrMap::PosToPixel(TPoint pos, int firstRow, int tabOffset, bool beyondEOL,
                           TScrMetrics metrics) const {
    if (pos.Y < 0 || pos.Y >= LineCount()) {
        return {beyondEOL ? pos.X * metrics.charWidth : 0,
                (rowCount_ - firstRow) * metrics.lineHeight};
    }
    TPoint result;
    for (int r = lines_[Index(pos.Y)]; r < rowCount_; ++r) {
        const TScrRow& row = rows_[Index(r)];
        if (r != lines_[Index(pos.Y)] && row.startsLine) {
            break;
        }
        result.Y = (r - firstRow) * metrics.lineHeight;
        if (row.cells.empty()) {
            result.X = beyondEOL ? pos.X * metrics.charWidth : 0;
            return result;
        }
        int left = 0;
        for (const TScrCell& cell : row.cells) {
            if (cell.column == pos.X) {
                result.X = left + tabOffset * metrics.charWidth;
                return result;
            }
            left += cell.width;
        }
        result.X = left;
        if (beyondEOL) {
            result.X += (pos.X - row.cells.back().column - 1) * metrics.charWidth;
            return result;
        }
    }
    return result;
}

int TScrMap::CellWidthAt(TPoint pos, int defaultWidth) const {
    if (pos.Y < 0 || pos.Y >= LineCount()) {
        return defaultWidth;
    }
    for (int r = lines_[Index(pos.Y)]; r < rowCount_; ++r) {
        const TScrRow& row = rows_[Index(r)];
        if (r != lines_[Index(pos.Y)] && row.startsLine) {
            break;
        }
        for (const TScrCell& cell : row.cells) {
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
    const int r = std::clamp(point.Y / lineHeight + firstRow, 0, rowCount_ - 1);
    const TScrRow& row = rows_[Index(r)];
    TPoint pos{row.cells.empty() ? 0 : row.cells.back().column + 1, row.line};
    const int width = RowWidth(r);
    if (beyondEOL && width < point.X) {
        pos.X += (point.X - width + charWidth / 2 - 2) / charWidth;
    }
    int left = 0;
    for (size_t j = 0; j < row.cells.size(); ++j) {
        const int right = left + row.cells[j].width;
        if (right > point.X) {
            if (point.X - left <= right - point.X + 2) {
                pos.X = row.cells[j].column;
            } else {
                pos.X =
                    j + 1 < row.cells.size() ? row.cells[j + 1].column : row.cells[j].column + 1;
            }
            break;
        }
        left = right;
    }
    return pos;
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

} // namespace

void LayoutLines(TScrMap& map, const TLayoutParams& p) {
    map.Clear();
    if (p.lines == nullptr || p.measurer == nullptr) {
        return;
    }
    const int count = p.lines->Count();
    const int charWidth = std::max(p.measurer->SpaceWidth(), 1);
    const int tabSize = std::max(p.tabSize, 1);
    const bool colouring = p.highlighter != nullptr && p.highlighter->Active();
    const int lastIndex = p.topLine + p.visibleRows + 2;
    for (int index = p.topLine; index <= lastIndex && index <= count; ++index) {
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
            const auto add = [&](char16_t ch, int left, int width) {
                if (InSelection(p.selection, p.wordWrap, index, i - 1, left / charWidth)) {
                    map.AddCell(ch, clHighlightText, i, width, style, clHighlight);
                } else {
                    map.AddCell(ch, fg, i, width, style, bg);
                }
            };
            int right;
            if (unit != u'\t') {
                right = x + p.measurer->UnitExtent(unit, style);
                add(unit, x, right - x);
            } else {
                const int c = (x + charWidth / 2) / charWidth;
                right = ((c / tabSize) + 1) * tabSize * charWidth;
                const int span = right - x;
                const int fillers = std::max(span / charWidth - 1, 0);
                int left = x;
                for (int f = 0; f < fillers; ++f, left += charWidth) {
                    add(u' ', left, charWidth);
                }
                add(u'\t', left, right - left);
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
        map.EndLine();
    }
}
