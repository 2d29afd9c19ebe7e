// The controller above an editor: its action map and keymap, and running actions on it.
#include "actions/uniMemoActions.h"

#include "base/uniIni.h"
#include "editor/uniMemo.h"

TMemoController::TMemoController(TuniMemo& memo, const TUniActionKeymap* globalKeymap,
                                 TInputPlatform platform)
    : memo_(memo), globalKeymap_(globalKeymap),
      input_(std::make_unique<TMemoInput>(memo, *this, std::move(platform))) {}

TMemoController::~TMemoController() {
    memo_.RemoveListener(*this);
}

void TMemoController::AttachActionMaps(const TUniActionMap& global, TConfigFolder folder) {
    global_ = &global;
    folder_ = std::move(folder);
    memo_.AddListener(*this); // a second call only replaces the map and folder
}

void TMemoController::ProfileApplied(TuniMemo& /*view*/, const TDocumentConfig& config) {
    InstallActionMaps(*global_, *folder_, config);
}

void TMemoController::InstallActionMaps(const TUniActionMap& global, const TConfigFolder& folder,
                                        const TDocumentConfig& config) {
    if (running_ > 0) {
        retiredMaps_.push_back(std::move(map_));
        retiredKeymaps_.push_back(std::move(keymap_));
    }
    map_.reset();
    keymap_.reset();
    report_ = {};

    // The controller owns the map and goes before the editor, so the actions it holds
    // never outlive the editor they answer.
    TuniMemo& editor = memo_;
    const TCurrentEditor self = [&editor](TUniAction&) -> TuniAbstractMemo* { return &editor; };
    map_ = std::make_unique<TUniActionMap>(&global);
    tools_ = ReadToolEntries(folder, config.type.Name());
    RegisterToolActions(*map_, tools_, self);

    const std::vector<std::string>& groups = config.profile.keys;
    const TIniFile actions(folder.ActionsIni());
    for (const std::string& group : groups) {
        report_.Append(LoadActions(actions, group, map_, &global, self));
    }
    keymap_ = std::make_unique<TUniActionKeymap>();
    const TIniFile keys(folder.KeysIni());
    for (const std::string& group : groups) {
        report_.Append(LoadKeys(keys, group, keymap_, *map_, self));
    }
}

TUniAction* TMemoController::FindKeyAction(TShortCut key) const {
    if (keymap_ != nullptr) {
        if (TUniAction* action = keymap_->FindBinding(key)) {
            return action;
        }
    }
    return globalKeymap_ != nullptr ? globalKeymap_->FindBinding(key) : nullptr;
}

// Counts a run, and frees the maps retired meanwhile once the outermost run is over.
class TMemoController::TRunning {
public:
    explicit TRunning(TMemoController& controller) : controller_(controller) {
        ++controller_.running_;
    }
    ~TRunning() {
        if (--controller_.running_ == 0) {
            controller_.retiredKeymaps_.clear();
            controller_.retiredMaps_.clear();
        }
    }
    TRunning(const TRunning&) = delete;
    TRunning& operator=(const TRunning&) = delete;

private:
    TMemoController& controller_;
};

void TMemoController::Execute(TUniAction& action) {
    const TRunning running(*this);
    ExecuteAction(memo_, action);
}

void ExecuteAction(TuniMemo& editor, TUniAction& action) {
    editor.SetKeyHandled(true);
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
