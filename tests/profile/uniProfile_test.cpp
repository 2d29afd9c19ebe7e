// Tests of the configuration files: settings, languages, profiles, substitutions,
// indentation, templates and the recent-files list.
#include "profile/uniProfile.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "support/testSupport.h"
#include "text/uniStringList.h"

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::U16;
using testing_support::WriteBytes;

namespace fs = std::filesystem;

namespace {

// A program folder with the given files (relative name, contents).
struct TProgramFolderFixture {
    TempDir dir;
    TConfigFolder folder{dir.path().string()};

    void Put(const std::string& relative, std::string_view bytes) {
        const fs::path p = dir.path() / relative;
        fs::create_directories(p.parent_path());
        WriteBytes(p.string(), bytes);
    }
};

TFileProfile ProfileFor(const std::string& filesIni, const TProfileType& type,
                        std::optional<std::u16string>* section = nullptr) {
    TempDir dir;
    WriteBytes(dir.file("files.ini"), filesIni);
    TProfileResult r = LoadFileProfile(TIniFile(dir.file("files.ini")), type, TCommonSettings{});
    if (section != nullptr) {
        *section = r.section;
    }
    return r.profile;
}

} // namespace

TEST(ConfigCommon, DefaultsValuesAndColourRoundTrip) {
    TempDir dir;
    TIniFile missing(dir.file("pelmar.ini"));
    const TCommonSettings d = ReadCommonSettings(missing);
    EXPECT_EQ(d.editFont, u"Courier New");
    EXPECT_EQ(d.interfaceFontSize, 9);
    EXPECT_EQ(d.highlightColor, 0xC0C0C0);
    EXPECT_EQ(d.gutterFColor, 0x800000);
    EXPECT_EQ(d.ansiCodePage, 1252);
    EXPECT_EQ(d.oemCodePage, 437);

    EXPECT_EQ(ColorToString(0xABCDEF), "$ABCDEF");
    EXPECT_EQ(ColorToString(0x00FF), "$0000FF");
    TCommonSettings s;
    s.editFont = U16("Liberation Моно");
    s.editFontSize = 14;
    s.textColor = 0x0A0B0C;
    s.backgroundColor = 0xFFFFFF;
    s.highlightColor = static_cast<TColor>(0x8000000F); // a system colour
    s.gutterBColor = 0x123456;
    s.gutterFColor = 0;
    s.gutterFColor2 = 0xFEDCBA;
    s.gutterWidth = 0;
    ASSERT_TRUE(WriteCommonSettings(missing, s).ok);
    const std::string bytes = ReadBytes(dir.file("pelmar.ini"));
    EXPECT_NE(bytes.find("TextColor=$0A0B0C"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("GutterFColor2=$FEDCBA"), std::string::npos) << bytes;
    const TCommonSettings back = ReadCommonSettings(TIniFile(dir.file("pelmar.ini")));
    EXPECT_EQ(back.editFont, s.editFont);
    EXPECT_EQ(back.editFontSize, 14);
    EXPECT_EQ(back.textColor, s.textColor);
    EXPECT_EQ(back.highlightColor, s.highlightColor);
    EXPECT_EQ(back.gutterBColor, s.gutterBColor);
    EXPECT_EQ(back.gutterFColor, 0);
    EXPECT_EQ(back.gutterFColor2, s.gutterFColor2);
    EXPECT_EQ(back.gutterWidth, 0);

    WriteBytes(dir.file("odd.ini"), "[Common]\nEditFontSize=0\nGutterWidth=-3\nEditFont=\n"
                                    "TextColor=red\nAnsiCodePage=1251\n");
    const TCommonSettings odd = ReadCommonSettings(TIniFile(dir.file("odd.ini")));
    EXPECT_EQ(odd.editFontSize, 10);
    EXPECT_EQ(odd.gutterWidth, 10);
    EXPECT_EQ(odd.editFont, u"Courier New");
    EXPECT_EQ(odd.textColor, 0);
    EXPECT_EQ(odd.ansiCodePage, 1251);
}

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

TEST(ConfigCharsets, ListsInFileOrder) {
    TempDir dir;
    WriteBytes(dir.file("p.ini"), "[charsets]\nKOI8-R=koi8-r.tbl\nCP866=cp866.tbl\nkoi8-r=dup.tbl\n"
                                  "[html-charsets]\nwindows-1251=Windows-1251\n"
                                  "[surrogates]\nTranslit=translit.tbl\n");
    const TCharsetLists lists = ReadCharsetLists(TIniFile(dir.file("p.ini")));
    using P = std::pair<std::string, std::string>;
    EXPECT_EQ(lists.charsets, (std::vector<P>{{"KOI8-R", "koi8-r.tbl"}, {"CP866", "cp866.tbl"}}));
    EXPECT_EQ(lists.HtmlCharset("WINDOWS-1251"), "Windows-1251");
    EXPECT_EQ(lists.SurrogateFile("translit"), "translit.tbl");
    EXPECT_TRUE(ReadCharsetLists(TIniFile(dir.file("none.ini"))).charsets.empty());
}

TEST(ConfigProfile, SectionLookupByWholeWord) {
    const std::string files = "[*]\nTabSize=4\n"
                              "[xhtml-like]\nTabSize=9\n"
                              "[htm html shtml]\nTabSize=2\n"
                              "[\"c\",cpp;h]\nTabSize=3\n"
                              "[makefile mk]\nTabSize=8\n"
                              "[HTML]\nTabSize=7\n"
                              "[pascal]\nTabSize=5\n";
    std::optional<std::u16string> section;
    EXPECT_EQ(ProfileFor(files, ProfileTypeFor("/x/a.html", "", std::nullopt), &section).tabSize,
              2);
    EXPECT_EQ(section, u"htm html shtml");
    // "xhtml" contains "html" but not as a word; "xhtml-like" is no match for "xhtml" either.
    EXPECT_EQ(ProfileFor(files, ProfileTypeFor("a.xhtml", "", std::nullopt), &section).tabSize, 4);
    EXPECT_FALSE(section.has_value());
    EXPECT_EQ(ProfileFor(files, ProfileTypeFor("A.CPP", "", std::nullopt)).tabSize, 3);
    EXPECT_EQ(ProfileFor(files, ProfileTypeFor("x.c", "", std::nullopt)).tabSize, 3);
    EXPECT_EQ(ProfileFor(files, ProfileTypeFor("/src/Makefile", "", std::nullopt)).tabSize, 8);
    // The highlighter's type name first, the extension when no section names it.
    EXPECT_EQ(ProfileFor(files, ProfileTypeFor("u.inc", "", "Pascal")).tabSize, 5);
    EXPECT_EQ(ProfileFor(files, ProfileTypeFor("u.htm", "", "nosuch")).tabSize, 2);
    // A "default" highlighter type does not name a file that has an extension.
    const TProfileType plain = ProfileTypeFor("n.txt", "", "default");
    EXPECT_EQ(plain.Name(), "txt");
    // An unnamed document from a template takes the template's extension.
    const TProfileType fromTemplate = ProfileTypeFor("", "/p/Templates/page.HTML", std::nullopt);
    EXPECT_EQ(fromTemplate.extension, "html");
    EXPECT_EQ(ProfileFor(files, fromTemplate).tabSize, 2);
    EXPECT_EQ(ProfileTypeFor("", "", std::nullopt).Name(), "");
    EXPECT_EQ(ProfileTypeFor("/a.b/c.tar.GZ", "", std::nullopt).Name(), "gz");
    EXPECT_EQ(ProfileTypeFor("/a.b/trailing.", "", std::nullopt).Name(), "");
    EXPECT_EQ(ProfileTypeFor("/home/.bashrc", "", std::nullopt).Name(), "bashrc");
    EXPECT_EQ(ProfileTypeFor("Makefile", "", "default").Name(), "makefile");

    EXPECT_TRUE(ProfileNameHasWord(u"a,b html", u"HTML"));
    EXPECT_TRUE(ProfileNameHasWord(u"xhtml html", u"html")); // search goes past "xhtml"
    EXPECT_FALSE(ProfileNameHasWord(u"html5", u"html"));
    EXPECT_FALSE(ProfileNameHasWord(u"html", u""));
}

TEST(ConfigProfile, KeysOverlayAndDefaults) {
    const std::string files =
        "[*]\nKeys=Default, Common\nSubst=greek\nCharset=KOI8-R\nAutoDetect=1\nWrap=1\n"
        "HighlightMode=7\nUniRepr=&#dddd;\nISpellIgnoreBeg0=<\nISpellIgnoreEnd0=>\n"
        "ISpellIgnoreBeg3=&#171;\nDelimiters=.,&#8212;\n"
        "[txt]\nKeys=Text,default\nSubst=greek,,math\nWrap=0\nTabSize=0\nCreateBAK=1\n"
        "ISpellIgnoreBeg1={\nISpellLanguage=russian\nBackLines=-4\n";
    const TFileProfile p = ProfileFor(files, ProfileTypeFor("a.txt", "", std::nullopt));
    EXPECT_EQ(p.keys, (std::vector<std::string>{"Default", "Common", "Text"}));
    EXPECT_EQ(p.subst, (std::vector<std::string>{"greek", "math"}));
    EXPECT_EQ(p.charset, "KOI8-R");
    EXPECT_TRUE(p.autoDetect);
    EXPECT_EQ(p.wrap, false);
    EXPECT_EQ(p.highlightMode, 3);
    EXPECT_EQ(p.uniRepr, urDecimalRef);
    EXPECT_TRUE(p.createBak);
    EXPECT_EQ(p.tabSize, std::optional<int>(4)); // 0 cannot be used: the default
    EXPECT_FALSE(p.highlightLine.has_value());
    EXPECT_EQ(p.backLines, 0);
    EXPECT_EQ(p.spellLanguage, "russian");
    EXPECT_EQ(p.delimiters, U16(".,—"));
    EXPECT_EQ(p.SpellIgnorePairs(),
              (std::vector<TSpellIgnorePair>{{u"<", u">"}, {u"{", u"{"}, {U16("«"), U16("«")}}));
    const TCodecProfile codec = p.CodecProfile();
    EXPECT_EQ(codec.defaultCharset, "KOI8-R");
    EXPECT_EQ(codec.defaultUniRepr, urDecimalRef);
    EXPECT_TRUE(codec.createBackup);
    EXPECT_TRUE(codec.autodetect);

    // Without files.ini: the built-in values.
    TempDir dir;
    const TProfileResult none =
        LoadFileProfile(TIniFile(dir.file("missing.ini")), ProfileTypeFor("a.c", "", std::nullopt),
                        TCommonSettings{});
    EXPECT_EQ(none.profile.charset, "UTF-8");
    EXPECT_EQ(none.profile.surrogate, "-");
    EXPECT_EQ(none.profile.delimiters.size(), 27u);
    EXPECT_EQ(none.profile.delimiters, kDefaultDelimiters);
    EXPECT_TRUE(none.profile.keys.empty());
    EXPECT_EQ(none.profile.fontName, u"Courier New");
    EXPECT_EQ(UniReprFromText("\\uxxxx"), urUEscape);
    EXPECT_EQ(UniReprFromText("&#DDDD"), urNone);
}

TEST(ConfigProfile, FontChoice) {
    TCommonSettings common;
    common.editFont = u"Mono";
    common.editFontSize = 11;
    common.interfaceFont = u"Sans";
    common.interfaceFontSize = 8;
    TempDir dir;
    auto font = [&](const std::string& files, const char* file) {
        WriteBytes(dir.file("f.ini"), files);
        const TFileProfile p = LoadFileProfile(TIniFile(dir.file("f.ini")),
                                               ProfileTypeFor(file, "", std::nullopt), common)
                                   .profile;
        return std::make_pair(p.fontName.value_or(u"?"), p.fontSize.value_or(-1));
    };
    using F = std::pair<std::u16string, int>;
    EXPECT_EQ(font("[*]\nFontSize=13\n[txt]\nTabSize=2\n", "a.txt"), (F{u"Mono", 13}));
    EXPECT_EQ(font("[*]\nFontSize=13\n[txt]\nFont=1\n", "a.txt"), (F{u"Sans", 8}));
    EXPECT_EQ(font("[*]\nFont=1\n[txt]\nFont=0\nFontSize=20\n", "a.txt"), (F{u"Mono", 20}));
    EXPECT_EQ(font("[*]\nFontSize=13\n[txt]\nFont=Serif\n", "a.txt"), (F{u"Serif", 13}));
    EXPECT_EQ(font("[*]\nFont=Serif\n", "a.txt"), (F{u"Serif", -1})); // size stays the editor's
}

TEST(ConfigSubst, HeadersAndLongestKey) {
    TempDir dir;
    WriteBytes(dir.file("subst.ini"), "before=ignored\n"
                                      "[greek, math]\n"
                                      "a'=&#225;\n"
                                      "(c)=&#169;\n"
                                      "=empty key\n"
                                      "novalue=\n"
                                      "x==y\n"
                                      "[mathematics]\n"
                                      "long-one=no\n"
                                      "[other;Math]\n"
                                      "-->=&#8594;\n");
    const TSubstitutions s = LoadSubstitutions(dir.file("subst.ini"), {"MATH"});
    using P = std::pair<std::u16string, std::u16string>;
    EXPECT_EQ(
        s.pairs,
        (std::vector<P>{{u"a'", U16("á")}, {u"(c)", U16("©")}, {u"x", u"=y"}, {u"-->", U16("→")}}));
    EXPECT_EQ(s.maxKeyLength, 3);
    TWStringList list;
    list.SetSorted(true);
    s.AddTo(list);
    EXPECT_EQ(list.GetValue(u"(c)"), U16("©"));

    EXPECT_TRUE(SubstHeaderHasName(u"[a b]", u"b"));
    EXPECT_FALSE(SubstHeaderHasName(u"[ab]", u"b"));
    EXPECT_FALSE(SubstHeaderHasName(u"[a-b]", u"b"));
    EXPECT_TRUE(LoadSubstitutions(dir.file("subst.ini"), {}).pairs.empty());
    EXPECT_TRUE(LoadSubstitutions(dir.file("none.ini"), {"math"}).pairs.empty());
}

TEST(ConfigFiles, IndentRulesAndTemplates) {
    TProgramFolderFixture f;
    f.Put("Indent/pas.ini", "[*]\nbegin=begin|record\nend=end\ncontinue=then|do\ncomment=//\n");
    const TIndentRules r = LoadIndentRules(f.folder, "pas");
    EXPECT_EQ(r.begin, u"begin|record");
    EXPECT_EQ(r.cont, u"then|do");
    EXPECT_EQ(r.comment, u"//");
    EXPECT_TRUE(r.begin2.empty());
    EXPECT_TRUE(LoadIndentRules(f.folder, "none").begin.empty());
    EXPECT_TRUE(LoadIndentRules(f.folder, "../Indent/pas").begin.empty());

    f.Put("Templates/templates.ini",
          "[templates]\nCProgram=c\\main.C\nBroken=\n"
          "[charsets]\nCProgram=KOI8-R\n[surrogates]\ncprogram=Translit\n");
    const TTemplateInfo t = FindTemplate(f.folder, "cprogram");
    EXPECT_EQ(t.path, f.folder.Root() + "/Templates/c/main.C");
    EXPECT_EQ(t.extension, "c");
    EXPECT_EQ(t.charset, "KOI8-R");
    EXPECT_EQ(t.surrogate, "Translit");
    EXPECT_TRUE(FindTemplate(f.folder, "Broken").path.empty());
    EXPECT_TRUE(FindTemplate(f.folder, "unknown").path.empty());
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

TEST(ConfigFiles, DocumentConfigGathersProfileSubstitutionsAndIndent) {
    TProgramFolderFixture f;
    f.Put("Ini/files.ini", "[*]\nSubst=all\nKeys=Default\n[pas dpr]\nSubst=pascal\nKeys=Pascal\n");
    f.Put("Ini/subst.ini", "[all]\n(c)=&#169;\n[pascal]\n:==:= \n");
    f.Put("Indent/pas.ini", "[*]\nbegin=begin\n");
    const TDocumentConfig c = LoadDocumentConfig(
        f.folder, ProfileTypeFor("unit.PAS", "", std::nullopt), TCommonSettings{});
    EXPECT_EQ(c.section, u"pas dpr");
    EXPECT_EQ(c.profile.keys, (std::vector<std::string>{"Default", "Pascal"}));
    EXPECT_EQ(c.substitutions.pairs.size(), 2u);
    EXPECT_EQ(c.substitutions.maxKeyLength, 3);
    EXPECT_EQ(c.indent.begin, u"begin");

    f.Put("Ini/pelmar.ini", "[Common]\nEditFontSize=12\n[Languages]\nDefault=english\n"
                            "[charsets]\nKOI8-R=koi8-r.tbl\n");
    const TProgramSettings p = ReadProgramSettings(f.folder);
    EXPECT_EQ(p.common.editFontSize, 12);
    EXPECT_EQ(p.languages.defaultName, "english");
    EXPECT_EQ(p.charsetLists.CharsetFile("koi8-r"), "koi8-r.tbl");
}
