// pelmar-batch from the outside: options, actions, exit statuses, round trips of every charset.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "support/testSupport.h"

using testing_support::ProcessResult;
using testing_support::ReadBytes;
using testing_support::RunProcess;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

ProcessResult Batch(std::vector<std::string> args) {
    args.insert(args.begin(), {PELMAR_BATCH_EXE, "--home", PELMAR_PROGRAM_DIR});
    return RunProcess(args);
}

// The [charsets] names of the shipped configuration.
std::vector<std::string> ShippedCharsets() {
    std::ifstream in(std::string(PELMAR_SOURCE_DATA_DIR) + "/Ini/pelmar.ini");
    std::vector<std::string> names;
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] == '[') {
            inside = line == "[charsets]";
        } else if (inside && line.find('=') != std::string::npos && line[0] != ';') {
            names.push_back(line.substr(0, line.find('=')));
        }
    }
    return names;
}

TEST(PelmarBatch, InfoDescribesTheDocument) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), std::string("\xFF\xFE"
                                              "a\0\r\0b\0",
                                              8));
    ProcessResult r = Batch({dir.file("a.txt"), "--info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"lines\":2,\"charset\":\"UTF-16 (LE)\",\"surrogate\":\"-\",\"repr\":0,"
                     "\"separator\":\"CR\",\"modified\":false,\"escaped_bytes\":false}\n");

    WriteBytes(dir.file("b.txt"), "x\x80y\n");
    r = Batch({"--charset", "utf-8", "--repr", "1", dir.file("b.txt"), "--info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"lines\":2,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"repr\":1,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"escaped_bytes\":true"), std::string::npos) << r.out;
}

TEST(PelmarBatch, DumpWritesUtf8AndRawEscapedBytes) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "\xE9t\xE9\r\n\xFF");
    ProcessResult r = Batch({"--charset", "WINDOWS", dir.file("a.txt"), "--dump"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\xC3\xA9t\xC3\xA9\n\xC3\xBF\n");

    r = Batch({dir.file("a.txt"), "--dump"}); // default charset: UTF-8, bytes kept
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\xE9t\xE9\n\xFF\n");
}

TEST(PelmarBatch, ActionsRunInOrder) {
    TempDir dir;
    WriteBytes(dir.file("a.txt"), "\xD0\xB6\n\xD0\xB7");
    ProcessResult r = Batch({dir.file("a.txt"), "--set-charset", "UTF-16 (BE)", "--set-eol", "LS",
                             "--save", dir.file("b.txt"), "--set-repr", "2", "--set-eol", "CR",
                             "--save", dir.file("c.txt"), "--info"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.file("b.txt")), std::string("\xFE\xFF\x04\x36\x20\x28\x04\x37", 8));
    EXPECT_EQ(
        ReadBytes(dir.file("c.txt")),
        std::string("\xFE\xFF\0\\\0u\0\x30\0\x34\0\x33\0\x36\0\r\0\\\0u\0\x30\0\x34\0\x33\0\x37",
                    28));
    EXPECT_NE(r.out.find("\"modified\":false"), std::string::npos);

    // Backups on request, saving in place.
    r = Batch({dir.file("a.txt"), "--backup", "on", "--set-eol", "CRLF", "--save"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir.file("a.~tx")), "\xD0\xB6\n\xD0\xB7");
    EXPECT_EQ(ReadBytes(dir.file("a.txt")), "\xD0\xB6\r\n\xD0\xB7");
}

TEST(PelmarBatch, ErrorsAreReportedWithStatus) {
    TempDir dir;
    ProcessResult r = Batch({dir.file("missing.txt"), "--info"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(std::strerror(ENOENT)), std::string::npos) << r.err;

    WriteBytes(dir.file("a.txt"), "a");
    r = Batch({dir.file("a.txt"), "--save", dir.file("nowhere/b.txt")});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find(std::strerror(ENOENT)), std::string::npos) << r.err;

    EXPECT_EQ(Batch({"--charset", "Klingon", dir.file("a.txt"), "--info"}).status, 1);
    EXPECT_EQ(Batch({dir.file("a.txt"), "--set-eol", "NEL"}).status, 1);
    EXPECT_EQ(Batch({dir.file("a.txt"), "--frobnicate"}).status, 1);
    EXPECT_EQ(Batch({}).status, 1);

    // A character the 8-bit charset cannot hold is reported, not silently lost.
    WriteBytes(dir.file("c.txt"), "\xD0\xB6");
    r = Batch({dir.file("c.txt"), "--set-charset", "Windows", "--save", dir.file("d.txt")});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("1 characters"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(dir.file("d.txt")), "?");
}

TEST(PelmarBatch, DefaultCharsetIsDetected) {
    TempDir dir;
    const std::string russian =
        "\xD0\xA1\xD1\x8A\xD0\xB5\xD1\x88\xD1\x8C \xD0\xB6\xD0\xB5 \xD0\xB5\xD1\x89\xD1\x91 "
        "\xD1\x8D\xD1\x82\xD0\xB8\xD1\x85 \xD0\xBC\xD1\x8F\xD0\xB3\xD0\xBA\xD0\xB8\xD1\x85 "
        "\xD1\x84\xD1\x80\xD0\xB0\xD0\xBD\xD1\x86\xD1\x83\xD0\xB7\xD1\x81\xD0\xBA\xD0\xB8\xD1\x85 "
        "\xD0\xB1\xD1\x83\xD0\xBB\xD0\xBE\xD0\xBA, \xD0\xB4\xD0\xB0 "
        "\xD0\xB2\xD1\x8B\xD0\xBF\xD0\xB5"
        "\xD0\xB9 \xD1\x87\xD0\xB0\xD1\x8E.";
    WriteBytes(dir.file("u.txt"), russian);
    for (const char* charset : {"Windows-1251", "KOI8-R", "CP866", "ISO-8859-5", "UTF-8"}) {
        ProcessResult r = Batch({"--charset", "UTF-8", dir.file("u.txt"), "--set-charset", charset,
                                 "--save", dir.file("c.txt")});
        ASSERT_EQ(r.status, 0) << r.err;
        r = Batch({dir.file("c.txt"), "--info", "--dump"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(std::string("\"charset\":\"") + charset + "\""), std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find(russian + "\n"), std::string::npos) << charset;
    }
    // A charset given on the command line is used as it is.
    ProcessResult r = Batch({"--charset", "WINDOWS", dir.file("c.txt"), "--info"});
    EXPECT_NE(r.out.find("\"charset\":\"WINDOWS\""), std::string::npos) << r.out;
}

// Every shipped table charset, and the built-in 8-bit ones, give back the bytes they read.
TEST(PelmarBatch, EveryCharsetRoundTrips) {
    TempDir dir;
    std::string bytes;
    for (int b = 0x20; b < 0x100; ++b) {
        bytes.push_back(static_cast<char>(b));
        if (b % 32 == 31) {
            bytes += "\r\n";
        }
    }
    WriteBytes(dir.file("all.txt"), bytes);
    std::vector<std::string> charsets = ShippedCharsets();
    EXPECT_GE(charsets.size(), 9u);
    charsets.insert(charsets.end(), {"WINDOWS", "OEM", "UTF-8"});
    for (const std::string& cs : charsets) {
        ProcessResult r =
            Batch({"--charset", cs, dir.file("all.txt"), "--save", dir.file("out.txt")});
        ASSERT_EQ(r.status, 0) << cs << ": " << r.err;
        EXPECT_EQ(ReadBytes(dir.file("out.txt")), bytes) << "charset " << cs;
    }
}

} // namespace
