// Helpers shared by the test programs: temporary folders, file bytes, UTF-16 literals.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::string ReadBytes(const std::string& fileName);
void WriteBytes(const std::string& fileName, std::string_view bytes);

// Runs a program (no shell) and collects its exit status and output.
struct ProcessResult {
    int status = -1; // exit code, or -1 when it did not exit normally
    std::string out;
    std::string err;
};
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input = {});

#ifdef PELMAR_BATCH_EXE
// pelmar-batch with `args`, its program folder `home` (the build's when not given).
inline ProcessResult RunBatch(const std::string& home, std::vector<std::string> args) {
    args.insert(args.begin(), {PELMAR_BATCH_EXE, "--home", home});
    return RunProcess(args);
}
inline ProcessResult RunBatch(std::vector<std::string> args) {
    return RunBatch(PELMAR_PROGRAM_DIR, std::move(args));
}
#endif

// UTF-8 literal to UTF-16 (test convenience; valid input only).
std::u16string U16(std::string_view utf8);
// UTF-16 to UTF-8 for readable failure messages.
std::string U8(std::u16string_view s);
// The bytes of UTF-16 code units in one byte order, without a mark.
std::string Utf16Bytes(std::u16string_view s, bool bigEndian);

} // namespace testing_support
