// Small text helpers the editor's source files share: blanks, a line's visual columns.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "editor/uniCellMarker.h"
#include "platform/uniMeasure.h"

namespace memo_text {

// One code unit's span of visual columns in a line.
struct TUnitSpan {
    int start = 0;
    int end = 0;
};

inline std::u16string Spaces(int n) {
    return std::u16string(static_cast<size_t>(std::max(n, 0)), u' ');
}

inline bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

// The visual columns of each code unit: tabs expand to the next multiple of the tab size,
// other units take their cell's width (a marker's included) in char widths.
inline std::vector<TUnitSpan> UnitSpans(const std::u16string& text, const TTextMeasurer& measurer,
                                        int charWidth, int tabSize) {
    std::vector<TUnitSpan> spans;
    spans.reserve(text.size());
    int x = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const int left = x;
        if (text[i] == u'\t') {
            const int c = (x + charWidth / 2) / charWidth;
            x = ((c / tabSize) + 1) * tabSize * charWidth;
        } else {
            x += UnitWidthAt(text, i, measurer, 0);
        }
        spans.push_back({left / charWidth, x / charWidth});
    }
    return spans;
}

} // namespace memo_text
