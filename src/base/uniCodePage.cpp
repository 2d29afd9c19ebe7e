// Single-byte code pages built from iconv.
#include "base/uniCodePage.h"

#include <atomic>
#include <cerrno>
#include <iconv.h>
#include <map>
#include <mutex>
#include <stdexcept>

namespace {

// Converts one byte with iconv; returns -1 when the page does not define it.
int ConvertByte(iconv_t cd, unsigned char byte) {
    char in[1] = {static_cast<char>(byte)};
    char16_t out[4] = {};
    char* inPtr = in;
    size_t inLeft = 1;
    char* outPtr = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof(out);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
        return -1;
    }
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
        return -1;
    }
    size_t produced = (sizeof(out) - outLeft) / sizeof(char16_t);
    if (produced != 1) {
        return -2; // not a single-byte page (or a byte that makes several characters)
    }
    return out[0];
}

std::mutex gPagesMutex;
std::map<int, std::unique_ptr<TCodePage>>& Pages() {
    static std::map<int, std::unique_ptr<TCodePage>> pages;
    return pages;
}

std::atomic<const TCodePage*> gAnsi{nullptr};
std::atomic<const TCodePage*> gOem{nullptr};

} // namespace

TCodePage::TCodePage(int number) : number_(number), fromWide_(65536, kNoByte) {
    std::string name = "CP" + std::to_string(number);
    iconv_t cd = iconv_open("UTF-16LE", name.c_str());
    bool usable = cd != reinterpret_cast<iconv_t>(-1);
    std::array<int, 256> units{};
    if (usable) {
        for (int b = 0; b < 256 && usable; ++b) {
            units[b] = ConvertByte(cd, static_cast<unsigned char>(b));
            if (units[b] == -2) {
                usable = false;
            }
        }
        iconv_close(cd);
    }
    if (!usable) {
        throw std::invalid_argument(name);
    }
    for (int b = 0; b < 256; ++b) {
        char16_t unit = units[b] < 0 ? static_cast<char16_t>(b) : static_cast<char16_t>(units[b]);
        toWide_[b] = unit;
        if (fromWide_[unit] == kNoByte) {
            fromWide_[unit] = static_cast<short>(b);
        }
    }
}

const TCodePage& TCodePage::Get(int number) {
    std::lock_guard lock(gPagesMutex);
    auto& pages = Pages();
    auto it = pages.find(number);
    if (it != pages.end()) {
        return *it->second;
    }
    std::unique_ptr<TCodePage> page;
    try {
        page.reset(new TCodePage(number));
    } catch (const std::invalid_argument&) {
        if (number == 1252) {
            throw;
        }
        auto fallback = pages.find(1252);
        if (fallback == pages.end()) {
            fallback = pages.emplace(1252, std::unique_ptr<TCodePage>(new TCodePage(1252))).first;
        }
        return *fallback->second;
    }
    return *pages.emplace(number, std::move(page)).first->second;
}

std::u16string TCodePage::ToWide(std::string_view bytes) const {
    std::u16string out(bytes.size(), u'\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        out[i] = toWide_[static_cast<unsigned char>(bytes[i])];
    }
    return out;
}

std::string TCodePage::FromWide(std::u16string_view text, char defaultChar) const {
    std::string out(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        short b = fromWide_[text[i]];
        out[i] = b == kNoByte ? defaultChar : static_cast<char>(b);
    }
    return out;
}

void SetAnsiCodePage(int number) {
    gAnsi.store(&TCodePage::Get(number));
}
void SetOemCodePage(int number) {
    gOem.store(&TCodePage::Get(number));
}

const TCodePage& AnsiCodePage() {
    const TCodePage* page = gAnsi.load();
    if (page == nullptr) {
        page = &TCodePage::Get(1252);
        gAnsi.store(page);
    }
    return *page;
}

const TCodePage& OemCodePage() {
    const TCodePage* page = gOem.load();
    if (page == nullptr) {
        page = &TCodePage::Get(437);
        gOem.store(page);
    }
    return *page;
}

std::u16string AnsiToWide(std::string_view bytes) {
    return AnsiCodePage().ToWide(bytes);
}
std::string WideToAnsi(std::u16string_view text) {
    return AnsiCodePage().FromWide(text);
}

std::string OemToAnsi(std::string_view bytes) {
    return AnsiCodePage().FromWide(OemCodePage().ToWide(bytes));
}

std::string AnsiToOem(std::string_view bytes) {
    return OemCodePage().FromWide(AnsiCodePage().ToWide(bytes));
}
