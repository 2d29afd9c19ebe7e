// In-place writes and their recovery copies: kept while the write runs, found after a kill,
// restored or discarded.
#include "base/uniRecovery.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/uniFileIO.h"
#include "support/testSupport.h"

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace fs = std::filesystem;

namespace {

class RecoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(docs);
        SetRecoveryFolder(recovery);
    }
    void TearDown() override {
        SetTempFileFaultForTesting(0);
        SetCopyFaultForTesting(-1, 0);
        SetRecoveryFolder({});
    }

    // Starts an in-place write of `bytes` over `file` in a child process that is killed
    // before the write is committed.
    void KilledWrite(const std::string& file, const std::string& bytes) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SetTempFileFaultForTesting(EACCES); // as in a folder we may not write
            TSafeFileWriter writer(file);
            if (!writer.Open().ok || !writer.InPlace() ||
                write(writer.Fd(), bytes.data(), bytes.size()) < 0) {
                _exit(1);
            }
            kill(getpid(), SIGKILL);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child failed before the kill";
    }

    std::vector<std::string> RecoveryFiles() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(recovery, ec)) {
            names.push_back(e.path().filename().string());
        }
        return names;
    }

    TempDir dir;
    fs::path docs = dir.path() / "docs";
    std::string recovery = (dir.path() / "state" / "recovery").string();
};

TEST_F(RecoveryTest, KilledWriteLeavesACopyThatIsRestoredOrDiscarded) {
    const std::string a = (docs / "a.txt").string();
    const std::string b = (docs / "b.txt").string();
    WriteBytes(a, "old a");
    WriteBytes(b, "old b");
    KilledWrite(a, "new");
    KilledWrite(b, "half of the new b");
    EXPECT_EQ(ReadBytes(a), "new");

    std::vector<TLeftoverCopy> left = FindLeftoverCopies();
    ASSERT_EQ(left.size(), 2u);
    std::sort(left.begin(), left.end(),
              [](const auto& x, const auto& y) { return x.original < y.original; });
    EXPECT_EQ(left[0].original, a);
    EXPECT_EQ(ReadBytes(left[0].copy), "old a");
    EXPECT_EQ(left[1].original, b);

    ASSERT_TRUE(RestoreLeftoverCopy(left[0]).ok);
    EXPECT_EQ(ReadBytes(a), "old a");
    DiscardLeftoverCopy(left[1]);
    EXPECT_EQ(ReadBytes(b), "half of the new b");
    EXPECT_TRUE(FindLeftoverCopies().empty());
    EXPECT_TRUE(RecoveryFiles().empty());
    EXPECT_EQ(fs::status(recovery).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST_F(RecoveryTest, RunningWriteIsNotOfferedAndCleansUp) {
    const std::string a = (docs / "a.txt").string();
    WriteBytes(a, "old");
    SetTempFileFaultForTesting(EACCES);
    {
        TSafeFileWriter writer(a);
        ASSERT_TRUE(writer.Open().ok);
        ASSERT_TRUE(writer.InPlace());
        EXPECT_EQ(RecoveryFiles().size(), 2u); // the copy and its record
        EXPECT_TRUE(FindLeftoverCopies().empty()) << "held by the running write";
        ASSERT_EQ(write(writer.Fd(), "new", 3), 3);
        ASSERT_TRUE(writer.Commit().ok);
    }
    EXPECT_EQ(ReadBytes(a), "new");
    EXPECT_TRUE(RecoveryFiles().empty());

    // Abandoned (not killed): the old bytes come back and the copy goes.
    {
        TSafeFileWriter writer(a);
        ASSERT_TRUE(writer.Open().ok);
        ASSERT_EQ(write(writer.Fd(), "x", 1), 1);
    }
    EXPECT_EQ(ReadBytes(a), "new");
    EXPECT_TRUE(RecoveryFiles().empty());

    // A new file cannot be made in such a folder: that is the folder's error.
    EXPECT_EQ(WriteFileAtomic((docs / "new.txt").string(), "x").error, ErrorText(EACCES));
}

TEST_F(RecoveryTest, SafeCopyReplacesTheTargetOnlyWhenWhole) {
    const std::string from = (docs / "from").string();
    const std::string to = (docs / "to").string();
    WriteBytes(from, std::string(100000, 'n'));
    WriteBytes(to, "previous");
    SetCopyFaultForTesting(5000, ENOSPC);
    const TWriteResult failed = CopyFileSafely(from, to);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.error, ErrorText(ENOSPC));
    EXPECT_EQ(ReadBytes(to), "previous");
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(docs)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"from", "to"})) << "no temporary file left";

    ASSERT_TRUE(CopyFileSafely(from, to).ok);
    EXPECT_EQ(ReadBytes(to), std::string(100000, 'n'));
}

} // namespace
