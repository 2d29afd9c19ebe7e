// Whole-file reading and atomic replacement.
#include "base/uniFileIO.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "base/uniRecovery.h"

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
    // Hands the descriptor over to the caller.
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
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
// to a file that does not exist yet creates that file). `loop` is set when the links never
// reach a file: writing there would replace a link by a regular file.
std::string ResolveLinks(const std::string& path, bool& loop) {
    constexpr int kMaxLinks = 40; // the kernel's own limit
    std::string current = path;
    loop = false;
    for (int depth = 0; depth < kMaxLinks; ++depth) {
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
    loop = true;
    return current;
}

// Test hooks: the next copy's write fails after some bytes; temporary files cannot be made
// in a file's folder.
std::int64_t gCopyFaultAfter = -1;
int gCopyFaultError = 0;
int gTempFileFault = 0;

// A new temporary file in `folder` named `prefix` + six random characters; -1 with errno.
int MakeTempFile(const std::string& folder, const char* prefix, std::string& name) {
    name = folder + "/" + prefix + "XXXXXX";
    if (gTempFileFault != 0) {
        errno = gTempFileFault;
        return -1;
    }
    return mkostemp(name.data(), O_CLOEXEC);
}

// Copies the rest of `in` to `out`; 0 or the error number.
int CopyFd(int in, int out) {
    std::string buffer(1 << 20, '\0');
    for (;;) {
        const ssize_t n = read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            return 0;
        }
        size_t want = static_cast<size_t>(n);
        if (gCopyFaultAfter >= 0) {
            if (static_cast<std::int64_t>(want) > gCopyFaultAfter) {
                want = static_cast<size_t>(gCopyFaultAfter);
                const int err = WriteAll(out, std::string_view(buffer.data(), want));
                gCopyFaultAfter = -1;
                return err != 0 ? err : gCopyFaultError;
            }
            gCopyFaultAfter -= static_cast<std::int64_t>(want);
        }
        if (int err = WriteAll(out, std::string_view(buffer.data(), want)); err != 0) {
            return err;
        }
    }
}

// Copies the extended attributes of the file `from` onto the open file `to`: user
// attributes, ACLs, security labels. An attribute outside the user namespace that we may
// not set (EPERM, ENOTSUP: a label only the system gives, a trusted.* one) is left out, as
// the file system would do for any new file; any other failure is returned, so that the
// caller can keep the old file instead of losing it.
int CopyExtendedAttributes(const std::string& from, int to) {
    std::vector<char> names;
    for (;;) {
        ssize_t size = listxattr(from.c_str(), nullptr, 0);
        if (size <= 0) {
            return size == 0 || errno == ENOTSUP ? 0 : errno;
        }
        names.resize(static_cast<size_t>(size));
        size = listxattr(from.c_str(), names.data(), names.size());
        if (size >= 0) {
            names.resize(static_cast<size_t>(size));
            break;
        }
        if (errno != ERANGE) { // ERANGE: the list grew meanwhile
            return errno;
        }
    }
    std::vector<char> value;
    for (size_t pos = 0; pos < names.size();) {
        const char* name = names.data() + pos;
        pos += strnlen(name, names.size() - pos) + 1;
        ssize_t size = -1;
        for (;;) {
            size = getxattr(from.c_str(), name, nullptr, 0);
            if (size < 0) {
                break;
            }
            value.resize(static_cast<size_t>(size) + 1);
            size = getxattr(from.c_str(), name, value.data(), value.size());
            if (size >= 0 || errno != ERANGE) {
                break;
            }
        }
        int err = size < 0 ? errno : 0;
        if (err == 0 && fsetxattr(to, name, value.data(), static_cast<size_t>(size), 0) != 0) {
            err = errno;
        }
        if (err == 0 || err == ENODATA) { // ENODATA: removed since it was listed
            continue;
        }
        const bool userAttribute = std::strncmp(name, "user.", 5) == 0;
        if (!userAttribute && (err == EPERM || err == ENOTSUP || err == EACCES)) {
            continue;
        }
        return err;
    }
    return 0;
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

TReadOpen OpenForReading(const std::string& path) {
    TReadOpen result;
    const auto fail = [&result](int error, std::string why) {
        result.error = error;
        result.why = std::move(why);
        return result;
    };
    TFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.Get() < 0) {
        const int err = errno;
        return fail(err, ErrorText(err));
    }
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0) {
        const int err = errno;
        return fail(err, ErrorText(err));
    }
    if (S_ISDIR(st.st_mode)) {
        return fail(EISDIR, ErrorText(EISDIR));
    }
    if (!S_ISREG(st.st_mode)) {
        const char* kind = S_ISFIFO(st.st_mode)                         ? "a pipe (FIFO)"
                           : S_ISSOCK(st.st_mode)                       ? "a socket"
                           : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device"
                                                                        : "a special file";
        return fail(EINVAL, std::string("Not a regular file: it is ") + kind);
    }
    const int flags = fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) < 0) {
        const int err = errno;
        return fail(err, ErrorText(err));
    }
    result.fd = fd.Release();
    return result;
}

std::FILE* OpenStreamForReading(const std::string& path) {
    const TReadOpen opened = OpenForReading(path);
    if (opened.fd < 0) {
        return nullptr;
    }
    std::FILE* stream = fdopen(opened.fd, "rb");
    if (stream == nullptr) {
        close(opened.fd);
    }
    return stream;
}

TFileBytes ReadFileBytes(const std::string& path, std::size_t limit) {
    TFileBytes result;
    TReadOpen opened = OpenForReading(path);
    if (opened.fd < 0) {
        result.status = opened.Missing() ? TReadStatus::Missing : TReadStatus::Failed;
        if (!opened.Missing()) {
            result.error = opened.why;
        }
        return result;
    }
    TFd fd(opened.fd);
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0) {
        result.status = TReadStatus::Failed;
        result.error = ErrorText(errno);
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
    if (int err = CopyFd(in.Get(), out.Get()); err != 0) {
        return err;
    }
    if (fsync(out.Get()) != 0) {
        return errno;
    }
    return out.Close();
}

TWriteResult CopyFileSafely(const std::string& from, const std::string& to) {
    TFd in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (in.Get() < 0 || fstat(in.Get(), &st) != 0) {
        return TWriteResult::Failure(ErrorText(errno));
    }
    TSafeFileWriter writer(to);
    if (TWriteResult opened = writer.Open(); !opened.ok) {
        return opened;
    }
    // A copy of a private file stays private.
    fchmod(writer.Fd(), st.st_mode & 07777);
    CopyExtendedAttributes(from, writer.Fd()); // as far as we may: the bytes are what counts
    if (int err = CopyFd(in.Get(), writer.Fd()); err != 0) {
        writer.Abort();
        return TWriteResult::Failure(ErrorText(err));
    }
    return writer.Commit();
}

TSafeFileWriter::TSafeFileWriter(const std::string& path) {
    bool loop = false;
    target_ = path.empty() ? path : ResolveLinks(path, loop);
    folder_ = FolderOf(target_);
    linkLoop_ = loop;
}

TSafeFileWriter::~TSafeFileWriter() {
    if (fd_ >= 0) {
        Abort();
    }
}

TWriteResult TSafeFileWriter::Open() {
    if (target_.empty()) {
        return TWriteResult::Failure(ErrorText(ENOENT));
    }
    if (linkLoop_) {
        return TWriteResult::Failure(ErrorText(ELOOP));
    }
    struct stat old {};
    const bool exists = stat(target_.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        return TWriteResult::Failure(ErrorText(errno)); // ELOOP further up the path, ...
    }
    if (exists && !S_ISREG(old.st_mode)) {
        return TWriteResult::Failure(ErrorText(S_ISDIR(old.st_mode) ? EISDIR : EINVAL));
    }
    inPlace_ = exists && old.st_nlink > 1;
    if (!inPlace_) {
        fd_ = MakeTempFile(folder_, ".pelmar-write-", tempName_);
        if (fd_ < 0) {
            const int err = errno;
            tempName_.clear();
            // A folder we may not write: the file itself may still be writable.
            if (!exists || (err != EACCES && err != EPERM)) {
                return TWriteResult::Failure(ErrorText(err));
            }
            inPlace_ = true;
        }
    }
    if (!inPlace_) {
        mode_t mode;
        if (exists) {
            mode = old.st_mode & 07777;
        } else {
            const mode_t mask = umask(0);
            umask(mask);
            mode = 0666 & ~mask;
        }
        fchmod(fd_, mode);
        // A new file that cannot have the old owner, or cannot carry the old file's extended
        // attributes, would lose them: keep the file and write into it instead.
        const bool ownerLost = exists && (old.st_uid != geteuid() || old.st_gid != getegid()) &&
                               fchown(fd_, old.st_uid, old.st_gid) != 0;
        if (ownerLost || (exists && CopyExtendedAttributes(target_, fd_) != 0)) {
            close(fd_);
            fd_ = -1;
            unlink(tempName_.c_str());
            tempName_.clear();
            inPlace_ = true;
        }
    }
    if (inPlace_) {
        return OpenInPlace();
    }
    return {};
}

TWriteResult TSafeFileWriter::OpenInPlace() {
    fd_ = open(target_.c_str(), O_WRONLY | O_CLOEXEC); // truncated once the copy is made
    if (fd_ < 0) {
        return TWriteResult::Failure(ErrorText(errno));
    }
    // The old bytes go to the recovery folder, with a record of where they belong, so
    // that a write cut short even by a kill can be undone; beside the file only when that
    // folder cannot be used.
    auto recovery = std::make_unique<TRecoveryCopy>();
    TWriteResult copied = recovery->Make(target_);
    if (copied.ok) {
        recovery_ = std::move(recovery);
    } else {
        const int copyFd = MakeTempFile(folder_, ".pelmar-old-", safetyCopy_);
        int err = copyFd < 0 ? errno : 0;
        if (copyFd >= 0) {
            close(copyFd);
            err = CopyFileBytes(target_, safetyCopy_);
            if (err != 0) {
                unlink(safetyCopy_.c_str());
            }
        }
        if (err != 0) {
            safetyCopy_.clear();
            close(fd_);
            fd_ = -1;
            return TWriteResult::Failure("No copy of the old contents can be kept in " +
                                         RecoveryFolder() + ": " + copied.error);
        }
    }
    if (ftruncate(fd_, 0) != 0) {
        const int err = errno;
        Abort();
        return TWriteResult::Failure(ErrorText(err));
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
        if (recovery_) {
            recovery_->Finish();
            recovery_.reset();
        }
        if (!safetyCopy_.empty()) {
            unlink(safetyCopy_.c_str());
            safetyCopy_.clear();
        }
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
    // Put the old bytes back; should even that fail, the copy stays (a recovery copy is
    // then offered at the next start).
    if (recovery_) {
        if (recovery_->Restore().ok) {
            recovery_->Finish();
        }
        recovery_.reset();
    }
    if (!safetyCopy_.empty()) {
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

void SetCopyFaultForTesting(std::int64_t bytes, int error) {
    gCopyFaultAfter = bytes;
    gCopyFaultError = error;
}

void SetTempFileFaultForTesting(int error) {
    gTempFileFault = error;
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
