// Whole-file reading and atomic replacement, shared by the configuration and storage files.
#pragma once

#include <cstddef>
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

// Replaces the file's contents without ever leaving it half written: the bytes go to a
// temporary file in the same folder, which is flushed to disk and renamed over the target.
// An existing file keeps its permissions (and owner, when we may set it); a symbolic link
// keeps pointing at the file it names, which is the one replaced. Where renaming would
// change the file's identity (other hard links) the bytes are written in place instead,
// with a copy of the old contents put back on failure. On any error the target is
// untouched and no temporary file is left behind. The folder must exist.
TWriteResult WriteFileAtomic(const std::string& path, std::string_view bytes);

// Creates the folder and every missing parent. Success when it already exists.
TWriteResult ForceDirectories(const std::string& folder);

// The system's text for an error number.
std::string ErrorText(int error);

// Joins a folder and a path read from configuration, where back-slashes also separate
// folders ("Templates\c\main.c"). An absolute path is returned as is (with its
// separators converted).
std::string ConfigPath(std::string_view folder, std::string_view relative);
