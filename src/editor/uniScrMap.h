// The screen map: the visible part of a document cut into rows and cells, and its layout.
#pragma once

#include <climits>
#include <cstdint>
#include <vector>

#include "editor/uniLineGeometry.h"
#include "platform/uniMeasure.h"
#include "text/uniStringList.h"

struct TScrCell {
    char16_t ch = u' ';
    TColor fg = clBlack;
    TColor bg = kNoColor;
    std::uint8_t style = 0;
    int width = 0;
    // Set by CompareRow: 0 same as before, 1 colour changed, 2 must be repainted,
    // 3 character or style changed.
    std::uint8_t state = 0;
    TMarkerKind marker = TMarkerKind::None; // drawn as a marker box, not as a glyph
    int column = 0;                         // 0-based code unit index in the text line
};

struct TScrRow {
    std::vector<TScrCell> cells; // size() is the count in use; capacity grows by 100
    bool startsLine = true;
    int line = 0; // index into the map's lines (0 = the top line)
    int left = 0; // x of the first cell (non-zero for a window into a long unwrapped line)
};

struct TScrMetrics {
    int charWidth = 8;
    int lineHeight = 16;
};

// Colours from the syntax highlighter for the cells being laid out.
class TLayoutHighlighter {
public:
    virtual ~TLayoutHighlighter() = default;
    virtual bool Active() const = 0;
    // Colours of `column` (1-based) of document line `line`; only set what it knows.
    virtual void CellColours(int line, int column, TColor& fg, TColor& bg,
                             std::uint8_t& style) const = 0;
};

// The selection as the layout sees it, already normalised.
struct TLayoutSelection {
    enum class Kind { None, Stream, Column } kind = Kind::None;
    TPoint start; // stream: first selected position; column: (left visual column, top line)
    TPoint end;   // stream: first position after it; column: (right visual column excluded,
                  // bottom line included)
};

struct TLayoutParams {
    const TWStringList* lines = nullptr;
    const TTextMeasurer* measurer = nullptr;
    const TLayoutHighlighter* highlighter = nullptr; // may be null
    // With a geometry, long lines are laid out in windows and their geometry is cached in
    // it; without one every line is laid out whole.
    TLineGeometry* geometry = nullptr;
    int topLine = 0;
    int firstRow = 0; // the view's first row inside the top line (with word wrap)
    int scrollX = 0;  // the horizontal scroll in pixels (without word wrap)
    int visibleRows = 1;
    bool wordWrap = false;
    int textAreaWidth = 0; // client width - gutter width
    int tabSize = 4;
    TColor textColor = clBlack;
    TColor highlightColor = 0xC0C0C0;
    bool highlightLine = false; // the effective value
    int caretLine = 0;
    TLayoutSelection selection;
};

// Rows are indexed from 0, cells from 1 in the readers (as the painter counts them).
//
// Long lines (kLongLine units and more) are laid out in windows when the layout has a line
// geometry: unwrapped, a long line's row holds only the cells from the first one that
// reaches the horizontal scroll position to the right edge, and RowLeft gives the x of its
// first cell; wrapped, only the rows around the view are laid out. Row indices keep
// counting from the top line's first row: the rows of the top line before FirstStoredRow,
// and the rows of a long line after the last one the map holds, are not laid out (no
// cells). Positions and pixels anywhere in a laid-out line, inside the window or not, come
// out as a full layout of the line would give them.
class TScrMap {
public:
    TScrMap() { Clear(); }

    void Clear();
    // Appends a cell to the last row; `column` is 1-based.
    void AddCell(char16_t ch, TColor fg, int column, int width, std::uint8_t style, TColor bg,
                 TMarkerKind marker = TMarkerKind::None);
    // Moves the cells of the last row from the first one whose 0-based column is at least
    // column - 1 into a new continuation row; returns their width.
    int WrapAt(int column);
    void EndLine();

    // A cell the map does not hold reads as a default cell.
    const TScrCell& Cell(int row, int j) const;
    char16_t CellChar(int row, int j) const { return Cell(row, j).ch; }
    TColor CellFg(int row, int j) const { return Cell(row, j).fg; }
    TColor CellBg(int row, int j) const { return Cell(row, j).bg; }
    std::uint8_t CellStyle(int row, int j) const { return Cell(row, j).style; }
    TMarkerKind CellMarker(int row, int j) const { return Cell(row, j).marker; }
    int CellWidth(int row, int j) const { return Cell(row, j).width; }
    std::uint8_t CellState(int row, int j) const { return Cell(row, j).state; }
    int CellColumn(int row, int j) const { return Cell(row, j).column; }
    int CellCount(int row) const;
    bool RowStartsLine(int row) const;
    int RowLine(int row) const;
    // The x of the row's first cell, relative to the text area with the horizontal scroll
    // not applied: 0 but for a window into a long unwrapped line.
    int RowLeft(int row) const;
    // The x right of the row's last cell (RowLeft plus the widths of all cells).
    int RowWidth(int row) const;
    // The x right of the row's first n cells (RowLeft plus their widths).
    int CellsWidth(int row, int n) const;
    int RowCount() const { return rowBase_ + rowCount_; }
    int LineCount() const { return static_cast<int>(lines_.size()); }
    // The first row of laid-out line k.
    int LineRow(int k) const { return lines_[Index(k)]; }
    // The first row that holds cells: rows before it belong to the top line.
    int FirstStoredRow() const { return rowBase_; }
    // Whether laid-out line k is a long line laid out in a window.
    bool LineWindowed(int k) const;
    // Whether laid-out line k has a row with this index (counted from its first row), and
    // how many rows it has, including those the map does not hold.
    bool LineHasRow(int k, int row) const;
    int LineRowCount(int k) const;
    // Whether the map still serves a view at firstRow with the horizontal scroll at scrollX
    // pixels, or a new layout is needed.
    bool Covers(int firstRow, int visibleRows, int scrollX) const;
    // Whether the map was laid out with these parameters (the view position as Covers
    // checks it): a layout with them would give the same map, unless the text changed.
    bool LaidOutFor(const TLayoutParams& params) const;

    // The first 1-based cell of `row` that must be redrawn, comparing with the same row of
    // `previous`; stores each compared cell's state. 1 when the row is beyond either map,
    // INT_MAX when nothing differs.
    int CompareRow(const TScrMap& previous, int row);
    void AssignTo(TScrMap& target) const;
    void ResetRow(int row);
    void ShiftRowsUp(int from, int to);
    void ShiftRowsDown(int from, int to);

    // Text position (column, line relative to the top line) -> pixel point relative to the
    // text area's top-left, horizontal scroll not applied.
    TPoint PosToPixel(TPoint pos, int firstRow, int tabOffset, bool beyondEOL,
                      TScrMetrics metrics) const;
    int CellWidthAt(TPoint pos, int defaultWidth) const;
    TPoint PixelToPos(TPoint point, int firstRow, bool beyondEOL, TScrMetrics metrics) const;

private:
    friend void LayoutLines(TScrMap& map, const TLayoutParams& params);
    struct TLineInfo {
        int doc = 0;           // the document line
        bool windowed = false; // laid out through the line geometry
    };

    static size_t Index(int i) { return static_cast<size_t>(i); }
    TScrRow& NewRow();
    // The stored row with this index, null for a row the map does not hold.
    const TScrRow* RowAt(int row) const;
    TScrRow* RowAt(int row);
    int RowsOfLine(int k) const; // rows the map holds for a line laid out whole
    TPoint WindowedPosToPixel(TPoint pos, int firstRow, int tabOffset, bool beyondEOL,
                              TScrMetrics metrics) const;

    std::vector<TScrRow> rows_; // the first rowCount_ are in use; the rest keep their storage
    int rowCount_ = 0;
    int rowBase_ = 0; // the row index of rows_[0]
    std::vector<int> lines_;
    std::vector<TLineInfo> info_; // one per lines_ entry
    TLineGeometry* geometry_ = nullptr;
    bool wrap_ = false;
    int scrollX_ = 0;
    bool windows_ = false; // some row is a window into a long unwrapped line
    bool cut_ = false;     // the last line goes on past the last row held
    mutable std::vector<TRawCell> raw_;
    TLayoutParams params_; // the layout's
    bool laidOut_ = false;
};

// Lays out visibleRows + 3 lines from the top line into `map` (cleared first); a long
// wrapped line only as far as the rows that can be in view.
void LayoutLines(TScrMap& map, const TLayoutParams& params);
