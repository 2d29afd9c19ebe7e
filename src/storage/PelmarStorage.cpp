// The program's settings storage.
#include "storage/PelmarStorage.h"

#include "shell/ProgramFolder.h"
#include "storage/uniFileIO.h"

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

std::unique_ptr<TPelmarStorage>& Instance() {
    static std::unique_ptr<TPelmarStorage> instance;
    return instance;
}

} // namespace

TPelmarStorage& PelmarStorage() {
    std::unique_ptr<TPelmarStorage>& instance = Instance();
    if (!instance) {
        instance = std::make_unique<TPelmarStorage>(ConfigPath(FindProgramFolder(), "Storage"));
    }
    return *instance;
}

void SetPelmarStorageFolder(const std::string& storageFolder) {
    std::unique_ptr<TPelmarStorage>& instance = Instance();
    if (!instance) {
        instance = std::make_unique<TPelmarStorage>(storageFolder);
    } else {
        instance->SetFolder(storageFolder);
    }
}
