// What the file-type setup edits: the sections of Ini/files.ini, each setting with its
// value and whether the section has it of its own (else "*" gives it), sections added and
// deleted, and the file written back with every line that did not change kept.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/uniFileIO.h"
#include "base/uniIni.h"

// The settings, in the order the dialog's tabs show them.
enum class TFilesKey : std::size_t {
    Font,
    FontSize,
    TabSize,
    CreateBAK,
    Wrap,
    AutoIndent,
    Delimiters,
    UpperCase,
    LowerCase,
    HighlightLine,
    HighlightColumn,
    HighlightMode,
    UseColorer,
    BackLines,
    AutoDetect,
    Charset,
    Surrogate,
    UniRepr,
    Subst,
    Keys,
    Kbd1,
    Kbd2,
    ISpellIgnoreBeg0,
    ISpellIgnoreEnd0,
    ISpellIgnoreBeg1,
    ISpellIgnoreEnd1,
    ISpellLanguage,
    Count
};
inline constexpr std::size_t kFilesKeyCount = static_cast<std::size_t>(TFilesKey::Count);

// The key as written into files.ini.
const char* FilesKeyName(TFilesKey key);
// The value shown when neither the section nor "*" has the key.
std::u16string_view FilesKeyDefault(TFilesKey key);

struct TFilesSetting {
    std::u16string value; // references decoded
    bool own = false;     // the section has the key itself
};

// One section of the file with its settings.
struct TFilesSection {
    std::u16string name;
    std::array<TFilesSetting, kFilesKeyCount> settings;
    // In "*": the values as read, which a revert there brings back.
    std::array<TFilesSetting, kFilesKeyCount> loaded;
};

class TFilesSetupModel {
public:
    // Reads every section of the file (a missing file gives only an empty "*").
    void Load(const TIniFile& filesIni);

    const std::vector<TFilesSection>& Sections() const { return sections_; }
    int Count() const { return static_cast<int>(sections_.size()); }
    // The index of a section by name (ignoring letter case); -1 when absent.
    int IndexOf(std::u16string_view name) const;
    int StarIndex() const { return IndexOf(u"*"); }

    // The section's own value, else the one of "*", else the built-in default.
    const std::u16string& Value(int section, TFilesKey key) const;
    bool Own(int section, TFilesKey key) const;
    // Stores a value as the section's own.
    void Set(int section, TFilesKey key, std::u16string value);
    // The setting falls back to "*"; in "*" itself the value read from the file returns.
    void Revert(int section, TFilesKey key);

    // Adds a section with nothing of its own; -1 for an empty name, the index of the
    // existing section when the name is taken.
    int AddSection(std::u16string_view name);
    // Removes the section and remembers its name for the file; "*" is never deleted.
    bool DeleteSection(int section);
    const std::vector<std::u16string>& Deleted() const { return deleted_; }

    // Writes the file: the deleted sections erased, every listed section present, each
    // own setting written where it differs from the file, each other setting removed
    // (except in "*", whose keys stay). Lines nothing changed stay as they were.
    TWriteResult Save(TIniFile& filesIni) const;

private:
    std::vector<TFilesSection> sections_;
    std::vector<std::u16string> deleted_;
};

// The check lists' text: the names in list order joined by commas.
std::u16string JoinGroupNames(const std::vector<std::u16string>& names);
// The names of a comma list (names may hold blanks; empty items are skipped).
std::vector<std::u16string> SplitGroupNames(std::u16string_view text);

// What the dialog's lists offer, from a program folder.
struct TFilesSetupChoices {
    std::vector<std::u16string> charsets;    // the fixed names, then the charset tables
    std::vector<std::u16string> surrogates;  // "-", then the surrogate tables
    std::vector<std::u16string> uniReprs;    // "-", "&#DDDD;", "\uXXXX"
    std::vector<std::u16string> substGroups; // sections of Ini/subst.ini without "*"
    std::vector<std::u16string> keyGroups;   // of Ini/keys.ini, then Ini/actions.ini, no repeats
    std::vector<std::u16string> spellLanguages;
};
TFilesSetupChoices ReadFilesSetupChoices(const std::string& programFolder);
