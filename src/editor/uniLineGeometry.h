// Where the units of whole document lines fall, measured as the layout measures them, with
// caches that keep long lines cheap: x checkpoints along unwrapped lines, row breaks of
// wrapped ones.
#pragma once

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/uniMeasure.h"
#include "text/uniStringList.h"

// One cell as the layout makes it, before colouring: a unit, or one filler of a TAB's
// expansion (the TAB's own cell comes last, after its fillers).
struct TRawCell {
    char16_t ch = u' ';
    int column = 0; // 0-based code unit index in the line
    int left = 0;   // x of the cell's left edge: along the line unwrapped, within its row wrapped
    int width = 0;
    TMarkerKind marker = TMarkerKind::None;
};

// Where a wrapped row begins: the layout reached it after unit `resume` - 1 with `x` the
// width of the cells that moved into it (units first .. resume - 1). Row 0 is {0, 0, 0}.
struct TRowStart {
    int first = 0;
    int resume = 0;
    int x = 0;
};

// Lines from this length on are laid out in windows and have their geometry cached; shorter
// ones are laid out whole, as cheaply as measuring them.
inline constexpr int kLongLine = 1024;

// The geometry of document lines in the regular font style (the highlighter's styles change
// the widths of short lines' cells only). The editor owns one and reports every change of
// its line list to it; a change it was not told about empties the caches, so a stale answer
// is never given.
class TLineGeometry {
public:
    TLineGeometry() = default;
    // Entries refer to lines of one list by index; a copy would not be told of changes.
    TLineGeometry(const TLineGeometry&) = delete;
    TLineGeometry& operator=(const TLineGeometry&) = delete;

    // What the measurements depend on; a change drops what it invalidates.
    void SetMetrics(const TWStringList* lines, const TTextMeasurer* measurer, int tabSize,
                    int charWidth);
    // The text area width rows wrap at (the layout's rule: a unit whose right edge reaches
    // it moves to the next row).
    void SetWrapWidth(int width);
    int CharWidth() const { return charWidth_; }
    int Length(int line) const;

    // --- change reports ----------------------------------------------------------------
    // Line `index` changes (or changed) from `before` to `after`.
    void LineChanging(int index, std::u16string_view before, std::u16string_view after);
    // Line `index` changed from its unit `firstChanged` on.
    void LineChanged(int index, int firstChanged);
    // n lines inserted before line `index`, or removed from it on.
    void LinesInserted(int index, int n = 1);
    void LinesRemoved(int index, int n = 1);
    // Any change of the list, reported with its place or not; each report above is matched
    // with one.
    void ListChanged() { ++changes_; }
    // Fonts changed: every width is measured again.
    void Clear();

    // --- unwrapped lines ---------------------------------------------------------------
    // The x of the left edge of unit `column` (0 .. length; length gives the line's width).
    int X(int line, int column);
    // The first unit whose right edge lies right of x; the length when none does.
    int UnitAt(int line, int x);
    // Cells of the units from `first` on whose left edge lies left of `right`.
    void Cells(int line, int first, int right, std::vector<TRawCell>& out);
    // The hit test of a click at x on the whole line (the map's rule: up to one pixel right
    // of a cell's middle lands before it; virtual space past the end when beyondEOL).
    int Hit(int line, int x, bool beyondEOL);
    // The width of the first cell that shows `column`, else `defaultWidth`.
    int CellWidth(int line, int column, int defaultWidth);

    // --- wrapped lines -----------------------------------------------------------------
    // Whether the line has a row with this index; wraps only as far as needed.
    bool HasRow(int line, int row);
    int RowCount(int line);
    TRowStart Row(int line, int row);
    // The cells of one row.
    void RowCells(int line, int row, std::vector<TRawCell>& out);
    // Where the map's position walk stops for `column`: the first row that is empty or
    // shows the column; `found` false when no row shows it (the walk then ends at the last
    // row, or at the first empty row).
    struct TRowHit {
        int row = 0;
        bool found = false;
        bool empty = false;
        int containing = -1; // the row that shows the column, -1 for none
    };
    TRowHit RowOfColumn(int line, int column);

    // The number of cached lines (tests).
    int CachedLines() const { return static_cast<int>(entries_.size()); }
    // The units walked so far, each width looked up or TAB stop taken. Tests read it to tell
    // work in proportion to the part of a line that is shown or moved over from work per
    // unit of the whole line.
    std::int64_t UnitsWalked() const { return walked_; }

private:
    static constexpr int kBlock = 1024;   // units between two x checkpoints
    static constexpr size_t kEntries = 8; // cached lines at most

    struct TEntry {
        int line = 0;
        std::uint64_t used = 0;
        std::vector<int> checkpoints{0}; // x at unit k * kBlock, a valid prefix
        std::vector<TRowStart> rows{TRowStart{}};
        bool complete = false;    // rows reach the end of the line
        int firstEmpty = INT_MAX; // the first row known to be empty
    };

    // The state of the walk along one row, as the layout keeps it.
    struct TWalk {
        int unit = 0;
        int x = 0;
        int lastBreak = 0; // 1-based, as the layout counts; a break moves units from here
        int breakX = 0;    // x where the cells that such a break moves begin
    };
    // One unit of the walk: its edges and, when it wrapped, where the next row begins.
    struct TStep {
        int left = 0;
        int right = 0;
        bool wrapped = false;
        TRowStart next;
    };
    TStep Step(const std::u16string& text, TWalk& w, bool wrap);

    void Sync();
    const std::u16string& Text(int line) const { return lines_->Get(line); }
    // The cache entry of a long line, made on first use; null for a short line.
    TEntry* Entry(int line);
    // The width of unit i of the text (not a TAB), cached per unit but for surrogates, whose
    // width depends on their neighbours.
    int Width(const std::u16string& text, int i);
    int TabRight(int x) const;
    // Measures units [from, to) unwrapped starting at x; returns the x after them.
    int Advance(const std::u16string& text, int from, int to, int x);
    // Extends the checkpoints of `e` to cover unit `column`; returns the checkpoint index.
    size_t CoverX(TEntry& e, const std::u16string& text, int column);
    // Walks from a row start to the next break; returns false at the end of the line.
    bool NextRow(const std::u16string& text, TRowStart start, TRowStart& next);
    // Wraps `e` until it knows `row` or the line ends.
    void CoverRow(TEntry& e, const std::u16string& text, int row);
    // Rows of a short line, walked whole.
    void ShortRows(const std::u16string& text, std::vector<TRowStart>& rows);
    void BuildRow(const std::u16string& text, TRowStart start, int end, std::vector<TRawCell>& out);
    void AppendUnit(const std::u16string& text, int unit, int left, int right,
                    std::vector<TRawCell>& out) const;

    const TWStringList* lines_ = nullptr;
    const TTextMeasurer* measurer_ = nullptr;
    int tabSize_ = 4;
    int charWidth_ = 8;
    int wrapWidth_ = 0;
    std::vector<TEntry> entries_;
    std::uint64_t clock_ = 0;
    std::vector<std::int16_t> widths_; // per code unit in the regular style; -1 unmeasured
    std::uint64_t changes_ = 0;        // list changes seen
    std::uint64_t announced_ = 0;      // list changes reported with their place
    std::vector<TRowStart> scratch_;
    mutable std::int64_t walked_ = 0;
};
