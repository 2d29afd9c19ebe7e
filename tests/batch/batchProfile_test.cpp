// pelmar-batch --profile: the file-type section that applies to a file and each setting
// with its value and whether the section has it of its own.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/testSupport.h"

using testing_support::RunBatch;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

TEST(BatchProfile, PrintsTheSectionAndOwnOrInheritedSettings) {
    TempDir home;
    std::filesystem::create_directories(home.path() / "Ini");
    WriteBytes(home.file("Ini/files.ini"), "[*]\nTabSize=4\nWrap=1\n"
                                           "[htm html shtml]\nTabSize=2\nKbd1=&#1092;\n");
    const std::string page = home.file("a.html");
    WriteBytes(page, "<p>\n");
    const auto result = RunBatch(home.path().string(), {page, "--profile"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("{\"type\":\"html\",\"section\":\"htm html shtml\"}\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("{\"key\":\"TabSize\",\"value\":\"2\",\"own\":true}"),
              std::string::npos);
    EXPECT_NE(result.out.find("{\"key\":\"Wrap\",\"value\":\"1\",\"own\":false}"),
              std::string::npos);
    EXPECT_NE(result.out.find("{\"key\":\"Kbd1\",\"value\":\"\xD1\x84\",\"own\":true}"),
              std::string::npos);

    // A type no section names: only "*", nothing of its own.
    const std::string other = home.file("b.xhtml");
    WriteBytes(other, "x\n");
    const auto plain = RunBatch(home.path().string(), {other, "--profile"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.out.find("\"section\":null"), std::string::npos) << plain.out;
    EXPECT_EQ(plain.out.find("\"own\":true"), std::string::npos);
    EXPECT_NE(plain.out.find("{\"key\":\"TabSize\",\"value\":\"4\",\"own\":false}"),
              std::string::npos);
}

} // namespace
