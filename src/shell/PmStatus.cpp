// The texts the main window shows for its documents.
#include "shell/PmStatus.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/uniUtf8.h"

namespace fs = std::filesystem;

namespace {

std::u16string Widen(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// The path made absolute and normalised; empty when the current folder cannot be read.
fs::path NormalPath(const std::string& name, std::error_code& ec) {
    const fs::path absolute = fs::absolute(fs::path(name), ec);
    return ec ? fs::path() : absolute.lexically_normal();
}

} // namespace

std::u16string SeparatorCaption(TLineSeparator separator) {
    switch (separator) {
    case lsCRLF:
        return u"CR LF";
    case lsCR:
        return u"CR";
    case lsLS:
        return u"U+2028";
    case lsLF:
    case lsDocument:
        break;
    }
    return u"LF";
}

std::array<std::u16string, 8> StatusPanelTexts(const TStatusInfo& info) {
    std::array<std::u16string, 8> texts;
    char position[64];
    std::snprintf(position, sizeof position, "%3d : %d / %d", info.column + 1, info.line + 1,
                  info.lineCount);
    texts[0] = (info.modified ? u"*" : u" ") + Widen(position);
    if (info.code != 0) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(info.code));
        texts[1] = Widen(std::to_string(static_cast<unsigned>(info.code)));
        texts[2] = Widen(hex);
    }
    texts[3] = info.wordWrap ? u" >=<" : u" <=>";
    texts[4] = DecodeUtf8(info.charset);
    texts[5] = DecodeUtf8(info.surrogate);
    if (info.uniRepr == 1) {
        texts[6] = u"HTML";
    } else if (info.uniRepr == 2) {
        texts[6] = u"Hex";
    }
    texts[7] = SeparatorCaption(info.separator);
    return texts;
}

std::u16string DocumentName(const std::string& fileName, std::u16string_view newFileText) {
    if (fileName.empty()) {
        return std::u16string(newFileText);
    }
    const size_t slash = fileName.rfind('/');
    return DecodeUtf8(slash == std::string::npos ? std::string_view(fileName)
                                                 : std::string_view(fileName).substr(slash + 1));
}

std::u16string TabCaption(bool modified, const std::string& fileName,
                          std::u16string_view newFileText) {
    return (modified ? u"*" : u" ") + DocumentName(fileName, newFileText);
}

std::u16string RecentItemCaption(int index, const std::string& fullPath) {
    std::u16string caption = u"&" + Widen(std::to_string(index + 1)) + u" ";
    // The menu toolkit takes a single "&" as the mark of the next character's accelerator
    // and drops it; a path such as "/docs/R&D.txt" must show its ampersand.
    for (const char16_t c : DecodeUtf8(fullPath)) {
        if (c == u'&') {
            caption += u'&';
        }
        caption += c;
    }
    return caption;
}

bool SameDocumentFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) {
        return false;
    }
    std::error_code ec;
    const fs::path pa = NormalPath(a, ec);
    if (ec) {
        return false;
    }
    const fs::path pb = NormalPath(b, ec);
    if (ec) {
        return false;
    }
    if (fs::exists(pa, ec) && fs::exists(pb, ec)) {
        const bool same = fs::equivalent(pa, pb, ec);
        if (!ec) {
            return same;
        }
    }
    return pa == pb;
}
