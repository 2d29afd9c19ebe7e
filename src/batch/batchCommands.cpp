// The editor commands by their interface names, for pelmar-batch's --cmd: the command list
// (editor/uniCommands.h) with each kind's argument.
#include "batch/batchCommands.h"

#include <algorithm>
#include <vector>

#include "base/uniUtf8.h"
#include "editor/uniAbstractMemo.h"

namespace {

struct TEntry {
    const TCommandInfo& info;
    std::function<void(TuniAbstractMemo&, const std::string&)> run;
};

int Bookmark(const std::string& arg) {
    return arg[0] - '0';
}

// Every command of the list, in its order, with how its argument is passed.
const std::vector<TEntry>& Table() {
    using M = TuniAbstractMemo;
    static const std::vector<TEntry> table = {
#define PELMAR_BATCH_PLAIN(name, ...)                                                              \
    {CommandInfo(TCommandId::name), [](M& m, const std::string&) { m.name(); }},
#define PELMAR_BATCH_TEXT(name)                                                                    \
    {CommandInfo(TCommandId::name), [](M& m, const std::string& a) { m.name(DecodeUtf8(a)); }},
#define PELMAR_BATCH_NUMBERED(name, ...)                                                           \
    {CommandInfo(TCommandId::name), [](M& m, const std::string& a) { m.name(Bookmark(a)); }},
#define PELMAR_BATCH_ENTRY(name, ...)                                                              \
    {CommandInfo(TCommandId::name), [](M& m, const std::string& a) { m.name(a); }},
        PELMAR_EDITOR_COMMANDS(PELMAR_BATCH_PLAIN, PELMAR_BATCH_TEXT, PELMAR_BATCH_NUMBERED,
                               PELMAR_BATCH_ENTRY)
#undef PELMAR_BATCH_PLAIN
#undef PELMAR_BATCH_TEXT
#undef PELMAR_BATCH_NUMBERED
#undef PELMAR_BATCH_ENTRY
    };
    return table;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

} // namespace

TCommandLookup FindEditorCommand(std::string_view spec) {
    const size_t colon = spec.find(':');
    const std::string_view name = spec.substr(0, colon);
    const bool hasArg = colon != std::string_view::npos;
    const std::string arg(hasArg ? spec.substr(colon + 1) : std::string_view());
    for (const TEntry& e : Table()) {
        const std::string ename(e.info.name);
        if (!SameName(name, ename)) {
            continue;
        }
        switch (e.info.call) {
        case TCommandCall::Plain:
            if (hasArg) {
                return {std::nullopt, ename + " takes no argument"};
            }
            break;
        case TCommandCall::Numbered:
            if (arg.size() != 1 || arg[0] < '0' || arg[0] > '9') {
                return {std::nullopt, ename + " needs a bookmark number 0-9 (" + ename + ":N)"};
            }
            break;
        case TCommandCall::Text:
        case TCommandCall::Entry:
            if (!hasArg) {
                return {std::nullopt, ename + " needs an argument (" + ename + ":TEXT)"};
            }
            break;
        }
        auto run = e.run;
        return {TBatchCommand([run, arg](TuniAbstractMemo& m) { run(m, arg); }), {}};
    }
    return {std::nullopt, "unknown editor command \"" + std::string(name) + "\""};
}

const std::vector<std::string>& EditorCommandNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const TEntry& e : Table()) {
            out.emplace_back(e.info.name);
        }
        return out;
    }();
    return names;
}
