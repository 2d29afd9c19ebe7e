// A print canvas that records the job instead of printing it, and an editor to print from.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "editor/uniMemo.h"
#include "platform/uniMeasure.h"
#include "print/uniPrint.h"

namespace print_fakes {

// Every code unit 10 pixels wide ('W' 20, bold ones 2 more), lines 20 pixels high, a page of
// 1000 x 500 pixels at 100 dots per inch with its printable area from the paper's corner.
class TRecordingCanvas : public TPrintCanvas {
public:
    struct TText {
        int page = 0; // from 1
        int x = 0;
        int y = 0;
        std::u16string text;
        TColor colour = 0;
        std::uint8_t style = 0;
    };

    TPrinterGeometry geometry{100, 100, 0, 0, 1000, 500};
    std::u16string fontName;
    int fontSize = 0;
    bool begun = false;
    bool ended = false;
    bool aborted = false;
    int pages = 0;
    int calls = 0; // every call the layout made
    std::vector<TText> texts;
    // NewPage throws once this many pages exist (0: never).
    int failAtPage = 0;

    TPrinterGeometry Geometry() const override { return geometry; }
    void SetFont(std::u16string_view name, int size) override {
        ++calls;
        fontName = name;
        fontSize = size;
    }
    int TextWidth(std::u16string_view text, std::uint8_t style) override {
        ++calls;
        int w = 0;
        for (const char16_t u : text) {
            w += (u == u'W' ? 20 : 10) + ((style & fsBold) != 0 ? 2 : 0);
        }
        return w;
    }
    int TextHeight() override {
        ++calls;
        return 20;
    }
    void BeginJob() override {
        ++calls;
        begun = true;
        pages = 1;
    }
    void NewPage() override {
        ++calls;
        if (failAtPage != 0 && pages >= failAtPage) {
            throw EPrintError("paper jam");
        }
        ++pages;
    }
    void EndJob() override {
        ++calls;
        ended = true;
    }
    void AbortJob() override {
        ++calls;
        aborted = true;
    }
    void DrawText(int x, int y, std::u16string_view text, TColor colour,
                  std::uint8_t style) override {
        ++calls;
        texts.push_back({pages, x, y, std::u16string(text), colour, style});
    }

    // Forgets the last job (the geometry stays).
    void Clear() {
        fontName.clear();
        fontSize = 0;
        begun = ended = aborted = false;
        pages = calls = failAtPage = 0;
        texts.clear();
    }

    // The text of each printed row, "page:y:x:text" for the runs in order.
    std::vector<std::u16string> Rows() const {
        std::vector<std::u16string> rows;
        for (const TText& t : texts) {
            std::string head = std::to_string(t.page) + ":" + std::to_string(t.y) + ":" +
                               std::to_string(t.x) + ":";
            rows.push_back(std::u16string(head.begin(), head.end()) + t.text);
        }
        return rows;
    }
};

// An editor over `lines` (no screen) with a tab size of 4.
inline std::unique_ptr<TuniMemo> MakeMemo(const TTextMeasurer& measurer,
                                          const std::vector<std::u16string>& lines) {
    TMemoPlatform platform;
    platform.measurer = &measurer;
    auto memo = std::make_unique<TuniMemo>(platform);
    TWStringList& list = memo->Lines();
    list.Clear();
    for (const std::u16string& line : lines) {
        list.Add(line);
    }
    memo->SetTabSize(4);
    return memo;
}

// Margins of one inch on every side, in thousandths of an inch: at 100 dots per inch the
// printable area of the recording canvas is (100, 100) - (900, 400), 80 units wide, and
// holds rows at y = 100, 120, ... 360 (a row at y starts a new page after it when y + 40
// reaches 400): 14 rows a page.
inline TuniPageSetup InchMargins() {
    TuniPageSetup setup(TPSMeasurements::pmInches);
    setup.SetMargins({1000, 1000, 1000, 1000});
    return setup;
}
inline constexpr int kRowsPerPage = 14;

} // namespace print_fakes
