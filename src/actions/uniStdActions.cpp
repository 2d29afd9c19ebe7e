// The standard editor actions and their registration.
#include "actions/uniStdActions.h"

#include <ctime>
#include <initializer_list>
#include <iomanip>
#include <sstream>
#include <stdexcept>

#include "base/uniIni.h"

using namespace std_actions;

namespace {

template <class TAction>
void AddUnderEach(TUniActionMap& map, std::initializer_list<std::string_view> names) {
    for (const std::string_view name : names) {
        map.Add(std::string(name), std::make_unique<TAction>());
    }
}

// The user's locale; the classic one when the environment names one that is missing.
std::locale UserLocale() {
    try {
        return std::locale("");
    } catch (const std::runtime_error&) {
        return std::locale::classic();
    }
}

} // namespace

std::u16string DateTimeText(const std::tm& time, const std::locale& locale) {
    std::ostringstream out;
    out.imbue(locale);
    out << std::put_time(&time, "%x");
    if (time.tm_hour != 0 || time.tm_min != 0 || time.tm_sec != 0) {
        out << ' ' << std::put_time(&time, "%X");
    }
    return IniWideFrom8(out.str()); // the locale's text: UTF-8 here
}

void TuniInsertDateTime::execute(TuniAbstractMemo& editor) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    editor.InsertText(DateTimeText(local, UserLocale()));
}

void RegisterStandardActions(TUniActionMap& map) {
    // One object under each name, so that each name can have keys of its own.
#define PELMAR_REGISTER_PLAIN(name, actionClass, ...)                                              \
    __VA_OPT__(AddUnderEach<actionClass>(map, {__VA_ARGS__});)
#define PELMAR_REGISTER_NONE(...)
    PELMAR_EDITOR_COMMANDS(PELMAR_REGISTER_PLAIN, PELMAR_REGISTER_NONE, PELMAR_REGISTER_NONE,
                           PELMAR_REGISTER_NONE)
#undef PELMAR_REGISTER_PLAIN
#undef PELMAR_REGISTER_NONE

    // The numbered commands by number: "Mark0", "Goto0", "Mark1", ...
    for (int n = 0; n < 10; ++n) {
#define PELMAR_REGISTER_NUMBERED(name, actionClass, prefix)                                        \
    map.Add(prefix + std::to_string(n), std::make_unique<actionClass>(n));
#define PELMAR_REGISTER_NONE(...)
        PELMAR_EDITOR_COMMANDS(PELMAR_REGISTER_NONE, PELMAR_REGISTER_NONE, PELMAR_REGISTER_NUMBERED,
                               PELMAR_REGISTER_NONE)
#undef PELMAR_REGISTER_NUMBERED
#undef PELMAR_REGISTER_NONE
    }
}

void RegisterInsertDateTime(TUniActionMap& map, TCurrentEditor activeEditor) {
    map.Add("InsertDateTime", std::make_unique<TuniInsertDateTime>(std::move(activeEditor)));
}

const std::vector<std::string_view>& MainWindowActionNames() {
    static const std::vector<std::string_view> names = {"Open",
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
                                                        "ToLower",
                                                        "ToUpper",
                                                        "KbdPrev",
                                                        "KbdNext",
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
                                                        "InsertDateTime",
                                                        "Clone",
                                                        "TileH",
                                                        "TileV",
                                                        "Cascade",
                                                        "ISpellLang"};
    return names;
}
