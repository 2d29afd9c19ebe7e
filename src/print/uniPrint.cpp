// The printable rectangle and the layout of a document's lines on printed pages.
#include "print/uniPrint.h"

#include <algorithm>
#include <unordered_map>

#include "editor/uniMemo.h"
#include "highlight/uniColorer.h"

namespace {

// Lines of a highlighter window while printing.
constexpr int kPrintWindow = 50;
constexpr char16_t kFormFeed = 12;
// Characters to which the highlighter gives no colour print in the printer font's colour.
constexpr TColor kPrinterInk = clBlack;

bool IsHigh(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLow(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// The code units of the character at `i`: a surrogate pair is one character.
size_t CharLength(std::u16string_view s, size_t i) {
    return i + 1 < s.size() && IsHigh(s[i]) && IsLow(s[i + 1]) ? 2 : 1;
}

// Lays out lines on pages, one job.
class TPageWriter {
public:
    TPageWriter(TPrintCanvas& canvas, const TRect& area, int tabSize, TColorerClass* colorer)
        : canvas_(canvas), area_(area), tabSize_(std::max(tabSize, 1)), colorer_(colorer) {
        w_ = std::max(Width(u" ", 0), 1);
        h_ = std::max(canvas_.TextHeight(), 1);
        y_ = area_.top;
    }

    void Line(std::u16string_view text) {
        if (text.empty()) {
            text = u" ";
        }
        x_ = area_.left;
        for (size_t i = 0; i < text.size();) {
            const size_t n = CharLength(text, i);
            const char16_t c = text[i];
            if (c == kFormFeed) {
                // The rest of the line goes on at the top of the next page, where x stands.
                Flush();
                BreakPage();
                y_ = area_.top;
            } else {
                const TAttr a = Attributes(i);
                if (c == u'\t') {
                    Flush();
                    x_ = TabStop(x_);
                } else {
                    Put(text.substr(i, n), a);
                }
            }
            i += n;
            // Nothing after the line's last character to carry over: the line's own end
            // moves down.
            if (i < text.size() && WrapDue(text, i)) {
                Wrap();
            }
        }
        Flush();
        Advance();
    }

    // Pages begun so far, the first included.
    int Pages() const { return pages_; }

private:
    struct TAttr {
        TColor colour = kPrinterInk;
        std::uint8_t style = 0;
        friend bool operator==(const TAttr&, const TAttr&) = default;
    };

    TAttr Attributes(size_t i) const {
        TAttr a;
        if (colorer_ != nullptr) {
            const TCharAttributes c = colorer_->GetCharAttributes(static_cast<int>(i) + 1);
            if (c.foreground != -1) {
                a.colour = c.foreground;
            }
            a.style = c.styles;
        }
        return a;
    }

    int Width(std::u16string_view unit, std::uint8_t style) {
        if (unit.size() != 1) {
            return canvas_.TextWidth(unit, style);
        }
        const std::uint32_t key = static_cast<std::uint32_t>(unit[0]) << 8 | style;
        const auto it = widths_.find(key);
        if (it != widths_.end()) {
            return it->second;
        }
        const int width = canvas_.TextWidth(unit, style);
        widths_.emplace(key, width);
        return width;
    }

    // Tab stops are counted from the page's pixel 0, not from the margin.
    int TabStop(int x) const {
        const int step = tabSize_ * w_;
        return step * ((x + w_ / 2) / w_ / tabSize_ + 1);
    }

    // Whether to go on on a new row before the character at `next`: the row is full, or a
    // space or tab comes and the word behind it would reach the right edge.
    bool WrapDue(std::u16string_view text, size_t next) {
        if (x_ >= area_.right) {
            return true;
        }
        if (text[next] != u' ' && text[next] != u'\t') {
            return false;
        }
        int x = x_;
        for (size_t i = next; i < text.size();) {
            const char16_t c = text[i];
            if (i > next && (c == u' ' || c == u'\t')) {
                break;
            }
            const size_t n = CharLength(text, i);
            if (c == u'\t') {
                x = TabStop(x);
            } else if (c != kFormFeed) {
                x += Width(text.substr(i, n), Attributes(i).style);
            }
            if (x >= area_.right) {
                return true;
            }
            i += n;
        }
        return false;
    }

    void Put(std::u16string_view unit, const TAttr& a) {
        if (run_.empty() || a != runAttr_) {
            Flush();
            runX_ = x_;
            runAttr_ = a;
        }
        run_.append(unit);
        x_ += Width(unit, a.style);
    }

    void Flush() {
        if (run_.empty()) {
            return;
        }
        // A page break waits until something is drawn after it.
        for (; pendingPages_ > 0; --pendingPages_) {
            canvas_.NewPage();
            ++pages_;
        }
        canvas_.DrawText(runX_, y_, run_, runAttr_.colour, runAttr_.style);
        run_.clear();
    }

    void BreakPage() { ++pendingPages_; }

    // Down one row, or to the top of a new page when the next row would not fit.
    void Advance() {
        if (y_ + 2 * h_ >= area_.bottom) {
            BreakPage();
            y_ = area_.top;
        } else {
            y_ += h_;
        }
    }

    void Wrap() {
        Flush();
        Advance();
        x_ = area_.left;
    }

    TPrintCanvas& canvas_;
    TRect area_;
    int tabSize_;
    TColorerClass* colorer_;
    int w_ = 1;
    int h_ = 1;
    int x_ = 0;
    int y_ = 0;
    int pages_ = 1;
    int pendingPages_ = 0;
    std::u16string run_;
    int runX_ = 0;
    TAttr runAttr_;
    std::unordered_map<std::uint32_t, int> widths_;
};

int Scale(int dpi, std::int32_t thousandths) {
    return static_cast<int>(static_cast<std::int64_t>(dpi) * thousandths / 1000);
}

} // namespace

TRect PrintRect(const TPrinterGeometry& p, const TuniPageSetup& setup) {
    const TPSRect m = setup.MarginsInInches();
    return TRect{Scale(p.dpiX, m.Left) - p.offX, Scale(p.dpiY, m.Top) - p.offY,
                 p.pageWidth + p.offX - Scale(p.dpiX, m.Right),
                 p.pageHeight + p.offY - Scale(p.dpiY, m.Bottom)};
}

TPrintResult PrintDocument(TuniMemo& memo, TPrintCanvas& canvas, const TuniPageSetup& setup) {
    const TWStringList& lines = memo.Lines();
    TPrintResult result;
    int last = lines.Count() - 1;
    if (memo.HasSelectedText()) {
        const TNormalSelection sel = memo.NormalSelection();
        result.firstLine = std::clamp(sel.start.Y, 0, std::max(last, 0));
        last = std::clamp(sel.end.Y, result.firstLine, last);
    }
    result.lineCount = std::max(last - result.firstLine + 1, 0);

    const TMemoSettings& settings = memo.Settings();
    canvas.SetFont(settings.fontName, settings.fontSize);
    const TRect area = PrintRect(canvas.Geometry(), setup);
    if (area.Empty()) {
        throw EPrintError("The margins leave no room to print on the page.");
    }
    TColorerClass* colorer = memo.Colorer();
    if (colorer != nullptr && !HighlighterLoaded()) {
        colorer = nullptr;
    }

    canvas.BeginJob();
    try {
        TPageWriter writer(canvas, area, settings.tabSize, colorer);
        for (int c = 0; c < result.lineCount; ++c) {
            const int line = result.firstLine + c;
            if (colorer != nullptr) {
                if (c % kPrintWindow == 0) {
                    colorer->UpdateWindow(line, line, kPrintWindow);
                }
                colorer->GetRowAttributes(-1, -1, c % kPrintWindow);
            }
            writer.Line(lines.Get(line));
        }
        result.pages = writer.Pages();
        canvas.EndJob();
    } catch (...) {
        if (colorer != nullptr) {
            colorer->SetDirty();
        }
        canvas.AbortJob();
        throw;
    }
    // The window now holds the printed lines: the view parses its own again at its next paint.
    if (colorer != nullptr) {
        colorer->SetDirty();
    }
    return result;
}
