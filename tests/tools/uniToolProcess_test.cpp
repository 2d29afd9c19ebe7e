// Running tools: output to lines, exit codes, pipes that fill up, bounds, cancelling and
// programs that cannot start.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "shell/uniToolProcess.h"
#include "support/testSupport.h"

using testing_support::TempDir;

namespace {

using Lines = std::vector<std::string>;

Lines Sink(std::string_view bytes, bool keepTabs = false) {
    TToolLineSink sink(keepTabs);
    sink.Append(bytes);
    return sink.Lines();
}

TEST(ToolLineSink, LineFeedsCarriageReturnsAndTabs) {
    // a CR LF b CR c LF: the CR before LF goes, the bare CR starts "b" over.
    EXPECT_EQ(Sink("a\r\nb\rc\n"), (Lines{"a", "c", ""}));
    EXPECT_EQ(Sink("x\ty"), (Lines{"x y"}));
    EXPECT_EQ(Sink("x\ty", true), (Lines{"x\ty"}));
    EXPECT_EQ(Sink("end\r"), (Lines{"end\r"})); // nothing came after the CR yet
    EXPECT_EQ(Sink("\n\n"), (Lines{"", "", ""}));
    // Bytes arriving in pieces are joined the same way.
    TToolLineSink sink(false);
    sink.Append("ab\r");
    sink.Append("\ncd\r");
    sink.Append("e");
    EXPECT_EQ(sink.Lines(), (Lines{"ab", "e"}));
}

TToolRequest Shell(const std::string& script, TToolOutput output = TToolOutput::Messages) {
    TToolRequest r;
    r.argv = {"sh", "-c", script};
    r.output = output;
    return r;
}

TEST(ToolProcess, CompileOutputIsStdoutThenStderrAndTheExitCodeIsKept) {
    const TToolResult r = RunToolProcess(Shell("echo err >&2; printf 'o1\\to2\\n'; exit 3"));
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.messages, (Lines{"o1 o2", "err"}));
    EXPECT_TRUE(r.output.empty());

    const TToolResult ok = RunToolProcess(Shell("true"));
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_TRUE(ok.messages.empty());
}

TEST(ToolProcess, FilterInputReachesTheToolAndItsOutputKeepsTabs) {
    TToolRequest r;
    r.argv = {"sort"};
    r.output = TToolOutput::Separate;
    r.input = "b\tx\na\n";
    const TToolResult res = RunToolProcess(r);
    EXPECT_EQ(res.exitCode, 0);
    EXPECT_EQ(res.output, (Lines{"a", "b\tx", ""}));
    EXPECT_TRUE(res.messages.empty());
}

TEST(ToolProcess, MuchOutputOnEitherStreamNeverBlocksEitherSide) {
    // 10 MB on standard error before a byte on standard output.
    TToolRequest r =
        Shell("head -c 10000000 /dev/zero | tr '\\0' x >&2; echo done", TToolOutput::Separate);
    r.maxBytes = 16u << 20;
    TToolResult res = RunToolProcess(r);
    EXPECT_EQ(res.exitCode, 0);
    EXPECT_EQ(res.output, (Lines{"done", ""}));
    ASSERT_EQ(res.messages.size(), 1u);
    EXPECT_EQ(res.messages[0].size(), 10000000u);

    // A filter that writes more than a pipe holds before it reads its input, with more
    // input than a pipe holds.
    TToolRequest f =
        Shell("head -c 300000 /dev/zero | tr '\\0' y; echo; wc -c", TToolOutput::Separate);
    f.input.assign(400000, 'z');
    res = RunToolProcess(f);
    EXPECT_EQ(res.exitCode, 0);
    ASSERT_EQ(res.output.size(), 3u);
    EXPECT_EQ(res.output[0].size(), 300000u);
    EXPECT_EQ(res.output[1], "400000");
}

TEST(ToolProcess, OutputBeyondTheBoundIsDroppedWithANote) {
    TToolRequest r =
        Shell("head -c 100000 /dev/zero | tr '\\0' q; echo; echo tail >&2", TToolOutput::Separate);
    r.maxBytes = 1000;
    const TToolResult res = RunToolProcess(r);
    EXPECT_EQ(res.exitCode, 0); // the tool ran to its end: the rest was read
    EXPECT_TRUE(res.truncated);
    ASSERT_EQ(res.output.size(), 1u);
    EXPECT_EQ(res.output[0], std::string(1000, 'q'));
    ASSERT_EQ(res.messages.size(), 2u);
    EXPECT_EQ(res.messages[0], "tail");
    EXPECT_NE(res.messages[1].find("99001 bytes of output were dropped"), std::string::npos)
        << res.messages[1];
}

TEST(ToolProcess, CancellingEndsTheToolAndWhatItStarted) {
    TempDir dir;
    const std::string marker = dir.file("late");
    TToolRequest r = Shell("(sleep 2; touch " + marker + ") & sleep 100");
    const auto start = std::chrono::steady_clock::now();
    std::atomic<int> asked{0};
    r.cancelled = [&] {
        return ++asked > 3 &&
               std::chrono::steady_clock::now() - start > std::chrono::milliseconds(200);
    };
    const TToolResult res = RunToolProcess(r);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(res.cancelled);
    EXPECT_EQ(res.signal, SIGKILL);
    EXPECT_LT(took, std::chrono::seconds(5));
    ASSERT_FALSE(res.messages.empty());
    EXPECT_EQ(res.messages.back(), "[\"sh\" was stopped]");
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_FALSE(std::filesystem::exists(marker)); // the whole group went
}

TEST(ToolProcess, AChildLeftHoldingThePipesDoesNotKeepTheRunGoing) {
    TToolRequest r = Shell("echo hi; sleep 30 & exit 0");
    r.drainMs = 200;
    const auto start = std::chrono::steady_clock::now();
    const TToolResult res = RunToolProcess(r);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(res.exitCode, 0);
    EXPECT_EQ(res.messages, (Lines{"hi"}));
}

TEST(ToolProcess, OutputWrittenLateBeforeTheEndIsRead) {
    const TToolResult res = RunToolProcess(Shell("sleep 0.8; echo late"));
    EXPECT_EQ(res.messages, (Lines{"late"}));
}

TEST(ToolProcess, AProgramThatCannotStartIsNamedWithTheReason) {
    TToolRequest r;
    r.argv = {"pelmar-no-such-tool", "x"};
    TToolResult res = RunToolProcess(r);
    EXPECT_FALSE(res.started);
    EXPECT_EQ(res.messages,
              (Lines{"Cannot run \"pelmar-no-such-tool\": No such file or directory"}));

    TempDir dir;
    r.argv = {"true"};
    r.workDir = dir.file("gone");
    res = RunToolProcess(r);
    EXPECT_FALSE(res.started);
    ASSERT_EQ(res.messages.size(), 1u);
    EXPECT_NE(res.messages[0].find("No such file or directory"), std::string::npos);

    EXPECT_EQ(StartDetachedTool({"pelmar-no-such-tool"}, ""),
              "Cannot run \"pelmar-no-such-tool\": No such file or directory");
}

TEST(ToolProcess, ADetachedToolRunsOnItsOwnInItsFolder) {
    TempDir dir;
    ASSERT_EQ(StartDetachedTool({"sh", "-c", "sleep 0.2; touch made"}, dir.path().string()), "");
    const auto start = std::chrono::steady_clock::now();
    while (!std::filesystem::exists(dir.file("made")) &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(std::filesystem::exists(dir.file("made")));
}

TEST(ToolProcess, TheToolRunsInItsWorkingFolder) {
    TempDir dir;
    TToolRequest r;
    r.argv = {"pwd"};
    r.workDir = dir.path().string();
    const TToolResult res = RunToolProcess(r);
    ASSERT_EQ(res.messages.size(), 1u);
    EXPECT_EQ(std::filesystem::canonical(res.messages[0]), std::filesystem::canonical(dir.path()));
}

TEST(ToolProcess, AToolThatStopsReadingItsInputDoesNotHurtTheEditor) {
    TToolRequest r;
    r.argv = {"head", "-n", "1"};
    r.output = TToolOutput::Separate;
    r.input = "first\n" + std::string(1 << 20, 'x');
    const TToolResult res = RunToolProcess(r); // EPIPE, not SIGPIPE, here
    EXPECT_TRUE(res.started);
    EXPECT_EQ(res.output, (Lines{"first", ""}));
}

} // namespace
