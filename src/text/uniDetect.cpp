// Charset autodetection.
#include "text/uniDetect.h"

#include <algorithm>
#include <cstdio>

#include "search/uniSearch.h"
#include "shell/uniIni.h"
#include "storage/uniFileIO.h"
#include "text/uniCodePage.h"
#include "text/uniCodec.h"
#include "text/uniNumRefs.h"
#include "text/uniUtf8.h"

namespace {

// The declaration's score: a file that names its charset is all but certain.
constexpr int kDeclaredScore = 200;

bool IsUnicodeEntry(std::string_view name) {
    return SameText(name, kCharsetUtf8) || SameText(name, kCharsetUtf16LE) ||
           SameText(name, kCharsetUtf16BE);
}

} // namespace

std::optional<std::vector<std::string>> ReadSampleLines(const std::string& fileName, int maxLines,
                                                        size_t maxBytes) {
    std::FILE* f = OpenStreamForReading(fileName);
    if (f == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::string line;
    int c = 0;
    while (static_cast<int>(lines.size()) < maxLines) {
        c = std::fgetc(f);
        if (c == EOF) {
            if (!line.empty()) {
                lines.push_back(line);
            }
            break;
        }
        if (c == '\n' || c == '\r') {
            if (c == '\r') {
                const int next = std::fgetc(f);
                if (next != '\n' && next != EOF) {
                    std::ungetc(next, f);
                }
            }
            lines.push_back(line);
            line.clear();
            continue;
        }
        line.push_back(static_cast<char>(c));
        if (line.size() >= maxBytes) {
            lines.push_back(line);
            line.clear();
        }
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        return std::nullopt;
    }
    return lines;
}

void TCharsetDetector::Build(const std::vector<std::pair<std::string, std::string>>& pairs,
                             const TCharsetLists& lists, const std::string& programFolder) {
    htmlCharsets_ = lists.htmlCharsets;
    entries_.clear();
    for (const auto& [name, expression] : pairs) {
        TDetectionEntry entry;
        entry.charset = name;
        entry.expression = DecodeNumericRefs(AnsiToWide(expression), TRefForms::Ampersand);
        if (!IsUnicodeEntry(name)) {
            entry.table = std::make_unique<TConvTable>();
            entry.table->name = name;
            if (auto file = lists.CharsetFile(name)) {
                entry.table->LoadFromFile(ConfigPath(programFolder, "Ini/" + *file));
            }
        }
        entries_.push_back(std::move(entry));
    }
}

void TCharsetDetector::Load(const TCharsetLists& lists, const std::string& programFolder) {
    TIniFile ini(programFolder + "/Ini/charsets.ini");
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const std::string& key : ini.ReadSectionA("*")) {
        pairs.emplace_back(key, ini.ReadStringA("*", key));
    }
    Build(pairs, lists, programFolder);
}

std::u16string TCharsetDetector::DecodeSample(const TDetectionEntry& entry,
                                              const std::string& bytes) const {
    if (SameText(entry.charset, kCharsetUtf8)) {
        return DecodeUtf8(bytes);
    }
    if (SameText(entry.charset, kCharsetUtf16LE) || SameText(entry.charset, kCharsetUtf16BE)) {
        const bool be = SameText(entry.charset, kCharsetUtf16BE);
        std::u16string out;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const auto a = static_cast<unsigned char>(bytes[i]);
            const auto b = static_cast<unsigned char>(bytes[i + 1]);
            out.push_back(static_cast<char16_t>(be ? (a << 8) | b : a | (b << 8)));
        }
        return out;
    }
    std::u16string text = AnsiToWide(bytes);
    return entry.table ? entry.table->DecodeText(text) : text;
}

std::optional<std::string> TCharsetDetector::FindDeclaredCharset(std::string_view line) const {
    const std::string upper = UpperAscii(line);
    size_t at = upper.find("CHARSET");
    size_t skip = 7;
    if (at == std::string::npos) {
        at = upper.find("ENCODING");
        skip = 8;
    }
    if (at == std::string::npos) {
        return std::nullopt;
    }
    std::string rest(line.substr(at + skip));
    // The name may stand in quotes (charset="koi8-r", encoding='cp866'): the opening quote
    // is skipped with the blanks and "=" before it, and any quote, ">", ";" or blank ends it.
    const size_t start = rest.find_first_not_of("\t =\"'");
    rest = start == std::string::npos ? std::string() : rest.substr(start);
    rest = rest.substr(0, rest.find_first_of("\"'>; \t"));
    for (const auto& [declared, ours] : htmlCharsets_) {
        if (SameText(declared, rest)) {
            return ours;
        }
    }
    return rest;
}

std::optional<std::string> TCharsetDetector::DetectCharset(const std::string& fileName,
                                                           const std::string& defaultCharset,
                                                           TuniSearch* search) const {
    if (search == nullptr) {
        return std::nullopt;
    }
    auto sample = ReadSampleLines(fileName);
    if (!sample) {
        return std::nullopt;
    }
    const std::vector<std::string>& lines = *sample;
    if (!lines.empty() && lines[0].size() >= 2) {
        const auto b0 = static_cast<unsigned char>(lines[0][0]);
        const auto b1 = static_cast<unsigned char>(lines[0][1]);
        if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF)) {
            return std::string(kCharsetUtf16BE);
        }
    }
    search->useRegExpr = true;
    search->wholeWord = false;
    search->ignoreCase = false;
    search->startPos = 1;

    int bestScore = 0;
    int bestIndex = -1;
    for (size_t e = 0; e < entries_.size(); ++e) {
        const TDetectionEntry& entry = entries_[e];
        int score = 0;
        for (const std::string& bytes : lines) {
            const std::u16string decoded = DecodeSample(entry, bytes);
            int count = 0;
            try {
                count = search->CountMatches(entry.expression, decoded);
            } catch (const ERegExpr&) {
                count = 0; // a broken expression in the user's list scores nothing
            }
            if (auto declared = FindDeclaredCharset(WideToAnsi(decoded));
                declared && SameText(*declared, entry.charset)) {
                count = kDeclaredScore;
            }
            score += count;
        }
        if (score > bestScore) {
            bestScore = score;
            bestIndex = static_cast<int>(e);
        }
    }
    if (bestIndex < 0) {
        return defaultCharset;
    }
    return entries_[static_cast<size_t>(bestIndex)].charset;
}
