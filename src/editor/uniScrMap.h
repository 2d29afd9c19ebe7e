// The screen map: the visible part of a document cut into rows and cells, and its layout.
#pragma once

#include <climits>
#include <cstdint>
#include <vector>

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
    int column = 0; // 0-based code unit index in the text line
};

struct TScrRow {
    std::vector<TScrCell> cells; // size() is the count in use; capacity grows by 100
    bool startsLine = true;
    int line = 0; // index into the map's lines (0 = the top line)
};

struct TScrMetrics {
    int charWidth = 8;
    int lineHeight = 16;
};

// Rows are indexed from 0, cells from 1 in the readers (as the painter counts them).
class TScrMap {
public:
    TScrMap() { Clear(); }

    void Clear();
    // Appends a cell to the last row; `column` is 1-based.
    void AddCell(char16_t ch, TColor fg, int column, int width, std::uint8_t style, TColor bg);
    // Moves the cells of the last row from the first one whose 0-based column is at least
    // column - 1 into a new continuation row; returns their width.
    int WrapAt(int column);
    void EndLine();

    const TScrCell& Cell(int row, int j) const { return rows_[Index(row)].cells[Index(j - 1)]; }
    char16_t CellChar(int row, int j) const { return Cell(row, j).ch; }
    TColor CellFg(int row, int j) const { return Cell(row, j).fg; }
    TColor CellBg(int row, int j) const { return Cell(row, j).bg; }
    std::uint8_t CellStyle(int row, int j) const { return Cell(row, j).style; }
    int CellWidth(int row, int j) const { return Cell(row, j).width; }
    std::uint8_t CellState(int row, int j) const { return Cell(row, j).state; }
    int CellColumn(int row, int j) const { return Cell(row, j).column; }
    int CellCount(int row) const;
    bool RowStartsLine(int row) const;
    int RowLine(int row) const { return rows_[Index(row)].line; }
    int RowWidth(int row) const;
    int CellsWidth(int row, int n) const;
    int RowCount() const { return rowCount_; }
    int LineCount() const { return static_cast<int>(lines_.size()); }
    // The first row of laid-out line k.
    int LineRow(int k) const { return lines_[Index(k)]; }

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
    static size_t Index(int i) { return static_cast<size_t>(i); }
    TScrRow& NewRow();

    std::vector<TScrRow> rows_; // the first rowCount_ are in use; the rest keep their storage
    int rowCount_ = 0;
    std::vector<int> lines_;
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
    int topLine = 0;
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

// Lays out visibleRows + 3 lines from the top line into `map` (cleared first).
void LayoutLines(TScrMap& map, const TLayoutParams& params);
