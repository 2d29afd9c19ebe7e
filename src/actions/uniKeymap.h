// Keymaps: key combinations bound to actions, the keys.ini reader, and the keys the
// main window's menus show.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "actions/uniActions.h"
#include "actions/uniKeyNames.h"

// One binding. An owned action (a new insert or macro action made for this binding) is
// freed with the pair; a borrowed one belongs to an action map.
class TUniActionKeyPair {
public:
    TUniActionKeyPair(TShortCut key, TUniAction& borrowed) : key_(key), action_(&borrowed) {}
    TUniActionKeyPair(TShortCut key, std::unique_ptr<TUniAction> owned)
        : key_(key), action_(owned.get()), owned_(std::move(owned)) {}

    TShortCut Key() const { return key_; }
    TUniAction* Action() const { return action_; }
    bool Owned() const { return owned_ != nullptr; }

private:
    TShortCut key_;
    TUniAction* action_;
    std::unique_ptr<TUniAction> owned_;
};

// Bindings in the order they were added; a later binding of a key hides the earlier ones.
class TUniActionKeymap {
public:
    TUniActionKeymap() = default;
    TUniActionKeymap(const TUniActionKeymap&) = delete;
    TUniActionKeymap& operator=(const TUniActionKeymap&) = delete;

    // A null action adds nothing.
    void AddBinding(TShortCut key, TUniAction* borrowed);
    void AddBinding(TShortCut key, std::unique_ptr<TUniAction> owned);
    // The action of the last pair with that key, or null.
    TUniAction* FindBinding(TShortCut key) const;
    // The key of the last pair whose action is that very object, or 0.
    TShortCut KeyOf(const TUniAction* action) const;
    const std::vector<TUniActionKeyPair>& Pairs() const { return pairs_; }

private:
    std::vector<TUniActionKeyPair> pairs_;
};

// Adds the bindings of one keys.ini section to `keymap`, creating it when null. Each key
// is a key-combination text (references decoded), its value (references decoded) a macro
// text parsed against `map` and its parents: one existing name binds that action itself,
// anything else a new action the binding owns. A word that names no action is typed as
// text, as in any macro, and listed in the report; so a section must be loaded after
// every action it names is registered. A key text that names no key is not bound (it
// could never fire) and is listed in the report.
TLoadReport LoadKeys(const TIniFile& ini, const TIniName& section,
                     std::unique_ptr<TUniActionKeymap>& keymap, const TUniActionMap& map,
                     const TCurrentEditor& currentEditor);

// The action names whose global keys the main window's menu commands show, in menu order.
const std::vector<std::string_view>& MenuActionNames();

struct TMenuShortcut {
    std::string_view name; // the action name
    TShortCut key = 0;     // 0: unbound (no shortcut shown)
    std::string text;      // the key's text, empty when unbound
};
// For each of MenuActionNames: KeyOf(map.Find(name)) in the global keymap.
std::vector<TMenuShortcut> ShowKeysInMenus(const TUniActionKeymap& keymap,
                                           const TUniActionMap& map);
