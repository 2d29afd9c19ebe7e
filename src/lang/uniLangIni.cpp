// Language files read through the INI layer.
#include "lang/uniLangIni.h"

TLangSource LangSourceOf(const TIniFile& file) {
    TLangSource source;
    source.value = [&file](std::string_view section,
                           std::string_view key) -> std::optional<std::u16string> {
        if (!file.ValueExists(section, key)) {
            return std::nullopt;
        }
        return file.ReadString(section, key, {}, TIniRefs::Keep);
    };
    source.keys = [&file](std::string_view section) { return file.ReadSectionA(section); };
    return source;
}

bool ApplyLanguageFile(TUniLangTexts& texts, const std::string& fileName) {
    TIniFile file(fileName);
    if (!file.Exists()) {
        return false;
    }
    texts.Apply(LangSourceOf(file));
    return true;
}
