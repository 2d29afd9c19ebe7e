// UTF-8 <-> UTF-16 that keeps every byte: invalid bytes travel as U+DC80 + byte.
#pragma once

#include <string>
#include <string_view>

// A byte b (0x80..0xFF) that starts no valid sequence is kept as the code unit
// U+DC80 + (b - 0x80), a lone low surrogate in U+DC80..U+DCFF; the writer turns such a
// unit (when it is not the second half of a pair) back into the byte.
inline char16_t EscapeByte(unsigned char b) {
    return static_cast<char16_t>(0xDC00 + b);
}
inline bool IsEscapedByte(char16_t u) {
    return u >= 0xDC80 && u <= 0xDCFF;
}
inline unsigned char EscapedByteValue(char16_t u) {
    return static_cast<unsigned char>(u - 0xDC00);
}

// Decodes one validated sequence at `pos`. Returns the number of bytes used (1 for a
// byte that starts no valid sequence, which becomes an escaped byte) and appends one or
// two code units to `out`.
size_t DecodeUtf8Char(std::string_view bytes, size_t pos, std::u16string& out);
// The same on raw memory: `avail` bytes at `p` (at least 1), one or two units stored at
// `out`; returns the bytes used and sets `units`.
size_t DecodeUtf8At(const unsigned char* p, size_t avail, char16_t* out, size_t& units);

// Whole-text forms.
std::u16string DecodeUtf8(std::string_view bytes);
void AppendUtf8(std::string& out, std::u16string_view text);
std::string EncodeUtf8(std::u16string_view text);
// Whether a decode would escape any byte.
bool IsValidUtf8(std::string_view bytes);
