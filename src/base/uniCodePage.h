// Single-byte code pages (the ANSI and OEM pages and their conversions to and from UTF-16).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One single-byte code page, built once from iconv and then converted by table
// lookup. Bytes the page leaves undefined map to the code unit of the same value,
// so every byte string survives a round trip through UTF-16.
class TCodePage {
public:
    // The page with the given number ("CP<number>" for iconv); a page iconv does not
    // know, or one that is not single-byte, falls back to 1252.
    static const TCodePage& Get(int number);

    int Number() const { return number_; }
    char16_t ToWide(unsigned char byte) const { return toWide_[byte]; }
    // The byte for a code unit, or -1 when the page cannot hold it.
    int ToByte(char16_t unit) const {
        int b = fromWide_[unit];
        return b == kNoByte ? -1 : b;
    }

    std::u16string ToWide(std::string_view bytes) const;
    // Characters the page cannot hold become `defaultChar`.
    std::string FromWide(std::u16string_view text, char defaultChar = '?') const;

    TCodePage(const TCodePage&) = delete;
    TCodePage& operator=(const TCodePage&) = delete;

private:
    explicit TCodePage(int number);
    static constexpr short kNoByte = -1;

    int number_;
    std::array<char16_t, 256> toWide_{};
    std::vector<short> fromWide_; // 65536 entries
};

// The process-wide ANSI and OEM pages (settings AnsiCodePage / OemCodePage; 1252 and 437
// until the configuration says otherwise). Set them at start-up, before other threads run.
void SetAnsiCodePage(int number);
void SetOemCodePage(int number);
const TCodePage& AnsiCodePage();
const TCodePage& OemCodePage();

// Text in the ANSI page <-> UTF-16.
std::u16string AnsiToWide(std::string_view bytes);
std::string WideToAnsi(std::u16string_view text);
// OEM bytes to ANSI bytes and back, byte by byte through UTF-16; bytes the target page
// cannot hold become "?".
std::string OemToAnsi(std::string_view bytes);
std::string AnsiToOem(std::string_view bytes);
