// UTF-8 <-> UTF-16 that keeps every byte.
#include "text/uniUtf8.h"

namespace {

inline bool IsCont(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

} // namespace

size_t DecodeUtf8Char(std::string_view bytes, size_t pos, std::u16string& out) {
    const auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char b0 = at(pos);
    const size_t left = bytes.size() - pos;
    if (b0 < 0x80) {
        out.push_back(b0);
        return 1;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        if (left >= 2 && IsCont(at(pos + 1))) {
            out.push_back(static_cast<char16_t>(((b0 & 0x1F) << 6) | (at(pos + 1) & 0x3F)));
            return 2;
        }
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (left >= 3) {
            const unsigned char b1 = at(pos + 1);
            const unsigned char lo = b0 == 0xE0 ? 0xA0 : 0x80;
            const unsigned char hi = b0 == 0xED ? 0x9F : 0xBF; // no encoded surrogates
            if (b1 >= lo && b1 <= hi && IsCont(at(pos + 2))) {
                out.push_back(static_cast<char16_t>(((b0 & 0x0F) << 12) | ((b1 & 0x3F) << 6) |
                                                    (at(pos + 2) & 0x3F)));
                return 3;
            }
        }
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (left >= 4) {
            const unsigned char b1 = at(pos + 1);
            const unsigned char lo = b0 == 0xF0 ? 0x90 : 0x80;
            const unsigned char hi = b0 == 0xF4 ? 0x8F : 0xBF;
            if (b1 >= lo && b1 <= hi && IsCont(at(pos + 2)) && IsCont(at(pos + 3))) {
                char32_t c = (static_cast<char32_t>(b0 & 0x07) << 18) |
                             (static_cast<char32_t>(b1 & 0x3F) << 12) |
                             (static_cast<char32_t>(at(pos + 2) & 0x3F) << 6) |
                             (at(pos + 3) & 0x3F);
                c -= 0x10000;
                out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
                out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
                return 4;
            }
        }
    }
    out.push_back(EscapeByte(b0));
    return 1;
}

std::u16string DecodeUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (size_t pos = 0; pos < bytes.size();) {
        pos += DecodeUtf8Char(bytes, pos, out);
    }
    return out;
}

void AppendUtf8(std::string& out, std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
        } else if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            const char32_t c = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                               (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
            ++i;
        } else if (IsEscapedByte(u)) {
            out.push_back(static_cast<char>(EscapedByteValue(u)));
        } else {
            // Other lone surrogates keep their three-byte form.
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
}

std::string EncodeUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendUtf8(out, text);
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    std::u16string scratch;
    for (size_t pos = 0; pos < bytes.size();) {
        scratch.clear();
        pos += DecodeUtf8Char(bytes, pos, scratch);
        if (scratch.size() == 1 && IsEscapedByte(scratch[0])) {
            return false;
        }
    }
    return true;
}
