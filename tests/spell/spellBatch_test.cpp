// pelmar-batch --spell with the shipped languages: the rejected words of a document, one
// JSON line each, as the spell dialog would be asked about them.
#include <gtest/gtest.h>

#include "support/testSupport.h"

using testing_support::ProcessResult;
using testing_support::RunBatch;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        out.push_back(text.substr(start, end - start));
    }
    return out;
}

bool Has(const std::string& line, const std::string& part) {
    return line.find(part) != std::string::npos;
}

TEST(SpellBatch, EnglishWordsAreReportedWhereTheyStand) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "The quick brwn fox\njumps ovr the lazy dog 42times\n");
    const ProcessResult r = RunBatch({dir.file("a.txt"), "--spell", "English"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_TRUE(Has(lines[0], R"({"line":0,"column":10,"word":"brwn","suggestions":[)"))
        << lines[0];
    EXPECT_TRUE(Has(lines[0], R"("brown")")) << lines[0];
    EXPECT_TRUE(Has(lines[1], R"({"line":1,"column":6,"word":"ovr")")) << lines[1];
}

TEST(SpellBatch, RussianAndGermanGoThroughTheirCharsets) {
    TempDir dir;
    WriteBytes(dir.file("ru.txt"), "Превет, мир!\n");
    ProcessResult r = RunBatch({dir.file("ru.txt"), "--spell", "Russian"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(Lines(r.out).size(), 1u) << r.out;
    EXPECT_TRUE(Has(r.out, R"("word":"Превет")")) << r.out;
    EXPECT_TRUE(Has(r.out, R"("Привет")")) << r.out;

    WriteBytes(dir.file("de.txt"), "Viele Grüse aus Köln\n");
    r = RunBatch({dir.file("de.txt"), "--spell", "German"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.out, R"({"line":0,"column":6,"word":"Grüse","suggestions":["Grüße")"))
        << r.out;
}

TEST(SpellBatch, MarkupIsSkippedAndASelectionBoundsTheWalk) {
    TempDir dir;
    WriteBytes(dir.file("a.html"), "<p class=\"mispeled\">Helo&nbsp;wrld</p>\n");
    ProcessResult r = RunBatch({dir.file("a.html"), "--spell", "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_TRUE(Has(lines[0], R"("word":"Helo")"));
    EXPECT_TRUE(Has(lines[1], R"("word":"wrld")"));

    WriteBytes(dir.file("b.txt"), "aaz bbz ccz ddz\n");
    r = RunBatch(
        {dir.file("b.txt"), "--select", "4", "0", "11", "0", "--spell", "English", "--state"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.out, R"("word":"bbz")"));
    EXPECT_TRUE(Has(r.out, R"("word":"ccz")"));
    EXPECT_FALSE(Has(r.out, R"("word":"ddz")"));
    EXPECT_TRUE(Has(r.out, R"("caret":[11,0],"selection":{"active":false)")) << r.out;
}

TEST(SpellBatch, AnUnknownLanguageOrABrokenSpellerFails) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "text\n");
    ProcessResult r = RunBatch({dir.file("a.txt"), "--spell", "Klingon"});
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(Has(r.err, "Klingon")) << r.err;
}

} // namespace
