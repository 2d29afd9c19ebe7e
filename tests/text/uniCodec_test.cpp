// Loading and saving documents: readers, writers, marks, separators, representations, safety.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "base/uniCodePage.h"
#include "base/uniRecovery.h"
#include "support/testSupport.h"
#include "text/uniCodec.h"

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::U16;
using testing_support::U8;
using testing_support::Utf16Bytes;
using testing_support::WriteBytes;

namespace {

struct ListHolder {
    TWStringList* list = new TWStringList;
    ~ListHolder() { list->Release(); }
    TWStringList& operator*() { return *list; }
    TWStringList* operator->() { return list; }
};

std::vector<std::string> LinesOf(TWStringList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) {
        out.push_back(U8(list.Get(i)));
    }
    return out;
}

class CodecTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetAnsiCodePage(1252);
        SetOemCodePage(437);
    }

    // Loads `bytes` with `charset` and returns the codec result.
    TCodecResult LoadBytes(std::string_view bytes, const std::string& charset) {
        WriteBytes(dir.file("in.txt"), bytes);
        codec.charset = charset;
        return codec.Load(*list, dir.file("in.txt"), &observer);
    }

    std::string SaveBytes() {
        TCodecResult r = codec.Save(*list, dir.file("out.txt"), {}, &observer);
        EXPECT_TRUE(r.ok) << r.error;
        return ReadBytes(dir.file("out.txt"));
    }

    // Open + save in the same charset must give the same bytes back.
    void ExpectRoundTrip(std::string_view bytes, const std::string& charset) {
        ASSERT_TRUE(LoadBytes(bytes, charset).ok);
        EXPECT_EQ(SaveBytes(), std::string(bytes)) << "charset " << charset;
    }

    // Records what loads and saves report, and answers detection with `detected`.
    struct TRecordingObserver final : TCodecObserver {
        int profileCalls = 0;
        std::optional<std::string> detected;
        std::vector<TLoadProgress> loaded;
        std::vector<std::pair<int, int>> saved; // (count, index)
        void ProfileDue() override { ++profileCalls; }
        std::optional<std::string> DetectCharset(const std::string&) override { return detected; }
        void LinesLoaded(const TLoadProgress& progress) override { loaded.push_back(progress); }
        void LinesSaved(int count, int index) override { saved.emplace_back(count, index); }
    };

    TempDir dir;
    ListHolder list;
    TTextCodec codec;
    TRecordingObserver observer;
};

TEST_F(CodecTest, ByteOrderMarksDecideTheReader) {
    // UTF-16 LE with its mark, opened as UTF-8.
    ASSERT_TRUE(LoadBytes(std::string("\xFF\xFE"
                                      "a\0\n\0b\0",
                                      8),
                          "UTF-8")
                    .ok);
    EXPECT_EQ(codec.charset, "UTF-16 (LE)");
    EXPECT_EQ(LinesOf(*list), (std::vector<std::string>{"a", "b"}));

    ASSERT_TRUE(LoadBytes(std::string("\xFE\xFF\0a\0\n\0b", 8), "UTF-16 (LE)").ok);
    EXPECT_EQ(codec.charset, "UTF-16 (BE)");
    EXPECT_EQ(LinesOf(*list), (std::vector<std::string>{"a", "b"}));

    ASSERT_TRUE(LoadBytes("\xEF\xBB\xBF\xD0\xB6", "UTF-8").ok);
    EXPECT_EQ(codec.charset, "UTF-8 (BOM)");
    EXPECT_EQ(LinesOf(*list), (std::vector<std::string>{"\xD0\xB6"}));

    // Other charsets read the mark as ordinary characters.
    ASSERT_TRUE(LoadBytes("\xEF\xBB\xBFx", "WINDOWS").ok);
    EXPECT_EQ(list->Get(0), U16("\xC3\xAF\xC2\xBB\xC2\xBFx")); // i-diaeresis, >>, inverted ?
    EXPECT_EQ(codec.charset, "WINDOWS");

    // Only two bytes of the UTF-8 mark: no mark, rewound.
    ASSERT_TRUE(LoadBytes("\xEF\xBBx", "UTF-8").ok);
    EXPECT_EQ(codec.charset, "UTF-8");
    EXPECT_EQ(list->Get(0).size(), 3u);
}

TEST_F(CodecTest, MarksAreWrittenOnlyByTheirCharsets) {
    list->Add(u"\u0436");
    codec.lineSeparator = lsLF;
    codec.charset = "UTF-8";
    EXPECT_EQ(SaveBytes(), "\xD0\xB6");
    codec.charset = "UTF-8 (BOM)";
    EXPECT_EQ(SaveBytes(), "\xEF\xBB\xBF\xD0\xB6");
    codec.charset = "UTF-16 (LE)";
    EXPECT_EQ(SaveBytes(), std::string("\xFF\xFE\x36\x04", 4));
    codec.charset = "UTF-16 (BE)";
    EXPECT_EQ(SaveBytes(), std::string("\xFE\xFF\x04\x36", 4));
}

// UTF-16 bytes of ASCII and U+2028 text, either way round, with the mark.
std::string Utf16Of(std::u16string_view text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t u : text) {
        const char hi = static_cast<char>(u >> 8);
        const char lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

TEST_F(CodecTest, MixedSeparatorsAreWrittenBackAsRead) {
    const std::u16string_view texts[] = {
        u"a\nb\r\nc\rd",      u"\n\r",         u"a\r\r\nb\n\rc", u"x\r\n\r\n\n\ry\r",
        u"p\u2028q\nr\u2028", u"\u2028\n\r\n", u"one\rtwo\n",
    };
    for (const std::u16string_view text : texts) {
        const bool ls = text.find(u'\u2028') != std::u16string_view::npos;
        if (!ls) {
            std::string bytes(text.begin(), text.end());
            ExpectRoundTrip(bytes, "WINDOWS");
            ExpectRoundTrip(bytes, "OEM");
        }
        std::string utf8;
        for (const char16_t u : text) {
            utf8 +=
                u == 0x2028 ? std::string("\xE2\x80\xA8") : std::string(1, static_cast<char>(u));
        }
        ExpectRoundTrip(utf8, "UTF-8");
        ExpectRoundTrip(Utf16Of(text, false), "UTF-16 (LE)");
        ExpectRoundTrip(Utf16Of(text, true), "UTF-16 (BE)");
    }
    // The first separator is the document's; the others are the lines' own.
    ASSERT_TRUE(LoadBytes("a\nb\r\nc\xE2\x80\xA8"
                          "d\re",
                          "UTF-8")
                    .ok);
    EXPECT_EQ(codec.lineSeparator, lsLF);
    EXPECT_EQ(list->Separator(0), lsDocument);
    EXPECT_EQ(list->Separator(1), lsCRLF);
    EXPECT_EQ(list->Separator(2), lsLS);
    EXPECT_EQ(list->Separator(3), lsCR);
    EXPECT_EQ(list->OwnSeparatorCount(), 3);
    // An 8-bit charset has no U+2028: such a line ends as the document does.
    codec.charset = "WINDOWS";
    EXPECT_EQ(SaveBytes(), "a\nb\r\nc\nd\re");
    // A line added by editing ends as the document does.
    list->Insert(1, u"new");
    codec.charset = "UTF-8";
    EXPECT_EQ(SaveBytes(), "a\nnew\nb\r\nc\xE2\x80\xA8"
                           "d\re");
}

TEST_F(CodecTest, SeparatorsAndTheFinalLine) {
    // The first separator is the document's; a line that ends otherwise keeps its own.
    ASSERT_TRUE(LoadBytes("a\r\nb\n", "UTF-8").ok);
    EXPECT_EQ(LinesOf(*list), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(codec.lineSeparator, lsCRLF);
    EXPECT_EQ(list->Separator(0), lsDocument);
    EXPECT_EQ(list->Separator(1), lsLF);
    EXPECT_EQ(SaveBytes(), "a\r\nb\n");

    ExpectRoundTrip("a\n", "UTF-8");
    EXPECT_EQ(LinesOf(*list), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(codec.lineSeparator, lsLF);

    ExpectRoundTrip("a\rb\r", "WINDOWS");
    EXPECT_EQ(codec.lineSeparator, lsCR);

    ExpectRoundTrip("x\xE2\x80\xA8y", "UTF-8");
    EXPECT_EQ(codec.lineSeparator, lsLS);
    EXPECT_EQ(list->Count(), 2);

    // An empty file is one empty line; no separator seen means the platform's LF.
    ASSERT_TRUE(LoadBytes("", "UTF-8").ok);
    EXPECT_EQ(LinesOf(*list), (std::vector<std::string>{""}));
    EXPECT_EQ(codec.lineSeparator, lsLF);

    // A CR at the very end of the file.
    ASSERT_TRUE(LoadBytes("a\r", "WINDOWS").ok);
    EXPECT_EQ(LinesOf(*list), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(codec.lineSeparator, lsCR);
}

TEST_F(CodecTest, Utf16KeepsEverySeparatorKind) {
    auto le = [](std::u16string_view s) {
        std::string out = "\xFF\xFE";
        for (char16_t u : s) {
            out.push_back(static_cast<char>(u & 0xFF));
            out.push_back(static_cast<char>(u >> 8));
        }
        return out;
    };
    ExpectRoundTrip(le(u"a\rb\rc"), "UTF-16 (LE)");
    EXPECT_EQ(list->Count(), 3);
    EXPECT_EQ(codec.lineSeparator, lsCR);
    ExpectRoundTrip(le(u"a\nb\n"), "UTF-16 (LE)");
    EXPECT_EQ(codec.lineSeparator, lsLF);
    ExpectRoundTrip(le(u"a\r\nb"), "UTF-16 (LE)");
    EXPECT_EQ(codec.lineSeparator, lsCRLF);
    ExpectRoundTrip(le(u"a\u2028b"), "UTF-16 (LE)");
    EXPECT_EQ(codec.lineSeparator, lsLS);
    // Code units pass untouched, lone surrogates and U+0000 included.
    ExpectRoundTrip(le(std::u16string(u"\xD800x\0y\xDFFF", 5)), "UTF-16 (LE)");
    EXPECT_EQ(list->Get(0).size(), 5u);
}

TEST_F(CodecTest, Utf16KeepsAnOddLastByte) {
    for (const bool be : {false, true}) {
        const std::string charset = be ? "UTF-16 (BE)" : "UTF-16 (LE)";
        const std::string mark = be ? "\xFE\xFF" : "\xFF\xFE";
        struct Case {
            std::u16string units;
            std::string tail;
        };
        const Case cases[] = {
            {u"a", "b"},               // ASCII byte
            {u"a", "\xDC"},            // a byte that could start a low surrogate
            {u"x\U0001F600", "\xD8"},  // after a complete surrogate pair
            {u"x\xD800", "\x01"},      // after a lone high surrogate
            {u"\xDBFF\xD800", "\xDC"}, // after two of them
            {u"a\n", "\x80"},          // alone on the last line
            {u"", "z"},                // the whole file
        };
        for (const Case& c : cases) {
            const std::string body = Utf16Bytes(c.units, be) + c.tail;
            SCOPED_TRACE(charset + " " + testing::PrintToString(body));
            ExpectRoundTrip(mark + body, charset);
            EXPECT_TRUE(codec.escapedBytes);
            EXPECT_EQ(codec.charset, charset);

            // Without a mark the reader is the chosen charset's; the save adds its mark.
            ASSERT_TRUE(LoadBytes(body, charset).ok);
            EXPECT_TRUE(codec.escapedBytes);
            EXPECT_EQ(SaveBytes(), mark + body);
        }
        // The odd byte is the last line's last unit; the line before it is intact.
        ASSERT_TRUE(LoadBytes(mark + Utf16Bytes(u"ab", be) + "c", charset).ok);
        ASSERT_EQ(list->Count(), 1);
        EXPECT_EQ(list->Get(0).substr(0, 2), u"ab");
        EXPECT_EQ(list->Get(0).size(), 3u);
    }
}

TEST_F(CodecTest, Utf16LoneLowSurrogatesAreNotTakenForBytes) {
    for (const bool be : {false, true}) {
        const std::string charset = be ? "UTF-16 (BE)" : "UTF-16 (LE)";
        const std::string mark = be ? "\xFE\xFF" : "\xFF\xFE";
        // Lone units of the range escaped bytes use, and pairs whose second half is there.
        const std::u16string units = u"\xDC80g\xDC00\xDCFF\xD800\xDC80\xDBFF\xDCFF\xDD00";
        ExpectRoundTrip(mark + Utf16Bytes(units, be), charset);
        EXPECT_TRUE(codec.escapedBytes);
        // The three lone units are kept as two bytes each; the pairs stay pairs.
        EXPECT_EQ(list->Get(0).size(), units.size() + 3) << charset;
        EXPECT_EQ(list->Get(0).find(u"\xD800\xDC80"), 7u) << charset;
        EXPECT_NE(list->Get(0).find(u"\xDBFF\xDCFF"), std::u16string::npos);

        // Random units, surrogates of every kind well represented, even and odd lengths.
        std::mt19937 rng(be ? 7 : 11);
        for (int round = 0; round < 40; ++round) {
            std::u16string text(static_cast<size_t>(rng() % 200), u'x');
            for (char16_t& u : text) {
                static constexpr char16_t kBase[] = {0x0041, 0xD800, 0xDC00, 0xDD00, 0x4E00};
                u = static_cast<char16_t>(kBase[rng() % 5] + rng() % 0x100);
            }
            std::string bytes = mark + Utf16Bytes(text, be);
            if (rng() % 2 == 0) {
                bytes.push_back(static_cast<char>(rng()));
            }
            ExpectRoundTrip(bytes, charset);
        }
    }
}

TEST_F(CodecTest, Utf8BomWithoutItsMarkReadsAsUtf8) {
    ASSERT_TRUE(LoadBytes("caf\xC3\xA9\n\xD0\xB6\xE2\x82\xAC", "UTF-8 (BOM)").ok);
    EXPECT_EQ(LinesOf(*list), (std::vector<std::string>{"caf\xC3\xA9", "\xD0\xB6\xE2\x82\xAC"}));
    EXPECT_EQ(codec.charset, "UTF-8 (BOM)");
    EXPECT_FALSE(codec.escapedBytes);
    // The save writes the text unchanged behind the mark its charset asks for.
    EXPECT_EQ(SaveBytes(), "\xEF\xBB\xBF"
                           "caf\xC3\xA9\n\xD0\xB6\xE2\x82\xAC");

    // Invalid UTF-8 keeps its bytes there too.
    ASSERT_TRUE(LoadBytes("a\xFF\xC3", "UTF-8 (BOM)").ok);
    EXPECT_TRUE(codec.escapedBytes);
    EXPECT_EQ(SaveBytes(), "\xEF\xBB\xBF"
                           "a\xFF\xC3");
}

TEST_F(CodecTest, LongLinesStayWhole) {
    std::string line(20000, 'x');
    line[8192] = 'y';
    ExpectRoundTrip(line + "\r\nz", "WINDOWS");
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(list->Get(0).size(), 20000u);
    ExpectRoundTrip(line, "OEM");
    EXPECT_EQ(list->Count(), 1);
}

TEST_F(CodecTest, Utf8KeepsEveryByte) {
    // A valid 4-byte sequence is one surrogate pair and is written back as 4 bytes.
    ExpectRoundTrip("\xF0\x9F\x98\x80", "UTF-8");
    EXPECT_EQ(list->Get(0), std::u16string(u"\U0001F600"));
    EXPECT_FALSE(codec.escapedBytes);

    // Stray continuation, overlong form, encoded surrogate, cut short at the end.
    for (std::string bad :
         {"a\x80z", "\xC0\x80", "\xED\xA0\x80", "ok\xE2\x82", "\xF4\x90\x80\x80", "\xFD\xFE\xFF"}) {
        ExpectRoundTrip(bad, "UTF-8");
        EXPECT_TRUE(codec.escapedBytes) << testing::PrintToString(bad);
    }
    // U+0000 is an ordinary character.
    ExpectRoundTrip(std::string("a\0b\n\0", 5), "UTF-8");
    EXPECT_EQ(list->Get(0), std::u16string(u"a\0b", 3));

    // Random bytes survive open + save unchanged.
    std::mt19937 rng(12345);
    for (int round = 0; round < 50; ++round) {
        std::string bytes(static_cast<size_t>(rng() % 3000), '\0');
        for (char& c : bytes) {
            c = static_cast<char>(rng() % 4 == 0 ? rng() % 128 : rng());
        }
        // The file's first separator sets the one written everywhere; keep a single kind.
        for (char& c : bytes) {
            if (c == '\r') {
                c = '\n';
            }
        }
        bytes.insert(0, "a\n"); // no byte order mark by chance
        ExpectRoundTrip(bytes, "UTF-8");
    }
}

TEST_F(CodecTest, NumericReferencesAndEscapes) {
    // Only what the writer writes is decoded: other spellings, and references to ASCII,
    // stay text, so the save gives back the bytes that were read.
    codec.uniRepr = urDecimalRef;
    const std::string decimal =
        "&#1078;|&#x436;|$#1078|&#$436;|&#01078;|&#1078|&#65;|&#65601;|&#|R&#D";
    ASSERT_TRUE(LoadBytes(decimal, "WINDOWS").ok);
    EXPECT_EQ(list->Get(0),
              u"\u0436|&#x436;|$#1078|&#$436;|&#01078;|&#1078|&#65;|&#65601;|&#|R&#D");
    EXPECT_EQ(SaveBytes(), decimal);

    codec.uniRepr = urUEscape;
    const std::string escapes = "\\u0436 \\u04 \\u0041 \\u00E9 \\u00e9 C:\\users";
    ASSERT_TRUE(LoadBytes(escapes, "WINDOWS").ok);
    EXPECT_EQ(list->Get(0), u"\u0436 \\u04 \\u0041 \\u00E9 \u00e9 C:\\users");
    EXPECT_EQ(SaveBytes(), escapes);

    // A byte no character stands for is written back as that byte, not as a reference,
    // and a reference to the escape range stays text unless it ends a pair.
    codec.uniRepr = urDecimalRef;
    const std::string bytes = "a\x80"
                              "b&#56448;&#55357;&#56832;&#55357;\x81";
    ASSERT_TRUE(LoadBytes(bytes, "UTF-8").ok);
    EXPECT_EQ(list->Get(0), u"a\xDC80"
                            u"b&#56448;\U0001F600&#55357;\xDC81");
    EXPECT_EQ(SaveBytes(), bytes);

    // With a representation even a Unicode file holds only ASCII.
    list->Clear();
    list->Add(u"\u00E9\U0001F600");
    codec.charset = "UTF-8";
    codec.uniRepr = urUEscape;
    EXPECT_EQ(SaveBytes(), "\\u00e9\\ud83d\\ude00");
    codec.uniRepr = urDecimalRef;
    EXPECT_EQ(SaveBytes(), "&#233;&#55357;&#56832;");
    ASSERT_TRUE(LoadBytes(ReadBytes(dir.file("out.txt")), "UTF-8").ok);
    EXPECT_EQ(list->Get(0), u"\u00E9\U0001F600");
}

TEST_F(CodecTest, TablesAndSurrogatesFromTheProgramFolder) {
    std::filesystem::create_directories(dir.path() / "Ini");
    // A table charset whose byte 0xC1 is a Cyrillic a (read through the 1252 page as A-acute).
    WriteBytes(dir.file("Ini/test.tbl"), "&#193;=&#1072;\n");
    WriteBytes(dir.file("Ini/x.tbl"), "cx=&#265;\nCx=&#264;\n");
    TCharsetLists lists;
    lists.charsets = {{"TestCyr", "test.tbl"}};
    lists.surrogates = {{"Esperanto", "x.tbl"}};
    codec.programFolder = dir.path().string();
    codec.charsetLists = &lists;
    codec.surrogate = "esperanto";
    ExpectRoundTrip("\xC1 cxu Cx", "testcyr");
    EXPECT_EQ(list->Get(0), u"\u0430 \u0109u \u0108");
    // A-acute itself has no byte in this charset: its 1252 byte would read back as the
    // Cyrillic letter, so it is written as "?" and counted, while the Cyrillic a is kept.
    codec.surrogate = "-";
    list->Clear();
    list->Add(u"\u00C1\u0430");
    codec.charset = "TestCyr";
    EXPECT_EQ(SaveBytes(), "?\xC1");
    EXPECT_EQ(codec.unmappableChars, 1);
    codec.surrogate = "esperanto";
    // The surrogate table also serves the Unicode charsets.
    ExpectRoundTrip("cx", "UTF-8");
    EXPECT_EQ(list->Get(0), u"\u0109");
    // A table that cannot be read leaves the text as it is.
    lists.charsets = {{"Broken", "missing.tbl"}};
    codec.surrogate = "-";
    ExpectRoundTrip("\xC1", "Broken");
    EXPECT_EQ(list->Get(0), u"\u00C1");
}

TEST_F(CodecTest, DefaultCharsetComesFromTheProfile) {
    codec.profile.defaultCharset = "UTF-16 (BE)";
    codec.profile.defaultUniRepr = urDecimalRef;
    ASSERT_TRUE(LoadBytes(std::string("\0&\0#\0\x32\0\x33\0\x33\0;", 12), "Default").ok);
    EXPECT_EQ(codec.charset, "UTF-16 (BE)");
    EXPECT_EQ(list->Get(0), u"\u00E9");
    EXPECT_EQ(observer.profileCalls, 2); // before the load and after the first line

    codec.profile.autodetect = true;
    observer.detected = "WINDOWS";
    ASSERT_TRUE(LoadBytes("\xE9", "DEFAULT").ok);
    EXPECT_EQ(codec.charset, "WINDOWS");
    EXPECT_EQ(list->Get(0), u"\u00E9");
}

TEST_F(CodecTest, EightBitWritersAndCodePages) {
    list->Add(u"\u00E9\u0416");
    codec.charset = "WINDOWS";
    codec.lineSeparator = lsLS; // 8-bit files cannot hold U+2028 as separator
    list->Add(u"x");
    EXPECT_EQ(SaveBytes(), "\xE9?\nx");
    EXPECT_EQ(codec.lineSeparator, lsLF);
    EXPECT_EQ(codec.unmappableChars, 1);

    // OEM text is decoded straight from its page: box drawing survives.
    ExpectRoundTrip("\xC9\xCD\xBB", "OEM");
    EXPECT_EQ(list->Get(0), u"\u2554\u2550\u2557");

    SetAnsiCodePage(1251);
    ExpectRoundTrip("\xC6", "WINDOWS");
    EXPECT_EQ(list->Get(0), u"\u0416");
    SetAnsiCodePage(1252);
}

TEST_F(CodecTest, BackupCopies) {
    EXPECT_EQ(TTextCodec::BackupName("/d/a.txt"), "/d/a.~tx");
    EXPECT_EQ(TTextCodec::BackupName("/d/a.c"), "/d/a.~c");
    EXPECT_EQ(TTextCodec::BackupName("/d.x/noext"), "/d.x/noext.~");

    WriteBytes(dir.file("a.txt"), "old");
    list->Add(u"new");
    codec.charset = "UTF-8";
    codec.profile.createBackup = true;
    ASSERT_TRUE(codec.Save(*list, dir.file("a.txt")).ok);
    EXPECT_EQ(ReadBytes(dir.file("a.~tx")), "old");
    EXPECT_EQ(ReadBytes(dir.file("a.txt")), "new");

    WriteBytes(dir.file("noext"), "old");
    ASSERT_TRUE(codec.Save(*list, dir.file("noext")).ok);
    EXPECT_EQ(ReadBytes(dir.file("noext.~")), "old");
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 4u); // a.txt, a.~tx, noext, noext.~: no temporary files left behind
}

TEST_F(CodecTest, SavePointsAndModifiedState) {
    ASSERT_TRUE(LoadBytes("a", "UTF-8").ok);
    EXPECT_FALSE(list->Modified());
    ASSERT_EQ(list->Undo().Count(), 1);
    EXPECT_EQ(list->Undo().PeekKind(), ukSavePoint);
    EXPECT_EQ(list->Undo().Newest()->line, 0);

    list->SetModified(true);
    const auto* editor = reinterpret_cast<const TuniAbstractMemo*>(&observer);
    ASSERT_TRUE(codec.Save(*list, dir.file("a.txt"), {}, &observer, editor).ok);
    EXPECT_FALSE(list->Modified());
    EXPECT_EQ(codec.saveCounter, 1);
    EXPECT_EQ(list->Undo().Newest()->line, 1);
    EXPECT_EQ(list->Undo().Newest()->editor, editor); // the save point names who saved
}

TEST_F(CodecTest, ProgressIsReportedSparingly) {
    std::string text;
    for (int i = 0; i < 1000; ++i) {
        text += "line\n";
    }
    ASSERT_TRUE(LoadBytes(text, "UTF-8").ok);
    std::vector<std::int64_t> positions;
    int firstLines = 0, scrollRange = 0;
    for (const TLoadProgress& p : observer.loaded) {
        EXPECT_EQ(p.size, 5000);
        firstLines += p.lines == kLoadFirstLines;
        scrollRange += p.lines == kLoadScrollRangeLines;
        if (p.lines % kLoadProgressEvery == 0) {
            positions.push_back(p.position);
        }
    }
    EXPECT_EQ(observer.loaded.size(), 6u); // line 100, and every 200 lines up to 1000
    ASSERT_EQ(positions.size(), 5u);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(positions[0], 1000);
    EXPECT_EQ(firstLines, 1);
    EXPECT_EQ(scrollRange, 1);

    SaveBytes();
    std::vector<int> indexes;
    for (const auto& [count, index] : observer.saved) {
        EXPECT_EQ(count, 1001);
        indexes.push_back(index);
    }
    EXPECT_EQ(indexes, (std::vector<int>{0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000}));
}

TEST_F(CodecTest, LoadFailureKeepsTheDocument) {
    list->Add(u"previous");
    codec.charset = "UTF-8";
    TCodecResult r = codec.Load(*list, dir.file("missing.txt"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, std::strerror(ENOENT));
    EXPECT_EQ(LinesOf(*list), (std::vector<std::string>{"previous", ""}));

    r = codec.Load(*list, dir.path().string());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, std::strerror(EISDIR));
}

class SaveSafetyTest : public CodecTest {
protected:
    void SetUp() override {
        CodecTest::SetUp();
        target = dir.file("doc.txt");
        WriteBytes(target, "original");
        list->Add(u"changed");
        list->SetModified(true);
        codec.charset = "UTF-8";
        SetRecoveryFolder(recovery.path().string()); // copies of in-place writes
    }
    void TearDown() override {
        SetWriteFaultForTesting(-1, 0);
        SetRecoveryFolder({});
    }

    void ExpectUntouched() {
        EXPECT_EQ(ReadBytes(target), "original");
        EXPECT_TRUE(list->Modified());
        for (auto& e : std::filesystem::directory_iterator(dir.path())) {
            EXPECT_EQ(e.path().filename(), "doc.txt") << "stray file " << e.path();
        }
    }

    std::string target;
    TempDir recovery;
};

TEST_F(SaveSafetyTest, FullDiskLeavesTheOriginal) {
    std::string big(3 << 20, 'x');
    list->Put(0, std::u16string(big.begin(), big.end()));
    SetWriteFaultForTesting(1 << 20, ENOSPC);
    TCodecResult r = codec.Save(*list, target);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, std::strerror(ENOSPC));
    ExpectUntouched();
}

TEST_F(SaveSafetyTest, MissingFolderFails) {
    TCodecResult r = codec.Save(*list, dir.file("no/such/doc.txt"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, std::strerror(ENOENT));
    ExpectUntouched();
}

TEST_F(SaveSafetyTest, PermissionsAndLinksAreKept) {
    chmod(target.c_str(), 0640);
    ASSERT_TRUE(codec.Save(*list, target).ok);
    struct stat st {};
    stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadBytes(target), "changed");

    // Through a symbolic link: the link stays, the file it points at changes.
    const std::string link = dir.file("link.txt");
    ASSERT_EQ(symlink("doc.txt", link.c_str()), 0);
    list->Put(0, u"via link");
    ASSERT_TRUE(codec.Save(*list, link).ok);
    struct stat lst {};
    lstat(link.c_str(), &lst);
    EXPECT_TRUE(S_ISLNK(lst.st_mode));
    EXPECT_EQ(ReadBytes(target), "via link");

    // A file with a second hard link is written in place: both names see the change.
    const std::string hard = dir.file("hard.txt");
    ASSERT_EQ(::link(target.c_str(), hard.c_str()), 0);
    list->Put(0, u"both");
    ASSERT_TRUE(codec.Save(*list, target).ok);
    EXPECT_EQ(ReadBytes(hard), "both");
    struct stat a {
    }, b{};
    stat(target.c_str(), &a);
    stat(hard.c_str(), &b);
    EXPECT_EQ(a.st_ino, b.st_ino);

    // A failed in-place write restores the old bytes.
    std::string big(3 << 20, 'y');
    list->Put(0, std::u16string(big.begin(), big.end()));
    SetWriteFaultForTesting(1 << 20, ENOSPC);
    EXPECT_FALSE(codec.Save(*list, target).ok);
    EXPECT_EQ(ReadBytes(hard), "both");
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 3u);
}

TEST_F(SaveSafetyTest, NewFilesGetTheUsualPermissions) {
    const mode_t mask = umask(022);
    ASSERT_TRUE(codec.Save(*list, dir.file("new.txt")).ok);
    umask(mask);
    struct stat st {};
    stat(dir.file("new.txt").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

} // namespace
