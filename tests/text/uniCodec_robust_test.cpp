// Loads that must fail with a message instead of hanging or aborting: files that are not
// regular files (as documents, tables and detection samples) and loads out of memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/uniFileIO.h"
#include "detect/uniDetect.h"
#include "support/testSupport.h"
#include "text/uniCodec.h"
#include "text/uniConvTable.h"

using testing_support::TempDir;
using testing_support::U8;
using testing_support::WriteBytes;

#if defined(__SANITIZE_ADDRESS__)
#define PELMAR_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PELMAR_ASAN 1
#endif
#endif

namespace {

struct ListHolder {
    TWStringList* list = new TWStringList;
    ~ListHolder() { list->Release(); }
    TWStringList& operator*() { return *list; }
    TWStringList* operator->() { return list; }
};

// A FIFO nobody writes to: opening it for reading the ordinary way would wait forever.
std::string MakeFifo(const TempDir& dir) {
    const std::string name = dir.file("fifo");
    EXPECT_EQ(mkfifo(name.c_str(), 0600), 0);
    return name;
}

TEST(CodecNotRegular, DocumentsThatAreNoFilesFailAtOnceWithAMessage) {
    TempDir dir;
    struct TCase {
        std::string name;
        std::string says;
    };
    const TCase cases[] = {
        {MakeFifo(dir), "pipe"}, {"/dev/zero", "device"}, {dir.path().string(), "directory"}};
    for (const TCase& c : cases) {
        ListHolder list;
        list->Add(u"kept");
        TTextCodec codec;
        codec.charset = "UTF-8";
        const TCodecResult r = codec.Load(*list, c.name);
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_NE(r.error.find(c.says), std::string::npos) << c.name << ": " << r.error;
        // The document keeps what it held, plus the one empty line of a failed load.
        ASSERT_EQ(list->Count(), 2) << c.name;
        EXPECT_EQ(list->Get(0), u"kept");
    }
}

TEST(CodecNotRegular, TablesDetectionAndConfigurationSkipThem) {
    TempDir dir;
    const std::string fifo = MakeFifo(dir);
    for (const std::string& name : {fifo, std::string("/dev/zero"), dir.path().string()}) {
        TConvTable table;
        EXPECT_FALSE(table.LoadFromFile(name)) << name;
        EXPECT_TRUE(table.Empty()) << name;
        EXPECT_FALSE(ReadSampleLines(name, 10, 100).has_value()) << name;
        const TFileBytes bytes = ReadFileBytes(name);
        EXPECT_EQ(bytes.status, TReadStatus::Failed) << name;
        EXPECT_FALSE(bytes.error.empty()) << name;
    }
    // A regular file still opens, and reads blocking as usual.
    WriteBytes(dir.file("plain.txt"), "abc");
    const TReadOpen opened = OpenForReading(dir.file("plain.txt"));
    ASSERT_GE(opened.fd, 0) << opened.why;
    char buf[8];
    EXPECT_EQ(read(opened.fd, buf, sizeof buf), 3);
    close(opened.fd);
    EXPECT_TRUE(OpenForReading(dir.file("missing.txt")).Missing());
}

// The detection hook runs before the load opens the file: it must not block either.
TEST(CodecNotRegular, DetectionOfAFifoDoesNotBlockTheLoad) {
    TempDir dir;
    const std::string fifo = MakeFifo(dir);
    ListHolder list;
    TTextCodec codec;
    codec.profile.autodetect = true;
    struct TDetecting final : TCodecObserver {
        int detections = 0;
        std::optional<std::string> DetectCharset(const std::string& name) override {
            ++detections;
            return ReadSampleLines(name, 10, 100) ? std::optional<std::string>("WINDOWS")
                                                  : std::nullopt;
        }
    } observer;
    EXPECT_FALSE(codec.Load(*list, fifo, &observer).ok);
    EXPECT_EQ(observer.detections, 1);
}

TEST(CodecOutOfMemory, AFailedAllocationEndsTheLoadWithAMessage) {
    TempDir dir;
    std::string text;
    for (int i = 0; i < 500; ++i) {
        text += "line " + std::to_string(i) + "\n";
    }
    WriteBytes(dir.file("big.txt"), text);
    ListHolder list;
    list->Add(u"old");
    TTextCodec codec;
    codec.charset = "UTF-8";
    for (int after : {0, 1, 250}) {
        SetLoadFaultForTesting(after);
        const TCodecResult r = codec.Load(*list, dir.file("big.txt"));
        EXPECT_FALSE(r.ok) << after;
        EXPECT_NE(r.error.find("Out of memory"), std::string::npos) << r.error;
        ASSERT_EQ(list->Count(), 1) << after;
        EXPECT_EQ(list->Get(0), u"");
        EXPECT_FALSE(list->Modified());
    }
    // The hook fires once; the next load is whole.
    ASSERT_TRUE(codec.Load(*list, dir.file("big.txt")).ok);
    EXPECT_EQ(list->Count(), 501);
    EXPECT_EQ(U8(list->Get(250)), "line 250");
}

#ifndef PELMAR_ASAN
// The address space the process uses now, in bytes.
rlim_t CurrentAddressSpace() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmSize:") {
            rlim_t kb = 0;
            status >> kb;
            return kb * 1024;
        }
        std::getline(status, key);
    }
    return 0;
}

// A file whose lines take far more memory loaded than on disk: 16 M lines of one letter.
std::string WriteManyShortLines(const TempDir& dir) {
    const std::string name = dir.file("many.txt");
    std::string block;
    for (int i = 0; i < (1 << 20); ++i) {
        block += "a\n";
    }
    std::ofstream out(name, std::ios::binary);
    for (int i = 0; i < 16; ++i) {
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    return name;
}
#endif

TEST(CodecOutOfMemory, ARealShortageInAChildProcessIsAFailureNotASignal) {
#ifdef PELMAR_ASAN
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space at start: a "
                    "lowered RLIMIT_AS stops it, not the load";
#else
    TempDir dir;
    const std::string name = WriteManyShortLines(dir);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlim_t limit = CurrentAddressSpace() + (256u << 20);
        const rlimit lowered{limit, limit};
        if (setrlimit(RLIMIT_AS, &lowered) != 0) {
            _exit(10);
        }
        ListHolder list;
        TTextCodec codec;
        codec.charset = "UTF-8";
        const TCodecResult r = codec.Load(*list, name);
        if (r.ok) {
            _exit(11); // the limit was not reached: the test proves nothing
        }
        if (r.error.find("Out of memory") == std::string::npos || list->Count() != 1) {
            _exit(12);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

TEST(CodecOutOfMemory, PelmarBatchExitsWithTheLoadFailureStatus) {
#ifdef PELMAR_ASAN
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space at start: a "
                    "lowered RLIMIT_AS stops it, not the load";
#else
    TempDir dir;
    const std::string name = WriteManyShortLines(dir);
    const std::string errors = dir.file("stderr.txt");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit lowered{512u << 20, 512u << 20};
        if (setrlimit(RLIMIT_AS, &lowered) != 0 || !std::freopen(errors.c_str(), "w", stderr)) {
            _exit(10);
        }
        execl(PELMAR_BATCH_EXE, PELMAR_BATCH_EXE, "--home", PELMAR_PROGRAM_DIR, "--charset",
              "UTF-8", name.c_str(), "--info", static_cast<char*>(nullptr));
        _exit(11);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(testing_support::ReadBytes(errors).find("Out of memory"), std::string::npos)
        << testing_support::ReadBytes(errors);
#endif
}

} // namespace
