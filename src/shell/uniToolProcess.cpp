// Running an external tool with its standard streams on pipes.
#include "shell/uniToolProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/uniSigPipe.h"

extern char** environ;

void TToolLineSink::Append(std::string_view bytes) {
    if (lines_.empty()) {
        lines_.emplace_back();
    }
    for (const char c : bytes) {
        std::string& last = lines_.back();
        if (c == '\n') {
            if (!last.empty() && last.back() == '\r') {
                last.pop_back();
            }
            lines_.emplace_back();
            continue;
        }
        if (!last.empty() && last.back() == '\r') {
            last.clear(); // a bare CR: the line starts over
        }
        last.push_back(c == '\t' && !keepTabs_ ? ' ' : c);
    }
}

namespace {

using TClock = std::chrono::steady_clock;

// A file descriptor closed with its owner.
class TFd {
public:
    TFd() = default;
    explicit TFd(int fd) : fd_(fd) {}
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    TFd(TFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    TFd& operator=(TFd&&) = delete;
    ~TFd() { Close(); }
    int Get() const { return fd_; }
    bool Open() const { return fd_ >= 0; }
    void Reset(int fd) {
        Close();
        fd_ = fd;
    }
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_ = -1;
};

struct TPipe {
    TFd read;
    TFd write;
    bool Make() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return false;
        }
        read.Reset(fds[0]);
        write.Reset(fds[1]);
        return true;
    }
};

void SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

// One captured stream: bytes up to the bound go to the sink, the rest is counted.
struct TCapture {
    TFd fd;
    TToolLineSink* sink = nullptr;
    std::size_t kept = 0;
    std::size_t dropped = 0;
};

// Reads what is there; false once the stream has ended.
bool ReadAvailable(TCapture& capture, std::size_t maxBytes, bool& gotBytes) {
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(capture.fd.Get(), buf, sizeof buf);
        if (n > 0) {
            gotBytes = true;
            const auto count = static_cast<std::size_t>(n);
            const std::size_t room = maxBytes > capture.kept ? maxBytes - capture.kept : 0;
            const std::size_t take = count < room ? count : room;
            capture.sink->Append(std::string_view(buf, take));
            capture.kept += take;
            capture.dropped += count - take;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        capture.fd.Close();
        return false;
    }
}

void DropTrailingEmpty(std::vector<std::string>& lines) {
    if (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
}

std::string CannotRun(const std::string& program, const std::string& why) {
    return "Cannot run \"" + program + "\": " + why;
}

// The file actions and attributes of a start: the working folder, its own process group
// (so cancelling ends what it started too), the signal mask and dispositions of a fresh
// program rather than the editor's.
class TSpawnSetup {
public:
    explicit TSpawnSetup(const std::string& workDir) {
        posix_spawn_file_actions_init(&actions);
        if (!workDir.empty()) {
            posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
        }
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                            POSIX_SPAWN_SETSIGDEF);
        posix_spawnattr_setpgroup(&attr, 0);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attr, &none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (const int sig : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD}) {
            sigaddset(&defaults, sig);
        }
        posix_spawnattr_setsigdefault(&attr, &defaults);
    }
    TSpawnSetup(const TSpawnSetup&) = delete;
    TSpawnSetup& operator=(const TSpawnSetup&) = delete;
    ~TSpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    // Starts argv; 0 or the errno of the failed start.
    int Spawn(const std::vector<std::string>& argv, pid_t& pid) {
        std::vector<char*> args;
        args.reserve(argv.size() + 1);
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        return posix_spawnp(&pid, argv[0].c_str(), &actions, &attr, args.data(), environ);
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
};

} // namespace

TToolResult RunToolProcess(const TToolRequest& request) {
    TToolResult result;
    if (request.argv.empty() || request.argv[0].empty()) {
        result.messages.push_back("Cannot run the tool: its command is empty");
        return result;
    }
    const std::string& program = request.argv[0];
    if (!request.workDir.empty()) {
        struct stat st {};
        if (::stat(request.workDir.c_str(), &st) != 0) {
            result.messages.push_back(
                CannotRun(program, "folder \"" + request.workDir + "\": " + std::strerror(errno)));
            return result;
        }
        if (!S_ISDIR(st.st_mode)) {
            result.messages.push_back(
                CannotRun(program, "\"" + request.workDir + "\" is not a folder"));
            return result;
        }
    }

    TPipe in;
    TPipe out;
    TPipe err;
    if (!in.Make() || !out.Make() || !err.Make()) {
        result.messages.push_back(CannotRun(program, std::strerror(errno)));
        return result;
    }

    const TSigPipeHold sigPipe; // a tool that stopped reading gives EPIPE
    TSpawnSetup setup(request.workDir);
    // The pipe ends become the standard streams (dup2 clears close-on-exec on them).
    posix_spawn_file_actions_adddup2(&setup.actions, in.read.Get(), 0);
    posix_spawn_file_actions_adddup2(&setup.actions, out.write.Get(), 1);
    posix_spawn_file_actions_adddup2(&setup.actions, err.write.Get(), 2);
    pid_t pid = -1;
    const int rc = setup.Spawn(request.argv, pid);
    if (rc != 0) {
        result.messages.push_back(CannotRun(program, std::strerror(rc)));
        return result;
    }
    result.started = true;
    in.read.Close();
    out.write.Close();
    err.write.Close();

    TToolLineSink outSink(request.output == TToolOutput::Separate);
    TToolLineSink errSink(false);
    TCapture outCapture{std::move(out.read), &outSink};
    TCapture errCapture{std::move(err.read), &errSink};
    SetNonBlocking(outCapture.fd.Get());
    SetNonBlocking(errCapture.fd.Get());
    TFd input = std::move(in.write);
    std::size_t inputPos = 0;
    if (request.input.empty()) {
        input.Close();
    } else {
        SetNonBlocking(input.Get());
    }

    bool exited = false;
    int status = 0;
    auto lastRead = TClock::now();
    for (;;) {
        if (request.cancelled && request.cancelled()) {
            ::kill(-pid, SIGKILL);
            result.cancelled = true;
            break;
        }
        if (!exited) {
            const pid_t done = ::waitpid(pid, &status, WNOHANG);
            exited = done == pid;
            if (exited) {
                lastRead = TClock::now(); // what it wrote before it ended is still read
            }
        }
        if (exited && input.Open()) {
            input.Close(); // nobody reads it any more
        }
        if (!outCapture.fd.Open() && !errCapture.fd.Open() && exited) {
            break;
        }
        if (exited && TClock::now() - lastRead >= std::chrono::milliseconds(request.drainMs)) {
            // Something the tool started still holds the pipes; its output is not ours.
            break;
        }

        pollfd fds[3];
        nfds_t n = 0;
        const auto watch = [&](const TFd& fd, short events) {
            if (fd.Open()) {
                fds[n++] = {fd.Get(), events, 0};
            }
        };
        watch(outCapture.fd, POLLIN);
        watch(errCapture.fd, POLLIN);
        watch(input, POLLOUT);
        const int ready = ::poll(fds, n, 50);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        bool gotBytes = false;
        for (nfds_t k = 0; k < n && ready > 0; ++k) {
            if (fds[k].revents == 0) {
                continue;
            }
            if (fds[k].fd == outCapture.fd.Get()) {
                ReadAvailable(outCapture, request.maxBytes, gotBytes);
            } else if (fds[k].fd == errCapture.fd.Get()) {
                ReadAvailable(errCapture, request.maxBytes, gotBytes);
            } else if (fds[k].fd == input.Get()) {
                if ((fds[k].revents & (POLLERR | POLLHUP)) != 0) {
                    input.Close();
                    continue;
                }
                while (inputPos < request.input.size()) {
                    const ssize_t w = ::write(input.Get(), request.input.data() + inputPos,
                                              request.input.size() - inputPos);
                    if (w > 0) {
                        inputPos += static_cast<std::size_t>(w);
                    } else if (w < 0 && errno == EINTR) {
                        continue;
                    } else {
                        if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                            inputPos = request.input.size(); // EPIPE: it stopped reading
                        }
                        break;
                    }
                }
                if (inputPos >= request.input.size()) {
                    input.Close();
                }
            }
        }
        if (gotBytes) {
            lastRead = TClock::now();
        }
    }
    input.Close();
    outCapture.fd.Close();
    errCapture.fd.Close();
    if (!exited) {
        if (result.cancelled) {
            ::kill(-pid, SIGKILL);
        }
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }

    const std::size_t dropped = outCapture.dropped + errCapture.dropped;
    result.truncated = dropped > 0;
    if (request.output == TToolOutput::Messages) {
        result.messages = std::move(outSink.Lines());
        DropTrailingEmpty(result.messages);
    } else {
        result.output = std::move(outSink.Lines());
    }
    for (std::string& line : errSink.Lines()) {
        result.messages.push_back(std::move(line));
    }
    DropTrailingEmpty(result.messages);
    if (result.truncated) {
        result.messages.push_back("[" + std::to_string(dropped) +
                                  " bytes of output were dropped: more than " +
                                  std::to_string(request.maxBytes) + " bytes per stream]");
    }
    if (result.cancelled) {
        result.messages.push_back("[\"" + program + "\" was stopped]");
    } else if (result.signal != 0 && result.signal != SIGPIPE) {
        result.messages.push_back("[\"" + program + "\" ended by signal " +
                                  std::to_string(result.signal) + "]");
    }
    return result;
}

std::string StartDetachedTool(const std::vector<std::string>& argv, const std::string& workDir) {
    if (argv.empty() || argv[0].empty()) {
        return "Cannot run the tool: its command is empty";
    }
    TSpawnSetup setup(workDir);
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int rc = setup.Spawn(argv, pid);
    if (rc != 0) {
        return CannotRun(argv[0], std::strerror(rc));
    }
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return {};
}
