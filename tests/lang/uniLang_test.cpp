// Tests of the caption markup rules and of laying language files over the text table.
#include "lang/uniLang.h"

#include <cctype>
#include <gtest/gtest.h>
#include <map>
#include <set>

#include "base/uniCodePage.h"
#include "support/testSupport.h"

using testing_support::U16;
using testing_support::U8;

namespace {

// A language file given as section -> ordered (key, value) pairs.
using TFakeFile = std::map<std::string, std::vector<std::pair<std::string, std::string>>>;

TLangSource SourceOf(const TFakeFile& file) {
    TLangSource source;
    source.value = [&file](std::string_view section,
                           std::string_view key) -> std::optional<std::u16string> {
        auto it = file.find(std::string(section));
        if (it == file.end()) {
            return std::nullopt;
        }
        for (const auto& [k, v] : it->second) {
            if (k == key) {
                return U16(v);
            }
        }
        return std::nullopt;
    };
    source.keys = [&file](std::string_view section) {
        std::vector<std::string> keys;
        auto it = file.find(std::string(section));
        if (it != file.end()) {
            for (const auto& pair : it->second) {
                keys.push_back(pair.first);
            }
        }
        return keys;
    };
    return source;
}

// Sets the ANSI page for one test and puts the default back.
class AnsiPage {
public:
    explicit AnsiPage(int number) { SetAnsiCodePage(number); }
    ~AnsiPage() { SetAnsiCodePage(1252); }
    AnsiPage(const AnsiPage&) = delete;
    AnsiPage& operator=(const AnsiPage&) = delete;
};

} // namespace

TEST(CaptionMarkup, PlainAcceleratorStaysAsWritten) {
    std::u16string stored = MenuStoredCaption(u"Save &as...");
    EXPECT_EQ(U8(stored), "Save &as...");
    TDrawnCaption drawn = DrawnCaption(stored);
    EXPECT_EQ(U8(drawn.text), "Save as...");
    EXPECT_EQ(drawn.accelerator, 5);
    EXPECT_EQ(U8(CaptionPlainText(stored)), "Save as...");
}

TEST(CaptionMarkup, AcceleratorGivenByReferenceGetsPrefixAndIsUnderlined) {
    AnsiPage cyrillic(1251);
    // "&Файл" with every letter written as a reference.
    std::u16string stored = MenuStoredCaption(u"&&#1060;&#1072;&#1081;&#1083;");
    EXPECT_EQ(U8(stored), "[&\xD1\x84]^$#1060;$#1072;$#1081;$#1083;"); // "[&ф]"
    TDrawnCaption drawn = DrawnCaption(stored);
    EXPECT_EQ(drawn.text, U16("Файл"));
    EXPECT_EQ(drawn.accelerator, 0);
    EXPECT_EQ(CaptionPlainText(stored), U16("Файл"));
    EXPECT_EQ(MnemonicText(drawn), U16("&Файл"));
}

TEST(CaptionMarkup, PrefixCharacterIsQuestionMarkOutsideTheAnsiPage) {
    AnsiPage western(1252);
    std::u16string stored = MenuStoredCaption(u"x &&#1044;");
    EXPECT_EQ(U8(stored.substr(0, 4)), "[&?]");
    TDrawnCaption drawn = DrawnCaption(stored);
    EXPECT_EQ(drawn.text, U16("x Д"));
    EXPECT_EQ(drawn.accelerator, 2);
}

TEST(CaptionMarkup, ReferencesAreNeverTakenForMarkup) {
    // A reference in the middle is text; references for "&" and "^" draw those characters.
    std::u16string stored = MenuStoredCaption(u"Tom &#38; Jerry &#94; &More&#8230;");
    TDrawnCaption drawn = DrawnCaption(stored);
    EXPECT_EQ(drawn.text, U16("Tom & Jerry ^ More…"));
    EXPECT_EQ(drawn.accelerator, 14);
    EXPECT_EQ(MnemonicText(drawn), U16("Tom && Jerry ^ &More…"));
    // "$#" written by hand is a reference too.
    EXPECT_EQ(CaptionPlainText(MenuStoredCaption(u"A$#66;C")), u"ABC");
}

TEST(CaptionMarkup, LiteralDollarAndBracketSurviveInPlainText) {
    // A lone "$" is text in the hint as on the menu; only a real "[&x]" prefix is dropped.
    EXPECT_EQ(CaptionPlainText(MenuStoredCaption(u"Price in &$")), u"Price in $");
    EXPECT_EQ(DrawnCaption(MenuStoredCaption(u"Price in &$")).accelerator, 9);
    EXPECT_EQ(CaptionPlainText(MenuStoredCaption(u"[x] &Tick")), u"[x] Tick");
    EXPECT_EQ(CaptionPlainText(u"[&y]^Yes"), u"Yes");
}

TEST(CaptionMarkup, DoubleAmpersandIsALiteralAmpersand) {
    TDrawnCaption drawn = DrawnCaption(u"Find && &replace");
    EXPECT_EQ(drawn.text, u"Find & replace");
    EXPECT_EQ(drawn.accelerator, 7);
    EXPECT_EQ(MnemonicText(drawn), u"Find && &replace");
    EXPECT_EQ(CaptionPlainText(u"Find && &replace"), u"Find & replace");
}

TEST(CaptionMarkup, OnlyTheFirstMarkSetsTheAcceleratorAndTabSplitsTheShortcut) {
    TDrawnCaption drawn = DrawnCaption(u"&Open ^file\tCtrl+O");
    EXPECT_EQ(drawn.text, u"Open file");
    EXPECT_EQ(drawn.accelerator, 0);
    EXPECT_EQ(drawn.shortcut, u"Ctrl+O");
    EXPECT_EQ(CaptionPlainText(u"&Open ^file\tCtrl+O"), u"Open file");
    // A mark right before the TAB underlines nothing.
    EXPECT_EQ(DrawnCaption(u"Open&\tF3").accelerator, -1);
    EXPECT_EQ(DrawnCaption(u"no accelerator").accelerator, -1);
}

TEST(CaptionMarkup, TemplateCaptionsNumberTheItemAndKeepAmpersandsAsText) {
    std::u16string stored = TemplateItemCaption(3, u"C&#43;&#43; source & header");
    EXPECT_EQ(stored, u"&3 C$#43;$#43; source && header");
    TDrawnCaption drawn = DrawnCaption(stored);
    EXPECT_EQ(drawn.text, u"3 C++ source & header");
    EXPECT_EQ(drawn.accelerator, 0);
    EXPECT_EQ(DrawnCaption(TemplateItemCaption(12, u"Tom && Jerry")).text, u"12 Tom & Jerry");
}

TEST(CaptionMarkup, InfoTextsBreakLinesAtBackslashN) {
    EXPECT_EQ(InfoText(u"Fixed font:\\n\\nvertical blocks OK"),
              u"Fixed font:\r\n\r\nvertical blocks OK");
    EXPECT_EQ(InfoText(u"no break \\t here\\"), u"no break \\t here\\");
}

TEST(CaptionMarkup, FormatTextFillsOnlyStringArguments) {
    EXPECT_EQ(FormatText(u"File \"%s\" is not saved. Save %s?", u"a.txt"),
              u"File \"a.txt\" is not saved. Save a.txt?");
    EXPECT_EQ(FormatText(u"100%% of %d %x %", u"z"), u"100% of %d %x %");
    EXPECT_EQ(FormatText(u"no argument", u"z"), u"no argument");
}

TEST(LangTexts, BuiltInTextsAnswerByAnyLetterCase) {
    TUniLangTexts texts;
    EXPECT_EQ(texts.Text("messages", "NOTFOUNDMSG"), u"Pattern not found!");
    EXPECT_EQ(texts.Text("Messages", "NotSavedMsg"), u"File \"%s\" is not saved. Save it?");
    EXPECT_EQ(texts.Text("Dialogs", "NoToAll"), u"No to all");
    EXPECT_EQ(texts.Text("Dialogs", "Charset"), u"C&harset");
    EXPECT_EQ(texts.Text("Setup", "FixedInfo"),
              u"Fixed font:\r\n\r\nvertical blocks OK\r\ncolumn highlighting OK");
    EXPECT_EQ(texts.Caption("Files").text, u"File");
    EXPECT_EQ(texts.Hint("SaveAs"), u"Save as...");
    EXPECT_EQ(texts.RunHint(), u"Run");
    EXPECT_FALSE(texts.Knows("Messages", "NoSuchKey"));
    EXPECT_TRUE(texts.Text("Messages", "NoSuchKey").empty());
}

TEST(LangTexts, DefinitionsNameEachKeyOnce) {
    std::set<std::string> seen;
    for (const TLangTextDef& def : TUniLangTexts::Definitions()) {
        std::string slot = std::string(def.section) + "/" + def.key;
        for (char& c : slot) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        EXPECT_TRUE(seen.insert(slot).second) << "twice: " << slot;
    }
}

TEST(LangTexts, ApplyDecodesReferencesAndKeepsWhatTheFileLacks) {
    TFakeFile german = {
        {"Dialogs", {{"Yes", "&#74;a"}, {"Folder", ""}}},
        {"Messages", {{"NotFoundMsg", "Nicht gefunden!"}}},
        {"Menus", {{"Files", "&Datei"}}},
        {"Setup", {{"ExampleText", "a\\n&#1041; &#92;n"}}},
    };
    TUniLangTexts texts;
    texts.Apply(SourceOf(german));
    EXPECT_EQ(texts.Text("Dialogs", "Yes"), u"Ja");
    EXPECT_EQ(texts.Text("Dialogs", "Folder"), u""); // an empty value is a value
    EXPECT_EQ(texts.Text("Dialogs", "No"), u"No");
    EXPECT_EQ(texts.Caption("Files").text, u"Datei");
    EXPECT_EQ(texts.Hint("Edit"), u"Edit");
    // "\n" is a line break; a reference for the backslash is not.
    EXPECT_EQ(texts.Text("Setup", "ExampleText"), U16("a\r\nБ \\n"));

    // Switching to a file without the message keeps the one the first file gave.
    TFakeFile other = {{"Messages", {{"NewFile", "Neu"}}}};
    texts.Apply(SourceOf(other));
    EXPECT_EQ(texts.Text("Messages", "NotFoundMsg"), u"Nicht gefunden!");
    EXPECT_EQ(texts.Text("Messages", "NewFile"), u"Neu");

    // A missing file gives nothing and changes nothing.
    texts.Apply(TLangSource{});
    EXPECT_EQ(texts.Text("Dialogs", "Yes"), u"Ja");
}

TEST(LangTexts, TemplatesFollowTheFileOrderAndSurviveAFileWithoutThem) {
    TFakeFile first = {{"templates", {{"html", "&#1061;TML page"}, {"c", "C source"}}}};
    TUniLangTexts texts;
    EXPECT_TRUE(texts.Templates().empty());
    texts.Apply(SourceOf(first));
    ASSERT_EQ(texts.Templates().size(), 2u);
    EXPECT_EQ(texts.Templates()[0].key, "html");
    EXPECT_EQ(texts.Templates()[1].key, "c");
    EXPECT_EQ(DrawnCaption(TemplateItemCaption(1, texts.Templates()[0].name)).text,
              U16("1 ХTML page"));

    texts.Apply(SourceOf(TFakeFile{{"Messages", {{"NewFile", "Neu"}}}}));
    EXPECT_EQ(texts.Templates().size(), 2u);
    texts.Apply(SourceOf(TFakeFile{{"templates", {{"txt", "Text"}}}}));
    ASSERT_EQ(texts.Templates().size(), 1u);
    EXPECT_EQ(texts.Templates()[0].key, "txt");
}

TEST(LangTexts, CompileAndFilterCaptionsFallBackFromTypeToNameToTheEntryItself) {
    TFakeFile file = {
        {"Compile",
         {{"Run", "&Start"}, {"cpp.Build_all", "&Build everything"}, {"Make", "M&ake it"}}},
        {"Filter", {{"Sort_lines", "&Sort lines"}}},
    };
    TUniLangTexts texts;
    EXPECT_EQ(texts.CompileCaption("cpp", "Build all"), u"Build all");
    texts.Apply(SourceOf(file));
    EXPECT_EQ(texts.RunHint(), u"Start");
    EXPECT_EQ(texts.CompileCaption("cpp", "Build all"), u"Build everything");
    EXPECT_EQ(texts.CompileCaption("CPP", "build all"), u"Build everything");
    EXPECT_EQ(texts.CompileCaption("c", "Build all"), u"Build all");
    EXPECT_EQ(texts.CompileCaption("c", "Make"), u"Make it");
    EXPECT_EQ(texts.FilterCaption("Sort lines"), u"Sort lines");
    EXPECT_EQ(texts.FilterCaption("Uniq"), u"Uniq");
}
