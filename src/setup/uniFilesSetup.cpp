// The file-type profiles of Ini/files.ini as the file-type setup edits them.
#include "setup/uniFilesSetup.h"

#include <algorithm>

#include "base/uniUtf8.h"
#include "profile/uniProfile.h"
#include "spell/uniSpellLang.h"

namespace {

struct TKeyInfo {
    const char* name;
    std::u16string_view def;
};

// In TFilesKey order. Written names keep the usual spelling of the shipped file; reading
// ignores letter case ("HighLightLine" is the same key).
constexpr std::array<TKeyInfo, kFilesKeyCount> kKeys{{
    {"Font", u"0"},
    {"FontSize", u"0"},
    {"TabSize", u"4"},
    {"CreateBAK", u"0"},
    {"Wrap", u"0"},
    {"AutoIndent", u"0"},
    {"Delimiters", kDefaultDelimiters},
    {"UpperCase", u""},
    {"LowerCase", u""},
    {"HighlightLine", u"0"},
    {"HighlightColumn", u"0"},
    {"HighlightMode", u"0"},
    {"UseColorer", u"1"},
    {"BackLines", u"0"},
    {"AutoDetect", u"0"},
    {"Charset", u"UTF-8"},
    {"Surrogate", u"-"},
    {"UniRepr", u""},
    {"Subst", u""},
    {"Keys", u""},
    {"Kbd1", u""},
    {"Kbd2", u""},
    {"ISpellIgnoreBeg0", u""},
    {"ISpellIgnoreEnd0", u""},
    {"ISpellIgnoreBeg1", u""},
    {"ISpellIgnoreEnd1", u""},
    {"ISpellLanguage", u""},
}};

const TKeyInfo& Info(TFilesKey key) {
    return kKeys[static_cast<size_t>(key)];
}

std::u16string Folded(std::u16string_view name) {
    return DecodeUtf8(TIniName(name).Folded());
}

void AddUnique(std::vector<std::u16string>& list, std::u16string name) {
    if (name == u"*") {
        return;
    }
    const std::u16string folded = Folded(name);
    const bool seen = std::any_of(list.begin(), list.end(),
                                  [&](const std::u16string& n) { return Folded(n) == folded; });
    if (!seen) {
        list.push_back(std::move(name));
    }
}

} // namespace

const char* FilesKeyName(TFilesKey key) {
    return Info(key).name;
}

std::u16string_view FilesKeyDefault(TFilesKey key) {
    return Info(key).def;
}

// ---------------------------------------------------------------------------------------

void TFilesSetupModel::Load(const TIniFile& ini) {
    sections_.clear();
    deleted_.clear();
    for (const std::u16string& name : ini.ReadSections()) {
        TFilesSection section;
        section.name = name;
        for (size_t k = 0; k < kFilesKeyCount; ++k) {
            const auto key = static_cast<TFilesKey>(k);
            TFilesSetting& s = section.settings[k];
            s.own = ini.ValueExists(name, FilesKeyName(key));
            s.value = s.own ? ini.ReadString(name, FilesKeyName(key))
                            : std::u16string(FilesKeyDefault(key));
        }
        section.loaded = section.settings;
        sections_.push_back(std::move(section));
    }
    if (StarIndex() < 0) {
        // The defaults' section is always there to fall back on.
        TFilesSection star;
        star.name = u"*";
        for (size_t k = 0; k < kFilesKeyCount; ++k) {
            star.settings[k].value = FilesKeyDefault(static_cast<TFilesKey>(k));
        }
        star.loaded = star.settings;
        sections_.insert(sections_.begin(), std::move(star));
    }
}

int TFilesSetupModel::IndexOf(std::u16string_view name) const {
    const std::u16string folded = Folded(name);
    for (size_t i = 0; i < sections_.size(); ++i) {
        if (Folded(sections_[i].name) == folded) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const std::u16string& TFilesSetupModel::Value(int section, TFilesKey key) const {
    const size_t k = static_cast<size_t>(key);
    const TFilesSetting& own = sections_.at(static_cast<size_t>(section)).settings[k];
    if (own.own) {
        return own.value;
    }
    return sections_.at(static_cast<size_t>(StarIndex())).settings[k].value;
}

bool TFilesSetupModel::Own(int section, TFilesKey key) const {
    return sections_.at(static_cast<size_t>(section)).settings[static_cast<size_t>(key)].own;
}

void TFilesSetupModel::Set(int section, TFilesKey key, std::u16string value) {
    TFilesSetting& s =
        sections_.at(static_cast<size_t>(section)).settings[static_cast<size_t>(key)];
    s.value = std::move(value);
    s.own = true;
}

void TFilesSetupModel::Revert(int section, TFilesKey key) {
    TFilesSection& sec = sections_.at(static_cast<size_t>(section));
    const size_t k = static_cast<size_t>(key);
    if (section == StarIndex()) {
        // "*" has nothing to fall back on: its keys stay in the file as they were.
        sec.settings[k] = sec.loaded[k];
        sec.settings[k].own = false;
    } else {
        sec.settings[k].own = false;
    }
}

int TFilesSetupModel::AddSection(std::u16string_view name) {
    if (TIniName(name).Empty()) {
        return -1;
    }
    if (const int existing = IndexOf(name); existing >= 0) {
        return existing;
    }
    TFilesSection section;
    section.name = std::u16string(name);
    sections_.push_back(std::move(section));
    return Count() - 1;
}

bool TFilesSetupModel::DeleteSection(int section) {
    if (section < 0 || section >= Count() || section == StarIndex()) {
        return false;
    }
    deleted_.push_back(sections_[static_cast<size_t>(section)].name);
    sections_.erase(sections_.begin() + section);
    return true;
}

TWriteResult TFilesSetupModel::Save(TIniFile& ini) const {
    ini.BeginUpdate();
    for (const std::u16string& name : deleted_) {
        ini.EraseSection(name);
    }
    TWriteResult failed;
    const auto check = [&](TWriteResult r) {
        if (!r.ok && failed.ok) {
            failed = std::move(r);
        }
    };
    for (const TFilesSection& section : sections_) {
        const bool star = section.name == u"*";
        if (!ini.SectionExists(section.name)) {
            check(ini.WriteString(section.name, "Dummy", u""));
            check(ini.DeleteKey(section.name, "Dummy"));
        }
        for (size_t k = 0; k < kFilesKeyCount; ++k) {
            const char* key = FilesKeyName(static_cast<TFilesKey>(k));
            const TFilesSetting& s = section.settings[k];
            const bool present = ini.ValueExists(section.name, key);
            if (s.own) {
                if (!present || ini.ReadString(section.name, key) != s.value) {
                    check(ini.WriteString(section.name, key, s.value));
                }
            } else if (!star && present) {
                check(ini.DeleteKey(section.name, key));
            }
        }
    }
    TWriteResult written = ini.EndUpdate();
    return failed.ok ? written : failed;
}

// ---------------------------------------------------------------------------------------

std::u16string JoinGroupNames(const std::vector<std::u16string>& names) {
    std::u16string text;
    for (const std::u16string& n : names) {
        text += u',';
        text += n;
    }
    const size_t first = text.find_first_not_of(u',');
    return first == std::u16string::npos ? std::u16string() : text.substr(first);
}

std::vector<std::u16string> SplitGroupNames(std::u16string_view text) {
    std::vector<std::u16string> names;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t comma = text.find(u',', pos);
        if (comma == std::u16string_view::npos) {
            comma = text.size();
        }
        std::u16string_view item = text.substr(pos, comma - pos);
        while (!item.empty() && (item.front() == u' ' || item.front() == u'\t')) {
            item.remove_prefix(1);
        }
        while (!item.empty() && (item.back() == u' ' || item.back() == u'\t')) {
            item.remove_suffix(1);
        }
        if (!item.empty()) {
            names.emplace_back(item);
        }
        pos = comma + 1;
    }
    return names;
}

TFilesSetupChoices ReadFilesSetupChoices(const std::string& programFolder) {
    const TConfigFolder folder(programFolder);
    TFilesSetupChoices c;
    c.charsets = {u"UTF-8", u"UTF-16 (BE)", u"UTF-16 (LE)", u"Windows", u"OEM"};
    c.surrogates = {u"-"};
    const TCharsetLists lists = ReadCharsetLists(TIniFile(folder.PelmarIni()));
    for (const auto& [name, file] : lists.charsets) {
        AddUnique(c.charsets, DecodeUtf8(name));
    }
    for (const auto& [name, file] : lists.surrogates) {
        AddUnique(c.surrogates, DecodeUtf8(name));
    }
    c.uniReprs = {u"-", u"&#DDDD;", u"\\uXXXX"};
    for (const std::u16string& s : TIniFile(folder.SubstIni()).ReadSections()) {
        AddUnique(c.substGroups, s);
    }
    for (const std::u16string& s : TIniFile(folder.KeysIni()).ReadSections()) {
        AddUnique(c.keyGroups, s);
    }
    for (const std::u16string& s : TIniFile(folder.ActionsIni()).ReadSections()) {
        AddUnique(c.keyGroups, s);
    }
    const TSpellLanguages languages = LoadSpellLanguages(programFolder);
    for (const auto& [name, language] : languages.Items()) {
        AddUnique(c.spellLanguages, DecodeUtf8(name));
    }
    return c;
}
