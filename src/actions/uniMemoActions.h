// An editor's own action map and keymap, rebuilt from its file-type profile, and running
// actions on an editor the way keys do.
#pragma once

#include <memory>
#include <vector>

#include "actions/uniActions.h"
#include "actions/uniKeymap.h"
#include "profile/uniProfile.h"

class TuniMemo;

// What an editor owns of actions: its map (parent: the global map), its keymap, the
// compile and filter entries of its type, and what loading them reported.
class TuniMemoActions {
public:
    TuniMemoActions() = default;
    TuniMemoActions(const TuniMemoActions&) = delete;
    TuniMemoActions& operator=(const TuniMemoActions&) = delete;

    const TUniActionMap* Map() const { return map_.get(); }
    const TUniActionKeymap* Keymap() const { return keymap_.get(); }
    const TToolEntries& Tools() const { return tools_; }
    const TLoadReport& Report() const { return report_; }

private:
    friend void InstallActionMaps(TuniMemo&, const TUniActionMap&, const TConfigFolder&,
                                  const TDocumentConfig&);
    friend class TRunningAction;

    std::unique_ptr<TUniActionMap> map_;
    std::unique_ptr<TUniActionKeymap> keymap_;
    TToolEntries tools_;
    TLoadReport report_;
    // While an action runs the maps it may belong to stay alive: a rebuild meanwhile (an
    // action that re-applies the profile) retires them until the outermost run ends.
    int running_ = 0;
    std::vector<std::unique_ptr<TUniActionMap>> retiredMaps_;
    std::vector<std::unique_ptr<TUniActionKeymap>> retiredKeymaps_;
};

// The document's map and keymap, null before the first profile was applied.
const TUniActionMap* DocumentActionMap(const TuniMemo& editor);
const TUniActionKeymap* DocumentKeymap(const TuniMemo& editor);

// Rebuilds the editor's map on top of `global`: the compile and filter actions of the
// type, then the actions.ini sections of the profile's Keys list in list order; then a new
// keymap from the keys.ini sections of the same names, against the new map.
void InstallActionMaps(TuniMemo& editor, const TUniActionMap& global, const TConfigFolder& folder,
                       const TDocumentConfig& config);

// Makes the editor build its maps that way whenever its profile is applied. The global
// map must outlive the editor.
void AttachActionMaps(TuniMemo& editor, const TUniActionMap& global, TConfigFolder folder);

// The action a key runs in this editor: the document keymap's binding, else the global
// keymap's (either may be null); null when neither binds the key.
TUniAction* FindKeyAction(const TuniMemo& editor, const TUniActionKeymap* global, TShortCut key);

// Runs an action for a key or a menu: marks the key handled, then runs an editor action on
// this editor and any other action plainly. A command may clear the mark to let the key
// go on to the platform.
void ExecuteAction(TuniMemo& editor, TUniAction& action);

// Start-up and every language switch: actions.ini section "*" into the global map (made
// when null), then keys.ini section "*" into the global keymap (made when null).
TLoadReport LoadGlobalActions(const TConfigFolder& folder, std::unique_ptr<TUniActionMap>& global,
                              std::unique_ptr<TUniActionKeymap>& globalKeymap,
                              const TCurrentEditor& activeEditor);
