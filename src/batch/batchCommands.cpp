// The editor commands by their interface names, for pelmar-batch's --cmd.
#include "batch/batchCommands.h"

#include <algorithm>
#include <vector>

#include "base/uniUtf8.h"
#include "editor/uniMemo.h"

namespace {

enum class TArg { None, Bookmark, Text };

struct TEntry {
    const char* name;
    TArg arg;
    std::function<void(TuniMemo&, const std::string&)> run;
};

// A command without an argument.
template <void (TuniAbstractMemo::*Command)()>
TEntry Plain(const char* name) {
    return {name, TArg::None, [](TuniMemo& m, const std::string&) { (m.*Command)(); }};
}

int Bookmark(const std::string& arg) {
    return arg[0] - '0';
}

// In the order of the command interface.
const std::vector<TEntry>& Table() {
    using M = TuniAbstractMemo;
    static const std::vector<TEntry> table = {
        {"InsertText", TArg::Text,
         [](TuniMemo& m, const std::string& a) { m.InsertText(DecodeUtf8(a)); }},
        Plain<&M::NewLine>("NewLine"),
        Plain<&M::Backspace>("Backspace"),
        Plain<&M::DeleteLine>("DeleteLine"),
        Plain<&M::DeleteWordBack>("DeleteWordBack"),
        Plain<&M::IndentSelection>("IndentSelection"),
        Plain<&M::UnindentSelection>("UnindentSelection"),
        Plain<&M::BackIndent>("BackIndent"),
        Plain<&M::NewLineIndent>("NewLineIndent"),
        Plain<&M::Undo>("Undo"),
        Plain<&M::Redo>("Redo"),
        Plain<&M::SelectAll>("SelectAll"),
        Plain<&M::Unselect>("Unselect"),
        Plain<&M::CaretRight>("CaretRight"),
        Plain<&M::CaretLeft>("CaretLeft"),
        Plain<&M::WordRight>("WordRight"),
        Plain<&M::WordLeft>("WordLeft"),
        Plain<&M::CaretDown>("CaretDown"),
        Plain<&M::CaretUp>("CaretUp"),
        Plain<&M::ScrollDown>("ScrollDown"),
        Plain<&M::ScrollUp>("ScrollUp"),
        Plain<&M::LineHome>("LineHome"),
        Plain<&M::LineEnd>("LineEnd"),
        Plain<&M::TextTop>("TextTop"),
        Plain<&M::TextBottom>("TextBottom"),
        Plain<&M::PageUp>("PageUp"),
        Plain<&M::PageDown>("PageDown"),
        Plain<&M::DeleteChar>("DeleteChar"),
        Plain<&M::CutSelection>("CutSelection"),
        Plain<&M::DeleteWord>("DeleteWord"),
        Plain<&M::SelectionToUpper>("SelectionToUpper"),
        Plain<&M::SelectionToLower>("SelectionToLower"),
        Plain<&M::KeyboardPrev>("KeyboardPrev"),
        Plain<&M::KeyboardNext>("KeyboardNext"),
        Plain<&M::InsertTab>("InsertTab"),
        Plain<&M::MatchBracket>("MatchBracket"),
        Plain<&M::ToggleOverwrite>("ToggleOverwrite"),
        Plain<&M::PasteClipboard>("PasteClipboard"),
        Plain<&M::CopyClipboard>("CopyClipboard"),
        Plain<&M::ToggleWrap>("ToggleWrap"),
        Plain<&M::ToggleMaximize>("ToggleMaximize"),
        Plain<&M::EnterUnicode>("EnterUnicode"),
        Plain<&M::WordSearch>("WordSearch"),
        Plain<&M::WordSearchBack>("WordSearchBack"),
        {"SetBookmark", TArg::Bookmark,
         [](TuniMemo& m, const std::string& a) { m.SetBookmark(Bookmark(a)); }},
        {"GotoBookmark", TArg::Bookmark,
         [](TuniMemo& m, const std::string& a) { m.GotoBookmark(Bookmark(a)); }},
        Plain<&M::BeginUndoGroup>("BeginUndoGroup"),
        Plain<&M::EndUndoGroup>("EndUndoGroup"),
        {"RunCompiler", TArg::Text, [](TuniMemo& m, const std::string& a) { m.RunCompiler(a); }},
        {"RunFilter", TArg::Text, [](TuniMemo& m, const std::string& a) { m.RunFilter(a); }},
        Plain<&M::SelectWord>("SelectWord"),
        Plain<&M::SelectLine>("SelectLine"),
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
        if (!SameName(name, e.name)) {
            continue;
        }
        switch (e.arg) {
        case TArg::None:
            if (hasArg) {
                return {std::nullopt, std::string(e.name) + " takes no argument"};
            }
            break;
        case TArg::Bookmark:
            if (arg.size() != 1 || arg[0] < '0' || arg[0] > '9') {
                return {std::nullopt,
                        std::string(e.name) + " needs a bookmark number 0-9 (" + e.name + ":N)"};
            }
            break;
        case TArg::Text:
            if (!hasArg) {
                return {std::nullopt,
                        std::string(e.name) + " needs an argument (" + e.name + ":TEXT)"};
            }
            break;
        }
        auto run = e.run;
        return {TBatchCommand([run, arg](TuniMemo& m) { run(m, arg); }), {}};
    }
    return {std::nullopt, "unknown editor command \"" + std::string(name) + "\""};
}

const std::vector<std::string>& EditorCommandNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const TEntry& e : Table()) {
            out.emplace_back(e.name);
        }
        return out;
    }();
    return names;
}
