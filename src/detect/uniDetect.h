// Charset autodetection: scoring a file's first lines against characteristic expressions.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/uniConvTable.h"

class TuniSearch;

// One entry of the detection list: a charset and the expression whose matches count for it.
struct TDetectionEntry {
    std::string charset;
    std::u16string expression;         // references already decoded
    std::unique_ptr<TConvTable> table; // empty for UTF-8 and UTF-16
    // The letters from U+0080 up of each language the charset holds, each sorted; without
    // a list, the characters from U+0080 up that the expression names.
    std::vector<std::u16string> alphabets;
};

// One entry's result on a file: its score and how many characters from U+0080 up its
// reading holds outside the alphabet that fits it best (the tie-break).
struct TDetectionScore {
    std::string charset;
    int score = 0;
    int strangers = 0;
};

struct TDetectionResult {
    std::string charset;                 // the choice
    std::vector<TDetectionScore> scores; // every entry, in list order (empty after a mark)
};

class TCharsetDetector {
public:
    TCharsetDetector() = default;
    TCharsetDetector(const TCharsetDetector&) = delete;
    TCharsetDetector& operator=(const TCharsetDetector&) = delete;

    // Builds the list from `pairs` (charset = expression, in file order), loading each
    // table charset's table from <programFolder>/Ini/ as [charsets] names it. `alphabets`
    // (charset = runs of letters separated by spaces) gives the tie-break's alphabets.
    void Build(const std::vector<std::pair<std::string, std::string>>& pairs,
               const TCharsetLists& lists, const std::string& programFolder,
               const std::vector<std::pair<std::string, std::string>>& alphabets = {});
    // The same from sections "*" and "alphabets" of <programFolder>/Ini/charsets.ini.
    void Load(const TCharsetLists& lists, const std::string& programFolder);

    const std::vector<TDetectionEntry>& Entries() const { return entries_; }

    // The charset of the file: "UTF-16 (BE)" when its first line starts with a UTF-16 byte
    // order mark (the load's mark check then settles the order), the best-scoring entry,
    // or `defaultCharset` when none scored. Empty when there is no search engine or the
    // file cannot be read. `search` is the editor's engine with its case map and
    // delimiters; it is reconfigured for the run.
    // Ties on the best score go to the entry whose reading holds the fewest characters
    // outside the alphabet of a language it holds, then to `defaultCharset` when it is one
    // of them, then to the entry listed first.
    std::optional<std::string> DetectCharset(const std::string& fileName,
                                             const std::string& defaultCharset,
                                             TuniSearch* search) const;
    // The same with every entry's score, for showing why.
    std::optional<TDetectionResult> ScoreCharsets(const std::string& fileName,
                                                  const std::string& defaultCharset,
                                                  TuniSearch* search) const;

    // The charset a line declares ("charset=...", "encoding=..." or, failing both, an
    // editor's "coding: ..."), mapped through [html-charsets]; empty when it declares none.
    std::optional<std::string> FindDeclaredCharset(std::string_view line) const;

private:
    std::u16string DecodeSample(const TDetectionEntry& entry, const std::string& bytes) const;

    std::vector<TDetectionEntry> entries_;
    std::vector<std::pair<std::string, std::string>> htmlCharsets_; // declared = ours
};

// The number of bytes ReadSampleLines read from the file in this thread so far (the
// detection's cost does not grow with the file).
size_t SampleBytesRead();

// Up to `maxLines` lines from the start of a file as raw bytes, each cut after `maxBytes`
// bytes (the rest of a longer line is the next sample line). Empty when unreadable.
std::optional<std::vector<std::string>> ReadSampleLines(const std::string& fileName,
                                                        int maxLines = 40, size_t maxBytes = 257);
