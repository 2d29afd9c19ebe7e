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
};

class TCharsetDetector {
public:
    TCharsetDetector() = default;
    TCharsetDetector(const TCharsetDetector&) = delete;
    TCharsetDetector& operator=(const TCharsetDetector&) = delete;

    // Builds the list from `pairs` (charset = expression, in file order), loading each
    // table charset's table from <programFolder>/Ini/ as [charsets] names it.
    void Build(const std::vector<std::pair<std::string, std::string>>& pairs,
               const TCharsetLists& lists, const std::string& programFolder);
    // The same from section "*" of <programFolder>/Ini/charsets.ini.
    void Load(const TCharsetLists& lists, const std::string& programFolder);

    const std::vector<TDetectionEntry>& Entries() const { return entries_; }

    // The charset of the file: "UTF-16 (BE)" when its first line starts with a UTF-16 byte
    // order mark (the load's mark check then settles the order), the best-scoring entry,
    // or `defaultCharset` when none scored. Empty when there is no search engine or the
    // file cannot be read. `search` is the editor's engine with its case map and
    // delimiters; it is reconfigured for the run.
    std::optional<std::string> DetectCharset(const std::string& fileName,
                                             const std::string& defaultCharset,
                                             TuniSearch* search) const;

    // The charset a line declares ("charset=..." or "encoding=..."), mapped through
    // [html-charsets]; empty when it declares none.
    std::optional<std::string> FindDeclaredCharset(std::string_view line) const;

private:
    std::u16string DecodeSample(const TDetectionEntry& entry, const std::string& bytes) const;

    std::vector<TDetectionEntry> entries_;
    std::vector<std::pair<std::string, std::string>> htmlCharsets_; // declared = ours
};

// Up to `maxLines` lines from the start of a file as raw bytes, each cut after `maxBytes`
// bytes (the rest of a longer line is the next sample line). Empty when unreadable.
std::optional<std::vector<std::string>> ReadSampleLines(const std::string& fileName,
                                                        int maxLines = 40, size_t maxBytes = 257);
