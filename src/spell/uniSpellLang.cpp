// The spell-checking languages read from ISpell/*/ispell.ini.
#include "spell/uniSpellLang.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/uniIni.h"
#include "base/uniUtf8.h"

void TSpellLanguages::Add(std::string name, TISpellListObj language) {
    if (Find(name) == nullptr) {
        items_.emplace_back(std::move(name), std::move(language));
    }
}

const TISpellListObj* TSpellLanguages::Find(std::string_view name) const {
    for (const auto& [n, language] : items_) {
        if (n == name) {
            return &language;
        }
    }
    return nullptr;
}

TSpellLanguages LoadSpellLanguages(const std::string& programFolder) {
    namespace fs = std::filesystem;
    TSpellLanguages languages;
    std::error_code ec;
    const fs::path root = fs::path(programFolder) / "ISpell";
    std::vector<fs::path> folders;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            folders.push_back(it->path());
        }
    }
    // Directory order is the file system's; a sorted list gives every start the same menu.
    std::sort(folders.begin(), folders.end());
    for (const fs::path& folder : folders) {
        const TIniFile ini((folder / "ispell.ini").string());
        if (!ini.Exists()) {
            continue;
        }
        // Values are UTF-8 here: a speller's path is a file name like any other.
        for (const std::u16string& section : ini.ReadSections()) {
            TISpellListObj language;
            language.Cmd = EncodeUtf8(ini.ReadString(section, "Cmd"));
            language.Charset = EncodeUtf8(ini.ReadString(section, "Charset"));
            language.Surrogate = EncodeUtf8(ini.ReadString(section, "Surrogate"));
            if (language.Surrogate.empty()) {
                language.Surrogate.push_back('-');
            }
            language.Flag =
                EncodeUtf8(ini.ReadString(section, "Flag", DecodeUtf8(folder.filename().string())));
            languages.Add(EncodeUtf8(section), std::move(language));
        }
    }
    return languages;
}
