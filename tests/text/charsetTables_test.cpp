// Checks the shipped charset and surrogate tables of data/Ini against iconv.
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iconv.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/uniCodePage.h"
#include "support/testSupport.h"
#include "text/uniConvTable.h"

using testing_support::U16;
using testing_support::U8;

namespace {

const std::string kIniDir = std::string(PELMAR_SOURCE_DATA_DIR) + "/Ini/";

using Section = std::vector<std::pair<std::string, std::string>>;

// The sections of an INI file, name = value in file order (enough for pelmar.ini).
std::map<std::string, Section> ReadIni(const std::string& path) {
    std::map<std::string, Section> sections;
    std::ifstream in(path);
    std::string line;
    Section* current = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[' && line.back() == ']') {
            current = &sections[line.substr(1, line.size() - 2)];
        } else if (size_t eq = line.find('='); current != nullptr && eq != std::string::npos) {
            current->emplace_back(line.substr(0, eq), line.substr(eq + 1));
        }
    }
    return sections;
}

const std::map<std::string, Section>& PelmarIni() {
    static const auto ini = ReadIni(kIniDir + "pelmar.ini");
    return ini;
}

// The character iconv gives for one byte of `charset`; undefined bytes stand for the code
// unit of the same value, as in the program's code pages.
std::optional<std::u16string> IconvPage(const std::string& charset) {
    iconv_t cd = iconv_open("UTF-16LE", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::u16string page(256, u'\0');
    for (int b = 0; b < 256; ++b) {
        char in[1] = {static_cast<char>(b)};
        char out[8] = {};
        char* inPtr = in;
        char* outPtr = out;
        size_t inLeft = 1;
        size_t outLeft = sizeof(out);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1);
        const size_t produced = sizeof(out) - outLeft;
        page[static_cast<size_t>(b)] =
            ok && produced == 2 ? static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                                        static_cast<unsigned char>(out[1]) << 8)
                                : static_cast<char16_t>(b);
    }
    iconv_close(cd);
    return page;
}

std::string Hex(int b) {
    char text[8];
    std::snprintf(text, sizeof(text), "0x%02X", b);
    return text;
}

class ShippedTables : public ::testing::Test {
protected:
    void SetUp() override { SetAnsiCodePage(1252); } // the page the tables are made for

    static TConvTable Load(const std::string& file) {
        TConvTable table;
        EXPECT_TRUE(table.LoadFromFile(kIniDir + file)) << file;
        return table;
    }
};

} // namespace

TEST_F(ShippedTables, EveryCharsetDecodesAndEncodesEveryByteAsIconvDoes) {
    const auto it = PelmarIni().find("charsets");
    ASSERT_NE(it, PelmarIni().end()) << "pelmar.ini has no [charsets]";
    ASSERT_GE(it->second.size(), 9u);
    for (const auto& [name, file] : it->second) {
        SCOPED_TRACE(name);
        const auto page = IconvPage(name);
        ASSERT_TRUE(page) << "iconv does not know " << name;
        const TConvTable table = Load(file);
        std::string allBytes;
        for (int b = 0; b < 256; ++b) {
            const std::string byte(1, static_cast<char>(b));
            allBytes += byte;
            const std::u16string expected(1, (*page)[static_cast<size_t>(b)]);
            EXPECT_EQ(U8(table.DecodeText(AnsiToWide(byte))), U8(expected)) << Hex(b);
            EXPECT_EQ(WideToAnsi(table.EncodeText(expected)), byte) << Hex(b);
        }
        // A whole line of every byte: decoded in one pass and written back unchanged.
        const std::u16string document = table.DecodeText(AnsiToWide(allBytes));
        EXPECT_EQ(document, *page);
        EXPECT_EQ(WideToAnsi(table.EncodeText(document)), allBytes);
    }
}

TEST_F(ShippedTables, ListsNameExistingTablesAndKnownCharsets) {
    std::vector<std::string> known = {"UTF-8", "UTF-16 (LE)", "UTF-16 (BE)", "OEM", "WINDOWS"};
    for (const char* section : {"charsets", "surrogates"}) {
        const auto it = PelmarIni().find(section);
        ASSERT_NE(it, PelmarIni().end()) << section;
        for (const auto& [name, file] : it->second) {
            std::ifstream in(kIniDir + file);
            EXPECT_TRUE(in.good()) << section << ": " << name << " names a missing " << file;
            if (std::string(section) == "charsets") {
                known.push_back(name);
            }
        }
    }
    const auto html = PelmarIni().find("html-charsets");
    ASSERT_NE(html, PelmarIni().end());
    for (const auto& [declared, name] : html->second) {
        bool found = false;
        for (const auto& k : known) {
            found = found || SameText(k, name);
        }
        EXPECT_TRUE(found) << declared << " maps to the unknown charset " << name;
    }
}

TEST_F(ShippedTables, EsperantoXSpellsAllTwelveLetters) {
    const TConvTable table = Load("esperanto-x.tbl");
    const std::u16string letters = U16("ĈĉĜĝĤĥĴĵŜŝŬŭ");
    const std::u16string spelled = table.EncodeText(letters);
    EXPECT_EQ(U8(spelled), "CxcxGxgxHxhxJxjxSxsxUxux");
    EXPECT_EQ(U8(table.DecodeText(spelled)), U8(letters));
    // Plain text without the x-system is left alone, in both directions.
    EXPECT_EQ(table.DecodeText(u"CX box"), u"CX box");
    EXPECT_EQ(U8(table.DecodeText(u"Cxu ankaux")), "Ĉu ankaŭ");
}

TEST_F(ShippedTables, EsperantoHWritesBreveUAsPlainU) {
    const TConvTable table = Load("esperanto-h.tbl");
    const std::u16string letters = U16("ĈĉĜĝĤĥĴĵŜŝ");
    const std::u16string spelled = table.EncodeText(letters);
    EXPECT_EQ(U8(spelled), "ChchGhghHhhhJhjhShsh");
    EXPECT_EQ(U8(table.DecodeText(spelled)), U8(letters));
    EXPECT_EQ(U8(table.EncodeText(U16("Ŭ aŭ u"))), "U au u");
    EXPECT_EQ(U8(table.DecodeText(u"U au u")), "U au u");
}

TEST_F(ShippedTables, CharsetAndSurrogateLoadIntoOneTable) {
    TConvTable table = Load("koi8-r.tbl");
    ASSERT_TRUE(table.LoadFromFile(kIniDir + "esperanto-x.tbl"));
    const std::u16string text = U16("Жĉ");
    const std::string bytes = WideToAnsi(table.EncodeText(text));
    EXPECT_EQ(bytes, "\xF6"
                     "cx");
    EXPECT_EQ(U8(table.DecodeText(AnsiToWide(bytes))), U8(text));
}
