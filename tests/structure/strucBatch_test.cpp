// pelmar-batch --structure: the tree of a file through the editor's template lookup.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/testSupport.h"

using testing_support::ProcessResult;
using testing_support::ReadBytes;
using testing_support::RunProcess;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

const std::filesystem::path kHere =
    std::filesystem::path(PELMAR_SOURCE_DATA_DIR).parent_path() / "tests" / "structure";

ProcessResult Structure(const std::string& file) {
    return RunProcess({PELMAR_BATCH_EXE, "--home", PELMAR_PROGRAM_DIR, file, "--structure"});
}

} // namespace

TEST(StrucBatch, PrintsTheSameTreeAsTheGoldenFile) {
    for (const char* name : {"c.c", "markdown.md", "python3.py"}) {
        SCOPED_TRACE(name);
        const ProcessResult r = Structure((kHere / "samples" / name).string());
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string type = std::filesystem::path(name).stem().string();
        EXPECT_EQ(r.out, ReadBytes((kHere / "golden" / (type + ".txt")).string()));
    }
}

TEST(StrucBatch, NoTemplateFailsWithStatusFour) {
    TempDir dir;
    WriteBytes(dir.file("notes.qqqzz"), "plain words\n");
    const ProcessResult r = Structure(dir.file("notes.qqqzz"));
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("no structure template"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}
