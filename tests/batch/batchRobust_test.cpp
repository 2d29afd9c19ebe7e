// pelmar-batch on inputs that must not hang or end it by a signal, and an explicit --repr.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "support/testSupport.h"

using testing_support::ProcessResult;
using testing_support::RunBatch;
using testing_support::RunProcess;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

TEST(BatchRobust, InputsThatAreNoFilesFailWithStatusTwo) {
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {fifo, "Not a regular file: it is a pipe"},
        {"/dev/zero", "Not a regular file: it is a device"},
        {dir.path().string(), "Is a directory"}};
    for (const auto& [name, says] : cases) {
        const ProcessResult r = RunBatch({name, "--info"});
        EXPECT_EQ(r.status, 2) << name << ": " << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
}

TEST(BatchRobust, ConfigurationThatIsNoFileIsSkippedNotWaitedFor) {
    // A program folder whose key, action and substitution files are FIFOs nobody writes
    // to, whose file types are /dev/zero and whose Cyrillic table is a folder.
    TempDir home;
    std::filesystem::copy(PELMAR_PROGRAM_DIR, home.path(),
                          std::filesystem::copy_options::recursive);
    for (const char* name : {"Ini/keys.ini", "Ini/actions.ini", "Ini/subst.ini"}) {
        std::filesystem::remove(home.file(name));
        ASSERT_EQ(mkfifo(home.file(name).c_str(), 0600), 0) << name;
    }
    std::filesystem::remove(home.file("Ini/files.ini"));
    std::filesystem::create_symlink("/dev/zero", home.file("Ini/files.ini"));
    std::filesystem::remove(home.file("Ini/windows-1251.tbl"));
    std::filesystem::create_directory(home.file("Ini/windows-1251.tbl"));
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "abc\n");
    const std::vector<std::vector<std::string>> runs = {
        {dir.file("a.txt"), "--info"},
        {"--charset", "Windows-1251", dir.file("a.txt"), "--save", dir.file("b.txt")},
        {dir.file("a.txt"), "--key", "End", "--exec", "MarkAll", "--info"},
    };
    for (const auto& run : runs) {
        // A start that waited on a FIFO would be killed here, and fail the test.
        std::vector<std::string> args = {
            "/usr/bin/timeout",  "-s", "KILL", "60", PELMAR_BATCH_EXE, "--home",
            home.path().string()};
        args.insert(args.end(), run.begin(), run.end());
        const ProcessResult r = RunProcess(args);
        EXPECT_EQ(r.status, 0) << run.back() << ": " << r.err;
    }
    EXPECT_EQ(testing_support::ReadBytes(dir.file("b.txt")), "abc\n");
}

TEST(BatchRobust, OddInputsNeverEndItBySignal) {
    TempDir dir;
    WriteBytes(dir.file("empty.txt"), "");
    WriteBytes(dir.file("refs.txt"), "&#99999999999999999999;\\uFFFFFFFF&#4294967296;\n");
    const std::vector<std::vector<std::string>> runs = {
        {dir.file("empty.txt"), "--info"},
        {"--repr", "1", dir.file("refs.txt"), "--dump"},
        {"--repr", "2", dir.file("refs.txt"), "--dump"},
        {dir.file("empty.txt"), "--select", "2147483647", "0", "2147483647", "0", "--info"},
        {dir.file("empty.txt"), "--select", "99999999999999999999", "0", "0", "0"},
        {dir.file("missing.txt"), "--info"},
    };
    for (const auto& run : runs) {
        const ProcessResult r = RunBatch(run);
        EXPECT_GE(r.status, 0) << "ended by a signal: " << run.front() << " " << r.err;
    }
}

TEST(BatchRobust, AnExplicitReprWinsOverTheProfile) {
    // A program folder whose profile for ".refs" files reads decimal references.
    TempDir home;
    std::filesystem::copy(PELMAR_PROGRAM_DIR, home.path(),
                          std::filesystem::copy_options::recursive);
    std::string files = testing_support::ReadBytes(home.file("Ini/files.ini"));
    files += "\n[refs]\nUniRepr=&#DDDD;\n";
    WriteBytes(home.file("Ini/files.ini"), files);
    TempDir dir;
    WriteBytes(dir.file("a.refs"), "caf&#233; \\u00e9\n");
    const auto run = [&](std::vector<std::string> options) {
        std::vector<std::string> args = {PELMAR_BATCH_EXE, "--home", home.path().string()};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {dir.file("a.refs"), "--info", "--dump"});
        return RunProcess(args);
    };
    // Nothing asked: the profile's representation.
    ProcessResult r = run({});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"repr\":1,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("caf\xC3\xA9 \\u00e9\n"), std::string::npos) << r.out;
    // Asked for without --charset: what was asked, even "none".
    r = run({"--repr", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"repr\":0,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("caf&#233; \\u00e9\n"), std::string::npos) << r.out;
    r = run({"--repr", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"repr\":2,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("caf&#233; \xC3\xA9\n"), std::string::npos) << r.out;
}

} // namespace
