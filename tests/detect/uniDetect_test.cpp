// Charset autodetection: the shipped rules on generated samples, declarations, ties, defaults.
#include <gtest/gtest.h>

#include <iconv.h>

#include "base/uniCodePage.h"
#include "base/uniIni.h"
#include "detect/uniDetect.h"
#include "profile/uniProfile.h"
#include "search/uniSearch.h"
#include "support/testSupport.h"
#include "text/uniCodec.h"

using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// Text in a charset, converted by iconv.
std::string Encode(const std::string& utf8, const char* charset) {
    iconv_t cd = iconv_open(charset, "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << charset;
    std::string in = utf8;
    std::string out(in.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    EXPECT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<size_t>(-1)) << charset;
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

const std::string kRussian =
    "\xD0\x92 \xD1\x87\xD0\xB0\xD1\x89\xD0\xB0\xD1\x85 \xD1\x8E\xD0\xB3\xD0\xB0 \xD0\xB6\xD0\xB8"
    "\xD0\xBB \xD0\xB1\xD1\x8B \xD1\x86\xD0\xB8\xD1\x82\xD1\x80\xD1\x83\xD1\x81? \xD0\x94\xD0\xB0, "
    "\xD0\xBD\xD0\xBE \xD1\x84\xD0\xB0\xD0\xBB\xD1\x8C\xD1\x88\xD0\xB8\xD0\xB2\xD1\x8B\xD0\xB9 "
    "\xD1\x8D\xD0\xBA\xD0\xB7\xD0\xB5\xD0\xBC\xD0\xBF\xD0\xBB\xD1\x8F\xD1\x80!\n"
    "\xD0\xA1\xD1\x82\xD0\xBE\xD1\x80\xD0\xBE\xD0\xB6 \xD0\xBF\xD1\x80\xD0\xBE\xD0\xB2\xD0\xB5"
    "\xD1\x80\xD0\xB8\xD0\xBB \xD0\xB2\xD1\x81\xD0\xB5 \xD0\xBE\xD0\xBA\xD0\xBD\xD0\xB0 \xD0\xBD"
    "\xD0\xB0 \xD0\xBF\xD0\xB5\xD1\x80\xD0\xB2\xD0\xBE\xD0\xBC \xD1\x8D\xD1\x82\xD0\xB0\xD0\xB6"
    "\xD0\xB5 \xD0\xB8 \xD0\xBE\xD1\x82\xD0\xBF\xD1\x80\xD0\xB0\xD0\xB2\xD0\xB8\xD0\xBB\xD1\x81"
    "\xD1\x8F \xD0\xB4\xD0\xBE\xD0\xBC\xD0\xBE\xD0\xB9 \xD0\xBF\xD0\xBE \xD1\x82\xD0\xB5\xD0\xBC"
    "\xD0\xBD\xD0\xBE\xD0\xB9 \xD1\x83\xD0\xBB\xD0\xB8\xD1\x86\xD0\xB5.\n";

class DetectTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetAnsiCodePage(1252);
        lists = ReadCharsetLists(TIniFile(std::string(PELMAR_SOURCE_DATA_DIR) + "/Ini/pelmar.ini"));
    }

    std::optional<std::string> Detect(const std::string& bytes) {
        WriteBytes(dir.file("sample.txt"), bytes);
        return detector.DetectCharset(dir.file("sample.txt"), "DefaultCS", &search);
    }

    TempDir dir;
    TCharsetLists lists;
    TCharsetDetector detector;
    TuniSearch search;
};

TEST_F(DetectTest, ShippedRulesTellTheCyrillicCharsetsApart) {
    detector.Load(lists, PELMAR_SOURCE_DATA_DIR);
    ASSERT_GE(detector.Entries().size(), 5u);
    const std::pair<const char*, const char*> cases[] = {
        {"UTF-8", "UTF-8"}, {"Windows-1251", "CP1251"},   {"KOI8-R", "KOI8-R"},
        {"CP866", "CP866"}, {"ISO-8859-5", "ISO-8859-5"},
    };
    for (const auto& [ours, iconvName] : cases) {
        EXPECT_EQ(Detect(Encode(kRussian, iconvName)), ours) << iconvName;
    }
    // Plain ASCII matches nothing: the profile's default.
    EXPECT_EQ(Detect("plain text\nonly\n"), "DefaultCS");
}

TEST_F(DetectTest, DeclarationsWin) {
    detector.Load(lists, PELMAR_SOURCE_DATA_DIR);
    // A page that declares koi8-r, with too little text to judge by letters.
    const std::string page = "<html><head><meta charset=\"koi8-r\"></head>\n<body>" +
                             Encode("\xD0\xB4\xD0\xB0", "KOI8-R") + "</body></html>\n";
    EXPECT_EQ(Detect(page), "KOI8-R");
    // The declaration outweighs the letters: a CP1251 text that says it is KOI8-R.
    EXPECT_EQ(Detect("<meta charset=\"koi8-r\">\n" + Encode(kRussian, "CP1251")), "KOI8-R");

    EXPECT_EQ(detector.FindDeclaredCharset("<meta http-equiv=content-type content=\"text/html; "
                                           "charset = cp866\">"),
              "CP866");
    EXPECT_EQ(detector.FindDeclaredCharset("<?xml version=\"1.0\" encoding=\"ISO-8859-5\"?>"),
              "ISO-8859-5");
    EXPECT_EQ(detector.FindDeclaredCharset("<?xml encoding='koi8-r' ?>"), "KOI8-R");
    EXPECT_EQ(detector.FindDeclaredCharset("charset=koi8-r; encoding=cp866"), "KOI8-R");
    EXPECT_EQ(detector.FindDeclaredCharset("nothing declared"), std::nullopt);
    EXPECT_EQ(detector.FindDeclaredCharset("x charset=\tunknown-name;"), "unknown-name");
}

TEST_F(DetectTest, ByteOrderMarkTiesAndEmptyLists) {
    detector.Build({}, lists, PELMAR_SOURCE_DATA_DIR);
    EXPECT_EQ(Detect(std::string("\xFF\xFE"
                                 "a\0",
                                 4)),
              "UTF-16 (BE)");
    EXPECT_EQ(Detect(Encode(kRussian, "CP1251")), "DefaultCS"); // nothing to score with

    // Two entries scoring the same: the first listed wins, whichever it is.
    detector.Build({{"KOI8-R", "x"}, {"CP866", "x"}}, lists, PELMAR_SOURCE_DATA_DIR);
    EXPECT_EQ(Detect("xx\n"), "KOI8-R");
    detector.Build({{"CP866", "x"}, {"KOI8-R", "x"}}, lists, PELMAR_SOURCE_DATA_DIR);
    EXPECT_EQ(Detect("xx\n"), "CP866");

    // A broken expression scores nothing instead of stopping the load.
    detector.Build({{"KOI8-R", "(unclosed"}, {"CP866", "y"}}, lists, PELMAR_SOURCE_DATA_DIR);
    EXPECT_EQ(Detect("xy\n"), "CP866");

    // No search engine, or no file: no answer.
    EXPECT_EQ(detector.DetectCharset(dir.file("missing"), "D", &search), std::nullopt);
    EXPECT_EQ(detector.DetectCharset(dir.file("sample.txt"), "D", nullptr), std::nullopt);
}

TEST_F(DetectTest, SamplesAreFortyShortLines) {
    std::string text;
    for (int i = 0; i < 50; ++i) {
        text += std::string(static_cast<size_t>(i == 0 ? 600 : 3), 'a') + "\r\n";
    }
    WriteBytes(dir.file("s.txt"), text);
    auto lines = ReadSampleLines(dir.file("s.txt"));
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 40u);
    EXPECT_EQ((*lines)[0].size(), 257u);
    EXPECT_EQ((*lines)[1].size(), 257u);
    EXPECT_EQ((*lines)[2].size(), 600u - 514u);
    EXPECT_EQ((*lines)[3], "aaa");
}

TEST_F(DetectTest, LoadRunsDetectionForDefaultCharsets) {
    detector.Load(lists, PELMAR_SOURCE_DATA_DIR);
    WriteBytes(dir.file("ru.txt"), Encode(kRussian, "KOI8-R"));
    TWStringList* list = new TWStringList;
    TTextCodec codec;
    codec.programFolder = PELMAR_SOURCE_DATA_DIR;
    codec.charsetLists = &lists;
    codec.profile.autodetect = true;
    struct TDetecting final : TCodecObserver {
        TDetecting(TCharsetDetector& d, TuniSearch& s, const TTextCodec& c)
            : detector(d), search(s), codec(c) {}
        std::optional<std::string> DetectCharset(const std::string& name) override {
            return detector.DetectCharset(name, codec.profile.defaultCharset, &search);
        }
        TCharsetDetector& detector;
        TuniSearch& search;
        const TTextCodec& codec;
    } observer(detector, search, codec);
    ASSERT_TRUE(codec.Load(*list, dir.file("ru.txt"), &observer).ok);
    EXPECT_EQ(codec.charset, "KOI8-R");
    EXPECT_EQ(testing_support::U8(list->Get(0)), kRussian.substr(0, kRussian.find('\n')));
    list->Release();
}

} // namespace
