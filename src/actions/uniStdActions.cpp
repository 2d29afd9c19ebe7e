// The standard editor actions and their registration.
#include "actions/uniStdActions.h"

#include <ctime>
#include <iomanip>
#include <sstream>
#include <stdexcept>

#include "base/uniIni.h"

using namespace std_actions;

namespace {

template <class TAction>
void AddNew(TUniActionMap& map, std::string name) {
    map.Add(std::move(name), std::make_unique<TAction>());
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
    AddNew<TBack>(map, "Back");
    AddNew<TDelLine>(map, "DelLine");
    AddNew<TIndent>(map, "Indent");
    AddNew<TUnIndent>(map, "UnIndent");
    AddNew<TBackIndent>(map, "BackIndent");
    AddNew<TRetIndent>(map, "RetIndent");
    AddNew<TUndo>(map, "Undo");
    AddNew<TRedo>(map, "Redo");
    AddNew<TMarkAll>(map, "MarkAll");
    AddNew<TunMark>(map, "unMark");
    AddNew<TRight>(map, "Right");
    AddNew<TLeft>(map, "Left");
    AddNew<TDown>(map, "Down");
    AddNew<TUp>(map, "Up");
    AddNew<TScrollDown>(map, "ScrollDown");
    AddNew<TScrollUp>(map, "ScrollUp");
    AddNew<TToTop>(map, "ToTop");
    AddNew<TToBottom>(map, "ToBottom");
    AddNew<TPageUp>(map, "PageUp");
    AddNew<TPageDown>(map, "PageDown");
    AddNew<TToUpper>(map, "ToUpper");
    AddNew<TToLower>(map, "ToLower");
    AddNew<TKbdPrev>(map, "KbdPrev");
    AddNew<TKbdNext>(map, "KbdNext");
    AddNew<TTab>(map, "Tab");
    AddNew<TBracket>(map, "Bracket");
    AddNew<TWrap>(map, "Wrap");
    AddNew<TZoom>(map, "Zoom");
    AddNew<TMarkWord>(map, "MarkWord");
    AddNew<TMarkLine>(map, "MarkLine");
    AddNew<TEnterUnicode>(map, "EnterUnicode");
    AddNew<TWordSearch>(map, "WordSearch");
    AddNew<TWordSearchBack>(map, "WordSearchBack");

    AddNew<TRet>(map, "Return");
    AddNew<TWBack>(map, "WordBack");
    AddNew<TToEnd>(map, "End");
    AddNew<TToHome>(map, "Home");
    AddNew<TDelC>(map, "Delete");
    AddNew<TClipPaste>(map, "Paste");
    AddNew<TClipCopy>(map, "Copy");
    AddNew<TWRight>(map, "WordRight");
    AddNew<TWLeft>(map, "WordLeft");
    AddNew<TToTop>(map, "Top");
    AddNew<TToBottom>(map, "Bottom");
    AddNew<TDelCut>(map, "Cut");
    AddNew<TWDel>(map, "DeleteWord");
    AddNew<TInsrt>(map, "Insert");

    for (int n = 0; n < 10; ++n) {
        map.Add("Mark" + std::to_string(n), std::make_unique<TMark>(n));
        map.Add("Goto" + std::to_string(n), std::make_unique<TGoto>(n));
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
