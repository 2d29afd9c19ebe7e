// An editor's action map and keymap, and running actions on an editor.
#include "actions/uniMemoActions.h"

#include "base/uniIni.h"
#include "editor/uniMemo.h"

// Counts a run on the editor's holder, and frees the maps retired meanwhile once the
// outermost run is over.
class TRunningAction {
public:
    explicit TRunningAction(TuniMemoActions* holder) : holder_(holder) {
        if (holder_ != nullptr) {
            ++holder_->running_;
        }
    }
    ~TRunningAction() {
        if (holder_ != nullptr && --holder_->running_ == 0) {
            holder_->retiredKeymaps_.clear();
            holder_->retiredMaps_.clear();
        }
    }
    TRunningAction(const TRunningAction&) = delete;
    TRunningAction& operator=(const TRunningAction&) = delete;

private:
    TuniMemoActions* holder_;
};

const TUniActionMap* DocumentActionMap(const TuniMemo& editor) {
    return editor.memoActions ? editor.memoActions->Map() : nullptr;
}

const TUniActionKeymap* DocumentKeymap(const TuniMemo& editor) {
    return editor.memoActions ? editor.memoActions->Keymap() : nullptr;
}

void InstallActionMaps(TuniMemo& editor, const TUniActionMap& global, const TConfigFolder& folder,
                       const TDocumentConfig& config) {
    if (!editor.memoActions) {
        editor.memoActions = std::make_unique<TuniMemoActions>();
    }
    TuniMemoActions& holder = *editor.memoActions;
    if (holder.running_ > 0) {
        holder.retiredMaps_.push_back(std::move(holder.map_));
        holder.retiredKeymaps_.push_back(std::move(holder.keymap_));
    }
    holder.map_.reset();
    holder.keymap_.reset();
    holder.report_ = {};

    // The editor owns the map, so the actions it holds never outlive the editor.
    const TCurrentEditor self = [&editor](TUniAction&) -> TuniAbstractMemo* { return &editor; };
    holder.map_ = std::make_unique<TUniActionMap>(&global);
    holder.tools_ = ReadToolEntries(folder, config.type.Name());
    RegisterToolActions(*holder.map_, holder.tools_, self);

    const std::vector<std::string>& groups = config.profile.keys;
    const TIniFile actions(folder.ActionsIni());
    for (const std::string& group : groups) {
        holder.report_.Append(LoadActions(actions, group, holder.map_, &global, self));
    }
    holder.keymap_ = std::make_unique<TUniActionKeymap>();
    const TIniFile keys(folder.KeysIni());
    for (const std::string& group : groups) {
        holder.report_.Append(LoadKeys(keys, group, holder.keymap_, *holder.map_, self));
    }
}

void AttachActionMaps(TuniMemo& editor, const TUniActionMap& global, TConfigFolder folder) {
    editor.buildActionMaps = [&global, folder = std::move(folder)](TuniMemo& memo,
                                                                   const TDocumentConfig& config) {
        InstallActionMaps(memo, global, folder, config);
    };
}

TUniAction* FindKeyAction(const TuniMemo& editor, const TUniActionKeymap* global, TShortCut key) {
    if (const TUniActionKeymap* own = DocumentKeymap(editor)) {
        if (TUniAction* action = own->FindBinding(key)) {
            return action;
        }
    }
    return global != nullptr ? global->FindBinding(key) : nullptr;
}

void ExecuteAction(TuniMemo& editor, TUniAction& action) {
    editor.SetKeyHandled(true);
    const TRunningAction running(editor.memoActions.get());
    RunAction(editor, action);
}

TLoadReport LoadGlobalActions(const TConfigFolder& folder, std::unique_ptr<TUniActionMap>& global,
                              std::unique_ptr<TUniActionKeymap>& globalKeymap,
                              const TCurrentEditor& activeEditor) {
    TLoadReport report =
        LoadActions(TIniFile(folder.ActionsIni()), "*", global, nullptr, activeEditor);
    report.Append(LoadKeys(TIniFile(folder.KeysIni()), "*", globalKeymap, *global, activeEditor));
    return report;
}
