// Named persistent line lists (storage items) and the storages that hand them out.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/uniFileIO.h" // EInOutError
#include "text/uniStringList.h"

// One named list of lines kept somewhere. Loading a missing item is not an error;
// input/output failures raise EInOutError.
class TUniStorageItem {
public:
    TUniStorageItem() = default;
    virtual ~TUniStorageItem() = default;
    // Items are handed out by reference and live as long as their storage.
    TUniStorageItem(const TUniStorageItem&) = delete;
    TUniStorageItem& operator=(const TUniStorageItem&) = delete;

    // Wide lines, kept as UTF-8 (a file that is not UTF-8 is read in the ANSI page).
    // LoadWide clears the list first; a missing item leaves it empty.
    virtual void SaveWide(const TWStringList& list) = 0;
    virtual void LoadWide(TWStringList& list) = 0;
    // 8-bit lines, one entry a line. LoadStrings replaces the list's entries; a missing
    // item leaves them as they were.
    virtual void SaveStrings(const std::vector<std::string>& list) = 0;
    virtual void LoadStrings(std::vector<std::string>& list) = 0;
};

// Hands out items by name.
class TUniStorage {
public:
    TUniStorage() = default;
    virtual ~TUniStorage() = default;
    TUniStorage(const TUniStorage&) = delete;
    TUniStorage& operator=(const TUniStorage&) = delete;

    virtual TUniStorageItem& GetItem(std::string_view name) = 0;
};

// Forwards to another storage, which it does not own.
class TUniProxyStorage : public TUniStorage {
public:
    explicit TUniProxyStorage(TUniStorage* target = nullptr) : target_(target) {}

    TUniStorage* Target() const { return target_; }
    void SetTarget(TUniStorage* target) { target_ = target; }

    // Raises std::logic_error when no target is set.
    TUniStorageItem& GetItem(std::string_view name) override;

private:
    TUniStorage* target_;
};

// Creates each item once and keeps it: asking again for a name (in any letter case)
// returns the same item. The items live until the storage is destroyed.
class TUniGeneralStorage : public TUniStorage {
public:
    TUniStorageItem& GetItem(std::string_view name) override;

protected:
    virtual std::unique_ptr<TUniStorageItem> CreateItem(std::string_view name) = 0;

private:
    std::unordered_map<std::string, std::unique_ptr<TUniStorageItem>> cache_;
};

// Items are files in one folder, named after the item (no extension added).
class TUniFolderStorage : public TUniGeneralStorage {
public:
    explicit TUniFolderStorage(std::string folder) : folder_(std::move(folder)) {}

    const std::string& Folder() const { return folder_; }

protected:
    std::unique_ptr<TUniStorageItem> CreateItem(std::string_view name) override;

private:
    std::string folder_;
};

// An item kept in the file folder + "/" + name. Saving creates the folder with its
// parents and replaces the file atomically; lines end with CR LF.
class TUniFolderStorageItem : public TUniStorageItem {
public:
    TUniFolderStorageItem(std::string folder, std::string name);

    // The item's file: folder + "/" + name. When no file has that exact name but one
    // differs from it only in letter case, that file is the item's.
    const std::string& Path() const { return path_; }
    std::string FilePath() const;

    void SaveWide(const TWStringList& list) override;
    void LoadWide(TWStringList& list) override;
    // A CR or LF inside an entry is written as "&#13;" / "&#10;" (the form the 8-bit
    // lists use for such characters), so every entry stays on its own line.
    void SaveStrings(const std::vector<std::string>& list) override;
    void LoadStrings(std::vector<std::string>& list) override;

private:
    void Save(const std::string& bytes);
    // The file's lines, or false when it does not exist.
    bool Load(std::vector<std::string>& lines);

    std::string folder_;
    std::string name_;
    std::string path_;
};

// Splits text into lines at CR LF, LF or CR; a final line end adds no empty line.
std::vector<std::string> SplitStoredLines(std::string_view bytes);
