// What a file type's profile gives a document and its editor: the program folder's
// files, the common settings the editor paints with, charset lists, file-type profiles,
// substitutions, indentation rules and templates.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/uniFileIO.h"
#include "base/uniIni.h"
#include "text/uniCodec.h"     // TCodecProfile, TUniRepr
#include "text/uniConvTable.h" // TCharsetLists

class TWStringList;

// The program folder's files, by their configuration names ("Ini\pelmar.ini").
class TConfigFolder {
public:
    explicit TConfigFolder(std::string root) : root_(std::move(root)) {}
    const std::string& Root() const { return root_; }
    // Back-slashes separate folders, as in the configuration files themselves.
    std::string Path(std::string_view relative) const { return ConfigPath(root_, relative); }

    std::string PelmarIni() const { return Path("Ini/pelmar.ini"); }
    std::string FilesIni() const { return Path("Ini/files.ini"); }
    std::string SubstIni() const { return Path("Ini/subst.ini"); }
    std::string ActionsIni() const { return Path("Ini/actions.ini"); }
    std::string KeysIni() const { return Path("Ini/keys.ini"); }
    std::string StorageFolder() const { return Path("Storage"); }
    std::string RecentIni() const { return Path("Storage/recent.ini"); }
    std::string LangFolder() const { return Path("Lang"); }
    std::string TemplatesFolder() const { return Path("Templates"); }
    // "Indent/<type>.ini"; empty when the type cannot name a file there.
    std::string IndentIni(std::string_view typeName) const;

private:
    std::string root_;
};

// ---------------------------------------------------------------------------------------
// Colours: 0x00BBGGRR; system colours are 0x80000000 + index; -1 means none.

using TColor = std::int32_t;

// "$" + 6 upper-case hexadecimal digits; a value outside 24 bits (a system colour) gets
// all 8 digits so that it reads back unchanged.
std::string ColorToString(TColor color);
TColor ReadColor(const TIniFile& ini, const TIniName& section, const TIniName& key, TColor def);
TWriteResult WriteColor(TIniFile& ini, const TIniName& section, const TIniName& key, TColor color);

// ---------------------------------------------------------------------------------------
// Ini/pelmar.ini, section "Common" (which also holds the main window's settings)

inline constexpr const char* kCommonSection = "Common";

// The fonts and colours the editor paints with, and the process-wide code pages.
struct TCommonSettings {
    std::u16string editFont = u"Courier New";
    int editFontSize = 10;
    std::u16string interfaceFont = u"Arial";
    int interfaceFontSize = 9;
    TColor textColor = 0x000000;
    TColor backgroundColor = 0xFFFFFF;
    TColor highlightColor = 0xC0C0C0;
    int gutterWidth = 10;
    TColor gutterBColor = 0xC0C0C0;
    TColor gutterFColor = 0x800000;
    TColor gutterFColor2 = 0x008000;
    int ansiCodePage = 1252;
    int oemCodePage = 437;
};

// Out-of-range sizes (fonts 1..200 points, gutter 0..1000 pixels) give the default.
TCommonSettings ReadCommonSettings(const TIniFile& pelmarIni);
// The keys the general setup writes on OK (fonts, sizes, colours, gutter width).
TWriteResult WriteCommonSettings(TIniFile& pelmarIni, const TCommonSettings& settings);

// ---------------------------------------------------------------------------------------
// Ini/pelmar.ini, "charsets", "html-charsets", "surrogates" (file order)

TCharsetLists ReadCharsetLists(const TIniFile& pelmarIni);

// ---------------------------------------------------------------------------------------
// Ini/files.ini: file-type profiles

// The built-in word delimiters (27 characters).
inline constexpr std::u16string_view kDefaultDelimiters = u".,;:!?\"'()[]{}/\\*+-=`<>#^&|";

struct TSpellIgnorePair {
    std::u16string begin;
    std::u16string end;
    friend bool operator==(const TSpellIgnorePair&, const TSpellIgnorePair&) = default;
};

// A document's settings from section "*" overlaid by its type's section. Keys a section
// does not name keep the value gathered so far; empty optionals are keys whose value
// stays the editor's current one when no section names them.
struct TFileProfile {
    int highlightMode = 0; // bit 0: only while Ctrl is held; bit 1: only while Shift is held
    std::optional<bool> highlightLine;
    std::optional<bool> highlightColumn;
    std::optional<int> tabSize; // 1..100
    std::optional<bool> useColorer;
    int backLines = 0;
    std::u16string delimiters{kDefaultDelimiters};
    std::u16string upperCase;
    std::u16string lowerCase;
    std::u16string kbd1;
    std::u16string kbd2;
    std::vector<std::string> subst; // subst.ini section names, in order, no repeats
    std::vector<std::string> keys;  // actions.ini / keys.ini section names, likewise
    std::string charset{kCharsetUtf8};
    std::string surrogate = "-";
    bool autoDetect = false;
    bool autoIndent = false;
    TUniRepr uniRepr = urNone;
    std::optional<bool> wrap;
    bool createBak = false;
    std::optional<std::u16string> fontName;
    std::optional<int> fontSize;
    std::optional<std::string> spellLanguage;
    std::array<TSpellIgnorePair, 10> spellIgnore; // a slot is used when its begin is non-empty

    // The pairs in use, in slot order.
    std::vector<TSpellIgnorePair> SpellIgnorePairs() const;
    // What the file codec consults.
    TCodecProfile CodecProfile() const;
};

// "&#DDDD;" gives 1, "\uXXXX" gives 2 (compared ignoring case), anything else 0.
TUniRepr UniReprFromText(std::string_view text);

// Reads one section over `profile`. Font: "0" (or, in section "*", empty) selects the
// edit font with its size, "1" the interface font with its size, any other text names a
// font whose size stays; FontSize is applied after it.
void ReadProfileSection(const TIniFile& filesIni, const TIniName& section,
                        const TCommonSettings& common, TFileProfile& profile);

// What a document's profile is looked up by.
struct TProfileType {
    std::string extension;   // lower case, without the dot
    std::string highlighter; // the highlighter's type name when it names the type, lower case
    // The type's name for Indent/, Compile/ and Filter/ files: the highlighter's name
    // when set, else the extension.
    const std::string& Name() const { return highlighter.empty() ? extension : highlighter; }
};

// The extension of the file (or, for a document without a file name, of the template it
// came from); a name without an extension uses the whole name ("Makefile" -> "makefile").
// `highlighterType` is the highlighter's type for the file when highlighting is in use; it
// names the type unless it is "default" and there is an extension.
TProfileType ProfileTypeFor(std::string_view fileName, std::string_view templateFile,
                            std::optional<std::string_view> highlighterType);

// Whether `word` occurs in `name` as a whole word: preceded by the start or a blank, a
// double quote, "," or ";", and followed by the end or one of the same. Letter case is
// ignored.
bool ProfileNameHasWord(std::u16string_view name, std::u16string_view word);

// The first section (in file order, "*" aside) naming the highlighter's type, failing
// that the first naming the extension; empty when none does.
std::optional<std::u16string> FindProfileSection(const TIniFile& filesIni,
                                                 const TProfileType& type);

struct TProfileResult {
    TFileProfile profile;
    std::optional<std::u16string> section; // the type's section, when one matched
};

// Section "*" and then the type's section over the built-in defaults.
TProfileResult LoadFileProfile(const TIniFile& filesIni, const TProfileType& type,
                               const TCommonSettings& common);

// ---------------------------------------------------------------------------------------
// Ini/subst.ini, Indent/<type>.ini, Templates/templates.ini

struct TSubstitutions {
    std::vector<std::pair<std::u16string, std::u16string>> pairs; // file order
    int maxKeyLength = 0; // longest typed sequence, in UTF-16 code units

    // Adds "typed=replacement" lines to a (sorted) substitution list.
    void AddTo(TWStringList& list) const;
};

// Adds the lines to a list as Add would one by one. An empty sorted list that ignores
// duplicates takes them with one sort instead of shifting its lines for each one.
void AddSortedLines(TWStringList& list, std::vector<std::u16string> lines);

// Whether a subst.ini header line names `name` as a whole word (bounded by the start, a
// blank, ",", ";" or "[" before and the end, a blank, ",", ";" or "]" after; ignoring case).
bool SubstHeaderHasName(std::u16string_view header, std::u16string_view name);
// The substitutions of the sections whose headers name one of `names`.
TSubstitutions LoadSubstitutions(const std::string& substIniPath,
                                 const std::vector<std::string>& names);

struct TIndentRules {
    std::u16string begin;
    std::u16string end;
    std::u16string cont; // key "continue"
    std::u16string begin2;
    std::u16string continue2;
    std::u16string comment;
};
// Section "*" of Indent/<type>.ini; empty rules when missing.
TIndentRules LoadIndentRules(const TConfigFolder& folder, std::string_view typeName);

struct TTemplateInfo {
    std::string path;      // full path of the template file; empty when the key is unknown
    std::string charset;   // the new document's charset, empty when not given
    std::string surrogate; // its surrogate, empty when not given
    std::string extension; // the template file's extension (lower case, no dot)
};
TTemplateInfo FindTemplate(const TConfigFolder& folder, std::string_view key);

// A document's configuration when its profile is applied: the profile (files.ini), the
// substitutions of its Subst list (subst.ini) and the indentation rules of its type
// (Indent/). Its Keys list names the actions.ini and keys.ini sections to load.
struct TDocumentConfig {
    TProfileType type;
    TFileProfile profile;
    std::optional<std::u16string> section;
    TSubstitutions substitutions;
    TIndentRules indent;
};
TDocumentConfig LoadDocumentConfig(const TConfigFolder& folder, const TProfileType& type,
                                   const TCommonSettings& common);
