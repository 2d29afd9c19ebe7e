// pelmar-batch's --key: a key combination delivered through the editor's key handling, so
// the program folder's keys.ini decides what it does.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "actions/uniMemoActions.h"

class TConfigFolder;
class TuniMemo;

class TBatchKeys {
public:
    // Loads the global actions and keys, then puts a controller above the editor that
    // holds the document maps of its profile. The editor must outlive this object.
    TBatchKeys(TuniMemo& editor, const TConfigFolder& folder, std::ostream& err);
    TBatchKeys(const TBatchKeys&) = delete;
    TBatchKeys& operator=(const TBatchKeys&) = delete;

    // Presses the key that `keyText` names ("Ctrl+Shift+Right", "^Z", "F3"); false when the
    // text names no key.
    bool Press(const std::string& keyText);

private:
    std::ostream& err_;
    std::unique_ptr<TUniActionMap> global_;
    std::unique_ptr<TUniActionKeymap> globalKeys_;
    // After the global maps: its document map has the global map as its parent.
    std::unique_ptr<TMemoController> controller_;
};
