// The action class tree, action maps, macro text and the actions.ini reader.
#include "actions/uniActions.h"

#include "base/uniAscii.h"
#include "base/uniIni.h"
#include "base/uniNumRefs.h"
#include "profile/uniProfile.h"

namespace {

constexpr char16_t kBlank = u' ';

bool IsQuote(char16_t c) {
    return c == u'"' || c == u'\'';
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// One character: a single code unit, or a surrogate pair.
bool IsOneCharacter(std::u16string_view token) {
    return token.size() == 1 ||
           (token.size() == 2 && IsHighSurrogate(token[0]) && IsLowSurrogate(token[1]));
}

bool IsSpaceWord(std::u16string_view token) {
    if (token.size() != 5) {
        return false;
    }
    std::string ascii;
    for (char16_t c : token) {
        if (c >= 0x80) {
            return false;
        }
        ascii.push_back(static_cast<char>(c));
    }
    return SameText(ascii, "SPACE");
}

// The tokens of macro text: a quoted token runs to the next same quote (included) or the
// end; any other token to the next blank. Blanks between tokens are skipped.
std::vector<std::u16string_view> Tokens(std::u16string_view text) {
    std::vector<std::u16string_view> tokens;
    size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] == kBlank) {
            ++pos;
            continue;
        }
        size_t end;
        if (IsQuote(text[pos])) {
            const size_t close = text.find(text[pos], pos + 1);
            end = close == std::u16string_view::npos ? text.size() : close + 1;
        } else {
            end = text.find(kBlank, pos);
            if (end == std::u16string_view::npos) {
                end = text.size();
            }
        }
        tokens.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return tokens;
}

// The text a quoted token stands for: from its second character up to, not including,
// its last one, stopping early at the quote character. A token cut off by the end of the
// text therefore loses its last character.
std::u16string QuotedText(std::u16string_view token) {
    std::u16string text;
    for (size_t i = 1; i + 1 < token.size(); ++i) {
        if (token[i] == token[0]) {
            break;
        }
        text.push_back(token[i]);
    }
    return text;
}

} // namespace

void TUniNotifyEventAction::Perform() {
    if (handler_) {
        handler_(*this);
    }
}

void TuniMemoAction::Perform() {
    if (!currentEditor_) {
        return;
    }
    if (TuniAbstractMemo* editor = currentEditor_(*this)) {
        execute(*editor);
    }
}

void TuniMemoAction::execute(TuniAbstractMemo&) {}

void TuniMemoMacroAction::Add(std::unique_ptr<TUniAction> action) {
    if (action) {
        items_.push_back(std::move(action));
    }
}

namespace {

// Macro runs under way on this thread, outermost first.
thread_local int macroDepth = 0;

class TMacroDepth {
public:
    explicit TMacroDepth(const std::string& name) {
        if (macroDepth >= kMaxMacroDepth) {
            std::string message =
                "Macro nesting too deep (more than " + std::to_string(kMaxMacroDepth) + " levels)";
            if (!name.empty()) {
                message += ": " + name;
            }
            throw EMacroError(message);
        }
        ++macroDepth;
    }
    ~TMacroDepth() { --macroDepth; }
    TMacroDepth(const TMacroDepth&) = delete;
    TMacroDepth& operator=(const TMacroDepth&) = delete;
};

// The macro's undo group. A macro that completes closes it with Close, which may raise;
// one left by an exception closes it here, and a failure to close is dropped so that the
// item's exception, not a second one, reaches the caller.
class TGroup {
public:
    explicit TGroup(TuniAbstractMemo& editor) : editor_(editor) { editor_.BeginUndoGroup(); }
    ~TGroup() {
        if (!closed_) {
            try {
                editor_.EndUndoGroup();
            } catch (...) {
                // Dropped: the exception already on its way is the one to report.
            }
        }
    }
    void Close() {
        closed_ = true;
        editor_.EndUndoGroup();
    }
    TGroup(const TGroup&) = delete;
    TGroup& operator=(const TGroup&) = delete;

private:
    TuniAbstractMemo& editor_;
    bool closed_ = false;
};

// Marks the editor as playing a macro for as long as the run lasts, also when an item throws.
class TMacroTyping {
public:
    explicit TMacroTyping(TuniAbstractMemo& editor) : editor_(editor) {
        editor_.BeginMacroTyping();
    }
    ~TMacroTyping() { editor_.EndMacroTyping(); }
    TMacroTyping(const TMacroTyping&) = delete;
    TMacroTyping& operator=(const TMacroTyping&) = delete;

private:
    TuniAbstractMemo& editor_;
};

} // namespace

void TuniMemoMacroAction::execute(TuniAbstractMemo& editor) {
    const TMacroDepth depth(name_);
    // The group is closed even when an item throws, so the editor's journal never stays
    // inside an open group.
    TGroup group(editor);
    // Inside a macro a move leaves no selection behind, as a move without Shift would:
    // text that a later item types must not replace what was selected before the move.
    // Whether the macro moved the caret at all is what the key handler sees afterwards.
    // Text the items insert merges in the journal as typed text does.
    const TMacroTyping typing(editor);
    bool moved = false;
    for (const std::unique_ptr<TUniAction>& item : items_) {
        editor.SetCaretMoved(false);
        RunAction(editor, *item);
        if (editor.CaretMoved()) {
            moved = true;
            editor.CollapseSelection();
        }
    }
    editor.SetCaretMoved(moved);
    group.Close();
}

void RunAction(TuniAbstractMemo& editor, TUniAction& action) {
    if (TuniMemoAction* memoAction = AsMemoAction(action)) {
        memoAction->execute(editor);
    } else {
        action.Perform();
    }
}

TUniAction* TUniActionMap::Add(std::string name, std::unique_ptr<TUniAction> action) {
    if (!action) {
        return nullptr;
    }
    TUniAction* added = action.get();
    firstOfName_.emplace(LowerAscii(name), entries_.size());
    entries_.push_back({std::move(name), std::move(action)});
    return added;
}

TUniAction* TUniActionMap::Find(std::string_view name) const {
    const std::string folded = LowerAscii(name);
    for (const TUniActionMap* map = this; map != nullptr; map = map->parent_) {
        const auto it = map->firstOfName_.find(folded);
        if (it != map->firstOfName_.end()) {
            return map->entries_[it->second].action.get();
        }
    }
    return nullptr;
}

std::unique_ptr<TUniAction> MakeProxy(TUniAction& target, const TCurrentEditor& currentEditor) {
    if (TuniMemoAction* memoTarget = AsMemoAction(target)) {
        return std::make_unique<TuniMemoProxyAction>(*memoTarget, currentEditor);
    }
    return std::make_unique<TUniProxyAction>(target);
}

TParsedMacro ParseMacro(std::u16string_view text, const TUniActionMap& map,
                        const TCurrentEditor& currentEditor) {
    TParsedMacro result;
    TuniMemoMacroAction* macro = nullptr;
    // The first item is held apart until a second one shows the text is a macro.
    std::unique_ptr<TUniAction> firstCreated;
    TUniAction* firstExisting = nullptr;
    int items = 0;

    auto addItem = [&](std::unique_ptr<TUniAction> created, TUniAction* existing) {
        ++items;
        if (items == 1) {
            firstCreated = std::move(created);
            firstExisting = existing;
            return;
        }
        if (macro == nullptr) {
            auto newMacro = std::make_unique<TuniMemoMacroAction>(currentEditor);
            macro = newMacro.get();
            macro->Add(firstExisting != nullptr ? MakeProxy(*firstExisting, currentEditor)
                                                : std::move(firstCreated));
            firstExisting = nullptr;
            result.created = std::move(newMacro);
        }
        macro->Add(existing != nullptr ? MakeProxy(*existing, currentEditor) : std::move(created));
    };
    auto addText = [&](std::u16string insert) {
        addItem(std::make_unique<TuniInsertAction>(std::move(insert), currentEditor), nullptr);
    };

    for (std::u16string_view token : Tokens(text)) {
        if (IsOneCharacter(token)) {
            addText(std::u16string(token));
        } else if (IsQuote(token[0])) {
            if (std::u16string quoted = QuotedText(token); !quoted.empty()) {
                addText(std::move(quoted));
            }
        } else if (IsSpaceWord(token)) {
            addText(u" ");
        } else {
            const std::string name = EncodeNumericRefsA(token);
            if (TUniAction* named = map.Find(name)) {
                addItem(nullptr, named);
            } else {
                result.unresolved.push_back(name);
                addText(std::u16string(token));
            }
        }
    }
    if (macro == nullptr) {
        result.existing = firstExisting;
        result.created = std::move(firstCreated);
    }
    return result;
}

void TLoadReport::Append(TLoadReport other) {
    added += other.added;
    for (TUnresolvedName& u : other.unresolved) {
        unresolved.push_back(std::move(u));
    }
    for (std::string& k : other.badKeys) {
        badKeys.push_back(std::move(k));
    }
}

TLoadReport LoadActions(const TIniFile& ini, const TIniName& section,
                        std::unique_ptr<TUniActionMap>& map, const TUniActionMap* parent,
                        const TCurrentEditor& currentEditor) {
    if (!map) {
        map = std::make_unique<TUniActionMap>(parent);
    }
    TLoadReport report;
    for (const std::string& name : ini.ReadSectionA(section)) {
        const std::u16string value = ini.ReadString(section, name, {}, TIniRefs::DecodeDollar);
        if (value.empty()) {
            continue;
        }
        TParsedMacro parsed = ParseMacro(value, *map, currentEditor);
        for (std::string& token : parsed.unresolved) {
            report.unresolved.push_back({section.Text(), name, std::move(token)});
        }
        // An alias is an object of its own, so the map never holds one action twice.
        std::unique_ptr<TUniAction> action = parsed.IsExisting()
                                                 ? MakeProxy(*parsed.existing, currentEditor)
                                                 : std::move(parsed.created);
        if (auto* macro = dynamic_cast<TuniMemoMacroAction*>(action.get())) {
            macro->SetName(name);
        }
        if (action) {
            map->Add(name, std::move(action));
            ++report.added;
        }
    }
    return report;
}

namespace {

std::vector<std::string> SectionsOf(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    return TIniFile(path).ReadSectionsA();
}

} // namespace

std::string ToolTypeFile(const TConfigFolder& folder, std::string_view dir, std::string_view type) {
    if (type.empty() || type == "." || type == ".." ||
        type.find_first_of("/\\") != std::string_view::npos ||
        type.find('\0') != std::string_view::npos) {
        return {};
    }
    return folder.Path(std::string(dir) + "/" + std::string(type) + ".ini");
}

TToolEntries ReadToolEntries(const TConfigFolder& folder, std::string_view typeName) {
    TToolEntries entries;
    entries.compile = SectionsOf(ToolTypeFile(folder, "Compile", typeName));
    entries.filter = SectionsOf(folder.Path("Ini/filters.ini"));
    // A filter both files define is one entry (its keys are merged when it runs).
    for (std::string& name : SectionsOf(ToolTypeFile(folder, "Filter", typeName))) {
        bool listed = false;
        for (const std::string& known : entries.filter) {
            listed = listed || TIniName(known).Folded() == TIniName(name).Folded();
        }
        if (!listed) {
            entries.filter.push_back(std::move(name));
        }
    }
    return entries;
}

std::string ToolActionName(std::string_view entry) {
    std::string name(entry);
    for (char& c : name) {
        if (c == ' ') {
            c = '_';
        }
    }
    return name;
}

void RegisterToolActions(TUniActionMap& map, const TToolEntries& entries,
                         const TCurrentEditor& currentEditor) {
    const std::string compile(CommandInfo(TCommandId::RunCompiler).actions[0]);
    const std::string filter(CommandInfo(TCommandId::RunFilter).actions[0]);
    for (const std::string& entry : entries.compile) {
        const std::string name = ToolActionName(entry);
        map.Add(compile + name, std::make_unique<TuniMemoCompileAction>(name, currentEditor));
    }
    for (const std::string& entry : entries.filter) {
        const std::string name = ToolActionName(entry);
        map.Add(filter + name, std::make_unique<TuniMemoFilterAction>(name, currentEditor));
    }
}
