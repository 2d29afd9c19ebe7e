// Actions: commands run by name. The action class tree, action maps with parent chaining,
// macro text, the actions.ini reader and the per-type compile and filter actions.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "editor/uniAbstractMemo.h"

class TIniFile;
class TIniName;
class TConfigFolder;
class TUniAction;

// Asked by an editor action run without an editor: the editor to act on, or null (then the
// action does nothing). Main-window actions answer the active document's editor; the
// actions an editor makes for itself answer that editor.
using TCurrentEditor = std::function<TuniAbstractMemo*(TUniAction& action)>;

class TUniAction {
public:
    TUniAction() = default;
    // Maps, keymaps and proxies refer to actions by address.
    TUniAction(const TUniAction&) = delete;
    TUniAction& operator=(const TUniAction&) = delete;
    virtual ~TUniAction() = default;

    // Runs the action without an explicit editor.
    virtual void Perform() = 0;
};

// Runs another action's Perform. Never owns its target.
class TUniProxyAction : public TUniAction {
public:
    explicit TUniProxyAction(TUniAction& target) : target_(target) {}
    void Perform() override { target_.Perform(); }
    TUniAction& Target() const { return target_; }

private:
    TUniAction& target_;
};

// A main-window command: Perform calls the handler with the action as sender.
class TUniNotifyEventAction : public TUniAction {
public:
    using THandler = std::function<void(TUniAction& sender)>;
    explicit TUniNotifyEventAction(THandler handler) : handler_(std::move(handler)) {}
    void Perform() override;

private:
    THandler handler_;
};

// An action that works on an editor. Perform asks the current-editor function for the
// editor and runs the editor step on it; every editor action overrides only `execute`.
class TuniMemoAction : public TUniAction {
public:
    explicit TuniMemoAction(TCurrentEditor currentEditor = {})
        : currentEditor_(std::move(currentEditor)) {}
    void Perform() override;
    // The editor step; the base does nothing.
    virtual void execute(TuniAbstractMemo& editor);
    const TCurrentEditor& CurrentEditor() const { return currentEditor_; }

private:
    TCurrentEditor currentEditor_;
};

// Inserts its text at the caret.
class TuniInsertAction : public TuniMemoAction {
public:
    TuniInsertAction(std::u16string text, TCurrentEditor currentEditor)
        : TuniMemoAction(std::move(currentEditor)), text_(std::move(text)) {}
    void execute(TuniAbstractMemo& editor) override { editor.InsertText(text_); }
    const std::u16string& Text() const { return text_; }

private:
    std::u16string text_;
};

// Raised by a macro that cannot run, such as one nested too deep.
class EMacroError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How many macro runs may be nested inside one another; one more raises EMacroError.
inline constexpr int kMaxMacroDepth = 64;

// A list of actions run in order inside one undo group of the editor. Owns the list.
class TuniMemoMacroAction : public TuniMemoAction {
public:
    using TuniMemoAction::TuniMemoAction;
    void Add(std::unique_ptr<TUniAction> action);
    // Raises EMacroError, before doing anything, when kMaxMacroDepth macro runs are
    // already under way (a macro that names itself, directly or through others).
    void execute(TuniAbstractMemo& editor) override;
    const std::vector<std::unique_ptr<TUniAction>>& Items() const { return items_; }
    // The name the macro was defined under, for messages; empty for macro text run as is.
    void SetName(std::string name) { name_ = std::move(name); }
    const std::string& Name() const { return name_; }

private:
    std::vector<std::unique_ptr<TUniAction>> items_;
    std::string name_;
};

// Runs another editor action's step on the same editor. Never owns its target.
class TuniMemoProxyAction : public TuniMemoAction {
public:
    TuniMemoProxyAction(TuniMemoAction& target, TCurrentEditor currentEditor)
        : TuniMemoAction(std::move(currentEditor)), target_(target) {}
    void execute(TuniAbstractMemo& editor) override { target_.execute(editor); }
    TuniMemoAction& Target() const { return target_; }

private:
    TuniMemoAction& target_;
};

// Asks the editor's owner to run the compile entry `name` (blanks written as "_").
class TuniMemoCompileAction : public TuniMemoAction {
public:
    TuniMemoCompileAction(std::string name, TCurrentEditor currentEditor)
        : TuniMemoAction(std::move(currentEditor)), name_(std::move(name)) {}
    void execute(TuniAbstractMemo& editor) override { editor.RunCompiler(name_); }
    const std::string& Name() const { return name_; }

private:
    std::string name_;
};

// Asks the editor's owner to run the filter entry `name`.
class TuniMemoFilterAction : public TuniMemoCompileAction {
public:
    using TuniMemoCompileAction::TuniMemoCompileAction;
    void execute(TuniAbstractMemo& editor) override { editor.RunFilter(Name()); }
};

// The editor action behind `action`, or null when it is not one.
inline TuniMemoAction* AsMemoAction(TUniAction& action) {
    return dynamic_cast<TuniMemoAction*>(&action);
}

// Runs an action as keys and macros do: an editor action's step on `editor`, any other
// action's Perform.
void RunAction(TuniAbstractMemo& editor, TUniAction& action);

// Named actions in registration order. The map owns its actions; the parent (borrowed) is
// searched when the map itself has no action of a name.
class TUniActionMap {
public:
    explicit TUniActionMap(const TUniActionMap* parent = nullptr) : parent_(parent) {}
    TUniActionMap(const TUniActionMap&) = delete;
    TUniActionMap& operator=(const TUniActionMap&) = delete;

    // Appends the pair, whatever names exist already; returns the action.
    TUniAction* Add(std::string name, std::unique_ptr<TUniAction> action);
    // The action of the first pair whose name equals `name` ignoring ASCII letter case,
    // else the parent's; null when none has it.
    TUniAction* Find(std::string_view name) const;
    const TUniActionMap* Parent() const { return parent_; }

    struct TEntry {
        std::string name;
        std::unique_ptr<TUniAction> action;
    };
    const std::vector<TEntry>& Entries() const { return entries_; }

private:
    std::vector<TEntry> entries_;
    // The entry of each name's first pair, by its lower-case form.
    std::unordered_map<std::string, size_t> firstOfName_;
    const TUniActionMap* parent_;
};

// A macro text turned into an action.
struct TParsedMacro {
    std::unique_ptr<TUniAction> created; // a new insert or macro action, owned by the caller
    TUniAction* existing = nullptr;      // the map's own action when the text is one name
    // Tokens that would be action names but name none: they insert themselves as text.
    std::vector<std::string> unresolved;

    // The action the text stands for, null for empty text.
    TUniAction* Action() const { return existing != nullptr ? existing : created.get(); }
    bool IsExisting() const { return existing != nullptr; }
};

// Parses macro text: tokens separated by blanks; a quoted token ("..." or '...') inserts
// the text between its quotes, a one-character token inserts that character, SPACE
// inserts a blank, a name of the map (or its parents) stands for that action, anything
// else inserts itself. One item is the result itself; more items make a macro owning new
// proxies to the named actions. A text of one existing name gives that very action.
TParsedMacro ParseMacro(std::u16string_view text, const TUniActionMap& map,
                        const TCurrentEditor& currentEditor);

// A proxy to an existing action: an editor proxy for an editor action, else a plain one.
std::unique_ptr<TUniAction> MakeProxy(TUniAction& target, const TCurrentEditor& currentEditor);

// A name in a configuration file that names no action.
struct TUnresolvedName {
    std::string section;
    std::string key;   // the action name or key text being defined
    std::string token; // the word that names nothing (inserted as text)
};

// What loading a section of actions.ini or keys.ini found.
struct TLoadReport {
    int added = 0;
    std::vector<TUnresolvedName> unresolved;
    std::vector<std::string> badKeys; // keys.ini key texts that name no key (not bound)

    void Append(TLoadReport other);
};

// Adds the definitions of one actions.ini section to `map`, creating it with `parent`
// first when it is null. Each key is an action name, its value (references decoded) a
// macro text parsed against the map; a value that is one existing name is stored as a
// proxy to it. Empty values and a missing file or section define nothing.
TLoadReport LoadActions(const TIniFile& ini, const TIniName& section,
                        std::unique_ptr<TUniActionMap>& map, const TUniActionMap* parent,
                        const TCurrentEditor& currentEditor);

// The compile and filter entries of a file type, section names as written (blanks kept).
struct TToolEntries {
    std::vector<std::string> compile; // sections of Compile/<type>.ini
    std::vector<std::string> filter;  // sections of Ini/filters.ini, then Filter/<type>.ini
};
// "<dir>/<type>.ini" of the program folder ("Compile", "Filter"); empty when the type
// cannot name a file there (empty, "." or "..", a separator or a NUL in it).
std::string ToolTypeFile(const TConfigFolder& folder, std::string_view dir, std::string_view type);
TToolEntries ReadToolEntries(const TConfigFolder& folder, std::string_view typeName);

// An entry name as its action names it: blanks become "_".
std::string ToolActionName(std::string_view entry);

// Registers "Compile." + name and "Filter." + name actions for the entries.
void RegisterToolActions(TUniActionMap& map, const TToolEntries& entries,
                         const TCurrentEditor& currentEditor);
