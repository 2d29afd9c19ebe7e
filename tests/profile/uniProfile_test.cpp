// Tests of what the configuration gives a document: common settings, charset lists,
// profiles, substitutions, indentation and templates.
#include "profile/uniProfile.h"

#include <gtest/gtest.h>

#include "support/programFolder.h"
#include "support/testSupport.h"
#include "text/uniStringList.h"

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::TProgramFolderFixture;
using testing_support::U16;
using testing_support::WriteBytes;

namespace {

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
}
