// Line geometry: unit positions along unwrapped lines and row breaks of wrapped ones, with
// caches for long lines that follow the edits reported to them.
#include "editor/uniLineGeometry.h"

#include <algorithm>

#include "editor/uniCellMarker.h"

void TLineGeometry::SetMetrics(const TWStringList* lines, const TTextMeasurer* measurer,
                               int tabSize, int charWidth) {
    tabSize = std::max(tabSize, 1);
    charWidth = std::max(charWidth, 1);
    if (measurer != measurer_) {
        widths_.clear();
    }
    if (lines != lines_ || measurer != measurer_ || tabSize != tabSize_ ||
        charWidth != charWidth_) {
        entries_.clear();
    }
    lines_ = lines;
    measurer_ = measurer;
    tabSize_ = tabSize;
    charWidth_ = charWidth;
}

void TLineGeometry::SetWrapWidth(int width) {
    if (width == wrapWidth_) {
        return;
    }
    wrapWidth_ = width;
    for (TEntry& e : entries_) {
        e.rows.assign(1, TRowStart{});
        e.complete = false;
        e.firstEmpty = INT_MAX;
    }
}

int TLineGeometry::Length(int line) const {
    return lines_ != nullptr ? static_cast<int>(Text(line).size()) : 0;
}

void TLineGeometry::Clear() {
    entries_.clear();
    widths_.clear();
}

void TLineGeometry::LineChanging(int index, std::u16string_view before, std::u16string_view after) {
    LineChanged(index, static_cast<int>(CommonPrefix(before, after)));
}

// A long line that became short keeps its entry: a short line is never looked up, and what
// the entry keeps lies before every change it was told of.
void TLineGeometry::LineChanged(int index, int firstChanged) {
    ++announced_;
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [index](const TEntry& e) { return e.line == index; });
    if (it == entries_.end()) {
        return;
    }
    // What the units before the first changed one decide stays valid: the checkpoints up to
    // it and the rows whose break was found before it. The unit before it counts as changed
    // too: a surrogate's width depends on the unit after it.
    const int p = std::max(firstChanged - 1, 0);
    it->checkpoints.resize(std::min(it->checkpoints.size(), static_cast<size_t>(p / kBlock + 1)));
    const auto keep = std::upper_bound(it->rows.begin() + 1, it->rows.end(), p,
                                       [](int v, const TRowStart& r) { return v < r.resume; });
    it->rows.erase(keep, it->rows.end());
    it->complete = false;
    if (it->firstEmpty != INT_MAX && static_cast<size_t>(it->firstEmpty) + 1 >= it->rows.size()) {
        it->firstEmpty = INT_MAX;
    }
}

void TLineGeometry::LinesInserted(int index, int n) {
    ++announced_;
    for (TEntry& e : entries_) {
        if (e.line >= index) {
            e.line += n;
        }
    }
}

void TLineGeometry::LinesRemoved(int index, int n) {
    ++announced_;
    std::erase_if(entries_, [&](const TEntry& e) { return e.line >= index && e.line - index < n; });
    for (TEntry& e : entries_) {
        if (e.line >= index) {
            e.line -= n;
        }
    }
}

void TLineGeometry::Sync() {
    if (changes_ != announced_) {
        entries_.clear();
        changes_ = announced_ = 0;
    }
}

TLineGeometry::TEntry* TLineGeometry::Entry(int line) {
    Sync();
    if (lines_ == nullptr || Text(line).size() < static_cast<size_t>(kLongLine)) {
        return nullptr;
    }
    ++clock_;
    for (TEntry& e : entries_) {
        if (e.line == line) {
            e.used = clock_;
            return &e;
        }
    }
    if (entries_.size() >= kEntries) {
        entries_.erase(
            std::min_element(entries_.begin(), entries_.end(),
                             [](const TEntry& a, const TEntry& b) { return a.used < b.used; }));
    }
    TEntry& e = entries_.emplace_back();
    e.line = line;
    e.used = clock_;
    return &e;
}

int TLineGeometry::Width(const std::u16string& text, int i) {
    ++walked_;
    const char16_t unit = text[static_cast<size_t>(i)];
    if (IsSurrogate(unit)) {
        return UnitWidthAt(text, static_cast<size_t>(i), *measurer_, 0);
    }
    if (widths_.empty()) {
        widths_.assign(65536, -1);
    }
    std::int16_t& w = widths_[unit];
    if (w < 0) {
        const int width = UnitWidthAt(text, static_cast<size_t>(i), *measurer_, 0);
        w = static_cast<std::int16_t>(std::clamp(width, 0, 32767));
    }
    return w;
}

// A TAB always advances to the next stop, also from a position that already is one.
int TLineGeometry::TabRight(int x) const {
    ++walked_;
    const int c = (x + charWidth_ / 2) / charWidth_;
    return ((c / tabSize_) + 1) * tabSize_ * charWidth_;
}

int TLineGeometry::Advance(const std::u16string& text, int from, int to, int x) {
    const char16_t* p = text.data();
    for (int i = from; i < to; ++i) {
        x = p[i] == u'\t' ? TabRight(x) : x + Width(text, i);
    }
    return x;
}

TLineGeometry::TStep TLineGeometry::Step(const std::u16string& text, TWalk& w, bool wrap) {
    const char16_t unit = text[static_cast<size_t>(w.unit)];
    TStep s;
    s.left = w.x;
    s.right = unit == u'\t' ? TabRight(s.left) : s.left + Width(text, w.unit);
    if (unit == u' ' || unit == u'\t') {
        w.lastBreak = w.unit + 2;
        w.breakX = s.right;
    }
    if (wrap && s.right >= wrapWidth_) {
        // No break opportunity from column 20 on since the last wrap: the unit that
        // overflowed starts the next row.
        if (w.lastBreak < 20) {
            w.lastBreak = w.unit + 1;
            w.breakX = s.left;
        }
        const int moved = w.lastBreak - 1;
        const bool moves = moved <= w.unit;
        s.wrapped = true;
        s.next = {moves ? moved : w.unit + 1, w.unit + 1, moves ? s.right - w.breakX : 0};
        w.x = s.next.x;
        w.lastBreak = 0;
    } else {
        w.x = s.right;
    }
    ++w.unit;
    return s;
}

void TLineGeometry::AppendUnit(const std::u16string& text, int unit, int left, int right,
                               std::vector<TRawCell>& out) const {
    const char16_t ch = text[static_cast<size_t>(unit)];
    if (ch != u'\t') {
        out.push_back(
            {ch, unit, left, right - left, MarkerAt(text, static_cast<size_t>(unit), *measurer_)});
        return;
    }
    const int fillers = std::max((right - left) / charWidth_ - 1, 0);
    for (int f = 0; f < fillers; ++f, left += charWidth_) {
        out.push_back({u' ', unit, left, charWidth_});
    }
    out.push_back({u'\t', unit, left, right - left});
}

// --- unwrapped lines ---------------------------------------------------------------------

size_t TLineGeometry::CoverX(TEntry& e, const std::u16string& text, int column) {
    const size_t k = static_cast<size_t>(column / kBlock);
    while (e.checkpoints.size() <= k) {
        const int i = static_cast<int>(e.checkpoints.size()) - 1;
        e.checkpoints.push_back(Advance(text, i * kBlock, (i + 1) * kBlock, e.checkpoints.back()));
    }
    return k;
}

int TLineGeometry::X(int line, int column) {
    TEntry* e = Entry(line);
    if (lines_ == nullptr) {
        return 0;
    }
    const std::u16string& text = Text(line);
    column = std::clamp(column, 0, static_cast<int>(text.size()));
    if (e == nullptr) {
        return Advance(text, 0, column, 0);
    }
    const size_t k = CoverX(*e, text, column);
    return Advance(text, static_cast<int>(k) * kBlock, column, e->checkpoints[k]);
}

int TLineGeometry::UnitAt(int line, int x) {
    TEntry* e = Entry(line);
    if (lines_ == nullptr || x < 0) {
        return 0;
    }
    const std::u16string& text = Text(line);
    const int length = static_cast<int>(text.size());
    int unit = 0;
    int left = 0;
    if (e != nullptr) {
        // The last checkpoint at or left of x; the unit sought lies in its block or after.
        while (e->checkpoints.back() <= x &&
               static_cast<int>(e->checkpoints.size()) * kBlock <= length) {
            CoverX(*e, text, static_cast<int>(e->checkpoints.size()) * kBlock);
        }
        const auto it = std::upper_bound(e->checkpoints.begin(), e->checkpoints.end(), x) - 1;
        unit = static_cast<int>(it - e->checkpoints.begin()) * kBlock;
        left = *it;
    }
    for (; unit < length; ++unit) {
        const char16_t ch = text[static_cast<size_t>(unit)];
        left = ch == u'\t' ? TabRight(left) : left + Width(text, unit);
        if (left > x) {
            return unit;
        }
    }
    return length;
}

void TLineGeometry::Cells(int line, int first, int right, std::vector<TRawCell>& out) {
    out.clear();
    if (lines_ == nullptr) {
        return;
    }
    const std::u16string& text = Text(line);
    int x = X(line, first);
    for (int unit = std::max(first, 0); unit < static_cast<int>(text.size()) && x < right; ++unit) {
        const char16_t ch = text[static_cast<size_t>(unit)];
        const int next = ch == u'\t' ? TabRight(x) : x + Width(text, unit);
        AppendUnit(text, unit, x, next, out);
        x = next;
    }
}

int TLineGeometry::Hit(int line, int x, bool beyondEOL) {
    if (lines_ == nullptr) {
        return 0;
    }
    const std::u16string& text = Text(line);
    const int length = static_cast<int>(text.size());
    const int unit = UnitAt(line, x);
    if (unit >= length) {
        const int width = X(line, length);
        int column = length;
        if (beyondEOL && width < x) {
            column += (x - width + charWidth_ / 2 - 2) / charWidth_;
        }
        return column;
    }
    const int left = X(line, unit);
    const char16_t ch = text[static_cast<size_t>(unit)];
    const int right = ch == u'\t' ? TabRight(left) : left + Width(text, unit);
    int cellLeft = left;
    int cellRight = right;
    bool filler = false;
    if (ch == u'\t') {
        const int fillers = std::max((right - left) / charWidth_ - 1, 0);
        if (x - left < fillers * charWidth_) {
            cellLeft = left + std::max(x - left, 0) / charWidth_ * charWidth_;
            cellRight = cellLeft + charWidth_;
            filler = true;
        } else {
            cellLeft = left + fillers * charWidth_;
        }
    }
    // Past a filler's middle the next cell still belongs to the same TAB.
    return x - cellLeft <= cellRight - x + 2 || filler ? unit : unit + 1;
}

int TLineGeometry::CellWidth(int line, int column, int defaultWidth) {
    if (lines_ == nullptr) {
        return defaultWidth;
    }
    const std::u16string& text = Text(line);
    if (column < 0 || column >= static_cast<int>(text.size())) {
        return defaultWidth;
    }
    const char16_t ch = text[static_cast<size_t>(column)];
    if (ch != u'\t') {
        return Width(text, column);
    }
    const int left = X(line, column);
    const int span = TabRight(left) - left;
    return span / charWidth_ - 1 > 0 ? charWidth_ : span;
}

// --- wrapped lines -----------------------------------------------------------------------

bool TLineGeometry::NextRow(const std::u16string& text, TRowStart start, TRowStart& next) {
    TWalk w{start.resume, start.x, 0, 0};
    const int length = static_cast<int>(text.size());
    while (w.unit < length) {
        const TStep s = Step(text, w, true);
        if (s.wrapped) {
            next = s.next;
            return true;
        }
    }
    return false;
}

void TLineGeometry::CoverRow(TEntry& e, const std::u16string& text, int row) {
    while (!e.complete && e.rows.size() <= static_cast<size_t>(row)) {
        TRowStart next;
        if (!NextRow(text, e.rows.back(), next)) {
            e.complete = true;
            break;
        }
        if (next.first == e.rows.back().first) {
            e.firstEmpty = std::min(e.firstEmpty, static_cast<int>(e.rows.size()) - 1);
        }
        e.rows.push_back(next);
    }
}

void TLineGeometry::ShortRows(const std::u16string& text, std::vector<TRowStart>& rows) {
    rows.assign(1, TRowStart{});
    TRowStart next;
    while (NextRow(text, rows.back(), next)) {
        rows.push_back(next);
    }
}

bool TLineGeometry::HasRow(int line, int row) {
    if (row < 0 || lines_ == nullptr) {
        return row == 0;
    }
    if (TEntry* e = Entry(line)) {
        CoverRow(*e, Text(line), row);
        return static_cast<size_t>(row) < e->rows.size();
    }
    ShortRows(Text(line), scratch_);
    return static_cast<size_t>(row) < scratch_.size();
}

int TLineGeometry::RowCount(int line) {
    if (lines_ == nullptr) {
        return 1;
    }
    if (TEntry* e = Entry(line)) {
        CoverRow(*e, Text(line), INT_MAX);
        return static_cast<int>(e->rows.size());
    }
    ShortRows(Text(line), scratch_);
    return static_cast<int>(scratch_.size());
}

TRowStart TLineGeometry::Row(int line, int row) {
    if (lines_ == nullptr || row <= 0) {
        return {};
    }
    const std::vector<TRowStart>* rows = &scratch_;
    if (TEntry* e = Entry(line)) {
        CoverRow(*e, Text(line), row);
        rows = &e->rows;
    } else {
        ShortRows(Text(line), scratch_);
    }
    return (*rows)[std::min(static_cast<size_t>(row), rows->size() - 1)];
}

void TLineGeometry::BuildRow(const std::u16string& text, TRowStart start, int end,
                             std::vector<TRawCell>& out) {
    out.clear();
    // The cells the break moved: one unit (perhaps a TAB, which keeps its width), or units
    // after a break opportunity, which hold no TAB.
    if (start.resume - start.first == 1) {
        AppendUnit(text, start.first, 0, start.x, out);
    } else {
        int x = 0;
        for (int unit = start.first; unit < start.resume; ++unit) {
            const int width = Width(text, unit);
            AppendUnit(text, unit, x, x + width, out);
            x += width;
        }
    }
    TWalk w{start.resume, start.x, 0, 0};
    while (w.unit < end) {
        const int unit = w.unit;
        const TStep s = Step(text, w, true);
        AppendUnit(text, unit, s.left, s.right, out);
        if (s.wrapped) {
            const int moved = s.next.first;
            std::erase_if(out, [moved](const TRawCell& c) { return c.column >= moved; });
            return;
        }
    }
}

void TLineGeometry::RowCells(int line, int row, std::vector<TRawCell>& out) {
    if (lines_ == nullptr) {
        out.clear();
        return;
    }
    const TRowStart start = Row(line, row);
    const std::u16string& text = Text(line);
    BuildRow(text, start, static_cast<int>(text.size()), out);
}

TLineGeometry::TRowHit TLineGeometry::RowOfColumn(int line, int column) {
    if (lines_ == nullptr) {
        return {};
    }
    const std::u16string& text = Text(line);
    const int length = static_cast<int>(text.size());
    TEntry* e = Entry(line);
    std::vector<TRowStart> local;
    const std::vector<TRowStart>* rows = &local;
    int firstEmpty = INT_MAX;
    if (e != nullptr) {
        if (column >= 0 && column < length) {
            while (!e->complete && e->rows.back().first <= column) {
                CoverRow(*e, text, static_cast<int>(e->rows.size()));
            }
        } else {
            CoverRow(*e, text, INT_MAX);
        }
        rows = &e->rows;
        firstEmpty = e->firstEmpty;
    } else {
        ShortRows(text, local);
        for (size_t r = 0; r + 1 < local.size(); ++r) {
            if (local[r].first == local[r + 1].first) {
                firstEmpty = static_cast<int>(r);
                break;
            }
        }
    }
    const int last = static_cast<int>(rows->size()) - 1;
    if (column >= 0 && column < length) {
        const auto it = std::upper_bound(rows->begin(), rows->end(), column,
                                         [](int v, const TRowStart& r) { return v < r.first; });
        const int row = static_cast<int>(it - rows->begin()) - 1;
        if (firstEmpty < row) {
            return {firstEmpty, false, true, row};
        }
        return {row, true, false, row};
    }
    if (firstEmpty < last) {
        return {firstEmpty, false, true};
    }
    return {last, false, (*rows)[static_cast<size_t>(last)].first >= length};
}
