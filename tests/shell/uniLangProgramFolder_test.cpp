// Tests of the shipped program folder: the language files against the text table, and
// the bindings, macros, profiles and templates that a fresh installation starts with.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

#include "shell/uniLang.h"
#include "support/testSupport.h"
#include "text/uniNumRefs.h"
#include "text/uniUtf8.h"

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

std::string Trim(std::string_view s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) {
        return {};
    }
    size_t e = s.find_last_not_of(" \t\r");
    return std::string(s.substr(b, e - b + 1));
}

// A small reader of the shipped INI files with the rules the program reads them by:
// names ignore case, the first occurrence wins, values are trimmed and lose one pair of
// enclosing quotes, ";" starts a comment line.
class ShippedIni {
public:
    explicit ShippedIni(const std::string& relative) : text_(ReadBytes(kData + "/" + relative)) {
        Section* current = nullptr;
        size_t pos = 0;
        while (pos < text_.size()) {
            size_t end = text_.find('\n', pos);
            if (end == std::string::npos) {
                end = text_.size();
            }
            std::string line = Trim(std::string_view(text_).substr(pos, end - pos));
            pos = end + 1;
            if (line.empty() || line[0] == ';') {
                continue;
            }
            if (line[0] == '[' && line.back() == ']') {
                current = &SectionNamed(line.substr(1, line.size() - 2));
                continue;
            }
            size_t eq = line.find('=');
            if (current == nullptr || eq == std::string::npos) {
                continue;
            }
            std::string key = Trim(line.substr(0, eq));
            std::string value = Trim(line.substr(eq + 1));
            if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') &&
                value.back() == value[0]) {
                value = value.substr(1, value.size() - 2);
            }
            if (!current->values.count(Lower(key))) {
                current->keys.push_back(key);
                current->values[Lower(key)] = value;
            }
        }
    }

    const std::string& Text() const { return text_; }
    std::vector<std::string> Sections() const { return order_; }
    bool HasSection(const std::string& name) const { return sections_.count(Lower(name)) != 0; }
    std::vector<std::string> Keys(const std::string& section) const {
        auto it = sections_.find(Lower(section));
        return it == sections_.end() ? std::vector<std::string>{} : it->second.keys;
    }
    std::optional<std::string> Value(std::string_view section, std::string_view key) const {
        auto it = sections_.find(Lower(std::string(section)));
        if (it == sections_.end()) {
            return std::nullopt;
        }
        auto v = it->second.values.find(Lower(std::string(key)));
        if (v == it->second.values.end()) {
            return std::nullopt;
        }
        return v->second;
    }

    // The file as a language source for the text table.
    TLangSource Source() const {
        TLangSource source;
        source.value = [this](std::string_view section,
                              std::string_view key) -> std::optional<std::u16string> {
            auto value = Value(section, key);
            return value ? std::optional(DecodeUtf8(*value)) : std::nullopt;
        };
        source.keys = [this](std::string_view section) { return Keys(std::string(section)); };
        return source;
    }

private:
    struct Section {
        std::vector<std::string> keys;
        std::map<std::string, std::string> values;
    };
    Section& SectionNamed(const std::string& name) {
        auto [it, added] = sections_.try_emplace(Lower(name));
        if (added) {
            order_.push_back(name);
        }
        return it->second;
    }

    std::string text_;
    std::map<std::string, Section> sections_;
    std::vector<std::string> order_;
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

// A key-combination text in a canonical form ("ctrl+shift+left"), or empty when it
// names no key.
std::string CanonicalKey(const std::string& text) {
    std::string rest = Lower(text);
    bool shift = false, ctrl = false, alt = false;
    for (bool more = true; more;) {
        more = false;
        for (auto [prefix, flag] : {std::pair<const char*, bool*>{"shift+", &shift},
                                    {"ctrl+", &ctrl},
                                    {"^", &ctrl},
                                    {"alt+", &alt}}) {
            std::string p = prefix;
            if (rest.size() > p.size() && rest.compare(0, p.size(), p) == 0) {
                *flag = true;
                rest = rest.substr(p.size());
                more = true;
            }
        }
    }
    static const std::set<std::string> kNames = {"bksp", "tab", "enter", "esc",  "space", "pgup",
                                                 "pgdn", "end", "home",  "left", "up",    "right",
                                                 "down", "ins", "del",   "]"};
    bool known = kNames.count(rest) != 0 ||
                 (rest.size() == 1 && std::isalnum(static_cast<unsigned char>(rest[0])));
    if (rest.size() >= 2 && rest[0] == 'f' &&
        std::all_of(rest.begin() + 1, rest.end(), [](char c) { return std::isdigit(c); })) {
        int n = std::stoi(rest.substr(1));
        known = n >= 1 && n <= 24;
    }
    if (!known) {
        return {};
    }
    return std::string(ctrl ? "ctrl+" : "") + (alt ? "alt+" : "") + (shift ? "shift+" : "") + rest;
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
    std::set<char16_t> topLevel;
    for (const TLangTextDef& def : TUniLangTexts::Definitions()) {
        if (def.kind != TLangTextKind::Caption || std::string(def.section) != "Menus") {
            continue;
        }
        TDrawnCaption drawn = texts.Caption(def.key);
        EXPECT_FALSE(drawn.text.empty()) << def.key;
        EXPECT_EQ(drawn.text.find(u'$'), std::u16string::npos) << def.key;
        EXPECT_GE(drawn.accelerator, 0) << def.key;
    }
    for (const char* menu : {"Files", "Edit", "Search", "Run", "Options", "Windows", "Help"}) {
        TDrawnCaption drawn = texts.Caption(menu);
        ASSERT_GE(drawn.accelerator, 0);
        EXPECT_TRUE(topLevel.insert(drawn.text[drawn.accelerator]).second) << menu;
    }
    EXPECT_EQ(texts.Text("Setup", "FixedInfo").rfind(u"Feste Schrift:\r\n\r\n", 0), 0u);
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

TEST(ShippedLanguages, LanguageListNamesTheShippedFiles) {
    ShippedIni pelmar("Ini/pelmar.ini");
    auto chosen = pelmar.Value("Languages", "Default");
    ASSERT_TRUE(chosen);
    EXPECT_TRUE(std::filesystem::is_regular_file(kData + "/Lang/" + *chosen + ".ini"));
    for (const std::string& key : pelmar.Keys("Languages")) {
        if (Lower(key) != "default") {
            EXPECT_TRUE(std::filesystem::is_regular_file(kData + "/Lang/" + key + ".ini")) << key;
        }
    }
    EXPECT_EQ(pelmar.Value("Common", "AnsiCodePage"), "1252");
    EXPECT_EQ(pelmar.Value("Common", "OemCodePage"), "437");
    EXPECT_TRUE(pelmar.HasSection("charsets"));
}

TEST(ShippedKeys, GlobalSectionBindsTheKeysUsersExpect) {
    ShippedIni keys("Ini/keys.ini");
    std::map<std::string, std::string> bound; // canonical key -> action, lower case
    for (const std::string& key : keys.Keys("*")) {
        std::string canonical = CanonicalKey(key);
        EXPECT_FALSE(canonical.empty()) << "no such key: " << key;
        EXPECT_TRUE(bound.emplace(canonical, Lower(*keys.Value("*", key))).second)
            << "bound twice: " << key;
    }
    auto expect = [&](const std::string& key, const std::string& action) {
        auto it = bound.find(CanonicalKey(key));
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
                                                          {"PgDn", "PageDown"}}) {
        expect(key, action);
        expect("Shift+" + key, action);
        expect("Alt+Shift+" + key, action);
    }
    for (auto [key, action] :
         std::vector<std::pair<std::string, std::string>>{{"Ctrl+Home", "Top"},
                                                          {"Ctrl+End", "Bottom"},
                                                          {"Ctrl+Left", "WordLeft"},
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
        std::set<std::string> seen;
        for (const std::string& key : keys.Keys(section)) {
            EXPECT_FALSE(CanonicalKey(key).empty()) << section << ": " << key;
            EXPECT_TRUE(seen.insert(CanonicalKey(key)).second) << section << ": twice " << key;
            ExpectMacroNamesKnown("keys.ini [" + section + "] " + key, *keys.Value(section, key),
                                  known);
        }
    }
}

TEST(ShippedProfiles, TypesAreCoveredOnceAndGroupsExist) {
    ShippedIni files("Ini/files.ini");
    ShippedIni keys("Ini/keys.ini");
    ShippedIni subst("Ini/subst.ini");
    EXPECT_EQ(files.Value("*", "Charset"), "UTF-8");
    EXPECT_EQ(files.Value("*", "AutoDetect"), "1");
    EXPECT_EQ(files.Value("*", "HighlightLine"), "1");
    EXPECT_EQ(files.Value("*", "TabSize"), "4");
    EXPECT_EQ(files.Value("*", "UseColorer"), "1");
    EXPECT_EQ(files.Value("*", "Keys"), "Default");

    std::map<std::string, std::string> owner; // type -> section
    for (const std::string& section : files.Sections()) {
        if (section == "*") {
            continue;
        }
        std::string name = section;
        std::replace(name.begin(), name.end(), ',', ' ');
        std::istringstream words(name);
        for (std::string type; words >> type;) {
            EXPECT_TRUE(owner.emplace(Lower(type), section).second)
                << type << " is listed again in [" << section << "]";
        }
        for (const char* list : {"Keys", "Subst"}) {
            std::string groups = files.Value(section, list).value_or("");
            std::replace(groups.begin(), groups.end(), ',', ' ');
            std::istringstream names(groups);
            for (std::string group; names >> group;) {
                const ShippedIni& where = std::string(list) == "Keys" ? keys : subst;
                EXPECT_TRUE(where.HasSection(group)) << section << " names group " << group;
            }
        }
    }
    for (const char* type : {"c",    "h",    "cpp",      "hpp", "cc", "py",  "java", "js", "ts",
                             "html", "htm",  "xml",      "css", "sh", "pas", "dpr",  "md", "txt",
                             "ini",  "conf", "makefile", "rs",  "go", "sql", "json"}) {
        EXPECT_TRUE(owner.count(type)) << type << " has no profile";
    }
    EXPECT_EQ(files.Value(owner["txt"], "Wrap"), "1");
    EXPECT_EQ(files.Value(owner["cpp"], "AutoIndent"), "1");

    // Pairs of conversion strings must be equally long once decoded.
    for (auto [a, b] :
         {std::pair<const char*, const char*>{"UpperCase", "LowerCase"}, {"Kbd1", "Kbd2"}}) {
        std::u16string first = DecodeNumericRefs(DecodeUtf8(files.Value("*", a).value_or("")));
        std::u16string second = DecodeNumericRefs(DecodeUtf8(files.Value("*", b).value_or("")));
        EXPECT_FALSE(first.empty()) << a;
        EXPECT_EQ(first.size(), second.size()) << a << "/" << b;
    }
}

TEST(ShippedProfiles, IndentRulesExistForCLikeLanguagesAndPascal) {
    for (const char* type : {"c", "cpp", "h", "java", "js", "rs", "go", "pas", "dpr"}) {
        std::string file = std::string("Indent/") + type + ".ini";
        ASSERT_TRUE(std::filesystem::is_regular_file(kData + "/" + file)) << file;
        ShippedIni rules(file);
        for (const char* key : {"begin", "end", "continue", "begin2", "continue2"}) {
            EXPECT_FALSE(rules.Value("*", key).value_or("").empty()) << file << " " << key;
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(kData + "/Storage"));
}
