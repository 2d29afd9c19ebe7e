// pelmar-batch --file-type and --highlight: the highlighter's choice of type, and the
// regions of lines as a paint of them would colour them.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "support/testSupport.h"

using testing_support::ProcessResult;
using testing_support::RunProcess;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

ProcessResult Batch(const std::string& name, const std::string& text,
                    std::vector<std::string> actions,
                    const std::string& home = PELMAR_PROGRAM_DIR) {
    static TempDir dir;
    const std::string file = dir.file(name);
    WriteBytes(file, text);
    std::vector<std::string> args = {PELMAR_BATCH_EXE, "--home", home, file};
    args.insert(args.end(), actions.begin(), actions.end());
    return RunProcess(args);
}

std::vector<std::string> Lines(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The foreground of the region that starts at `start` in a JSON line, or "".
std::string ForegroundAt(const std::string& jsonLine, int start) {
    std::smatch m;
    const std::regex re("\\{\"start\":" + std::to_string(start) +
                        ",\"end\":-?[0-9]+,\"fg\":(null|\"#[0-9A-F]{6}\")");
    return std::regex_search(jsonLine, m, re) ? m[1].str() : "";
}

TEST(BatchHighlight, TheTypeComesFromTheNameOrTheFirstLine) {
    ProcessResult r = Batch("main.rs", "fn main() {}\n", {"--file-type"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"title\":\"Rust\",\"name\":\"rust\"}\n");
    r = Batch("tool.py", "print(1)\n", {"--file-type"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"title\":\"Python 3\",\"name\":\"python3\"}\n");
    r = Batch("runme", "#!/bin/sh\necho hi\n", {"--file-type"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"name\":\"sh\""), std::string::npos) << r.out;
    r = Batch("page.xyzzy", "<?xml version=\"1.0\"?>\n<a/>\n", {"--file-type"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"name\":\"xml\""), std::string::npos) << r.out;
    r = Batch("notes.unknownext", "just words\n", {"--file-type"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"name\":\"default\""), std::string::npos) << r.out;
}

TEST(BatchHighlight, EveryLineGetsItsRegionsWithColoursStylesAndPairs) {
    const ProcessResult r = Batch("a.c",
                                  "/* note */\n"
                                  "int f(int x) {\n"
                                  "    return x + 1;\n"
                                  "}\n",
                                  {"--highlight"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 5u) << r.out; // four lines and the empty last one
    EXPECT_EQ(lines[0].rfind("{\"line\":0,\"regions\":[{", 0), 0u) << lines[0];
    const std::string comment = ForegroundAt(lines[0], 0);
    const std::string keyword = ForegroundAt(lines[1], 0); // "int"
    EXPECT_NE(comment, "");
    EXPECT_NE(keyword, "");
    EXPECT_NE(keyword, "null");
    EXPECT_NE(comment, keyword);
    EXPECT_NE(lines[1].find("\"pair\":\"open\""), std::string::npos) << lines[1];
    EXPECT_NE(lines[3].find("\"pair\":\"close\""), std::string::npos) << lines[3];
    EXPECT_EQ(lines[4], "{\"line\":4,\"regions\":[]}");
}

TEST(BatchHighlight, AWindowFarDownIsColouredAsAParseFromTheTopWouldColourIt) {
    // A comment opened on the first line and closed 600 lines later: lines inside it are
    // comment though the window's own parse starts far below the opening.
    std::string text = "/* opened here\n";
    for (int i = 1; i < 600; ++i) {
        text += "int still_comment_" + std::to_string(i) + " = (1);\n";
    }
    text += "*/\nint code = 1;\n";
    const ProcessResult head = Batch("long.c", text, {"--highlight", "0", "1"});
    ASSERT_EQ(head.status, 0) << head.err;
    const std::string comment = ForegroundAt(head.out, 0);
    ASSERT_NE(comment, "");
    const ProcessResult r = Batch("long.c", text, {"--highlight", "500", "3"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0].rfind("{\"line\":500,", 0), 0u);
    for (const std::string& line : lines) {
        EXPECT_EQ(ForegroundAt(line, 0), comment) << line;
        EXPECT_EQ(line.find("\"pair\":\""), std::string::npos) << "no pairs in a comment";
    }
    const ProcessResult after = Batch("long.c", text, {"--highlight", "601", "1"});
    ASSERT_EQ(after.status, 0) << after.err;
    EXPECT_NE(ForegroundAt(after.out, 0), comment) << after.out; // "int" is code again
}

TEST(BatchHighlight, WithoutTheLibraryBothFacesSaySoAndFail) {
    TempDir empty; // a program folder without the highlighting library
    for (const char* action : {"--file-type", "--highlight"}) {
        const ProcessResult r = Batch("a.c", "int x;\n", {action}, empty.path().string());
        EXPECT_EQ(r.status, 4) << action;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("highlighting library is not loaded"), std::string::npos) << r.err;
    }
    const ProcessResult bad = Batch("a.c", "int x;\n", {"--highlight", "1", "x"});
    EXPECT_EQ(bad.status, 1);
}

} // namespace
