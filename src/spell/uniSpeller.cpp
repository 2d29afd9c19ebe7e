// The speller process: spawning without a shell, the pipes, and the reply reading.
#include "spell/uniSpeller.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "base/uniSigPipe.h"
#include "shell/PmCommandLine.h"

extern char** environ;

namespace {

constexpr size_t kErrorTextLimit = 2048;

std::string ReplaceAll(std::string text, std::string_view what, std::string_view with) {
    for (size_t pos = text.find(what); pos != std::string::npos;
         pos = text.find(what, pos + with.size())) {
        text.replace(pos, what.size(), with);
    }
    return text;
}

void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

// The child's environment: the editor's own, with HOME replaced when `home` is given.
std::vector<std::string> ChildEnvironment(const std::string& home) {
    std::vector<std::string> env;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        if (!home.empty() && std::strncmp(*e, "HOME=", 5) == 0) {
            continue;
        }
        env.emplace_back(*e);
    }
    if (!home.empty()) {
        env.push_back("HOME=" + home);
    }
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    out.reserve(strings.size() + 1);
    for (std::string& s : strings) {
        out.push_back(s.data());
    }
    out.push_back(nullptr);
    return out;
}

} // namespace

TSpellerProcess::~TSpellerProcess() {
    Stop();
}

void TSpellerProcess::Start(const std::string& commandLine, const std::string& programFolder) {
    namespace fs = std::filesystem;
    Stop();
    std::vector<std::string> args =
        SplitCommandLine(ReplaceAll(commandLine, "%Pelmar%", programFolder));
    // SplitCommandLine puts the program first; an empty command has nothing to run.
    if (args.empty() || args[0].empty()) {
        throw ESpellError("No speller command is set for this spell language.");
    }
    program_ = args[0];
    std::string home;
    if (program_.find_first_of("/\\") != std::string::npos) {
        std::replace(args[0].begin(), args[0].end(), '\\', '/');
        std::error_code ec;
        fs::path path = fs::absolute(args[0], ec);
        if (!ec) {
            args[0] = path.lexically_normal().string();
        }
        home = fs::path(args[0]).parent_path().string();
    }

    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        const std::string why = std::strerror(errno);
        for (int* p : {in, out, err}) {
            CloseFd(p[0]);
            CloseFd(p[1]);
        }
        throw ESpellError("Cannot start the speller \"" + program_ + "\": " + why);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    if (!home.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, home.c_str());
    }
    // The child starts with no signal held and SIGPIPE at its default, whatever the editor
    // holds or ignores.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<std::string> env = ChildEnvironment(home);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);
    pid_t pid = -1;
    const int rc = home.empty()
                       ? posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), envp.data())
                       : posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), envp.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    CloseFd(in[0]);
    CloseFd(out[1]);
    CloseFd(err[1]);
    input_ = in[1];
    output_ = out[0];
    errors_ = err[0];
    if (rc != 0) {
        CloseAll();
        throw ESpellError("Cannot start the speller \"" + program_ + "\": " + std::strerror(rc));
    }
    pid_ = pid;
    pending_.clear();
    errorText_.clear();
    ReadLine(); // the greeting
    Send("!");  // terse mode: a correct word gets an empty reply
}

void TSpellerProcess::Stop() {
    if (pid_ <= 0) {
        CloseAll();
        return;
    }
    // End of input: the speller saves what it must and leaves.
    CloseFd(input_);
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 100 && (done = waitpid(pid_, &status, WNOHANG)) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    CloseAll();
}

void TSpellerProcess::CloseAll() {
    CloseFd(input_);
    CloseFd(output_);
    CloseFd(errors_);
    pending_.clear();
}

void TSpellerProcess::Fail(const std::string& why) {
    DrainErrors();
    std::string message = "The speller \"" + program_ + "\" " + why;
    std::string said = errorText_;
    while (!said.empty() && (said.back() == '\n' || said.back() == '\r')) {
        said.pop_back();
    }
    if (!said.empty()) {
        message += ":\n" + said;
    }
    Stop();
    throw ESpellError(message);
}

void TSpellerProcess::Send(std::string_view line) {
    std::string bytes(line);
    // The protocol's lines end with LF here: a CR would become part of the word.
    bytes.push_back('\n');
    Write(bytes);
}

std::string TSpellerProcess::Ask(std::string_view word) {
    if (word.empty()) {
        return {};
    }
    Send(word);
    // A reply is a run of lines ended by an empty one; only its first line matters (a line
    // that held several words would have one line for each). Reading to the empty line
    // keeps question and answer in step however the pipe splits the bytes.
    std::string reply;
    for (bool first = true;; first = false) {
        std::string line = ReadLine();
        if (line.empty()) {
            return reply;
        }
        if (first) {
            reply = std::move(line);
        }
    }
}

void TSpellerProcess::Write(std::string_view bytes) {
    if (pid_ <= 0) {
        throw ESpellError("The speller is not running.");
    }
    TSigPipeHold hold;
    while (!bytes.empty()) {
        const ssize_t n = write(input_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            Fail("has ended");
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

std::string TSpellerProcess::ReadLine() {
    const auto deadline = std::chrono::steady_clock::now() + timeout_;
    for (;;) {
        if (const size_t end = pending_.find('\n'); end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            Fail("did not answer in time");
        }
        pollfd fds[2] = {{output_, POLLIN, 0}, {errors_, POLLIN, 0}};
        const int ready = poll(fds, errors_ >= 0 ? 2 : 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            Fail(std::string("cannot be read: ") + std::strerror(errno));
        }
        if (errors_ >= 0 && fds[1].revents != 0) {
            DrainErrors();
        }
        if (fds[0].revents != 0) {
            char buffer[4096];
            const ssize_t n = read(output_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                Fail("has ended");
            }
            pending_.append(buffer, static_cast<size_t>(n));
        }
    }
}

void TSpellerProcess::DrainErrors() {
    while (errors_ >= 0) {
        pollfd fd{errors_, POLLIN, 0};
        if (poll(&fd, 1, 0) <= 0 || fd.revents == 0) {
            return;
        }
        char buffer[1024];
        const ssize_t n = read(errors_, buffer, sizeof buffer);
        if (n <= 0) {
            // The speller closed its error output; nothing more comes from it.
            CloseFd(errors_);
            return;
        }
        if (errorText_.size() < kErrorTextLimit) {
            errorText_.append(
                buffer, std::min(static_cast<size_t>(n), kErrorTextLimit - errorText_.size()));
        }
    }
}
