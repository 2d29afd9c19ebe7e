// The controller above an editor: its own action map and keymap, rebuilt from its
// file-type profile, its input handling, and running actions on it the way keys do.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "actions/uniActions.h"
#include "actions/uniKeymap.h"
#include "actions/uniMemoInput.h"
#include "editor/uniMemo.h"
#include "profile/uniProfile.h"

// What stands between the input and one editor: the document's map (parent: the global
// map), its keymap, the compile and filter entries of its type, what loading them reported,
// and the input handler that looks keys up here. Owns the maps and the input handler;
// borrows the editor, the global map and the global keymap, which must outlive it.
class TMemoController final : private TMemoListener {
public:
    // `globalKeymap` may be null (no global bindings).
    TMemoController(TuniMemo& memo, const TUniActionKeymap* globalKeymap,
                    TInputPlatform platform = {});
    // Stops listening to the editor.
    ~TMemoController();
    // The editor and the input handler refer to this object by address.
    TMemoController(const TMemoController&) = delete;
    TMemoController& operator=(const TMemoController&) = delete;

    TuniMemo& Memo() { return memo_; }
    TMemoInput& Input() { return *input_; }
    void SetGlobalKeymap(const TUniActionKeymap* keymap) { globalKeymap_ = keymap; }

    // Builds the document's maps on top of `global` whenever the editor's profile is
    // applied (from the next ApplyProfile on); the controller listens to the editor for it.
    void AttachActionMaps(const TUniActionMap& global, TConfigFolder folder);
    // Rebuilds the document's map on top of `global`: the compile and filter actions of the
    // type, then the actions.ini sections of the profile's Keys list in list order; then a
    // new keymap from the keys.ini sections of the same names, against the new map.
    void InstallActionMaps(const TUniActionMap& global, const TConfigFolder& folder,
                           const TDocumentConfig& config);

    // The document's map and keymap, null before the first profile was applied.
    const TUniActionMap* Map() const { return map_.get(); }
    const TUniActionKeymap* Keymap() const { return keymap_.get(); }
    const TToolEntries& Tools() const { return tools_; }
    const TLoadReport& Report() const { return report_; }

    // The action a key runs in this editor: the document keymap's binding, else the global
    // keymap's; null when neither binds the key.
    TUniAction* FindKeyAction(TShortCut key) const;
    // Runs an action for a key or a menu as ExecuteAction does; the maps it may belong to
    // stay alive until it is over, also when it applies the profile again.
    void Execute(TUniAction& action);

private:
    class TRunning;

    // TMemoListener
    void ProfileApplied(TuniMemo& view, const TDocumentConfig& config) override;

    TuniMemo& memo_;
    // Set by AttachActionMaps: the parent of the document's map and the folder it reads.
    const TUniActionMap* global_ = nullptr;
    std::optional<TConfigFolder> folder_;
    const TUniActionKeymap* globalKeymap_;
    std::unique_ptr<TUniActionMap> map_;
    std::unique_ptr<TUniActionKeymap> keymap_;
    TToolEntries tools_;
    TLoadReport report_;
    // While an action runs the maps it may belong to stay alive: a rebuild meanwhile (an
    // action that re-applies the profile) retires them until the outermost run ends.
    int running_ = 0;
    std::vector<std::unique_ptr<TUniActionMap>> retiredMaps_;
    std::vector<std::unique_ptr<TUniActionKeymap>> retiredKeymaps_;
    // Last: it refers to the maps above.
    std::unique_ptr<TMemoInput> input_;
};

// Runs an action for a key or a menu: marks the key handled, then runs an editor action on
// this editor and any other action plainly. A command may clear the mark to let the key
// go on to the platform.
void ExecuteAction(TuniMemo& editor, TUniAction& action);

// Start-up and every language switch: actions.ini section "*" into the global map (made
// when null), then keys.ini section "*" into the global keymap (made when null).
TLoadReport LoadGlobalActions(const TConfigFolder& folder, std::unique_ptr<TUniActionMap>& global,
                              std::unique_ptr<TUniActionKeymap>& globalKeymap,
                              const TCurrentEditor& activeEditor);
