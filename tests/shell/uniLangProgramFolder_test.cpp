// Tests of the shipped program folder: the language files against the text table, and
// the bindings, macros, profiles and templates that a fresh installation starts with.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

#include "actions/uniKeyNames.h"
#include "base/uniNumRefs.h"
#include "base/uniUtf8.h"
#include "lang/uniLang.h"
#include "lang/uniLangIni.h"
#include "shell/uniConfig.h"
#include "support/testSupport.h"

using testing_support::ReadBytes;
using testing_support::U8;

namespace {

const std::string kData = PELMAR_SOURCE_DATA_DIR;

std::string Lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

// A shipped INI file read through the program's INI layer, with its raw bytes.
class ShippedIni {
public:
    explicit ShippedIni(const std::string& relative)
        : text_(ReadBytes(kData + "/" + relative)), file_(kData + "/" + relative) {}

    const std::string& Text() const { return text_; }
    std::vector<std::string> Sections() const { return file_.ReadSectionsA(); }
    bool HasSection(const std::string& name) const { return file_.SectionExists(name); }
    std::vector<std::string> Keys(const std::string& section) const {
        return file_.ReadSectionA(section);
    }
    std::optional<std::string> Value(std::string_view section, std::string_view key) const {
        if (!file_.ValueExists(section, key)) {
            return std::nullopt;
        }
        return file_.ReadStringA(section, key);
    }
    TLangSource Source() const { return LangSourceOf(file_); }

private:
    std::string text_;
    TIniFile file_;
};

const char* const kLanguageFiles[] = {"Lang/english.ini", "Lang/german.ini"};

// Sections of a language file whose keys are free (entry names and template keys).
bool IsFreeSection(const std::string& section) {
    std::string s = Lower(section);
    return s == "templates" || s == "compile" || s == "filter";
}

// The names the program registers in the global action map: the standard editor actions,
// the main window's commands and InsertDateTime.
std::set<std::string> RegisteredActionNames() {
    std::set<std::string> names;
    for (const char* name : {"Back",
                             "DelLine",
                             "Indent",
                             "UnIndent",
                             "BackIndent",
                             "RetIndent",
                             "Undo",
                             "Redo",
                             "MarkAll",
                             "unMark",
                             "Right",
                             "Left",
                             "Down",
                             "Up",
                             "ScrollDown",
                             "ScrollUp",
                             "ToTop",
                             "ToBottom",
                             "PageUp",
                             "PageDown",
                             "ToUpper",
                             "ToLower",
                             "KbdPrev",
                             "KbdNext",
                             "Tab",
                             "Bracket",
                             "Wrap",
                             "Zoom",
                             "MarkWord",
                             "MarkLine",
                             "EnterUnicode",
                             "WordSearch",
                             "WordSearchBack",
                             "Return",
                             "WordBack",
                             "End",
                             "Home",
                             "Delete",
                             "Paste",
                             "Copy",
                             "WordRight",
                             "WordLeft",
                             "Top",
                             "Bottom",
                             "Cut",
                             "DeleteWord",
                             "Insert",
                             "InsertDateTime",
                             "Open",
                             "ReOpen",
                             "Save",
                             "SaveAs",
                             "SaveAll",
                             "New",
                             "New2",
                             "SpellCheck",
                             "Properties",
                             "Find",
                             "Replace",
                             "SearchAgain",
                             "SearchBack",
                             "GotoLine",
                             "Close",
                             "Exit",
                             "Help",
                             "Maximize",
                             "Print",
                             "PageSetup",
                             "Run",
                             "Filter",
                             "GoCurrentInStruc",
                             "RefreshStruc",
                             "SyncStruc",
                             "FindWordInStruc",
                             "Clone",
                             "TileH",
                             "TileV",
                             "Cascade",
                             "ISpellLang"}) {
        names.insert(Lower(name));
    }
    for (int n = 0; n <= 9; ++n) {
        names.insert("mark" + std::to_string(n));
        names.insert("goto" + std::to_string(n));
    }
    return names;
}

// The tokens of a macro text, split as the macro parser splits them.
std::vector<std::string> MacroTokens(const std::string& text) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') {
            ++i;
        }
        if (i == text.size()) {
            break;
        }
        size_t end;
        if (text[i] == '"' || text[i] == '\'') {
            size_t close = text.find(text[i], i + 1);
            end = close == std::string::npos ? text.size() : close + 1;
        } else {
            end = std::min(text.find(' ', i), text.size());
        }
        tokens.push_back(text.substr(i, end - i));
        i = end;
    }
    return tokens;
}

// Every token of a macro must be text or a name the map will know; a misspelt name would
// silently type itself into the document.
void ExpectMacroNamesKnown(const std::string& where, const std::string& macro,
                           const std::set<std::string>& known) {
    std::vector<std::string> tokens = MacroTokens(macro);
    EXPECT_FALSE(tokens.empty()) << where;
    for (const std::string& token : tokens) {
        bool text =
            token.size() == 1 || token[0] == '"' || token[0] == '\'' || Lower(token) == "space";
        EXPECT_TRUE(text || known.count(Lower(token))) << where << ": unknown name " << token;
    }
}

} // namespace

TEST(ShippedLanguages, EveryTableKeyIsInEveryLanguageFileAndNoFileNamesOthers) {
    TUniLangTexts table;
    for (const char* file : kLanguageFiles) {
        ShippedIni ini(file);
        for (const TLangTextDef& def : TUniLangTexts::Definitions()) {
            EXPECT_TRUE(ini.Value(def.section, def.key))
                << file << " lacks " << def.section << "/" << def.key;
        }
        for (const std::string& section : ini.Sections()) {
            if (IsFreeSection(section)) {
                continue;
            }
            for (const std::string& key : ini.Keys(section)) {
                EXPECT_TRUE(table.Knows(section, key))
                    << file << " names unknown " << section << "/" << key;
            }
        }
        // The files stay 7-bit: everything else is written as references.
        EXPECT_TRUE(std::all_of(ini.Text().begin(), ini.Text().end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x80;
        })) << file;
    }
}

TEST(ShippedLanguages, EnglishFileRepeatsTheBuiltInTexts) {
    ShippedIni english("Lang/english.ini");
    TUniLangTexts builtIn;
    TUniLangTexts loaded;
    loaded.Apply(english.Source());
    for (const TLangTextDef& def : TUniLangTexts::Definitions()) {
        EXPECT_EQ(U8(loaded.Text(def.section, def.key)), U8(builtIn.Text(def.section, def.key)))
            << def.section << "/" << def.key;
    }
}

TEST(ShippedLanguages, GermanFileTranslatesAndKeepsMarkupSound) {
    ShippedIni german("Lang/german.ini");
    TUniLangTexts texts;
    texts.Apply(german.Source());
    EXPECT_EQ(U8(texts.Text("Language", "Name")), "Deutsch");
    EXPECT_EQ(U8(texts.Text("Dialogs", "NoToAll")), "Nein für alle");
    // The accelerator of "Über" is given by a reference.
    TDrawnCaption about = texts.Caption("About");
    EXPECT_EQ(U8(about.text), "Über Pelmar...");
    EXPECT_EQ(about.accelerator, 0);
    EXPECT_EQ(U8(texts.Hint("About")), "Über Pelmar...");
    for (const TLangTextDef& def : TUniLangTexts::Definitions()) {
        if (def.kind != TLangTextKind::Caption || std::string(def.section) != "Menus") {
            continue;
        }
        TDrawnCaption drawn = texts.Caption(def.key);
        EXPECT_FALSE(drawn.text.empty()) << def.key;
        EXPECT_EQ(drawn.text.find(u'$'), std::u16string::npos) << def.key;
    }
    EXPECT_EQ(texts.Text("Setup", "FixedInfo").rfind(u"Feste Schrift:\r\n\r\n", 0), 0u);
}

TEST(ShippedLanguages, GermanTranslatesEveryTextThatDiffersInGerman) {
    // Texts that read the same in both languages: file names, and words German shares.
    const std::set<std::string> same = {
        "Menus/Compiler",       "Menus/Filter",     "Menus/PelmarIni", "Menus/FilesIni",
        "Menus/SubstIni",       "Menus/ActionsIni", "Menus/KeysIni",   "Menus/FiltersIni",
        "Menus/CompileDir",     "Menus/StrucDir",   "Dialogs/OK",      "Dialogs/Syntax",
        "Messages/Information", "Setup/Syntax",     "Setup/ISpell",    "Setup/Proportional",
    };
    ShippedIni german("Lang/german.ini");
    TUniLangTexts builtIn;
    TUniLangTexts texts;
    texts.Apply(german.Source());
    for (const TLangTextDef& def : TUniLangTexts::Definitions()) {
        const std::string name = std::string(def.section) + "/" + def.key;
        if (same.count(name) != 0) {
            EXPECT_EQ(U8(texts.Text(def.section, def.key)), U8(builtIn.Text(def.section, def.key)))
                << name;
        } else {
            EXPECT_NE(U8(texts.Text(def.section, def.key)), U8(builtIn.Text(def.section, def.key)))
                << name << " is not translated";
        }
    }
}

TEST(ShippedLanguages, EveryMenuItemHasItsOwnUnderlinedLetterInEachLanguage) {
    // The menus as the main window lays them out; the top-level menus form one group.
    const std::vector<std::vector<const char*>> menus = {
        {"Files", "Edit", "Search", "Run", "Options", "Windows", "Help"},
        {"NewFile", "New", "Open", "Reopen", "Save", "SaveAs", "SaveAll", "Close", "Properties",
         "PageSetup", "Print", "Exit"},
        {"Undo", "Redo", "Cut", "Copy", "Paste", "Delete", "SelectAll", "ToLower", "ToUpper",
         "Kbd1", "Kbd2", "Wrap", "SpellCheck"},
        {"Find", "Replace", "SearchAgain", "SearchBack", "WordSearch", "WordSearchBack", "GotoLine",
         "SearchPair", "Structure"},
        {"Refresh", "Synchronize", "FindWord", "StrucLeft"},
        {"Compiler", "Filter"},
        {"Language", "GeneralSetup", "FilesSetup", "SpellLanguage", "ConfigFiles"},
        {"PelmarIni", "FilesIni", "SubstIni", "ActionsIni", "KeysIni", "FiltersIni", "CompileDir",
         "StrucDir"},
        {"TileVertical", "TileHorizontal", "Cascade", "Clone", "Maximize"},
        {"Contents", "About"},
        // The window band: its buttons' hints (the maximize and close hints are shared).
        {"Minimize"},
    };
    auto folded = [](char16_t c) {
        bool capital = (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
        return capital ? static_cast<char16_t>(c + 32) : c;
    };
    std::set<std::string> placed;
    for (const auto& menu : menus) {
        placed.insert(menu.begin(), menu.end());
    }
    for (const TLangTextDef& def : TUniLangTexts::Definitions()) {
        if (std::string(def.section) == "Menus") {
            EXPECT_TRUE(placed.count(def.key)) << def.key << " belongs to no menu";
        }
    }
    for (const char* file : kLanguageFiles) {
        ShippedIni ini(file);
        TUniLangTexts texts;
        texts.Apply(ini.Source());
        for (const auto& menu : menus) {
            std::map<char16_t, std::string> letters;
            for (const char* key : menu) {
                TDrawnCaption drawn = texts.Caption(key);
                ASSERT_GE(drawn.accelerator, 0) << file << " " << key;
                auto [it, added] = letters.emplace(folded(drawn.text[drawn.accelerator]), key);
                EXPECT_TRUE(added)
                    << file << ": " << key << " and " << it->second << " share a letter";
            }
        }
    }
}

TEST(ShippedLanguages, TemplatesOfEachLanguageExistInTheTemplatesFolder) {
    ShippedIni templates("Templates/templates.ini");
    for (const char* file : kLanguageFiles) {
        ShippedIni ini(file);
        std::vector<std::string> keys = ini.Keys("templates");
        EXPECT_FALSE(keys.empty()) << file;
        for (const std::string& key : keys) {
            auto name = templates.Value("templates", key);
            ASSERT_TRUE(name) << file << ": template " << key;
            EXPECT_TRUE(std::filesystem::is_regular_file(kData + "/Templates/" + *name)) << *name;
            EXPECT_TRUE(templates.Value("charsets", key)) << key;
        }
    }
}

TEST(ShippedLanguages, LanguageListAndCommonSettingsReadAsIntended) {
    TIniFile pelmar(kData + "/Ini/pelmar.ini");
    TLanguageList list = ReadLanguageList(pelmar, kData + "/Lang");
    EXPECT_GE(list.IndexOf(list.defaultName), 0) << list.defaultName;
    std::set<std::u16string> shown;
    for (const TLanguageEntry& entry : list.entries) {
        // Every menu item has its file, and no two items look alike.
        EXPECT_TRUE(std::filesystem::is_regular_file(kData + "/Lang/" + entry.baseName + ".ini"))
            << entry.baseName;
        EXPECT_TRUE(shown.insert(entry.displayName).second) << entry.baseName;
    }
    EXPECT_EQ(list.entries.size(), std::size(kLanguageFiles));

    TCommonSettings common = ReadCommonSettings(pelmar);
    EXPECT_EQ(common.ansiCodePage, 1252);
    EXPECT_EQ(common.oemCodePage, 437);
    EXPECT_NE(common.highlightColor, common.backgroundColor);
    EXPECT_NE(common.textColor, common.backgroundColor);
    EXPECT_TRUE(pelmar.SectionExists("charsets"));
}

TEST(ShippedKeys, GlobalSectionBindsTheKeysUsersExpect) {
    ShippedIni keys("Ini/keys.ini");
    std::map<TShortCut, std::string> bound; // key -> action, lower case
    for (const std::string& key : keys.Keys("*")) {
        TShortCut shortcut = TextToShortCut(key);
        EXPECT_NE(shortcut, 0) << "no such key: " << key;
        EXPECT_TRUE(bound.emplace(shortcut, Lower(*keys.Value("*", key))).second)
            << "bound twice: " << key;
    }
    auto expect = [&](const std::string& key, const std::string& action) {
        auto it = bound.find(TextToShortCut(key));
        ASSERT_NE(it, bound.end()) << key << " is not bound";
        EXPECT_EQ(it->second, Lower(action)) << key;
    };
    // Movement, plain, with Shift (selection) and with Alt+Shift (column block).
    for (auto [key, action] :
         std::vector<std::pair<std::string, std::string>>{{"Left", "Left"},
                                                          {"Right", "Right"},
                                                          {"Up", "Up"},
                                                          {"Down", "Down"},
                                                          {"Home", "Home"},
                                                          {"End", "End"},
                                                          {"PgUp", "PageUp"},
                                                          {"PgDn", "PageDown"},
                                                          {"Ctrl+Home", "Top"},
                                                          {"Ctrl+End", "Bottom"}}) {
        expect(key, action);
        expect("Shift+" + key, action);
        expect("Alt+Shift+" + key, action);
    }
    for (auto [key, action] :
         std::vector<std::pair<std::string, std::string>>{{"Ctrl+Left", "WordLeft"},
                                                          {"Ctrl+Right", "WordRight"},
                                                          {"Enter", "Return"},
                                                          {"BkSp", "Back"},
                                                          {"Del", "Delete"},
                                                          {"Tab", "Tab"},
                                                          {"Shift+Tab", "UnIndent"},
                                                          {"Ctrl+Z", "Undo"},
                                                          {"Ctrl+Y", "Redo"},
                                                          {"Ctrl+X", "Cut"},
                                                          {"Ctrl+C", "Copy"},
                                                          {"Ctrl+V", "Paste"},
                                                          {"Shift+Del", "Cut"},
                                                          {"Ctrl+Ins", "Copy"},
                                                          {"Shift+Ins", "Paste"},
                                                          {"Ctrl+A", "MarkAll"},
                                                          {"Ctrl+BkSp", "WordBack"},
                                                          {"Ctrl+Del", "DeleteWord"},
                                                          {"Ctrl+Up", "ScrollUp"},
                                                          {"Ctrl+Down", "ScrollDown"},
                                                          {"Ins", "Insert"},
                                                          {"Ctrl+F", "Find"},
                                                          {"F3", "SearchAgain"},
                                                          {"Shift+F3", "SearchBack"},
                                                          {"Ctrl+H", "Replace"},
                                                          {"Ctrl+G", "GotoLine"},
                                                          {"Ctrl+S", "Save"},
                                                          {"Ctrl+O", "Open"},
                                                          {"Ctrl+N", "New"},
                                                          {"Ctrl+W", "Close"},
                                                          {"Ctrl+P", "Print"},
                                                          {"Alt+X", "Exit"},
                                                          {"Ctrl+]", "Bracket"},
                                                          {"F7", "SpellCheck"},
                                                          {"F9", "Run"},
                                                          {"Ctrl+U", "ToLower"},
                                                          {"Ctrl+Shift+U", "ToUpper"},
                                                          {"^shift+home", "Top"}}) {
        expect(key, action);
    }
    for (int n = 0; n <= 9; ++n) {
        expect("Ctrl+Shift+" + std::to_string(n), "Mark" + std::to_string(n));
        expect("Ctrl+" + std::to_string(n), "Goto" + std::to_string(n));
    }
}

TEST(ShippedKeys, EveryStandardActionAndCommandHasAKey) {
    ShippedIni keys("Ini/keys.ini");
    std::set<std::string> used;
    for (const std::string& key : keys.Keys("*")) {
        for (const std::string& token : MacroTokens(*keys.Value("*", key))) {
            used.insert(Lower(token));
        }
    }
    for (const std::string& name : RegisteredActionNames()) {
        EXPECT_TRUE(used.count(name)) << name << " has no key";
    }
}

TEST(ShippedKeys, BindingsAndMacrosNameOnlyKnownActions) {
    ShippedIni actions("Ini/actions.ini");
    ShippedIni keys("Ini/keys.ini");
    std::set<std::string> global = RegisteredActionNames();
    for (const std::string& name : actions.Keys("*")) {
        ExpectMacroNamesKnown("actions.ini [*] " + name, *actions.Value("*", name), global);
        EXPECT_FALSE(global.count(Lower(name))) << name << " would hide nothing: it exists";
        global.insert(Lower(name));
    }
    for (const std::string& section : keys.Sections()) {
        // A group's bindings see the global names and the group's own actions.
        std::set<std::string> known = global;
        for (const std::string& name : actions.Keys(section)) {
            if (section != "*") {
                ExpectMacroNamesKnown("actions.ini [" + section + "] " + name,
                                      *actions.Value(section, name), known);
                known.insert(Lower(name));
            }
        }
        std::set<TShortCut> seen;
        for (const std::string& key : keys.Keys(section)) {
            EXPECT_NE(TextToShortCut(key), 0) << section << ": " << key;
            EXPECT_TRUE(seen.insert(TextToShortCut(key)).second) << section << ": twice " << key;
            ExpectMacroNamesKnown("keys.ini [" + section + "] " + key, *keys.Value(section, key),
                                  known);
        }
    }
}

TEST(ShippedProfiles, EachKindOfFileGetsTheProfileItNeeds) {
    TConfigFolder folder(kData);
    TIniFile files(folder.FilesIni());
    TCommonSettings common;
    auto profileOf = [&](std::string_view fileName) {
        return LoadFileProfile(files, ProfileTypeFor(fileName, "", std::nullopt), common);
    };
    using Groups = std::vector<std::string>;

    TProfileResult plain = profileOf("/tmp/a.unknown");
    EXPECT_FALSE(plain.section);
    EXPECT_EQ(plain.profile.charset, "UTF-8");
    EXPECT_TRUE(plain.profile.autoDetect);
    EXPECT_EQ(plain.profile.highlightLine, true);
    EXPECT_EQ(plain.profile.tabSize, 4);
    EXPECT_EQ(plain.profile.useColorer, true);
    EXPECT_EQ(plain.profile.keys, Groups{"Default"});
    EXPECT_EQ(plain.profile.upperCase.size(), plain.profile.lowerCase.size());
    EXPECT_EQ(plain.profile.kbd1.size(), plain.profile.kbd2.size());
    EXPECT_FALSE(plain.profile.upperCase.empty());
    EXPECT_FALSE(plain.profile.kbd1.empty());

    TProfileResult cpp = profileOf("/src/a.hpp");
    EXPECT_TRUE(cpp.profile.autoIndent);
    EXPECT_EQ(cpp.profile.keys, (Groups{"Default", "SlashComment"}));
    EXPECT_EQ(profileOf("notes.txt").profile.wrap, true);
    EXPECT_EQ(profileOf("notes.txt").profile.subst, Groups{"Typography"});
    EXPECT_EQ(profileOf("/src/Makefile").profile.tabSize, 8);
    EXPECT_EQ(profileOf("page.xhtml").profile.SpellIgnorePairs().size(), 2u);
    EXPECT_EQ(profileOf("run.py").profile.keys, (Groups{"Default", "HashComment", "SpaceIndent"}));

    for (const char* type :
         {"c",   "h",  "cpp", "hpp", "cc", "py",  "java", "js",   "ts", "html", "htm", "xml",
          "css", "sh", "pas", "dpr", "md", "txt", "ini",  "conf", "rs", "go",   "sql", "json"}) {
        EXPECT_TRUE(profileOf(std::string("a.") + type).section) << type << " has no profile";
    }

    // No type is listed twice (the later section would never apply), and every group a
    // profile names exists.
    ShippedIni shipped("Ini/files.ini");
    ShippedIni keys("Ini/keys.ini");
    std::set<std::string> listed;
    for (const std::string& section : shipped.Sections()) {
        std::string name = section;
        std::replace(name.begin(), name.end(), ',', ' ');
        std::istringstream words(name);
        for (std::string type; words >> type;) {
            EXPECT_TRUE(type == "*" || listed.insert(Lower(type)).second) << type;
        }
        TFileProfile profile;
        ReadProfileSection(files, section, common, profile);
        for (const std::string& group : profile.keys) {
            EXPECT_TRUE(keys.HasSection(group)) << section << " names group " << group;
        }
        for (const std::string& group : profile.subst) {
            EXPECT_FALSE(LoadSubstitutions(folder.SubstIni(), {group}).pairs.empty()) << group;
        }
    }
}

TEST(ShippedProfiles, TypographyGroupSubstitutesAsDocumented) {
    TConfigFolder folder(kData);
    TSubstitutions subst = LoadSubstitutions(folder.SubstIni(), {"Typography"});
    std::map<std::u16string, std::u16string> pairs(subst.pairs.begin(), subst.pairs.end());
    EXPECT_EQ(U8(pairs[u"(c)"]), "©");
    EXPECT_EQ(U8(pairs[u"..."]), "…");
    EXPECT_EQ(subst.maxKeyLength, 4);
}
