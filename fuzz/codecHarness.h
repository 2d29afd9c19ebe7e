// One unedited open and save through the text codec, with the bytes it must give back.
// Shared by the libFuzzer target, the test that replays its saved inputs and the
// round-trip test over generated files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>
#include <vector>

#include "text/uniCodec.h"
#include "text/uniConvTable.h"
#include "text/uniStringList.h"

namespace codec_fuzz {

// The charsets a document can name besides "Default" and the configured tables.
inline constexpr std::string_view kBuiltinCharsets[] = {"UTF-8",       "UTF-8 (BOM)", "UTF-16 (LE)",
                                                        "UTF-16 (BE)", "WINDOWS",     "OEM"};

// How the document is set up for the open: charset, representation, surrogate table.
struct TSetup {
    std::string charset;
    TUniRepr repr = urNone;
    std::string surrogate = "-";
};

inline std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// The byte order mark that saving in `charset` puts at the start of the file, if any.
inline std::string_view MarkOf(std::string_view charset) {
    const std::string name = Lower(charset);
    if (name == "utf-8 (bom)") {
        return "\xEF\xBB\xBF";
    }
    if (name == "utf-16 (le)") {
        return "\xFF\xFE";
    }
    if (name == "utf-16 (be)") {
        return "\xFE\xFF";
    }
    return {};
}

inline bool IsUnicodeName(std::string_view charset) {
    const std::string name = Lower(charset);
    return name == "utf-8" || name == "utf-8 (bom)" || name == "utf-16 (le)" ||
           name == "utf-16 (be)";
}

// The mark a load in `charset` recognises at the start of `file`: the Unicode charsets
// look for FF FE, FE FF and EF BB BF and follow it; the others read a mark as text.
inline std::string_view MarkRead(std::string_view file, std::string_view charset) {
    if (!IsUnicodeName(charset)) {
        return {};
    }
    for (std::string_view mark : {std::string_view("\xFF\xFE"), std::string_view("\xFE\xFF"),
                                  std::string_view("\xEF\xBB\xBF")}) {
        if (file.substr(0, mark.size()) == mark) {
            return mark;
        }
    }
    return {};
}

// What an unedited save must write: the bytes that were read. The one change allowed is
// the mark of a charset that writes one, when the file had no mark of its own: the user
// chose that charset, and the load says so (TTextCodec::markAdded).
inline std::string ExpectedSave(std::string_view file, std::string_view charset) {
    if (MarkRead(file, charset).empty()) {
        return std::string(MarkOf(charset)) + std::string(file);
    }
    return std::string(file);
}

// Whether the file holds only ASCII text in the encoding its load will use. A
// representation or a surrogate table spells characters from U+0080 up (and the letters
// of the table) its own way on save, so only for such files must the bytes come back.
inline bool IsAsciiText(std::string_view file, std::string_view charset) {
    const std::string_view mark = MarkRead(file, charset);
    const std::string_view body = file.substr(mark.size());
    bool utf16 = mark == "\xFF\xFE" || mark == "\xFE\xFF";
    bool bigEndian = mark == "\xFE\xFF";
    if (mark.empty()) {
        const std::string name = Lower(charset);
        utf16 = name == "utf-16 (le)" || name == "utf-16 (be)";
        bigEndian = name == "utf-16 (be)";
    }
    if (!utf16) {
        for (char c : body) {
            if (static_cast<unsigned char>(c) >= 0x80) {
                return false;
            }
        }
        return true;
    }
    if (body.size() % 2 != 0) {
        return false;
    }
    for (size_t i = 0; i < body.size(); i += 2) {
        const char high = bigEndian ? body[i] : body[i + 1];
        const auto low = static_cast<unsigned char>(bigEndian ? body[i + 1] : body[i]);
        if (high != 0 || low >= 0x80) {
            return false;
        }
    }
    return true;
}

inline std::string HexBytes(std::string_view bytes) {
    std::string out;
    char text[4];
    for (char c : bytes) {
        std::snprintf(text, sizeof(text), "%02x", static_cast<unsigned char>(c));
        if (!out.empty()) {
            out += ' ';
        }
        out += text;
    }
    return out;
}

// Where two byte strings part, with a few bytes of each around that place.
inline std::string HexDiff(std::string_view expected, std::string_view actual) {
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) {
        ++at;
    }
    const size_t from = at > 8 ? at - 8 : 0;
    auto window = [&](std::string_view s) {
        std::string text = from > 0 ? ".. " : "";
        text += HexBytes(s.substr(std::min(from, s.size()), at - from + 12));
        if (at + 12 < s.size()) {
            text += " ..";
        }
        return text;
    };
    return "at byte " + std::to_string(at) + " (expected " + std::to_string(expected.size()) +
           " bytes, saved " + std::to_string(actual.size()) + "): expected [" + window(expected) +
           "] saved [" + window(actual) + "]";
}

// The [charsets] and [surrogates] sections of Ini/pelmar.ini in a program folder.
inline TCharsetLists ReadCharsetLists(const std::string& programFolder) {
    TCharsetLists lists;
    std::ifstream in(programFolder + "/Ini/pelmar.ini");
    std::vector<std::pair<std::string, std::string>>* section = nullptr;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            const std::string name = Lower(line);
            section = name == "[charsets]"     ? &lists.charsets
                      : name == "[surrogates]" ? &lists.surrogates
                                               : nullptr;
        } else if (const size_t eq = line.find('='); section && eq != std::string::npos) {
            section->emplace_back(line.substr(0, eq), line.substr(eq + 1));
        }
    }
    return lists;
}

inline std::string ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& name, std::string_view bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Saves are flushed to the disk; a folder in memory, where there is one, keeps thousands
// of them quick.
inline std::filesystem::path TempRoot() {
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0) {
        return "/dev/shm";
    }
    return std::filesystem::temp_directory_path();
}

// Opens and saves files in a private folder with the charsets of one program folder.
class TRoundTrip {
public:
    TRoundTrip(const std::filesystem::path& tempRoot, std::string programFolder)
        : programFolder_(std::move(programFolder)), lists_(ReadCharsetLists(programFolder_)) {
        std::string pattern = (tempRoot / "pelmar-codec-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a folder in " + tempRoot.string());
        }
        folder_ = pattern;
    }
    ~TRoundTrip() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    TRoundTrip(const TRoundTrip&) = delete;
    TRoundTrip& operator=(const TRoundTrip&) = delete;

    const TCharsetLists& Lists() const { return lists_; }

    // The built-in charsets followed by the configured table charsets.
    std::vector<std::string> Charsets() const {
        std::vector<std::string> names(std::begin(kBuiltinCharsets), std::end(kBuiltinCharsets));
        for (const auto& entry : lists_.charsets) {
            names.push_back(entry.first);
        }
        return names;
    }

    struct TOutcome {
        std::string problem; // empty when the save gave back what it must
        std::string saved;
        std::string expected;
    };

    TOutcome Run(std::string_view file, const TSetup& setup) {
        TOutcome outcome;
        const std::string in = (folder_ / "in.txt").string();
        const std::string out = (folder_ / "out.txt").string();
        WriteFile(in, file);
        std::error_code ec;
        std::filesystem::remove(out, ec);

        TTextCodec codec;
        codec.programFolder = programFolder_;
        codec.charsetLists = &lists_;
        codec.charset = setup.charset;
        codec.uniRepr = setup.repr;
        codec.surrogate = setup.surrogate;
        TWStringList* list = new TWStringList;
        const TCodecResult loaded = codec.Load(*list, in);
        const bool announced = codec.markAdded;
        const TCodecResult saved = loaded.ok ? codec.Save(*list, out) : TCodecResult{};
        const std::int64_t unmappable = codec.unmappableChars;
        list->Release();
        if (!loaded.ok) {
            outcome.problem = "load failed: " + loaded.error;
            return outcome;
        }
        if (!saved.ok) {
            outcome.problem = "save failed: " + saved.error;
            return outcome;
        }
        outcome.saved = ReadFile(out);
        outcome.expected = ExpectedSave(file, setup.charset);
        // The one change allowed must have been announced at the load, and only it.
        if (announced != (outcome.expected != file)) {
            outcome.problem = announced ? "the load announced a mark the save does not add"
                                        : "the save adds a mark the load did not announce";
            return outcome;
        }
        if (outcome.saved != outcome.expected) {
            outcome.problem = HexDiff(outcome.expected, outcome.saved);
            if (unmappable > 0) {
                outcome.problem += "; " + std::to_string(unmappable) + " characters unmappable";
            }
        }
        return outcome;
    }

private:
    std::filesystem::path folder_;
    std::string programFolder_;
    TCharsetLists lists_;
};

// The setup a fuzz input asks for: its first byte picks the charset, its second the
// representation or surrogate table (0 plain, 1 "&#DDDD;", 2 "\uXXXX", 3 and 4 the first
// two surrogate tables); the bytes after them are the file. Returns false for inputs too
// short to say, and for a representation or a table on a file that is not ASCII text.
inline bool SetupFor(const TRoundTrip& trip, const std::uint8_t* data, std::size_t size,
                     TSetup& setup, std::string_view& file) {
    if (size < 2) {
        return false;
    }
    const std::vector<std::string> charsets = trip.Charsets();
    setup = TSetup{};
    setup.charset = charsets[data[0] % charsets.size()];
    file = std::string_view(reinterpret_cast<const char*>(data + 2), size - 2);
    const unsigned mode = data[1] % 5u;
    if (mode == 0) {
        return true;
    }
    if (!IsAsciiText(file, setup.charset)) {
        return false;
    }
    if (mode <= 2) {
        setup.repr = mode == 1 ? urDecimalRef : urUEscape;
        return true;
    }
    const auto& surrogates = trip.Lists().surrogates;
    if (mode - 3 >= surrogates.size()) {
        return false;
    }
    setup.surrogate = surrogates[mode - 3].first;
    return true;
}

// Returns an empty string when the round trip held, else the setup and the difference.
inline std::string RunCase(TRoundTrip& trip, const std::uint8_t* data, std::size_t size) {
    TSetup setup;
    std::string_view file;
    if (size > 65536 || !SetupFor(trip, data, size, setup, file)) {
        return {};
    }
    const TRoundTrip::TOutcome outcome = trip.Run(file, setup);
    if (outcome.problem.empty()) {
        return {};
    }
    return setup.charset + ", representation " + std::to_string(setup.repr) + ", surrogate " +
           setup.surrogate + ": " + outcome.problem;
}

} // namespace codec_fuzz
