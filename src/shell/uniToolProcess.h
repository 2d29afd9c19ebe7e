// Running an external tool: a child process started without a shell, its standard input
// fed from memory, its standard output and error captured as lists of 8-bit lines.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Turns bytes into lines the way tool output is shown: LF ends a line (a CR before it is
// dropped), a bare CR starts the line over at the next byte, a tab becomes one blank unless
// tabs are kept. Bytes are kept as they come (8-bit text).
class TToolLineSink {
public:
    explicit TToolLineSink(bool keepTabs) : keepTabs_(keepTabs) {}
    void Append(std::string_view bytes);
    std::vector<std::string>& Lines() { return lines_; }
    const std::vector<std::string>& Lines() const { return lines_; }
    // Whether a trailing empty line may be dropped: true once any byte arrived.
    bool Empty() const { return lines_.empty(); }

private:
    bool keepTabs_;
    std::vector<std::string> lines_;
};

// Where standard output goes.
enum class TToolOutput {
    Messages, // compile entries: standard output, then standard error, form the messages
    Separate  // filters: standard output is the result, standard error the messages
};

struct TToolRequest {
    std::vector<std::string> argv; // argv[0] is looked up on PATH when it has no "/"
    std::string workDir;           // empty: the editor's own current folder
    // Written to the child's standard input, which is closed afterwards (an empty input
    // closes it at once, so a tool waiting for input sees its end).
    std::string input;
    TToolOutput output = TToolOutput::Messages;
    // Bytes kept from each captured stream; the rest is read and dropped, so the child
    // never blocks on a full pipe.
    std::size_t maxBytes = std::size_t{8} << 20;
    // Asked at least every 100 ms while the tool runs; true kills its process group.
    std::function<bool()> cancelled;
    // How long to go on reading after the child has exited while a process it left behind
    // still holds the pipes open: the reading ends this long after the last byte.
    int drainMs = 500;
};

struct TToolResult {
    bool started = false;
    bool cancelled = false;
    bool truncated = false; // some output went over maxBytes and was dropped
    int exitCode = -1;      // -1 when it ended by a signal or never started
    int signal = 0;
    // Start errors, standard error and (TToolOutput::Messages) standard output; a trailing
    // empty line is dropped.
    std::vector<std::string> messages;
    // Standard output for TToolOutput::Separate, tabs kept, trailing empty line kept (it
    // tells that the output ended with a line break).
    std::vector<std::string> output;
};

// Runs the tool to its end (or until cancelled) on the calling thread. Never throws for
// a tool that cannot be started: the reason is the one message line, e.g.
// Cannot run "gcc": No such file or directory.
TToolResult RunToolProcess(const TToolRequest& request);

// Starts a tool that runs on its own: standard input from /dev/null, output where the
// editor's goes, nothing waited for (a thread reaps it when it ends). Answers the start
// error as a message line, empty when it started.
std::string StartDetachedTool(const std::vector<std::string>& argv, const std::string& workDir);
