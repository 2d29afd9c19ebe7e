// Whole-file reading and atomic replacement.
#include "storage/uniFileIO.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class TFd {
public:
    explicit TFd(int fd = -1) : fd_(fd) {}
    ~TFd() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;

    int Get() const { return fd_; }
    // Closes now and reports the close's own error (0 when fine).
    int Close() {
        int err = 0;
        if (fd_ >= 0 && close(fd_) != 0) {
            err = errno;
        }
        fd_ = -1;
        return err;
    }

private:
    int fd_;
};

int WriteAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The file a path finally names, following symbolic links (also dangling ones, so a link
// to a file that does not exist yet creates that file).
std::string ResolveLinks(const std::string& path) {
    std::string current = path;
    for (int depth = 0; depth < 40; ++depth) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(current, ec))) {
            return current;
        }
        fs::path target = fs::read_symlink(current, ec);
        if (ec) {
            return current;
        }
        current = target.is_absolute() ? target.string()
                                       : (fs::path(FolderOf(current)) / target).string();
    }
    return current;
}

void SyncFolder(const std::string& folder) {
    const int dirFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd); // makes the rename itself durable
        close(dirFd);
    }
}

} // namespace

std::string ErrorText(int error) {
    return std::strerror(error);
}

TFileBytes ReadFileBytes(const std::string& path, std::size_t limit) {
    TFileBytes result;
    TFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR) {
            result.status = TReadStatus::Missing;
        } else {
            result.status = TReadStatus::Failed;
            result.error = ErrorText(err);
        }
        return result;
    }
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0) {
        result.status = TReadStatus::Failed;
        result.error = ErrorText(errno);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.status = TReadStatus::Failed;
        result.error = ErrorText(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        return result;
    }
    if (static_cast<std::size_t>(st.st_size) > limit) {
        result.status = TReadStatus::Failed;
        result.error = ErrorText(EFBIG);
        return result;
    }
    result.bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd.Get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.status = TReadStatus::Failed;
            result.error = ErrorText(errno);
            result.bytes.clear();
            return result;
        }
        if (n == 0) {
            break;
        }
        if (result.bytes.size() + static_cast<std::size_t>(n) > limit) {
            result.status = TReadStatus::Failed;
            result.error = ErrorText(EFBIG);
            result.bytes.clear();
            return result;
        }
        result.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    result.status = TReadStatus::Ok;
    return result;
}

int CopyFileBytes(const std::string& from, const std::string& to) {
    TFd in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0) {
        return errno;
    }
    struct stat st {};
    const mode_t mode = fstat(in.Get(), &st) == 0 ? (st.st_mode & 07777) : 0600;
    TFd out(open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
    if (out.Get() < 0) {
        return errno;
    }
    std::string buffer(1 << 20, '\0');
    for (;;) {
        const ssize_t n = read(in.Get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            break;
        }
        if (int err = WriteAll(out.Get(), std::string_view(buffer.data(), static_cast<size_t>(n)));
            err != 0) {
            return err;
        }
    }
    if (fsync(out.Get()) != 0) {
        return errno;
    }
    return out.Close();
}

TSafeFileWriter::TSafeFileWriter(const std::string& path)
    : target_(path.empty() ? path : ResolveLinks(path)), folder_(FolderOf(target_)) {}

TSafeFileWriter::~TSafeFileWriter() {
    if (fd_ >= 0) {
        Abort();
    }
}

TWriteResult TSafeFileWriter::Open() {
    if (target_.empty()) {
        return TWriteResult::Failure(ErrorText(ENOENT));
    }
    struct stat old {};
    const bool exists = stat(target_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        return TWriteResult::Failure(ErrorText(S_ISDIR(old.st_mode) ? EISDIR : EINVAL));
    }
    inPlace_ = exists && old.st_nlink > 1;
    if (!inPlace_) {
        tempName_ = folder_ + "/.pelmar-write-XXXXXX";
        fd_ = mkostemp(tempName_.data(), O_CLOEXEC);
        if (fd_ < 0) {
            const int err = errno;
            tempName_.clear();
            return TWriteResult::Failure(ErrorText(err));
        }
        mode_t mode;
        if (exists) {
            mode = old.st_mode & 07777;
        } else {
            const mode_t mask = umask(0);
            umask(mask);
            mode = 0666 & ~mask;
        }
        fchmod(fd_, mode);
        if (exists && (old.st_uid != geteuid() || old.st_gid != getegid()) &&
            fchown(fd_, old.st_uid, old.st_gid) != 0) {
            // We may not give a new file the old owner: keep the file and write into it.
            close(fd_);
            fd_ = -1;
            unlink(tempName_.c_str());
            tempName_.clear();
            inPlace_ = true;
        }
    }
    if (inPlace_) {
        safetyCopy_ = folder_ + "/.pelmar-old-XXXXXX";
        const int copyFd = mkostemp(safetyCopy_.data(), O_CLOEXEC);
        if (copyFd < 0) {
            const int err = errno;
            safetyCopy_.clear();
            return TWriteResult::Failure(ErrorText(err));
        }
        close(copyFd);
        int err = CopyFileBytes(target_, safetyCopy_);
        if (err == 0) {
            fd_ = open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
            err = fd_ < 0 ? errno : 0;
        }
        if (err != 0) {
            unlink(safetyCopy_.c_str());
            safetyCopy_.clear();
            return TWriteResult::Failure(ErrorText(err));
        }
    }
    return {};
}

TWriteResult TSafeFileWriter::Commit() {
    if (fd_ < 0) {
        return TWriteResult::Failure(ErrorText(EBADF));
    }
    int err = fsync(fd_) != 0 ? errno : 0;
    if (close(fd_) != 0 && err == 0) {
        err = errno;
    }
    fd_ = -1;
    if (err == 0 && !inPlace_ && rename(tempName_.c_str(), target_.c_str()) != 0) {
        err = errno;
    }
    if (err != 0) {
        Abort();
        return TWriteResult::Failure(ErrorText(err));
    }
    if (inPlace_) {
        unlink(safetyCopy_.c_str());
        safetyCopy_.clear();
    } else {
        tempName_.clear();
        SyncFolder(folder_);
    }
    return {};
}

void TSafeFileWriter::Abort() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!tempName_.empty()) {
        unlink(tempName_.c_str());
        tempName_.clear();
    }
    if (!safetyCopy_.empty()) {
        // Put the old bytes back; should even that fail, the copy stays beside the file.
        if (CopyFileBytes(safetyCopy_, target_) == 0) {
            unlink(safetyCopy_.c_str());
        }
        safetyCopy_.clear();
    }
}

TWriteResult WriteFileAtomic(const std::string& path, std::string_view bytes) {
    TSafeFileWriter writer(path);
    if (TWriteResult opened = writer.Open(); !opened.ok) {
        return opened;
    }
    if (int err = WriteAll(writer.Fd(), bytes); err != 0) {
        writer.Abort();
        return TWriteResult::Failure(ErrorText(err));
    }
    return writer.Commit();
}

TWriteResult ForceDirectories(const std::string& folder) {
    if (folder.empty()) {
        return {};
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        return TWriteResult::Failure(ec.message());
    }
    if (!fs::is_directory(folder, ec)) {
        return TWriteResult::Failure(ErrorText(ENOTDIR));
    }
    return {};
}

std::string ConfigPath(std::string_view folder, std::string_view relative) {
    std::string rel(relative);
    for (char& c : rel) {
        if (c == '\\') {
            c = '/';
        }
    }
    if (!rel.empty() && rel.front() == '/') {
        return rel;
    }
    std::string path(folder);
    if (path.empty()) {
        return rel;
    }
    if (path.back() != '/') {
        path.push_back('/');
    }
    while (!rel.empty() && rel.front() == '/') {
        rel.erase(0, 1);
    }
    return path + rel;
}
