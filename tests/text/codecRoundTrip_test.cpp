// Opening a file and saving it unedited gives back its bytes, in every charset, over
// generated files; one test per kind of file, each failure reported with its bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "../../fuzz/codecHarness.h"
#include "base/uniCodePage.h"
#include "support/testSupport.h"

using codec_fuzz::TRoundTrip;
using codec_fuzz::TSetup;
using testing_support::Utf16Bytes;

namespace {

// The reader's block: sequences cut by its edge must be put together again.
constexpr size_t kReadBlock = size_t{1} << 20;

// Text to bytes, independently of the codec under test.
void PutUtf8(std::string& out, char32_t c) {
    auto put = [&out](char32_t v) { out.push_back(static_cast<char>(v)); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | (c >> 6));
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | (c >> 12));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | (c >> 18));
        put(0x80 | ((c >> 12) & 0x3F));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}

std::string Utf8(std::u16string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        PutUtf8(out, c);
    }
    return out;
}

// In an 8-bit file a unit below U+0100 stands for its byte; others for their UTF-8 bytes
// (which an 8-bit charset reads as so many characters).
std::string EightBit(std::u16string_view text) {
    std::string out;
    for (char16_t u : text) {
        if (u < 0x100) {
            out.push_back(static_cast<char>(u));
        } else {
            out += Utf8(std::u16string_view(&u, 1));
        }
    }
    return out;
}

// A generated file: text, written in each charset's own encoding (the Unicode charsets
// also get it after their mark), or bytes, read as they are in every charset.
struct TSample {
    std::string label;
    std::u16string text;
    std::string bytes;
    bool isText = false;
    std::vector<std::string> onlyIn; // charsets to try; empty: all
};

TSample Text(std::string label, std::u16string text) {
    return TSample{std::move(label), std::move(text), {}, true, {}};
}

TSample Bytes(std::string label, std::string bytes, std::vector<std::string> onlyIn = {}) {
    return TSample{std::move(label), {}, std::move(bytes), false, std::move(onlyIn)};
}

// The files a sample makes for one charset.
std::vector<std::string> FilesFor(const TSample& sample, const std::string& charset) {
    if (!sample.isText) {
        return {sample.bytes};
    }
    const std::string name = codec_fuzz::Lower(charset);
    if (name == "utf-8" || name == "utf-8 (bom)") {
        const std::string body = Utf8(sample.text);
        return {body, "\xEF\xBB\xBF" + body};
    }
    if (name == "utf-16 (le)" || name == "utf-16 (be)") {
        const bool be = name == "utf-16 (be)";
        const std::string body = Utf16Bytes(sample.text, be);
        return {body, (be ? "\xFE\xFF" : "\xFF\xFE") + body};
    }
    return {EightBit(sample.text)};
}

class CodecRoundTrip : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetAnsiCodePage(1252);
        SetOemCodePage(437);
        trip_ = std::make_unique<TRoundTrip>(codec_fuzz::TempRoot(), PELMAR_SOURCE_DATA_DIR);
    }
    static void TearDownTestSuite() { trip_.reset(); }

    // Which setups a file is tried in.
    enum class TSpellings {
        Plain, // each charset alone
        All,   // also, for ASCII text, each representation and surrogate table
        Only,  // only the representations and surrogate tables (the files are ASCII)
    };

    // One charset per reader, and one table charset: what the readers and writers do with
    // a file's structure (marks, separators, sequences) does not depend on the table.
    static std::vector<std::string> ReaderCharsets() {
        std::vector<std::string> charsets = trip_->Charsets();
        charsets.resize(std::size(codec_fuzz::kBuiltinCharsets) + 1);
        return charsets;
    }

    // The setups for one file in one charset. The representations and surrogate tables
    // spell text the same way whatever the reader, so they are tried in the reader
    // charsets only.
    static std::vector<TSetup> SetupsFor(const std::string& charset, std::string_view file,
                                         TSpellings spellings) {
        std::vector<TSetup> setups;
        if (spellings != TSpellings::Only) {
            setups.push_back({charset, urNone, "-"});
        }
        const std::vector<std::string> readers = ReaderCharsets();
        if (spellings == TSpellings::Plain || !codec_fuzz::IsAsciiText(file, charset) ||
            std::find(readers.begin(), readers.end(), charset) == readers.end()) {
            return setups;
        }
        setups.push_back({charset, urDecimalRef, "-"});
        setups.push_back({charset, urUEscape, "-"});
        for (const auto& entry : trip_->Lists().surrogates) {
            setups.push_back({charset, urNone, entry.first});
        }
        return setups;
    }

    static std::string SetupName(const TSetup& setup) {
        std::string name = setup.charset;
        if (setup.repr == urDecimalRef) {
            name += " &#DDDD;";
        } else if (setup.repr == urUEscape) {
            name += " \\uXXXX";
        }
        if (setup.surrogate != "-") {
            name += " + " + setup.surrogate;
        }
        return name;
    }

    // Opens and saves every sample in every setup; one failure lists the setups that
    // changed files, grouped by the files they changed, with the first difference.
    enum class TCharsets { Every, Readers };

    void Check(const std::vector<TSample>& samples, TSpellings spellings = TSpellings::All,
               TCharsets which = TCharsets::Every) {
        ASSERT_FALSE(samples.empty());
        const std::vector<std::string> charsets =
            which == TCharsets::Every ? trip_->Charsets() : ReaderCharsets();
        ASSERT_GT(charsets.size(), std::size(codec_fuzz::kBuiltinCharsets));
        struct Failure {
            std::string labels;
            std::string first;
        };
        std::map<std::string, Failure> bySetup; // keeps the setups in a stable order
        int runs = 0;
        int failed = 0;
        for (const std::string& charset : charsets) {
            for (const TSample& sample : samples) {
                if (!sample.onlyIn.empty() && std::find(sample.onlyIn.begin(), sample.onlyIn.end(),
                                                        charset) == sample.onlyIn.end()) {
                    continue;
                }
                const std::vector<std::string> files = FilesFor(sample, charset);
                for (size_t variant = 0; variant < files.size(); ++variant) {
                    const std::string& file = files[variant];
                    const std::string label = sample.label + (variant > 0 ? " after mark" : "");
                    for (const TSetup& setup : SetupsFor(charset, file, spellings)) {
                        ++runs;
                        const TRoundTrip::TOutcome outcome = trip_->Run(file, setup);
                        if (outcome.problem.empty()) {
                            continue;
                        }
                        ++failed;
                        Failure& f = bySetup[SetupName(setup)];
                        if (f.first.empty()) {
                            f.first = "'" + label + "' " + outcome.problem;
                        }
                        f.labels += (f.labels.empty() ? "'" : ", '") + label + "'";
                    }
                }
            }
        }
        EXPECT_GT(runs, 0);
        if (failed == 0) {
            return;
        }
        // Setups that changed the same files are reported together.
        std::map<std::string, std::vector<std::string>> byLabels;
        for (const auto& [setup, f] : bySetup) {
            byLabels[f.labels].push_back(setup);
        }
        std::string report = std::to_string(failed) + " of " + std::to_string(runs) +
                             " unedited saves changed the file.\n";
        for (const auto& [labels, setups] : byLabels) {
            report += "- in ";
            for (size_t i = 0; i < setups.size(); ++i) {
                report += (i > 0 ? ", " : "") + setups[i];
            }
            report += "\n  files: " + labels.substr(0, 400) + (labels.size() > 400 ? "..." : "");
            report += "\n  first: " + bySetup[setups.front()].first + "\n";
        }
        ADD_FAILURE() << report;
    }

    static std::unique_ptr<TRoundTrip> trip_;
};

std::unique_ptr<TRoundTrip> CodecRoundTrip::trip_;

TEST_F(CodecRoundTrip, EmptyFile) {
    Check({Bytes("empty", "")});
}

TEST_F(CodecRoundTrip, NulCharacters) {
    Check({Text("a\\0b\\n\\0\\0\\n\\0", std::u16string(u"a\0b\n\0\0\n\0", 8)),
           Text("\\0", std::u16string(1, u'\0'))},
          TSpellings::All, TCharsets::Readers);
}

TEST_F(CodecRoundTrip, UniformSeparators) {
    Check({Text("a\\nb\\n", u"a\nb\n"), Text("a\\r\\nb", u"a\r\nb"), Text("\\n\\n", u"\n\n"),
           Text("no separator", u"no separator")},
          TSpellings::All, TCharsets::Readers);
}

TEST_F(CodecRoundTrip, LoneCarriageReturns) {
    Check({Text("a\\rb\\rc\\r", u"a\rb\rc\r"), Text("\\r\\r", u"\r\r"), Text("\\r", u"\r")},
          TSpellings::All, TCharsets::Readers);
}

TEST_F(CodecRoundTrip, MixedSeparators) {
    // LF CR, CR CR LF, CR LF LF CR, and a file that ends in a lone CR after the others.
    Check({Text("a\\nb\\r\\nc\\rd", u"a\nb\r\nc\rd"),
           Text("\\r\\n\\n\\ra\\n\\rb\\r\\r\\nc\\nd\\r", u"\r\n\n\ra\n\rb\r\r\nc\nd\r")},
          TSpellings::All, TCharsets::Readers);
}

TEST_F(CodecRoundTrip, LineAndParagraphSeparators) {
    Check({Text("a\\u2028b", u"a\u2028b"), Text("a\\u2029b", u"a\u2029b"),
           Text("\\u2028", u"\u2028"), Text("a\\u2028b\\nc", u"a\u2028b\nc"),
           Text("a\\r\\nb\\u2028c\\r\\n", u"a\r\nb\u2028c\r\n"),
           Text("a\\u2029\\nb\\u2029", u"a\u2029\nb\u2029")},
          TSpellings::All, TCharsets::Readers);
}

TEST_F(CodecRoundTrip, NonAsciiText) {
    Check({Text("Cyrillic", u"\u0416\u0438\u0432\u0451\u0442\n\u0436"),
           Text("Latin-1", u"caf\u00E9 \u00FF\u00A0\u0080\u0081\u009F"),
           Text("CJK", u"\u4E2D\u6587\r\n"), Text("pair", u"\U0001F600 \U0010FFFF"),
           Text("noncharacters", u"\uFFFE\uFFFF\uFEFF"),
           Text("units escaped bytes use", u"\u00DC\u0080\u0100")});
}

TEST_F(CodecRoundTrip, AllByteValues) {
    std::string every;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r') {
            every.push_back(static_cast<char>(b));
        }
    }
    std::string high;
    for (int b = 0xFF; b >= 0x80; --b) {
        high.push_back(static_cast<char>(b));
        high.push_back(static_cast<char>(b ^ 0x55));
    }
    Check({Bytes("bytes 00..FF without CR", every), Bytes("high bytes in pairs", high)});
}

TEST_F(CodecRoundTrip, LongLines) {
    std::u16string mixed;
    for (int i = 0; mixed.size() < 70000; ++i) {
        mixed += i % 7 == 0 ? u"\u00E9\u0436 " : u"word ";
    }
    Check({Text("8193 and 20000 units",
                std::u16string(8193, u'a') + u"\n" + std::u16string(20000, u'z')),
           Text("70000 mixed units", mixed + u"\n" + mixed)},
          TSpellings::All, TCharsets::Readers);
}

TEST_F(CodecRoundTrip, RandomBytes) {
    std::mt19937 rng(20261208); // fixed: the same files on every run
    std::vector<TSample> samples;
    // Any byte, and bytes drawn mostly from those that matter to the readers.
    const std::string special("\r\n\0\x80\xBF\xC3\xE2\xA8\xED\xF0\xF4\xFF\xFE\xEF\xBB\x28\x20\xDC",
                              19);
    for (int i = 0; i < 24; ++i) {
        const size_t length = rng() % 128;
        std::string bytes;
        for (size_t k = 0; k < length; ++k) {
            bytes.push_back(i % 2 == 0 ? static_cast<char>(rng() & 0xFF)
                                       : special[rng() % special.size()]);
        }
        samples.push_back(Bytes("random #" + std::to_string(i) + " [" +
                                    codec_fuzz::HexBytes(bytes.substr(0, 24)) +
                                    (bytes.size() > 24 ? " .." : "") + "]",
                                bytes));
    }
    Check(samples);
}

TEST_F(CodecRoundTrip, InvalidUtf8) {
    Check({Bytes("lone continuation 80", "a\x80z"), Bytes("cut 2-byte C3 at end", "a\xC3"),
           Bytes("C3 before ASCII", "\xC3("), Bytes("cut 3-byte E2 82", "\xE2\x82z"),
           Bytes("cut 3-byte at end", "z\xE2\x82"),
           Bytes("encoded surrogate ED A0 80", "\xED\xA0\x80"),
           Bytes("encoded escaped-byte unit ED B2 80", "\xED\xB2\x80"),
           Bytes("cut 4-byte at end", "\xF0\x9F\x98"), Bytes("F5 lead", "\xF5\x80\x80\x80"),
           Bytes("overlong C0 AF", "\xC0\xAF"), Bytes("overlong E0 80 AF", "\xE0\x80\xAF"),
           Bytes("above U+10FFFF", "\xF4\x90\x80\x80"), Bytes("FF and FE", "a\xFF\xFEz"),
           Bytes("mixed valid and invalid", "\xD0\xB6\x80\xD0\xE2\x80\xA8\x80\n\xC3\xA9")},
          TSpellings::All, TCharsets::Readers);
}

TEST_F(CodecRoundTrip, Utf16OddAndEvenLengths) {
    using namespace std::string_literals;
    Check({Bytes("even without mark", "a\0b\0"s), Bytes("odd without mark", "a\0b"s),
           Bytes("even after FF FE", "\xFF\xFE"
                                     "a\0b\0"s),
           Bytes("odd after FF FE", "\xFF\xFE"
                                    "a\0b"s),
           Bytes("even after FE FF", "\xFE\xFF\0a\0b"s), Bytes("odd after FE FF", "\xFE\xFF\0a\0"s),
           Bytes("odd with low byte under 80", "\xFF\xFE"
                                               "a\0\x41"s),
           Bytes("high surrogate before odd byte", "\xFF\xFE\x3D\xD8\x3D\xD8\x41"s),
           Bytes("lone high surrogate at end", "\xFF\xFE\x3D\xD8"s),
           Bytes("lone low surrogate DC00", "\xFF\xFE\x00\xDC"
                                            "a\0"s),
           Bytes("unit DC80 (escaped-byte range)", "\xFF\xFE\x80\xDC\xFF\xDC"s),
           Bytes("pair then DC41", "\xFF\xFE\x3D\xD8\x00\xDE\x41\xDC"s),
           Bytes("CR units only", "\xFF\xFE\r\0a\0\r\0"s), Bytes("one byte", "\x41"s)},
          TSpellings::All, TCharsets::Readers);
}

TEST_F(CodecRoundTrip, MarksFollowedByJunk) {
    using namespace std::string_literals;
    Check({Bytes("EF BB BF alone", "\xEF\xBB\xBF"), Bytes("FF FE alone", "\xFF\xFE"),
           Bytes("FE FF alone", "\xFE\xFF"), Bytes("EF BB BF then FF FE", "\xEF\xBB\xBF\xFF\xFE"),
           Bytes("FF FE twice", "\xFF\xFE\xFF\xFE"), Bytes("FE FF then odd", "\xFE\xFF\xFF"),
           Bytes("EF BB (cut mark)", "\xEF\xBB"), Bytes("EF BB then x", "\xEF\xBBx"),
           Bytes("EF BB BF then invalid", "\xEF\xBB\xBF\xC3\x28\xFF"),
           Bytes("FF FE then CR", "\xFF\xFE\r\0"s), Bytes("FF alone", "\xFF"),
           Bytes("FE alone", "\xFE"), Bytes("FF FE 00 (odd)", "\xFF\xFE\0"s),
           Bytes("EF BB BF then EF BB BF", "\xEF\xBB\xBF\xEF\xBB\xBF")},
          TSpellings::All, TCharsets::Readers);
}

TEST_F(CodecRoundTrip, ReadBlockEdges) {
    std::vector<TSample> samples;
    // A file whose bytes from `at` on are `tail`, after filler without separators.
    const auto edge = [](std::string_view head, size_t at, std::string_view tail) {
        std::string bytes(head);
        bytes.append(at - head.size(), 'x');
        bytes += tail;
        return bytes;
    };
    const std::vector<std::string> utf8{"UTF-8"};
    struct Cut {
        const char* name;
        std::string sequence;
        std::vector<size_t> after; // bytes before the edge
    };
    const Cut cuts[] = {{"C3 A9", "\xC3\xA9", {1}},
                        {"F0 9F 98 80", "\xF0\x9F\x98\x80", {1, 2, 3}},
                        {"U+2028", "\xE2\x80\xA8", {1, 2}},
                        {"unfinished F0 9F 98", "\xF0\x9F\x98", {2}},
                        {"CR LF", "\r\n", {1}}};
    for (const Cut& cut : cuts) {
        for (size_t after : cut.after) {
            samples.push_back(
                Bytes(std::string(cut.name) + " cut after byte " + std::to_string(after),
                      edge("", kReadBlock - after, cut.sequence + "y"), utf8));
        }
    }
    samples.push_back(Bytes("after mark, F0 9F 98 80 cut after byte 2",
                            edge("\xEF\xBB\xBF", kReadBlock - 2, "\xF0\x9F\x98\x80y"),
                            {"UTF-8 (BOM)"}));
    samples.push_back(Bytes("8-bit CR | LF", edge("", kReadBlock - 1, "\r\ny"), {"WINDOWS"}));
    samples.push_back(Bytes("8-bit CR at the edge", edge("", kReadBlock - 1, "\ry"), {"KOI8-R"}));
    // UTF-16: the filler is ASCII text in the file's byte order.
    const auto edge16 = [](bool be, std::string_view head, size_t at, std::u16string_view tail) {
        std::string bytes(head);
        bytes += Utf16Bytes(std::u16string((at - head.size()) / 2, u'x'), be);
        bytes += Utf16Bytes(tail, be);
        return bytes;
    };
    samples.push_back(Bytes("LE pair | pair",
                            edge16(false, "\xFF\xFE", kReadBlock - 2, u"\U0001F600y"),
                            {"UTF-16 (LE)"}));
    samples.push_back(Bytes("LE odd byte past the edge",
                            edge16(false, "\xFF\xFE", kReadBlock, u"y") + "z", {"UTF-16 (LE)"}));
    samples.push_back(
        Bytes("BE CR | LF", edge16(true, "\xFE\xFF", kReadBlock - 2, u"\r\ny"), {"UTF-16 (BE)"}));
    samples.push_back(Bytes("BE without mark, pair | pair",
                            edge16(true, "", kReadBlock - 2, u"\U0001F600y"), {"UTF-16 (BE)"}));
    Check(samples, TSpellings::Plain);
}

// One file of ASCII lines, tried with the representations and surrogate tables.
TSample Lines(std::string label, std::initializer_list<std::u16string_view> lines) {
    std::u16string text;
    for (std::u16string_view line : lines) {
        text += line;
        text += u'\n';
    }
    return Text(std::move(label), std::move(text));
}

TEST_F(CodecRoundTrip, ReferencesBelowU0080) {
    // Text the representations never write: it stays as it is.
    Check(
        {Lines("references below U+0080", {u"&#65;", u"\\u0041", u"x&#10;y", u"x\\u000ay", u"&#0;",
                                           u"\\u0000", u"&#127;", u"\\u007f", u"&#59;;"})},
        TSpellings::Only);
}

TEST_F(CodecRoundTrip, MalformedReferences) {
    Check({Lines("malformed references",
                 {u"&#", u"a&#;b", u"&#x;", u"&#$;", u"R&#D", u"&#-5;", u"\\u", u"\\u12",
                  u"\\uZZZZ", u"\\u12G4", u"$#", u"C:\\users", u"\\\\u"})},
          TSpellings::Only);
}

TEST_F(CodecRoundTrip, ReferencesTheWriterWrites) {
    // Characters no table holds, spelled as the writer spells them.
    Check({Lines("references as written",
                 {u"&#20013;", u"&#9731;&#9731;", u"&#55357;&#56832;", u"\\u4e2d", u"\\u2603 x",
                  u"\\ud83d\\ude00", u"\\udc80", u"&#56448;"}),
           Text("at the end, after CR LF", u"a\r\n&#20013;\\u4e2d")},
          TSpellings::Only);
}

TEST_F(CodecRoundTrip, ReferencesToWhatTheTableHolds) {
    // A table charset writes its own letters as bytes, so a reference to one is text.
    Check({Lines("references to table letters",
                 {u"\\u0436", u"&#1078;", u"\\u0107 &#263;", u"\\u0416&#1046;\\u4e2d"})},
          TSpellings::Only);
}

TEST_F(CodecRoundTrip, OtherSpellingsOfReferences) {
    // References the writer would spell otherwise are text.
    Check({Lines("other spellings",
                 {u"&#x4E2D;", u"$#20013", u"$#20013;", u"&#020013;", u"&#20013", u"&#$4E2D;",
                  u"\\u4E2D", u"&# 20013;", u"&#+20013;", u"&#65601;"})},
          TSpellings::Only);
}

TEST_F(CodecRoundTrip, SurrogateSpellings) {
    Check({Lines("x-system", {u"cx gx hx jx sx ux Cx Gx CX cxx xcx"}),
           Lines("h-system", {u"ch gh hh jh sh u U sch chh hhh flughaveno", u"Ch", u"au"})},
          TSpellings::Only);
}

} // namespace
