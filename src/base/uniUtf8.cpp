// UTF-8 <-> UTF-16 that keeps every byte.
#include "base/uniUtf8.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

inline bool IsCont(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

} // namespace

size_t DecodeUtf8At(const unsigned char* p, size_t avail, char16_t* out, size_t& units) {
    const unsigned char b0 = p[0];
    units = 1;
    if (b0 < 0x80) {
        out[0] = b0;
        return 1;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        if (avail >= 2 && IsCont(p[1])) {
            out[0] = static_cast<char16_t>(((b0 & 0x1F) << 6) | (p[1] & 0x3F));
            return 2;
        }
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (avail >= 3) {
            const unsigned char lo = b0 == 0xE0 ? 0xA0 : 0x80;
            const unsigned char hi = b0 == 0xED ? 0x9F : 0xBF; // no encoded surrogates
            if (p[1] >= lo && p[1] <= hi && IsCont(p[2])) {
                out[0] = static_cast<char16_t>(((b0 & 0x0F) << 12) | ((p[1] & 0x3F) << 6) |
                                               (p[2] & 0x3F));
                return 3;
            }
        }
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (avail >= 4) {
            const unsigned char lo = b0 == 0xF0 ? 0x90 : 0x80;
            const unsigned char hi = b0 == 0xF4 ? 0x8F : 0xBF;
            if (p[1] >= lo && p[1] <= hi && IsCont(p[2]) && IsCont(p[3])) {
                char32_t c = (static_cast<char32_t>(b0 & 0x07) << 18) |
                             (static_cast<char32_t>(p[1] & 0x3F) << 12) |
                             (static_cast<char32_t>(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
                c -= 0x10000;
                out[0] = static_cast<char16_t>(0xD800 + (c >> 10));
                out[1] = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
                units = 2;
                return 4;
            }
        }
    }
    out[0] = EscapeByte(b0);
    return 1;
}

size_t DecodeUtf8Char(std::string_view bytes, size_t pos, std::u16string& out) {
    char16_t units[2];
    size_t count = 0;
    const size_t used = DecodeUtf8At(reinterpret_cast<const unsigned char*>(bytes.data()) + pos,
                                     bytes.size() - pos, units, count);
    out.append(units, count);
    return used;
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
    // At most three bytes per code unit; write through a pointer, then trim.
    const size_t old = out.size();
    out.resize(old + 3 * text.size());
    char* p = out.data() + old;
    const auto put = [&p](unsigned v) { *p++ = static_cast<char>(v); };
    for (size_t i = 0; i < text.size(); ++i) {
        // Runs of ASCII go four units at a time.
        if constexpr (std::endian::native == std::endian::little) {
            while (i + 4 <= text.size()) {
                std::uint64_t units;
                std::memcpy(&units, text.data() + i, 8);
                if ((units & 0xFF80FF80FF80FF80ULL) != 0) {
                    break;
                }
                const auto bytes = static_cast<std::uint32_t>(
                    (units & 0xFF) | ((units >> 8) & 0xFF00) | ((units >> 16) & 0xFF0000) |
                    ((units >> 24) & 0xFF000000));
                std::memcpy(p, &bytes, 4);
                p += 4;
                i += 4;
            }
        }
        while (i < text.size() && text[i] < 0x80) {
            *p++ = static_cast<char>(text[i++]);
        }
        if (i == text.size()) {
            break;
        }
        const char16_t u = text[i];
        if (u < 0x800) {
            put(0xC0 | (u >> 6));
            put(0x80 | (u & 0x3F));
        } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            const char32_t c = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                               (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            put(0xF0 | (c >> 18));
            put(0x80 | ((c >> 12) & 0x3F));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
            ++i;
        } else if (IsEscapedByte(u)) {
            put(EscapedByteValue(u));
        } else {
            // Other lone surrogates keep their three-byte form.
            put(0xE0 | (u >> 12));
            put(0x80 | ((u >> 6) & 0x3F));
            put(0x80 | (u & 0x3F));
        }
    }
    out.resize(static_cast<size_t>(p - out.data()));
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
