// Named persistent line lists.
#include "storage/uniStorage.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "base/uniAscii.h"
#include "base/uniCodePage.h"
#include "base/uniUtf8.h"

namespace fs = std::filesystem;

namespace {} // namespace

std::vector<std::string> SplitStoredLines(std::string_view bytes) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.emplace_back(bytes.substr(pos));
            break;
        }
        lines.emplace_back(bytes.substr(pos, end - pos));
        pos =
            end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

// ---------------------------------------------------------------------------------------

TUniStorageItem& TUniProxyStorage::GetItem(std::string_view name) {
    if (target_ == nullptr) {
        throw std::logic_error("storage has no target");
    }
    return target_->GetItem(name);
}

TUniStorageItem& TUniGeneralStorage::GetItem(std::string_view name) {
    std::string key = LowerAscii(name);
    auto it = cache_.find(key);
    if (it == cache_.end()) {
        it = cache_.emplace(std::move(key), CreateItem(name)).first;
    }
    return *it->second;
}

std::unique_ptr<TUniStorageItem> TUniFolderStorage::CreateItem(std::string_view name) {
    return std::make_unique<TUniFolderStorageItem>(folder_, std::string(name));
}

// ---------------------------------------------------------------------------------------

TUniFolderStorageItem::TUniFolderStorageItem(std::string folder, std::string name)
    : folder_(std::move(folder)), name_(std::move(name)) {
    path_ = folder_;
    if (!path_.empty() && path_.back() != '/') {
        path_.push_back('/');
    }
    path_ += name_;
}

std::string TUniFolderStorageItem::FilePath() const {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path_, ec))) {
        return path_;
    }
    // Item names ignore letter case: a file written as "SearchHistory" is also the item
    // "searchhistory".
    for (auto it = fs::directory_iterator(folder_, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        if (SameText(it->path().filename().string(), name_)) {
            return it->path().string();
        }
    }
    return path_;
}

void TUniFolderStorageItem::Save(const std::string& bytes) {
    if (TWriteResult made = ForceDirectories(folder_); !made.ok) {
        throw EInOutError(made.error);
    }
    if (TWriteResult written = WriteFileAtomic(FilePath(), bytes); !written.ok) {
        throw EInOutError(written.error);
    }
}

bool TUniFolderStorageItem::Load(std::vector<std::string>& lines) {
    TFileBytes file = ReadFileBytes(FilePath());
    switch (file.status) {
    case TReadStatus::Missing:
        return false;
    case TReadStatus::Failed:
        throw EInOutError(file.error);
    case TReadStatus::Ok:
        break;
    }
    lines = SplitStoredLines(file.bytes);
    return true;
}

void TUniFolderStorageItem::SaveWide(const TWStringList& list) {
    std::string bytes;
    for (int i = 0; i < list.Count(); ++i) {
        AppendUtf8(bytes, list.Get(i));
        bytes += "\r\n";
    }
    Save(bytes);
}

void TUniFolderStorageItem::LoadWide(TWStringList& list) {
    list.Clear();
    std::vector<std::string> lines;
    if (!Load(lines)) {
        return;
    }
    if (!lines.empty() && lines.front().starts_with("\xEF\xBB\xBF")) {
        lines.front().erase(0, 3);
    }
    // Files written by other programs may be in the ANSI page.
    const bool utf8 = std::all_of(lines.begin(), lines.end(),
                                  [](const std::string& line) { return IsValidUtf8(line); });
    for (const std::string& line : lines) {
        list.Add(utf8 ? DecodeUtf8(line) : AnsiToWide(line));
    }
}

void TUniFolderStorageItem::SaveStrings(const std::vector<std::string>& list) {
    std::string bytes;
    for (const std::string& entry : list) {
        for (char c : entry) {
            if (c == '\r') {
                bytes += "&#13;";
            } else if (c == '\n') {
                bytes += "&#10;";
            } else {
                bytes.push_back(c);
            }
        }
        bytes += "\r\n";
    }
    Save(bytes);
}

void TUniFolderStorageItem::LoadStrings(std::vector<std::string>& list) {
    std::vector<std::string> lines;
    if (Load(lines)) {
        list = std::move(lines);
    }
}
