// Keymaps, the keys.ini reader and the menu shortcuts.
#include "actions/uniKeymap.h"

#include "base/uniIni.h"
#include "base/uniNumRefs.h"

namespace {

// A key name from the file: references decoded; key names are ASCII, so text with any
// other character names no key.
TShortCut KeyFromName(std::u16string_view written) {
    const std::u16string decoded = DecodeNumericRefs(written, TRefForms::Ampersand);
    std::string ascii;
    for (char16_t c : decoded) {
        if (c >= 0x80) {
            return 0;
        }
        ascii.push_back(static_cast<char>(c));
    }
    return TextToShortCut(ascii);
}

} // namespace

void TUniActionKeymap::AddBinding(TShortCut key, TUniAction* borrowed) {
    if (borrowed != nullptr) {
        pairs_.emplace_back(key, *borrowed);
    }
}

void TUniActionKeymap::AddBinding(TShortCut key, std::unique_ptr<TUniAction> owned) {
    if (owned) {
        pairs_.emplace_back(key, std::move(owned));
    }
}

TUniAction* TUniActionKeymap::FindBinding(TShortCut key) const {
    for (auto it = pairs_.rbegin(); it != pairs_.rend(); ++it) {
        if (it->Key() == key) {
            return it->Action();
        }
    }
    return nullptr;
}

TShortCut TUniActionKeymap::KeyOf(const TUniAction* action) const {
    if (action == nullptr) {
        return 0;
    }
    for (auto it = pairs_.rbegin(); it != pairs_.rend(); ++it) {
        if (it->Action() == action) {
            return it->Key();
        }
    }
    return 0;
}

TLoadReport LoadKeys(const TIniFile& ini, const TIniName& section,
                     std::unique_ptr<TUniActionKeymap>& keymap, const TUniActionMap& map,
                     const TCurrentEditor& currentEditor) {
    if (!keymap) {
        keymap = std::make_unique<TUniActionKeymap>();
    }
    TLoadReport report;
    for (const std::u16string& keyText : ini.ReadSection(section)) {
        const std::u16string value = ini.ReadString(section, keyText, {}, TIniRefs::DecodeDollar);
        if (value.empty()) {
            continue;
        }
        const std::string keyName = IniEncodeText(keyText, false);
        const TShortCut key = KeyFromName(keyText);
        if (key == 0) {
            report.badKeys.push_back(keyName);
            continue;
        }
        TParsedMacro parsed = ParseMacro(value, map, currentEditor);
        for (std::string& token : parsed.unresolved) {
            report.unresolved.push_back({section.Text(), keyName, std::move(token)});
        }
        if (parsed.IsExisting()) {
            keymap->AddBinding(key, parsed.existing);
        } else if (parsed.created) {
            keymap->AddBinding(key, std::move(parsed.created));
        } else {
            continue;
        }
        ++report.added;
    }
    return report;
}

const std::vector<std::string_view>& MenuActionNames() {
    static const std::vector<std::string_view> names = {
        "Help",       "Cut",          "Copy",           "Paste",
        "Delete",     "MarkAll",      "Undo",           "Redo",
        "Wrap",       "SpellCheck",   "Properties",     "Open",
        "Reopen",     "Maximize",     "Print",          "PageSetup",
        "Save",       "SaveAs",       "SaveAll",        "New",
        "New2",       "Find",         "Replace",        "SearchAgain",
        "SearchBack", "WordSearch",   "WordSearchBack", "GotoLine",
        "Bracket",    "ToLower",      "ToUpper",        "KbdPrev",
        "KbdNext",    "Close",        "Exit",           "Run",
        "Filter",     "RefreshStruc", "SyncStruc",      "FindWordInStruc"};
    return names;
}

std::vector<TMenuShortcut> ShowKeysInMenus(const TUniActionKeymap& keymap,
                                           const TUniActionMap& map) {
    std::vector<TMenuShortcut> shortcuts;
    for (std::string_view name : MenuActionNames()) {
        const TShortCut key = keymap.KeyOf(map.Find(name));
        shortcuts.push_back({name, key, key != 0 ? ShortCutToText(key) : std::string()});
    }
    return shortcuts;
}
