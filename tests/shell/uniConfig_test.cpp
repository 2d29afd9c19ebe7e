// Tests of the program's own settings: window geometry, tool bars, languages and the
// recent-files list.
#include "shell/uniConfig.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "support/programFolder.h"
#include "support/testSupport.h"

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::TProgramFolderFixture;
using testing_support::U16;
using testing_support::WriteBytes;

namespace fs = std::filesystem;

TEST(ConfigCommon, WindowGeometryAndToolBands) {
    TempDir dir;
    WriteBytes(dir.file("p.ini"), "[Common]\nLeft=120\nWidth=800\nBrowserMin=1\n");
    TIniFile ini(dir.file("p.ini"));
    const TWindowSettings w = ReadWindowSettings(ini);
    EXPECT_EQ(w.left, 120);
    EXPECT_EQ(w.top, -1);
    EXPECT_EQ(w.width, 800);
    EXPECT_FALSE(w.height.has_value());
    EXPECT_EQ(w.zoom, true);
    EXPECT_EQ(w.browserMin, true);
    EXPECT_FALSE(w.browserWidth.has_value());
    EXPECT_EQ(w.tools, "1,*2,3,4,5");
    // Left present, Top missing: the window moves horizontally only.
    const TWindowPos placed = PlaceMainWindow({10, 20}, w.left, w.top);
    EXPECT_EQ(placed.left, 120);
    EXPECT_EQ(placed.top, 20);

    const std::vector<TToolBand> bands = ParseToolBands(" 1, *3,9,x,2,3,*4,5,");
    EXPECT_EQ(bands,
              (std::vector<TToolBand>{{1, false}, {3, true}, {2, false}, {4, true}, {5, false}}));
    EXPECT_EQ(FormatToolBands(bands), "1,*3,2,*4,5");
    EXPECT_EQ(ToolBandLayout(bands),
              (std::vector<TToolBand>{
                  {1, false}, {kWindowBand, false}, {3, true}, {2, false}, {4, true}, {5, false}}));
    EXPECT_EQ(FormatToolBands(ToolBandLayout(bands)), "1,*3,2,*4,5");
    EXPECT_EQ(ToolBandLayout(ParseToolBands("1,2")).back().number, kWindowBand);

    TWindowSettings out;
    out.maximize = true;
    out.width = 640;
    out.height = 480;
    out.left = 5;
    out.top = 6;
    out.tools = FormatToolBands(bands);
    out.browserWidth = 200;
    ASSERT_TRUE(WriteWindowSettings(ini, out).ok);
    const TWindowSettings back = ReadWindowSettings(TIniFile(dir.file("p.ini")));
    EXPECT_TRUE(back.maximize);
    EXPECT_EQ(back.width, 640);
    EXPECT_EQ(back.top, 6);
    EXPECT_EQ(back.tools, "1,*3,2,*4,5");
    EXPECT_EQ(back.browserWidth, 200);
    EXPECT_EQ(back.browserMin, true); // not written: kept
}

TEST(ConfigCommon, ExitWritesOnlyTheGeometryKeys) {
    TempDir dir;
    // Comments, odd spacing, other keys and other sections must come through untouched.
    const std::string before = "; the user's own notes\r\n[Common]\r\nEditFont = Courier New\r\n"
                               "Width=1\r\n; keep me\r\nTools=1,*2\r\n\r\n[Languages]\r\n"
                               "Default=english\r\n";
    WriteBytes(dir.file("p.ini"), before);
    TIniFile ini(dir.file("p.ini"));
    EXPECT_TRUE(ReadSaveGeometry(ini)); // missing: kept
    TWindowGeometry g;
    g.left = 30;
    g.top = 40;
    g.width = 700;
    g.height = 500;
    g.maximize = true;
    ASSERT_TRUE(WriteWindowGeometry(ini, g).ok);
    ASSERT_TRUE(WriteMsgPanelHeight(ini, 150).ok);
    const std::string after = ReadBytes(dir.file("p.ini"));
    for (const char* kept : {"; the user's own notes\r\n", "EditFont = Courier New\r\n",
                             "; keep me\r\nTools=1,*2\r\n", "[Languages]\r\nDefault=english\r\n"}) {
        EXPECT_NE(after.find(kept), std::string::npos) << kept << "\n" << after;
    }
    EXPECT_EQ(after.find("Width=1\r"), std::string::npos);
    EXPECT_EQ(after.find("Zoom"), std::string::npos); // no document window: not written
    const TWindowSettings back = ReadWindowSettings(TIniFile(dir.file("p.ini")));
    EXPECT_EQ(back.left, 30);
    EXPECT_EQ(back.top, 40);
    EXPECT_EQ(back.width, 700);
    EXPECT_EQ(back.height, 500);
    EXPECT_TRUE(back.maximize);
    EXPECT_EQ(back.msgPanelHeight, 150);
    EXPECT_EQ(back.tools, "1,*2");
    // Switched off, and read back so.
    ASSERT_TRUE(WriteSaveGeometry(ini, false).ok);
    EXPECT_FALSE(ReadSaveGeometry(TIniFile(dir.file("p.ini"))));
}

TEST(ConfigLanguages, SectionThenLangFiles) {
    TProgramFolderFixture f;
    f.Put("Ini/pelmar.ini", "[Languages]\nDefault=german\nenglish=English\ngerman=German\n"
                            "klingon=Klingon\n");
    f.Put("Lang/german.ini", "[Language]\nName=Deutsch\n");
    f.Put("Lang/Russian.ini",
          "[Language]\nName=&#1056;&#1091;&#1089;&#1089;&#1082;&#1080;&#1081;\n");
    f.Put("Lang/plain.ini", "[Other]\nx=1\n");
    f.Put("Lang/ENGLISH.INI", "[Language]\nName=English (UK)\n");
    f.Put("Lang/notes.txt", "not a language");
    TIniFile ini(f.folder.PelmarIni());
    const TLanguageList list = ReadLanguageList(ini, f.folder.LangFolder());
    ASSERT_EQ(list.entries.size(), 5u);
    EXPECT_EQ(list.entries[0].baseName, "ENGLISH"); // the file's spelling opens it
    EXPECT_EQ(list.entries[0].displayName, u"English (UK)");
    EXPECT_EQ(list.entries[1].displayName, u"Deutsch");
    EXPECT_EQ(list.entries[2].displayName, u"Klingon"); // listed even without a file
    EXPECT_EQ(list.entries[3].baseName, "Russian");     // files in name order
    EXPECT_EQ(list.entries[3].displayName, U16("Русский"));
    EXPECT_EQ(list.entries[4].displayName, u"plain");
    EXPECT_EQ(list.defaultName, "german");
    EXPECT_EQ(list.IndexOf("GERMAN"), 1);
    EXPECT_EQ(list.IndexOf("Default"), -1);

    ASSERT_TRUE(WriteDefaultLanguage(ini, "Russian").ok);
    EXPECT_EQ(ReadLanguageList(TIniFile(f.folder.PelmarIni()), f.folder.LangFolder()).defaultName,
              "Russian");
}

TEST(ConfigRecent, AddRecentFileRotates) {
    TProgramFolderFixture f;
    EXPECT_EQ(ReadRecentFiles(f.folder)[0].fileName, "");
    for (int i = 0; i < 9; ++i) {
        ASSERT_TRUE(
            AddRecentFile(f.folder, "/docs/f" + std::to_string(i) + ".txt", "UTF-8", "-", i % 3)
                .ok);
    }
    TRecentFiles r = ReadRecentFiles(f.folder);
    EXPECT_EQ(r[0], (TRecentFile{"/docs/f8.txt", "UTF-8", "-", 2}));
    EXPECT_EQ(r[7].fileName, "/docs/f1.txt"); // f0 dropped out
    EXPECT_EQ(ReadRecentFolder(f.folder), "/docs/");

    // Recording a listed file moves it to the top; the others keep their order.
    ASSERT_TRUE(AddRecentFile(f.folder, "/docs/f4.txt", "KOI8-R", "Translit", 1).ok);
    r = ReadRecentFiles(f.folder);
    EXPECT_EQ(r[0], (TRecentFile{"/docs/f4.txt", "KOI8-R", "Translit", 1}));
    std::vector<std::string> names;
    for (const TRecentFile& e : r) {
        names.push_back(e.fileName);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"/docs/f4.txt", "/docs/f8.txt", "/docs/f7.txt",
                                               "/docs/f6.txt", "/docs/f5.txt", "/docs/f3.txt",
                                               "/docs/f2.txt", "/docs/f1.txt"}));
    ASSERT_TRUE(AddRecentFile(f.folder, "", "UTF-8", "-", 0).ok);
    EXPECT_EQ(ReadRecentFiles(f.folder)[0].fileName, "/docs/f4.txt");
    // Exact comparison: another letter case is another file.
    ASSERT_TRUE(AddRecentFile(f.folder, "/docs/F4.txt", "", "", 0).ok);
    EXPECT_EQ(ReadRecentFiles(f.folder)[1].fileName, "/docs/f4.txt");
}

TEST(ConfigRecent, FullPathsAnyBytesAndOtherKeysKept) {
    TProgramFolderFixture f;
    f.Put("Storage/recent.ini", "; mine\n[Files]\nFile0=/old.txt\nCharSet0=OEM\nExtra=keep\n");
    const std::string cwd = fs::current_path().string();
    ASSERT_TRUE(AddRecentFile(f.folder, "sub/../rel.txt", "UTF-8", "-", 0).ok);
    TRecentFiles r = ReadRecentFiles(f.folder);
    EXPECT_EQ(r[0].fileName, cwd + "/rel.txt");
    EXPECT_EQ(r[1], (TRecentFile{"/old.txt", "OEM", "", 0}));
    EXPECT_EQ(ReadRecentFolder(f.folder), cwd + "/");

    const std::string odd = "/tmp/\xD0\x96\xD1\x83\xD0\xBA/caf\xE9 & #1 &#65;\nname.txt";
    ASSERT_TRUE(AddRecentFile(f.folder, odd, "UTF-8", "-", 0).ok);
    EXPECT_EQ(ReadRecentFiles(f.folder)[0].fileName, odd);
    const std::string bytes = ReadBytes(f.folder.RecentIni());
    EXPECT_EQ(bytes.rfind("; mine\n", 0), 0u);
    EXPECT_NE(bytes.find("Extra=keep"), std::string::npos);
    EXPECT_EQ(bytes.find('\xE9'), std::string::npos); // the file stays 7-bit

    // The Storage folder is made when missing.
    TProgramFolderFixture bare;
    ASSERT_TRUE(AddRecentFile(bare.folder, "/a.txt", "UTF-8", "-", 0).ok);
    EXPECT_TRUE(fs::is_regular_file(bare.folder.RecentIni()));
}

TEST(ConfigProgram, SettingsGatherCommonLanguagesAndCharsets) {
    TProgramFolderFixture f;
    f.Put("Ini/pelmar.ini", "[Common]\nEditFontSize=12\n[Languages]\nDefault=english\n"
                            "[charsets]\nKOI8-R=koi8-r.tbl\n");
    const TProgramSettings p = ReadProgramSettings(f.folder);
    EXPECT_EQ(p.common.editFontSize, 12);
    EXPECT_EQ(p.languages.defaultName, "english");
    EXPECT_EQ(p.charsetLists.CharsetFile("koi8-r"), "koi8-r.tbl");
}
