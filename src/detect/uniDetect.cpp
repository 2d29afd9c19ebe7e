// Charset autodetection.
#include "detect/uniDetect.h"

#include <algorithm>
#include <cstdio>

#include "base/uniCodePage.h"
#include "base/uniFileIO.h"
#include "base/uniIni.h"
#include "base/uniNumRefs.h"
#include "base/uniUtf8.h"
#include "search/uniSearch.h"
#include "text/uniCodec.h"

namespace {

// The declaration's score: a file that names its charset is all but certain.
constexpr int kDeclaredScore = 200;

bool IsUnicodeEntry(std::string_view name) {
    return SameText(name, kCharsetUtf8) || SameText(name, kCharsetUtf16LE) ||
           SameText(name, kCharsetUtf16BE);
}

thread_local size_t sampleBytesRead = 0;

// The characters from U+0080 up that an expression names, sorted and unique.
std::u16string ExpressionLetters(const std::u16string& expression) {
    std::u16string letters;
    for (char16_t c : expression) {
        if (c >= 0x80) {
            letters.push_back(c);
        }
    }
    std::sort(letters.begin(), letters.end());
    letters.erase(std::unique(letters.begin(), letters.end()), letters.end());
    return letters;
}

// Runs of characters separated by spaces, each sorted.
std::vector<std::u16string> SplitAlphabets(const std::u16string& text) {
    std::vector<std::u16string> runs;
    std::u16string run;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == u' ') {
            if (!run.empty()) {
                std::sort(run.begin(), run.end());
                runs.push_back(run);
                run.clear();
            }
        } else {
            run.push_back(text[i]);
        }
    }
    return runs;
}

// The characters from U+0080 up outside `alphabet`.
int CountStrangers(const std::u16string& text, const std::u16string& alphabet) {
    int count = 0;
    for (char16_t c : text) {
        if (c >= 0x80 && !std::binary_search(alphabet.begin(), alphabet.end(), c)) {
            ++count;
        }
    }
    return count;
}

} // namespace

size_t SampleBytesRead() {
    return sampleBytesRead;
}

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
        if (c != EOF) {
            ++sampleBytesRead;
        }
        if (c == EOF) {
            if (!line.empty()) {
                lines.push_back(line);
            }
            break;
        }
        if (c == '\n' || c == '\r') {
            if (c == '\r') {
                const int next = std::fgetc(f);
                if (next == '\n') {
                    ++sampleBytesRead;
                } else if (next != EOF) {
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
                             const TCharsetLists& lists, const std::string& programFolder,
                             const std::vector<std::pair<std::string, std::string>>& alphabets) {
    htmlCharsets_ = lists.htmlCharsets;
    entries_.clear();
    for (const auto& [name, expression] : pairs) {
        TDetectionEntry entry;
        entry.charset = name;
        entry.expression = DecodeNumericRefs(AnsiToWide(expression), TRefForms::Ampersand);
        for (const auto& [charset, runs] : alphabets) {
            if (SameText(charset, name)) {
                entry.alphabets =
                    SplitAlphabets(DecodeNumericRefs(AnsiToWide(runs), TRefForms::Ampersand));
                break;
            }
        }
        if (entry.alphabets.empty()) {
            entry.alphabets.push_back(ExpressionLetters(entry.expression));
        }
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
    std::vector<std::pair<std::string, std::string>> alphabets;
    for (const std::string& key : ini.ReadSectionA("alphabets")) {
        alphabets.emplace_back(key, ini.ReadStringA("alphabets", key));
    }
    Build(pairs, lists, programFolder, alphabets);
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
    // An editor's mode line: "-*- coding: koi8-r -*-", "# vim: fileencoding=latin2" (the
    // latter already found above). Only "coding" followed by ":" or "=" counts.
    bool modeLine = false;
    if (at == std::string::npos) {
        for (size_t from = 0; (at = upper.find("CODING", from)) != std::string::npos;
             from = at + 1) {
            const size_t sep = upper.find_first_not_of(" \t", at + 6);
            if (sep != std::string::npos && (upper[sep] == ':' || upper[sep] == '=')) {
                break;
            }
        }
        skip = 6;
        modeLine = true;
    }
    if (at == std::string::npos) {
        return std::nullopt;
    }
    std::string rest(line.substr(at + skip));
    // The name may stand in quotes (charset="koi8-r", encoding='cp866'): the opening quote
    // is skipped with the blanks and "=" before it, and any quote, ">", ";" or blank ends it.
    const size_t start = rest.find_first_not_of(modeLine ? "\t =:\"'" : "\t =\"'");
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
    auto result = ScoreCharsets(fileName, defaultCharset, search);
    if (!result) {
        return std::nullopt;
    }
    return result->charset;
}

std::optional<TDetectionResult> TCharsetDetector::ScoreCharsets(const std::string& fileName,
                                                                const std::string& defaultCharset,
                                                                TuniSearch* search) const {
    if (search == nullptr) {
        return std::nullopt;
    }
    auto sample = ReadSampleLines(fileName);
    if (!sample) {
        return std::nullopt;
    }
    TDetectionResult result;
    const std::vector<std::string>& lines = *sample;
    if (!lines.empty() && lines[0].size() >= 2) {
        const auto b0 = static_cast<unsigned char>(lines[0][0]);
        const auto b1 = static_cast<unsigned char>(lines[0][1]);
        if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF)) {
            result.charset = kCharsetUtf16BE;
            return result;
        }
    }
    search->useRegExpr = true;
    search->wholeWord = false;
    search->ignoreCase = false;
    search->startPos = 1;

    int bestScore = 0;
    for (const TDetectionEntry& entry : entries_) {
        TDetectionScore score{entry.charset, 0, 0};
        std::vector<int> strangers(entry.alphabets.size(), 0);
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
            score.score += count;
            for (size_t a = 0; a < entry.alphabets.size(); ++a) {
                strangers[a] += CountStrangers(decoded, entry.alphabets[a]);
            }
        }
        score.strangers =
            strangers.empty() ? 0 : *std::min_element(strangers.begin(), strangers.end());
        bestScore = std::max(bestScore, score.score);
        result.scores.push_back(std::move(score));
    }
    if (bestScore == 0) {
        result.charset = defaultCharset;
        return result;
    }
    // Among the entries with the best score: the fewest strangers, then the default
    // charset, then the first listed.
    const TDetectionScore* best = nullptr;
    for (const TDetectionScore& s : result.scores) {
        if (s.score != bestScore) {
            continue;
        }
        if (best == nullptr || s.strangers < best->strangers ||
            (s.strangers == best->strangers && SameText(s.charset, defaultCharset) &&
             !SameText(best->charset, defaultCharset))) {
            best = &s;
        }
    }
    result.charset = best->charset;
    return result;
}
