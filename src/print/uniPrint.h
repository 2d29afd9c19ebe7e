// Printing a document: the printable rectangle from the page setup's margins, and the
// layout of the lines on pages (the editor's font, syntax colours, word wrap, tab stops,
// form feeds), drawn through an abstract print canvas.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/uniCanvas.h"
#include "print/uniPgSetup.h"

class TuniMemo;

// A printing failure the user is shown (the printer could not start, the margins leave no
// room, a page could not be begun).
class EPrintError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a printer tells about its page, in its pixels: resolution, where its printable area
// starts on the paper, and that area's size.
struct TPrinterGeometry {
    int dpiX = 0;
    int dpiY = 0;
    int offX = 0;
    int offY = 0;
    int pageWidth = 0;
    int pageHeight = 0;
};

// The printer's surface. Coordinates are printer pixels with (0, 0) at the corner of the
// printable area. A job is BeginJob, then pages separated by NewPage, then EndJob (or
// AbortJob when the printing failed). Failures of the printing service are thrown.
class TPrintCanvas {
public:
    TPrintCanvas() = default;
    TPrintCanvas(const TPrintCanvas&) = delete;
    TPrintCanvas& operator=(const TPrintCanvas&) = delete;
    virtual ~TPrintCanvas() = default;

    virtual TPrinterGeometry Geometry() const = 0;
    // The font every measurement and text uses from now on: its name and size in points.
    virtual void SetFont(std::u16string_view name, int size) = 0;
    // The advance width of `text` in the font with the style bits of TFontStyleBits.
    virtual int TextWidth(std::u16string_view text, std::uint8_t style) = 0;
    // The height of a line of text in the font.
    virtual int TextHeight() = 0;

    // Starts the job; its first page begins with it.
    virtual void BeginJob() = 0;
    virtual void NewPage() = 0;
    virtual void EndJob() = 0;
    virtual void AbortJob() = 0;
    // Transparent text with the top-left corner of its first glyph's cell at (x, y).
    virtual void DrawText(int x, int y, std::u16string_view text, TColor colour,
                          std::uint8_t style) = 0;
};

// The printable rectangle in printer pixels from the page setup's margins.
TRect PrintRect(const TPrinterGeometry& printer, const TuniPageSetup& setup);

// What a print job did.
struct TPrintResult {
    int firstLine = 0;
    int lineCount = 0; // lines printed
    int pages = 0;     // pages begun
};

// Prints the editor's document (the whole lines of its selection, if it has one) on
// `canvas` within the margins of `setup`. A job is started and ended even for a document
// without lines: it has one empty page. Pages are begun only for something to print on
// them, so the job never ends with a blank page that a break before nothing would have made.
// Throws EPrintError when the margins leave no room, and whatever the canvas throws (the
// job is aborted first).
TPrintResult PrintDocument(TuniMemo& memo, TPrintCanvas& canvas, const TuniPageSetup& setup);
