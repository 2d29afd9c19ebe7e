// The program's settings storage: items in the folder "Storage" of the program folder.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "storage/uniStorage.h"

class TPelmarStorage : public TUniProxyStorage {
public:
    // A storage over its own folder storage in `storageFolder`.
    explicit TPelmarStorage(const std::string& storageFolder);
    ~TPelmarStorage() override;

    TUniStorageItem& SearchHistory() { return GetItem("SearchHistory"); }
    TUniStorageItem& ReplaceHistory() { return GetItem("ReplaceHistory"); }

    // Makes a new folder storage the target; the old one is kept alive (not freed) so
    // that items already handed out stay usable.
    void SetFolder(const std::string& storageFolder);

private:
    std::vector<std::unique_ptr<TUniFolderStorage>> storages_; // the last one is the target
};

// The singleton, made on first use over <program folder>/Storage. It lives until the
// process ends (it is never destroyed, so saving at shut-down is always safe).
TPelmarStorage& PelmarStorage();
// Points the singleton at another folder (start-up with a given program folder, tests).
// Items handed out before stay valid and keep their old files. Call it before other
// threads use the storage.
void SetPelmarStorageFolder(const std::string& storageFolder);
