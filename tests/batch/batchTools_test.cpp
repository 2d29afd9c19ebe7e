// pelmar-batch --compile and --filter: messages and the places they name, filters over the
// document, charsets on the way to a filter and back, entries that are missing or fail.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/testSupport.h"

using testing_support::ProcessResult;
using testing_support::ReadBytes;
using testing_support::RunBatch;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// A program folder with the shipped settings and charset tables and the tools given here.
class ToolHome {
public:
    ToolHome(const std::string& compileC, const std::string& filters) {
        namespace fs = std::filesystem;
        fs::copy(fs::path(PELMAR_PROGRAM_DIR) / "Ini", dir.path() / "Ini",
                 fs::copy_options::recursive);
        fs::create_directories(dir.path() / "Compile");
        WriteBytes(dir.file("Compile/c.ini"), compileC);
        WriteBytes(dir.file("Ini/filters.ini"), filters);
    }
    TempDir dir;
    std::string Root() const { return dir.path().string(); }
};

TEST(BatchTools, CompilePrintsTheMessagesAndThePlacesTheyName) {
    TempDir work;
    WriteBytes(work.file("two.c"), "int main(void) {\n"
                                   "    int a = ;\n"
                                   "    return a + b;\n"
                                   "}\n");
    const ProcessResult r =
        RunBatch(PELMAR_PROGRAM_DIR, {work.file("two.c"), "--compile", "Syntax_check"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string file = work.file("two.c");
    EXPECT_NE(r.out.find(file + ":2:13: error:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("{\"file\":\"" + file + "\",\"line\":2,\"column\":13,"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("{\"file\":\"" + file + "\",\"line\":3,\"column\":16,"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("{\"exit\":1}\n"), std::string::npos) << r.out;
}

// The shipped entries of other types find the places their programs name, each through
// its own pattern (Free Pascal's "f(3,11) Error:", Python's traceback, bash's "line N:").
TEST(BatchTools, ShippedEntriesOfOtherTypesFindTheirErrors) {
    TempDir work;
    struct TCase {
        const char* name;
        const char* text;
        const char* entry;
        std::string place; // the JSON of the place, without the text of the message
    };
    const std::vector<TCase> cases = {
        {"err.pas", "program hello;\nbegin\n  writeln(x);\nend.\n", "Syntax_check",
         "\"line\":3,\"column\":11,"},
        {"err.py", "def f():\n    return 1\n\nprint(f(\n", "Syntax_check", "\"line\":4,"},
        {"err.sh", "#!/bin/sh\necho one\nif true; then\n  echo two\n", "Syntax_check",
         "\"line\":5,"},
    };
    for (const TCase& c : cases) {
        WriteBytes(work.file(c.name), c.text);
        const ProcessResult r =
            RunBatch(PELMAR_PROGRAM_DIR, {work.file(c.name), "--compile", c.entry});
        ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
        EXPECT_NE(r.out.find("{\"file\":\"" + work.file(c.name) + "\"," + c.place),
                  std::string::npos)
            << c.name << ":\n"
            << r.out;
        EXPECT_EQ(r.out.find("{\"exit\":0}"), std::string::npos) << c.name << ": " << r.out;
    }
}

TEST(BatchTools, BuildAndRunThroughAnExplicitShell) {
    TempDir work;
    WriteBytes(work.file("hi there.c"),
               "#include <stdio.h>\nint main(void) { puts(\"hello\"); return 0; }\n");
    const ProcessResult r =
        RunBatch(PELMAR_PROGRAM_DIR, {work.file("hi there.c"), "--compile", "Build and run"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "hello\n{\"exit\":0}\n");
    EXPECT_TRUE(std::filesystem::exists(work.file("hi there")));
}

TEST(BatchTools, MissingEntriesAndToolsThatCannotStartAreReported) {
    ToolHome home("[Broken]\nCmd=pelmar-no-such-compiler %File%\nShow=1\n",
                  "[Broken]\nCmd=pelmar-no-such-filter\n[Complains]\nCmd=sh -c \"echo no >&2\"\n");
    TempDir work;
    WriteBytes(work.file("a.c"), "b\na\n");
    ProcessResult r = RunBatch(home.Root(), {work.file("a.c"), "--compile", "Nothing"});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("no compile entry \"Nothing\" for the file type \"c\""), std::string::npos)
        << r.err;
    r = RunBatch(home.Root(), {work.file("a.c"), "--compile", "Broken"});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("Cannot run \"pelmar-no-such-compiler\": No such file or directory"),
              std::string::npos)
        << r.err;
    r = RunBatch(home.Root(), {work.file("a.c"), "--filter", "Broken", "--save"});
    EXPECT_EQ(r.status, 4);
    r = RunBatch(home.Root(), {work.file("a.c"), "--filter", "Complains", "--save"});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("--filter: no"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(work.file("a.c")), "b\na\n");
}

TEST(BatchTools, FilterRunsOverTheSelectionOrTheWholeText) {
    TempDir work;
    WriteBytes(work.file("l.txt"), "pear\napple\nfig\n");
    ProcessResult r =
        RunBatch(PELMAR_PROGRAM_DIR, {work.file("l.txt"), "--filter", "Sort", "--save"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(work.file("l.txt")), "apple\nfig\npear\n");

    // Lines 2 and 3 only, upper case; then undone.
    r = RunBatch(PELMAR_PROGRAM_DIR, {work.file("l.txt"), "--select", "0", "1", "0", "3",
                                      "--filter", "Upper_case", "--dump", "--undo", "--dump"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "apple\nFIG\nPEAR\n\napple\nfig\npear\n\n");
}

TEST(BatchTools, CyrillicGoesToTheFilterInItsCharsetAndComesBack) {
    ToolHome home("", "[Bytes]\nCmd=od -An -tx1\nCharset=KOI8-R\n"
                      "[Same]\nCmd=cat\nCharset=KOI8-R\n"
                      "[A to B]\nCmd=tr \\301 \\302\nCharset=KOI8-R\n");
    TempDir work;
    WriteBytes(work.file("ru.txt"), "\xD0\xBC\xD0\xB0\xD0\xBC\xD0\xB0"); // мама
    ProcessResult r = RunBatch(home.Root(), {work.file("ru.txt"), "--filter", "Bytes", "--dump"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, " cd c1 cd c1 0a\n"); // м а м а in KOI8-R, the line's end
    r = RunBatch(home.Root(),
                 {work.file("ru.txt"), "--filter", "Same", "--filter", "A_to_B", "--dump"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\xD0\xBC\xD0\xB1\xD0\xBC\xD0\xB1\n"); // мбмб
}

} // namespace
