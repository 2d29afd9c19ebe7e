// Whole-file reading and atomic replacement, shared by the configuration and storage files.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

// The outcome of a write; `error` is the system's text for the failure.
struct TWriteResult {
    bool ok = true;
    std::string error;

    static TWriteResult Failure(std::string text) { return {false, std::move(text)}; }
};

// An input/output failure raised to callers that report errors by exception.
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TReadStatus {
    Ok,      // `bytes` holds the whole file
    Missing, // no such file (or a parent folder is missing)
    Failed,  // it exists but cannot be read, is not a regular file, or is too big
};

struct TFileBytes {
    TReadStatus status = TReadStatus::Missing;
    std::string bytes;
    std::string error; // set when status is Failed
};

// Files bigger than this are not read into memory (configuration and histories are small;
// a path pointing at something huge must not exhaust memory).
inline constexpr std::size_t kMaxTextFileSize = 64u * 1024u * 1024u;

TFileBytes ReadFileBytes(const std::string& path, std::size_t limit = kMaxTextFileSize);

// A file opened for reading, or why it was not.
struct TReadOpen {
    int fd = -1;     // owned by the caller when >= 0
    int error = 0;   // the error number when fd < 0
    std::string why; // the text to show when fd < 0
    bool Missing() const { return error == ENOENT || error == ENOTDIR; }
};

// Opens a file for reading only when it is a regular file. A folder, a FIFO, a device or a
// socket is refused at once with a message that says so: the open does not wait for a
// FIFO's writer (it is made non-blocking and made blocking again after the check), and
// /dev/zero is never read. Every reader of documents, tables and configuration opens
// through here.
TReadOpen OpenForReading(const std::string& path);
// The same as a stdio stream ("rb"); nullptr when the file cannot be read or is not a
// regular file.
std::FILE* OpenStreamForReading(const std::string& path);

class TRecoveryCopy;

// Writes a file so that it changes only once every byte has been written. The bytes go to
// a temporary file in the same folder, which is flushed to disk and renamed over the
// target. An existing file keeps its permissions, owner and extended attributes (ACLs,
// security labels); a symbolic link keeps pointing at the file it names, which is the one
// replaced, and a loop of links is refused (ELOOP). Where renaming would change the
// file's identity (other hard links, an owner or an attribute we may not give the new
// file) or cannot be done (a folder we may not write in), the bytes are written in place
// instead, after a copy of the old contents has been made in the recovery folder (see
// uniRecovery.h), and that copy is put back on failure; a copy left by a killed write is
// found at the next start. On any error the target keeps its contents and no temporary
// file is left behind. The folder must exist.
class TSafeFileWriter {
public:
    explicit TSafeFileWriter(const std::string& path);
    ~TSafeFileWriter(); // an unfinished write is abandoned
    TSafeFileWriter(const TSafeFileWriter&) = delete;
    TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

    // Prepares the write; on failure nothing has changed.
    TWriteResult Open();
    // Where the new contents go between Open and Commit.
    int Fd() const { return fd_; }
    // Flushes the new contents and puts them in place. On failure the target keeps its
    // old contents.
    TWriteResult Commit();
    // Gives the write up: the target keeps its old contents.
    void Abort();
    // The file finally written, symbolic links followed.
    const std::string& Target() const { return target_; }

    // Whether the file is written in place (after Open).
    bool InPlace() const { return inPlace_; }

private:
    TWriteResult OpenInPlace();

    std::string target_;
    std::string folder_;
    std::string tempName_;                    // the new contents, when replacing by rename
    std::unique_ptr<TRecoveryCopy> recovery_; // the old contents, when writing in place
    std::string safetyCopy_; // the same beside the file, when the recovery folder fails
    int fd_ = -1;
    bool inPlace_ = false;
    bool linkLoop_ = false;
};

// The whole contents at once, through TSafeFileWriter.
TWriteResult WriteFileAtomic(const std::string& path, std::string_view bytes);

// Copies a file's bytes to `to` (created with the source's permissions, or truncated),
// flushed to disk. Returns 0 or the error number.
int CopyFileBytes(const std::string& from, const std::string& to);
// Copies a file through TSafeFileWriter: `to` changes only once the whole copy is on
// disk, and gets the source's permissions and (as far as we may set them) attributes.
TWriteResult CopyFileSafely(const std::string& from, const std::string& to);

// Test hooks. The next file copy (CopyFileBytes, CopyFileSafely) fails with `error` after
// `bytes` more bytes (negative: no fault). Temporary files cannot be made in a file's
// folder, as in a folder we may not write (0: no fault).
void SetCopyFaultForTesting(std::int64_t bytes, int error);
void SetTempFileFaultForTesting(int error);

// Creates the folder and every missing parent. Success when it already exists.
TWriteResult ForceDirectories(const std::string& folder);

// The system's text for an error number.
std::string ErrorText(int error);

// Joins a folder and a path read from configuration, where back-slashes also separate
// folders ("Templates\c\main.c"). An absolute path is returned as is (with its
// separators converted).
std::string ConfigPath(std::string_view folder, std::string_view relative);
