// Numeric character references and "\u" escapes.
#include "base/uniNumRefs.h"

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

namespace {

bool IsHighUnit(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
// The escaped bytes of the readers (U+DC80.. for UTF-8 and 8-bit text, U+DC00.. for an odd
// UTF-16 byte): written back as bytes, never as references, unless they end a pair.
bool IsByteEscapeUnit(char16_t u) {
    return u >= 0xDC00 && u <= 0xDCFF;
}

// Reads a reference in the encoder's exact form at `pos`; returns its length (0 when there
// is none) and stores the unit.
size_t ReadFileRef(std::u16string_view text, size_t pos, TRefStyle style, char16_t& unit) {
    const std::u16string_view rest = text.substr(pos);
    if (style == TRefStyle::UEscape) {
        if (rest.size() < 6 || rest[0] != u'\\' || rest[1] != u'u') {
            return 0;
        }
        unsigned value = 0;
        for (size_t k = 2; k < 6; ++k) {
            const char16_t c = rest[k];
            const bool lowerHex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
            if (!lowerHex) {
                return 0;
            }
            value = value * 16 + static_cast<unsigned>(HexDigitValue(c));
        }
        if (value < 0x80) {
            return 0;
        }
        unit = static_cast<char16_t>(value);
        return 6;
    }
    // "&#" + 3 to 5 digits, no leading zero, ";": 128..65535.
    if (rest.size() < 6 || rest[0] != u'&' || rest[1] != u'#' || rest[2] == u'0') {
        return 0;
    }
    unsigned value = 0;
    size_t k = 2;
    while (k < rest.size() && k < 8 && rest[k] >= u'0' && rest[k] <= u'9') {
        value = value * 10 + static_cast<unsigned>(rest[k] - u'0');
        ++k;
    }
    if (k == 2 || k == rest.size() || rest[k] != u';' || value < 0x80 || value > 0xFFFF) {
        return 0;
    }
    unit = static_cast<char16_t>(value);
    return k + 1;
}

} // namespace

void AppendFileRef(std::u16string& out, std::u16string_view text, size_t pos, TRefStyle style) {
    const char16_t u = text[pos];
    const bool pairEnd = pos > 0 && IsHighUnit(text[pos - 1]);
    if (u < 0x80 || (IsByteEscapeUnit(u) && !pairEnd)) {
        out.push_back(u);
        return;
    }
    if (style == TRefStyle::Decimal) {
        out += u"&#";
        AppendDecimal(out, u);
        out.push_back(u';');
        return;
    }
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    out += u"\\u";
    out.push_back(kHex[(u >> 12) & 0xF]);
    out.push_back(kHex[(u >> 8) & 0xF]);
    out.push_back(kHex[(u >> 4) & 0xF]);
    out.push_back(kHex[u & 0xF]);
}

std::u16string EncodeFileRefs(std::u16string_view text, TRefStyle style) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size(); ++pos) {
        AppendFileRef(out, text, pos, style);
    }
    return out;
}

std::u16string DecodeFileRefs(std::u16string_view text, TRefStyle style,
                              const std::function<bool(char16_t)>& heldAsItself) {
    const char16_t opener = style == TRefStyle::Decimal ? u'&' : u'\\';
    if (text.find(opener) == std::u16string_view::npos) {
        return std::u16string(text);
    }
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char16_t unit = 0;
        const size_t length = text[i] == opener ? ReadFileRef(text, i, style, unit) : 0;
        bool decode = length > 0 && !(heldAsItself && heldAsItself(unit));
        if (decode && IsByteEscapeUnit(unit)) {
            decode = !out.empty() && IsHighUnit(out.back());
        }
        if (decode && IsHighUnit(unit)) {
            // An escaped byte right after would be taken for this pair's second half.
            decode = i + length == text.size() || !IsByteEscapeUnit(text[i + length]);
        }
        if (decode) {
            out.push_back(unit);
            i += length;
        } else {
            out.push_back(text[i]);
            ++i;
        }
    }
    return out;
}
