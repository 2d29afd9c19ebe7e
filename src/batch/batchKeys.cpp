// pelmar-batch's --key.
#include "batch/batchKeys.h"

#include "actions/uniStdActions.h"
#include "editor/uniMemo.h"
#include "profile/uniProfile.h"

TBatchKeys::TBatchKeys(TuniMemo& editor, const TConfigFolder& folder, std::ostream& err)
    : err_(err), global_(std::make_unique<TUniActionMap>()) {
    const TCurrentEditor toEditor = [&editor](TUniAction&) -> TuniAbstractMemo* { return &editor; };
    RegisterStandardActions(*global_);
    // There is no main window: its commands are known, so that their keys do not type
    // their names, but they only say that they did nothing.
    for (const std::string_view name : MainWindowActionNames()) {
        if (name == "InsertDateTime") {
            RegisterInsertDateTime(*global_, toEditor);
            continue;
        }
        const std::string command(name);
        global_->Add(command, std::make_unique<TUniNotifyEventAction>([this, command](TUniAction&) {
                         err_ << "pelmar-batch: --key: " << command
                              << " is a main-window command; nothing done\n";
                     }));
    }
    LoadGlobalActions(folder, global_, globalKeys_, toEditor);
    controller_ = std::make_unique<TMemoController>(editor, globalKeys_.get());
    controller_->AttachActionMaps(*global_, folder);
    editor.ApplyProfile(editor.ProfileType());
}

bool TBatchKeys::Press(const std::string& keyText) {
    const TShortCut key = TextToShortCut(keyText);
    if (key == 0) {
        return false;
    }
    const int virtualKey = key & 0xFF;
    const TShiftState shift = key & (scShift | scCtrl | scAlt);
    if (controller_->FindKeyAction(key) == nullptr) {
        err_ << "pelmar-batch: --key: " << keyText << " is not bound\n";
        return true;
    }
    if (!controller_->Input().KeyDown(virtualKey, shift) && virtualKey == vkBack && shift == 0) {
        // Backspace runs its binding from the character that follows the key.
        controller_->Input().Char(8, 0);
    }
    return true;
}
