// Numeric character references and "\u" escapes.
#include "text/uniNumRefs.h"

#include <algorithm>
#include <cstdint>

namespace {

void AppendDecimal(std::u16string& out, unsigned value) {
    char16_t digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0) {
        out.push_back(digits[--n]);
    }
}

// Reads the number of a reference starting at `pos` (just after the opener). On success
// returns the position after the number (and its ";") and stores the code unit.
bool ReadReference(std::u16string_view text, size_t pos, size_t& end, char16_t& unit) {
    const size_t limit = std::min(text.size(), pos + 10);
    size_t p = pos;
    while (p < limit && text[p] == u' ') {
        ++p;
    }
    bool negative = false;
    if (p < limit && (text[p] == u'-' || text[p] == u'+')) {
        negative = text[p] == u'-';
        ++p;
    }
    int base = 10;
    if (p < limit && (text[p] == u'$' || text[p] == u'x' || text[p] == u'X')) {
        base = 16;
        ++p;
    } else if (p + 1 < limit && text[p] == u'0' && (text[p + 1] == u'x' || text[p + 1] == u'X')) {
        base = 16;
        p += 2;
    }
    std::uint64_t value = 0;
    size_t digitsStart = p;
    while (p < limit) {
        int d = HexDigitValue(text[p]);
        if (d < 0 || d >= base) {
            break;
        }
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        ++p;
    }
    if (p == digitsStart) {
        return false;
    }
    if (negative) {
        value = ~value + 1;
    }
    unit = static_cast<char16_t>(value & 0xFFFF);
    if (p < text.size() && text[p] == u';') {
        ++p;
    }
    end = p;
    return true;
}

} // namespace

int HexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

std::u16string EncodeNumericRefs(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c < 0x80) {
            out.push_back(c);
        } else {
            out += u"&#";
            AppendDecimal(out, c);
            out.push_back(u';');
        }
    }
    return out;
}

std::string EncodeNumericRefsA(std::u16string_view text) {
    std::u16string wide = EncodeNumericRefs(text);
    return std::string(wide.begin(), wide.end());
}

std::u16string DecodeNumericRefs(std::u16string_view text, TRefForms forms) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        bool opener =
            i + 1 < text.size() && text[i + 1] == u'#' &&
            (text[i] == u'&' || (text[i] == u'$' && forms == TRefForms::AmpersandOrDollar));
        size_t end;
        char16_t unit;
        if (opener && ReadReference(text, i + 2, end, unit)) {
            out.push_back(unit);
            i = end;
        } else {
            out.push_back(text[i]);
            ++i;
        }
    }
    return out;
}

std::u16string EncodeUEscapes(std::u16string_view text) {
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c < 0x80) {
            out.push_back(c);
        } else {
            out += u"\\u";
            out.push_back(kHex[(c >> 12) & 0xF]);
            out.push_back(kHex[(c >> 8) & 0xF]);
            out.push_back(kHex[(c >> 4) & 0xF]);
            out.push_back(kHex[c & 0xF]);
        }
    }
    return out;
}

std::u16string DecodeUEscapes(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == u'\\' && i + 1 < text.size() && text[i + 1] == u'u') {
            unsigned value = 0;
            size_t p = i + 2;
            while (p < text.size() && p < i + 6 && HexDigitValue(text[p]) >= 0) {
                value = value * 16 + static_cast<unsigned>(HexDigitValue(text[p]));
                ++p;
            }
            if (p > i + 2) {
                out.push_back(static_cast<char16_t>(value));
                i = p;
                continue;
            }
        }
        out.push_back(text[i]);
        ++i;
    }
    return out;
}
