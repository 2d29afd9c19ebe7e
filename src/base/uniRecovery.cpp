// Copies of files being rewritten in place, and the leftovers of interrupted writes.
#include "base/uniRecovery.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A copy "copy-XXXXXX" goes with the record "copy-XXXXXX.rec", whose bytes are the
// original file's path.
constexpr std::string_view kRecordSuffix = ".rec";

std::mutex gFolderLock;
std::string gFolder; // empty: the default

std::string DefaultRecoveryFolder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/') {
        return std::string(state) + "/pelmar/recovery";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr && *home != '\0' ? home : "/tmp") +
           "/.local/state/pelmar/recovery";
}

int WriteWhole(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

void SyncFolderOf(const std::string& folder) {
    const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
}

} // namespace

std::string RecoveryFolder() {
    std::lock_guard<std::mutex> lock(gFolderLock);
    return gFolder.empty() ? DefaultRecoveryFolder() : gFolder;
}

void SetRecoveryFolder(std::string folder) {
    std::lock_guard<std::mutex> lock(gFolderLock);
    gFolder = std::move(folder);
}

TRecoveryCopy::~TRecoveryCopy() {
    if (recordFd_ >= 0) {
        close(recordFd_);
    }
}

TWriteResult TRecoveryCopy::Make(const std::string& original) {
    const std::string folder = RecoveryFolder();
    if (TWriteResult made = ForceDirectories(folder); !made.ok) {
        return made;
    }
    chmod(folder.c_str(), 0700); // the copies are as private as the files they hold
    std::string copy = folder + "/copy-XXXXXX";
    const int copyFd = mkostemp(copy.data(), O_CLOEXEC);
    if (copyFd < 0) {
        return TWriteResult::Failure(ErrorText(errno));
    }
    close(copyFd);
    if (const int err = CopyFileBytes(original, copy); err != 0) {
        unlink(copy.c_str());
        return TWriteResult::Failure(ErrorText(err));
    }
    // The record comes after the complete copy: a record always names a whole copy.
    const std::string record = copy + std::string(kRecordSuffix);
    const int fd = open(record.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    int err = fd < 0 ? errno : 0;
    if (err == 0 && flock(fd, LOCK_EX) != 0) {
        err = errno;
    }
    if (err == 0) {
        err = WriteWhole(fd, original);
    }
    if (err == 0 && fsync(fd) != 0) {
        err = errno;
    }
    if (err != 0) {
        if (fd >= 0) {
            close(fd);
            unlink(record.c_str());
        }
        unlink(copy.c_str());
        return TWriteResult::Failure(ErrorText(err));
    }
    SyncFolderOf(folder);
    original_ = original;
    copy_ = std::move(copy);
    record_ = record;
    recordFd_ = fd;
    return {};
}

TWriteResult TRecoveryCopy::Restore() const {
    if (copy_.empty()) {
        return TWriteResult::Failure(ErrorText(ENOENT));
    }
    if (const int err = CopyFileBytes(copy_, original_); err != 0) {
        return TWriteResult::Failure(ErrorText(err));
    }
    return {};
}

void TRecoveryCopy::Finish() {
    if (copy_.empty()) {
        return;
    }
    // The record goes first: a copy without record is never offered.
    unlink(record_.c_str());
    unlink(copy_.c_str());
    close(recordFd_);
    recordFd_ = -1;
    copy_.clear();
    record_.clear();
    original_.clear();
}

std::vector<TLeftoverCopy> FindLeftoverCopies() {
    std::vector<std::pair<fs::file_time_type, TLeftoverCopy>> found;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(RecoveryFolder(), ec)) {
        const std::string record = entry.path().string();
        if (record.size() <= kRecordSuffix.size() ||
            record.compare(record.size() - kRecordSuffix.size(), kRecordSuffix.size(),
                           kRecordSuffix) != 0) {
            continue;
        }
        const std::string copy = record.substr(0, record.size() - kRecordSuffix.size());
        std::error_code copyEc;
        if (!fs::is_regular_file(copy, copyEc)) {
            continue;
        }
        const int fd = open(record.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            continue;
        }
        // A write still running holds the record locked.
        const bool free = flock(fd, LOCK_SH | LOCK_NB) == 0;
        close(fd);
        if (!free) {
            continue;
        }
        TFileBytes original = ReadFileBytes(record, 1 << 16);
        if (original.status != TReadStatus::Ok || original.bytes.empty()) {
            continue; // a record still being made
        }
        found.push_back({entry.last_write_time(ec), {original.bytes, copy, record}});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<TLeftoverCopy> result;
    result.reserve(found.size());
    for (auto& item : found) {
        result.push_back(std::move(item.second));
    }
    return result;
}

TWriteResult RestoreLeftoverCopy(const TLeftoverCopy& leftover) {
    if (const int err = CopyFileBytes(leftover.copy, leftover.original); err != 0) {
        return TWriteResult::Failure(ErrorText(err));
    }
    DiscardLeftoverCopy(leftover);
    return {};
}

void DiscardLeftoverCopy(const TLeftoverCopy& leftover) {
    unlink(leftover.record.c_str());
    unlink(leftover.copy.c_str());
}
