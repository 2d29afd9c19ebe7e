// pelmar-batch saving over read-only files and recovering saves that were cut short.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/uniFileIO.h"
#include "base/uniRecovery.h"
#include "support/testSupport.h"

using testing_support::ProcessResult;
using testing_support::ReadBytes;
using testing_support::RunProcess;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace fs = std::filesystem;

namespace {

// pelmar-batch with its recovery folder under `state` ($XDG_STATE_HOME).
ProcessResult Batch(const fs::path& state, std::vector<std::string> args) {
    args.insert(args.begin(), {"/usr/bin/env", "XDG_STATE_HOME=" + state.string(), PELMAR_BATCH_EXE,
                               "--home", PELMAR_PROGRAM_DIR});
    return RunProcess(args);
}

TEST(BatchSave, ReadOnlyFileNeedsForce) {
    TempDir dir;
    const std::string file = dir.file("ro.txt");
    WriteBytes(file, "old\n");
    chmod(file.c_str(), 0444);

    ProcessResult r = Batch(dir.path(), {file, "--type", "x", "--save"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("read-only"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(file), "old\n");

    r = Batch(dir.path(), {"--force", file, "--type", "x", "--save"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(file), "xold\n");
    struct stat st {};
    stat(file.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
}

TEST(BatchSave, StrictRefusesASaveThatWouldWriteQuestionMarks) {
    TempDir dir;
    const std::string file = dir.file("cjk.txt");
    WriteBytes(file, "\xD0\x9F\xD1\x80\xD0\xB8\n\xE4\xB8\xAD \xE6\x96\x87\n");
    const std::vector<std::string> save = {file, "--set-charset", "Windows-1251", "--save"};

    std::vector<std::string> args = save;
    args.insert(args.begin(), "--strict");
    ProcessResult r = Batch(dir.path(), args);
    EXPECT_EQ(r.status, 5) << r.err;
    EXPECT_NE(r.err.find("2 characters"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("U+4E2D, at line 2, column 1"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(file), "\xD0\x9F\xD1\x80\xD0\xB8\n\xE4\xB8\xAD \xE6\x96\x87\n");

    // What the charset holds passes --strict; without it the loss is written and counted.
    args = {"--strict", file, "--set-charset", "UTF-16 (LE)", "--save", dir.file("u16.txt")};
    EXPECT_EQ(Batch(dir.path(), args).status, 0);
    r = Batch(dir.path(), save);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("2 characters cannot be held"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(file), "\xCF\xF0\xE8\n? ?\n");
}

TEST(BatchSave, InterruptedSaveIsReportedListedAndRestored) {
    TempDir dir;
    const std::string file = dir.file("doc.txt");
    WriteBytes(file, "previous contents");
    // A save in place killed before it finished, as the editor would leave it.
    SetRecoveryFolder((dir.path() / "pelmar" / "recovery").string());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SetTempFileFaultForTesting(EACCES);
        TSafeFileWriter writer(file);
        if (writer.Open().ok && write(writer.Fd(), "cut", 3) == 3) {
            kill(getpid(), SIGKILL);
        }
        _exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    SetRecoveryFolder({});
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(ReadBytes(file), "cut");

    ProcessResult r = Batch(dir.path(), {file, "--info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("a save of " + file + " was interrupted"), std::string::npos) << r.err;

    r = Batch(dir.path(), {"--recover"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("{\"file\":\"" + file + "\",\"copy\":\"", 0), 0u) << r.out;

    r = Batch(dir.path(), {"--recover", "restore"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(file), "previous contents");
    r = Batch(dir.path(), {"--recover"});
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(fs::is_empty(dir.path() / "pelmar" / "recovery"));

    EXPECT_EQ(Batch(dir.path(), {"--recover", "now"}).status, 1);
}

} // namespace
