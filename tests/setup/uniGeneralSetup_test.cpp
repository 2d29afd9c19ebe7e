// The general setup's values in pelmar.ini and the colour scheme's entries: how they are
// listed, shown, kept and written back, with the previous scheme kept beside the new one.
#include <gtest/gtest.h>

#include <filesystem>

#include "setup/uniGeneralSetup.h"
#include "support/testSupport.h"

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

const char* const kScheme =
    "<?xml version=\"1.0\"?>\r\n"
    "<hrd>\r\n"
    "  <assign value=\"1\" descr=\"Background\" fore=\"#0000000\" back=\"#0ffffff\"/>\r\n"
    "  <assign value=\"def:keyword\" descr=\"Keyword[kw]\" fore=\"#1ff0000\" "
    "back=\"#FFFFFFFF\" type=\"\"/>\r\n"
    "  <assign value=\"def:plain\" descr=\"Plain\" type=\"bold\"/>\r\n"
    "  <assign value=\"def:string\" back=\"#0c0f0f0\">\r\n"
    "  <!-- <assign value=\"def:keyword\" fore=\"#0000000\"/> a comment, not an entry -->\r\n"
    "</hrd>";

TEST(SchemeEntries, ListedOnlyWithAColourAndNotTheBackground) {
    TempDir dir;
    const std::string path = dir.file("default.hrd");
    WriteBytes(path, kScheme);
    const std::vector<TSchemeEntry> entries = LoadSchemeEntries(path);
    // Value 1, the line with neither fore nor back and the commented-out line are left out.
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].value, "def:keyword");
    EXPECT_EQ(entries[0].descr, "Keyword");
    EXPECT_EQ(entries[0].descrSuffix, "[kw]");
    EXPECT_EQ(entries[1].value, "def:string");
    EXPECT_FALSE(entries[1].hasFore);
    EXPECT_EQ(entries[1].fore, "#FFFFFFFF");
    EXPECT_FALSE(entries[1].hasDescr);

    EXPECT_THROW(LoadSchemeEntries(dir.file("missing.hrd")), EInOutError);
}

TEST(SchemeEntries, ForegroundCarriesColourInBlueGreenRedOrderAndStyles) {
    TSchemeEntry e = ParseSchemeLine("<assign value=\"k\" fore=\"#1ff0000\" back=\"#FFFFFFFF\"/>");
    TSchemeStyle s = SchemeEntryStyle(e);
    EXPECT_TRUE(s.hasFore);
    EXPECT_EQ(s.fore, 0xFF0000) << "blue";
    EXPECT_TRUE(s.bold);
    EXPECT_FALSE(s.italic || s.underline || s.strikeout);
    EXPECT_FALSE(s.hasBack) << "#FFFFFFFF is no background";

    e = ParseSchemeLine("<assign value=\"k\" fore=\"#e00ff00\" back=\"#0123456\"/>");
    s = SchemeEntryStyle(e);
    EXPECT_EQ(s.fore, 0x00FF00);
    EXPECT_FALSE(s.bold);
    EXPECT_TRUE(s.italic && s.underline && s.strikeout);
    EXPECT_TRUE(s.hasBack);
    EXPECT_EQ(s.back, 0x123456);

    // No fore, or fore without a colour: black and nothing ticked.
    s = SchemeEntryStyle(ParseSchemeLine("<assign value=\"k\" fore=\"#FFFFFFFF\"/>"));
    EXPECT_EQ(s, TSchemeStyle{});
    EXPECT_EQ(SchemeColorValue("#zz"), kNoSchemeColor);
    EXPECT_EQ(SchemeColorValue("#123456789"), kNoSchemeColor);
}

TEST(SchemeEntries, KeepingWritesSevenDigitsAndClearingDropsTheColour) {
    TSchemeEntry e = ParseSchemeLine("<assign value=\"k\" fore=\"#0808080\" back=\"#0ffffff\"/>");
    TSchemeStyle s = SchemeEntryStyle(e);
    s.fore = 0x0000FF;
    s.bold = true;
    s.strikeout = true;
    KeepSchemeStyle(e, s);
    EXPECT_EQ(e.fore, "#90000ff");
    EXPECT_EQ(e.back, "#0ffffff");
    EXPECT_EQ(SchemeEntryStyle(e), s) << "kept and shown again, the same";

    s.hasFore = false;
    s.hasBack = false;
    KeepSchemeStyle(e, s);
    EXPECT_EQ(e.fore, "#FFFFFFFF");
    EXPECT_FALSE(e.hasFore);
    EXPECT_FALSE(e.hasBack);
}

TEST(SchemeRewrite, ChangedEntriesReplaceTheirLinesAndEverythingElseStays) {
    TempDir dir;
    const std::string path = dir.file("default.hrd");
    WriteBytes(path, kScheme);
    std::vector<TSchemeEntry> entries = LoadSchemeEntries(path);
    TSchemeStyle s = SchemeEntryStyle(entries[0]);
    s.italic = true;
    s.hasBack = false;
    KeepSchemeStyle(entries[0], s);
    s = SchemeEntryStyle(entries[1]);
    s.hasFore = true;
    s.fore = 0x0000FF;
    KeepSchemeStyle(entries[1], s);
    // A value-1 entry handed in anyway is not written.
    TSchemeEntry background = ParseSchemeLine("<assign value=\"1\" fore=\"#0000000\"/>");
    background.fore = "#0123456";
    entries.push_back(background);

    RewriteSchemeFile(path, entries);
    EXPECT_EQ(ReadBytes(SchemeBackupName(path)), kScheme);
    const std::string expected =
        "<?xml version=\"1.0\"?>\r\n"
        "<hrd>\r\n"
        "  <assign value=\"1\" descr=\"Background\" fore=\"#0000000\" back=\"#0ffffff\"/>\r\n"
        "  <assign value=\"def:keyword\" fore=\"#3ff0000\" type=\"\" descr=\"Keyword[kw]\" "
        "/>\r\n"
        "  <assign value=\"def:plain\" descr=\"Plain\" type=\"bold\"/>\r\n"
        "  <assign value=\"def:string\" fore=\"#00000ff\" back=\"#0c0f0f0\" >\r\n"
        "  <!-- <assign value=\"def:keyword\" fore=\"#0000000\"/> a comment, not an entry -->\r\n"
        "</hrd>";
    EXPECT_EQ(ReadBytes(path), expected);

    // A second OK keeps the first result as the backup.
    RewriteSchemeFile(path, LoadSchemeEntries(path));
    EXPECT_EQ(ReadBytes(SchemeBackupName(path)), expected);
    EXPECT_EQ(ReadBytes(path), expected) << "nothing changed, nothing rewritten";
}

TEST(SchemeRewrite, AFailedBackupLeavesTheSchemeAsItWas) {
    TempDir dir;
    const std::string path = dir.file("default.hrd");
    WriteBytes(path, kScheme);
    // The backup's name is taken by a folder that cannot be replaced.
    std::filesystem::create_directory(SchemeBackupName(path));
    WriteBytes(SchemeBackupName(path) + "/keep", "x");
    std::vector<TSchemeEntry> entries = LoadSchemeEntries(path);
    KeepSchemeStyle(entries[0], TSchemeStyle{});
    EXPECT_THROW(RewriteSchemeFile(path, entries), EInOutError);
    EXPECT_EQ(ReadBytes(path), kScheme);
}

TEST(GeneralSettings, WrittenKeysReadBackAndOtherLinesStay) {
    TempDir dir;
    const std::string path = dir.file("pelmar.ini");
    const std::string before = "; comment\n[Common]\nEditFont=Courier New\nZoom=1\n"
                               "TextColor = $000000\n\n[Languages]\nDefault=english\n";
    WriteBytes(path, before);
    TIniFile ini(path);
    TGeneralSettings s = ReadGeneralSettings(ini);
    EXPECT_TRUE(s.saveGeometry) << "true while the key is missing";
    s.common.textColor = 0x0A0B0C;
    s.common.gutterFColor2 = static_cast<TColor>(0x80000005); // a system colour
    s.saveGeometry = false;
    ASSERT_TRUE(WriteGeneralSettings(ini, s).ok);
    const TGeneralSettings back = ReadGeneralSettings(TIniFile(path));
    EXPECT_EQ(back.common.textColor, 0x0A0B0C);
    EXPECT_EQ(back.common.gutterFColor2, static_cast<TColor>(0x80000005));
    EXPECT_FALSE(back.saveGeometry);
    const std::string after = ReadBytes(path);
    EXPECT_TRUE(after.starts_with("; comment\n[Common]\nEditFont=Courier New\nZoom=1\n")) << after;
    EXPECT_NE(after.find("TextColor = $0A0B0C\n"), std::string::npos) << after;
    EXPECT_NE(after.find("\n\n[Languages]\nDefault=english\n"), std::string::npos) << after;
}

} // namespace
