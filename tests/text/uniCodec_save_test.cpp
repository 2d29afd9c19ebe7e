// Saving without losing data: backups, read-only files, unwritable folders, link loops,
// extended attributes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

#include "base/uniFileIO.h"
#include "base/uniRecovery.h"
#include "support/testSupport.h"
#include "text/uniCodec.h"

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace fs = std::filesystem;

namespace {

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_ino;
}

class SaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(docs);
        SetRecoveryFolder(recovery);
        target = (docs / "doc.txt").string();
        WriteBytes(target, "original");
        list->Add(u"changed");
        list->SetModified(true);
        codec.charset = "UTF-8";
    }
    void TearDown() override {
        SetCopyFaultForTesting(-1, 0);
        SetTempFileFaultForTesting(0);
        SetRecoveryFolder({});
        list->Release();
    }

    TCodecResult Save(TSaveOptions options = {}) { return codec.Save(*list, target, options); }

    TempDir dir;
    fs::path docs = dir.path() / "docs";
    std::string recovery = (dir.path() / "recovery").string();
    TWStringList* list = new TWStringList;
    TTextCodec codec;
    std::string target;
};

// The reported case: on a nearly full disk the backup was cut short and the save went on.
TEST_F(SaveTest, FailedBackupStopsTheSaveAndKeepsBothFiles) {
    const std::string old(600000, 'o');
    WriteBytes(target, old);
    WriteBytes((docs / "doc.~tx").string(), "previous backup");
    codec.profile.createBackup = true;
    SetCopyFaultForTesting(446464, ENOSPC);

    const TCodecResult r = Save();
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.readOnly);
    EXPECT_NE(r.error.find("doc.~tx"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find(std::strerror(ENOSPC)), std::string::npos) << r.error;
    EXPECT_EQ(ReadBytes(target), old);
    EXPECT_EQ(ReadBytes((docs / "doc.~tx").string()), "previous backup");
    EXPECT_TRUE(list->Modified());
    EXPECT_EQ(FilesIn(docs), (std::vector<std::string>{"doc.txt", "doc.~tx"}));

    // With room again the backup is whole, keeps the file's permissions, and the save runs.
    chmod(target.c_str(), 0600);
    ASSERT_TRUE(Save().ok);
    EXPECT_EQ(ReadBytes((docs / "doc.~tx").string()), old);
    struct stat st {};
    stat((docs / "doc.~tx").string().c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(ReadBytes(target), "changed");
}

TEST_F(SaveTest, NamesWithoutExtensionGetABackupToo) {
    EXPECT_EQ(TTextCodec::BackupName("/d/Makefile"), "/d/Makefile.~");
    EXPECT_EQ(TTextCodec::BackupName("/d.x/noext"), "/d.x/noext.~");
    EXPECT_EQ(TTextCodec::BackupName("/d/a.txt"), "/d/a.~tx");

    target = (docs / "Makefile").string();
    WriteBytes(target, "all:\n");
    codec.profile.createBackup = true;
    ASSERT_TRUE(Save().ok);
    EXPECT_EQ(ReadBytes(target + ".~"), "all:\n");
    EXPECT_EQ(ReadBytes(target), "changed");
}

TEST_F(SaveTest, ReadOnlyFileIsReplacedOnlyWhenAsked) {
    chmod(target.c_str(), 0444);
    codec.profile.createBackup = true;
    TCodecResult r = Save();
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.readOnly);
    EXPECT_NE(r.error.find("read-only"), std::string::npos) << r.error;
    EXPECT_EQ(ReadBytes(target), "original");
    EXPECT_TRUE(list->Modified());
    EXPECT_EQ(FilesIn(docs), std::vector<std::string>{"doc.txt"}) << "no backup yet";

    r = Save({.overwriteReadOnly = true});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(ReadBytes(target), "changed");
    EXPECT_EQ(ReadBytes((docs / "doc.~tx").string()), "original");
    struct stat st {};
    stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0444u) << "still read-only";
}

// A folder we may not write in: no temporary file, no rename. The file is written in place
// after its old contents went to the recovery folder, and nothing is left there afterwards.
TEST_F(SaveTest, WritableFileInAnUnwritableFolderIsWrittenInPlace) {
    const ino_t inode = InodeOf(target);
    SetTempFileFaultForTesting(EACCES);
    const TCodecResult r = Save();
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(ReadBytes(target), "changed");
    EXPECT_EQ(InodeOf(target), inode);
    EXPECT_EQ(FilesIn(docs), std::vector<std::string>{"doc.txt"});
    EXPECT_TRUE(FilesIn(recovery).empty());

    // A failed write puts the old bytes back from the copy.
    list->Put(0, std::u16string(3 << 20, u'x'));
    SetWriteFaultForTesting(1 << 20, ENOSPC);
    EXPECT_FALSE(Save().ok);
    SetWriteFaultForTesting(-1, 0);
    EXPECT_EQ(ReadBytes(target), "changed");
    EXPECT_TRUE(FilesIn(recovery).empty());

    // A copy that cannot be made stops the save before the file is touched.
    SetCopyFaultForTesting(2, ENOSPC);
    const TCodecResult noCopy = Save();
    EXPECT_FALSE(noCopy.ok);
    EXPECT_NE(noCopy.error.find(std::strerror(ENOSPC)), std::string::npos) << noCopy.error;
    EXPECT_EQ(ReadBytes(target), "changed");
    SetTempFileFaultForTesting(0);

    // The same through real permissions, where they bind.
    if (geteuid() != 0) {
        chmod(docs.c_str(), 0555);
        list->Put(0, u"real");
        const TCodecResult real = Save();
        chmod(docs.c_str(), 0755);
        ASSERT_TRUE(real.ok) << real.error;
        EXPECT_EQ(ReadBytes(target), "real");
    }
}

TEST_F(SaveTest, SymbolicLinkLoopIsRefused) {
    const std::string a = (docs / "a.txt").string();
    const std::string b = (docs / "b.txt").string();
    ASSERT_EQ(symlink("b.txt", a.c_str()), 0);
    ASSERT_EQ(symlink("a.txt", b.c_str()), 0);
    codec.profile.createBackup = true;
    const TCodecResult r = codec.Save(*list, a);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, std::strerror(ELOOP));
    struct stat st {};
    lstat(a.c_str(), &st);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(FilesIn(docs), (std::vector<std::string>{"a.txt", "b.txt", "doc.txt"}));

    // A loop further up the path fails the same way.
    ASSERT_EQ(symlink("self", (docs / "self").c_str()), 0);
    EXPECT_EQ(codec.Save(*list, (docs / "self" / "x.txt").string()).error, std::strerror(ELOOP));
}

// Folders whose file system keeps user attributes: the temporary folder, else one on the
// build's file system.
std::optional<fs::path> FolderWithUserAttributes(const fs::path& first) {
    for (const fs::path& folder : {first, fs::path(PELMAR_PROGRAM_DIR).parent_path()}) {
        const fs::path probe = folder / ".pelmar-xattr-probe";
        WriteBytes(probe.string(), "");
        const bool ok = setxattr(probe.c_str(), "user.pelmar.probe", "1", 1, 0) == 0;
        fs::remove(probe);
        if (ok) {
            return folder;
        }
    }
    return std::nullopt;
}

TEST_F(SaveTest, ExtendedAttributesAreCarriedOver) {
    const auto folder = FolderWithUserAttributes(docs);
    if (!folder) {
        GTEST_SKIP() << "neither " << docs << " nor the build folder keeps user.* attributes";
    }
    const fs::path own = *folder / ("pelmar-xattr-" + std::to_string(getpid()));
    fs::create_directories(own);
    struct TRemove {
        fs::path path;
        ~TRemove() {
            std::error_code ec;
            fs::remove_all(path, ec);
        }
    } cleanup{own};
    target = (own / "attr.txt").string();
    WriteBytes(target, "original");
    const std::string binary("a\0b\xff", 4);
    ASSERT_EQ(setxattr(target.c_str(), "user.pelmar.tag", "kept", 4, 0), 0);
    ASSERT_EQ(setxattr(target.c_str(), "user.pelmar.bin", binary.data(), binary.size(), 0), 0);
    const ino_t inode = InodeOf(target);

    const TCodecResult r = Save();
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(ReadBytes(target), "changed");
    EXPECT_NE(InodeOf(target), inode) << "replaced by rename, so the copy is what kept them";
    char value[16] = {};
    EXPECT_EQ(getxattr(target.c_str(), "user.pelmar.tag", value, sizeof value), 4);
    EXPECT_EQ(std::string(value, 4), "kept");
    EXPECT_EQ(getxattr(target.c_str(), "user.pelmar.bin", value, sizeof value), 4);
    EXPECT_EQ(std::string(value, 4), binary);
}

} // namespace
