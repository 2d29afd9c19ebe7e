// The program's settings storage.
#include "storage/PelmarStorage.h"

#include "base/uniFileIO.h"
#include "shell/ProgramFolder.h"

TPelmarStorage::TPelmarStorage(const std::string& storageFolder) {
    SetFolder(storageFolder);
}

TPelmarStorage::~TPelmarStorage() {
    SetTarget(nullptr);
}

void TPelmarStorage::SetFolder(const std::string& storageFolder) {
    storages_.push_back(std::make_unique<TUniFolderStorage>(storageFolder));
    SetTarget(storages_.back().get());
}

namespace {

// Never destroyed: code that saves a history while the program shuts down (from a static
// destructor, say) must still find its storage.
TPelmarStorage*& Instance() {
    static TPelmarStorage* instance = nullptr;
    return instance;
}

} // namespace

TPelmarStorage& PelmarStorage() {
    TPelmarStorage*& instance = Instance();
    if (instance == nullptr) {
        instance = new TPelmarStorage(ConfigPath(FindProgramFolder(), "Storage"));
    }
    return *instance;
}

void SetPelmarStorageFolder(const std::string& storageFolder) {
    TPelmarStorage*& instance = Instance();
    if (instance == nullptr) {
        instance = new TPelmarStorage(storageFolder);
    } else {
        instance->SetFolder(storageFolder);
    }
}
