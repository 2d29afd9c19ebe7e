// One running editor per user: a second start hands its command line to the running one
// through a local socket in the user's private runtime folder, and exits.
//
// The message is "PELMAR1\n", a 4-byte length (little-endian), then that many bytes: the
// sender's current folder and each argument, every one ended by a NUL. The receiver answers
// one byte, "\x06", once it has the whole message.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/PmCommandLine.h"

struct THandOver {
    std::string folder; // the sender's current folder
    std::vector<std::string> args;

    bool operator==(const THandOver&) const = default;
};

// A message longer than this is refused (a command line of any sensible length fits).
inline constexpr std::size_t kMaxHandOverBytes = 1u << 20;

std::string EncodeHandOver(const THandOver& message);

// Takes a message in pieces as they arrive.
class THandOverReader {
public:
    enum class TState { More, Done, Bad };

    explicit THandOverReader(std::size_t limit = kMaxHandOverBytes) : limit_(limit) {}
    // Bytes past the end of a whole message make it bad; so does a wrong header, a length
    // above the limit, or a payload that does not end in a NUL.
    TState Feed(std::string_view bytes);
    TState State() const { return state_; }
    // The message, once Done.
    const THandOver& Message() const { return message_; }

private:
    void Finish();

    std::size_t limit_;
    std::string buffer_;
    std::size_t expected_ = 0; // payload length once the header is in
    TState state_ = TState::More;
    THandOver message_;
};

// The files of a handed-over command line, as the start-up reads its own: relative names
// are taken against the sender's folder.
std::vector<TCommandLineFile> HandOverFiles(const THandOver& message);

// The private folder for the socket: $XDG_RUNTIME_DIR when it is set and safe, else
// /tmp/pelmar-<uid>, made with mode 0700. Safe means a real folder (not a link) owned by
// this user that nobody else may enter or read. nullopt, with the reason, when there is
// no safe folder.
std::optional<std::string> InstanceFolder(std::string* why = nullptr);
// Whether `path` is a folder (or, with `socket`, a socket) that only this user can use.
bool PrivateToUser(const std::string& path, bool socket, std::string* why = nullptr);

// The listening end, kept by the running editor. Its socket goes when it goes (only if the
// file at the path is still its own).
class TInstanceServer {
public:
    ~TInstanceServer();
    TInstanceServer(const TInstanceServer&) = delete;
    TInstanceServer& operator=(const TInstanceServer&) = delete;

    // The listening socket; non-blocking, ready to read when a sender waits.
    int Fd() const { return fd_; }
    const std::string& SocketPath() const { return socketPath_; }
    // A waiting sender of this user, non-blocking, owned by the caller; -1 when none is
    // waiting. Senders of other users are closed at once.
    int Accept();

private:
    friend class TInstanceStart;
    TInstanceServer(std::string folder, std::string socketPath, int fd);

    std::string folder_;
    std::string socketPath_;
    int fd_ = -1;
    unsigned long inode_ = 0;
};

// One sender as the running editor reads it: call Read whenever its socket is readable.
// Never blocks; closes the socket when done.
class TInstanceConnection {
public:
    explicit TInstanceConnection(int fd, std::size_t limit = kMaxHandOverBytes);
    ~TInstanceConnection();
    TInstanceConnection(const TInstanceConnection&) = delete;
    TInstanceConnection& operator=(const TInstanceConnection&) = delete;

    int Fd() const { return fd_; }
    // Reads what has arrived. Done: the message is whole and acknowledged. Bad: refused,
    // or the sender went away first.
    THandOverReader::TState Read();
    const THandOver& Message() const { return reader_.Message(); }

private:
    void Close();

    int fd_;
    THandOverReader reader_;
};

// What a start decides: hand over to the running editor (then exit), or run, as the one
// that receives from now on when `server` is set.
struct TInstanceDecision {
    bool handedOver = false;
    std::unique_ptr<TInstanceServer> server;
    std::string note; // why this start neither handed over nor listens (for stderr)
};

class TInstanceStart {
public:
    // How long a sender waits for the lock and for the running editor's answer.
    static constexpr int kTimeoutMs = 5000;

    // In `folder` (InstanceFolder()), at `socketName` (InstanceSocketName()): under the lock file,
    // connect to the running editor and hand `message` over; with none there (no socket, or a stale
    // one that refuses), listen instead. A socket or lock file that is not private to this user is
    // never used: the start then runs without listening.
    static TInstanceDecision Decide(const std::string& folder, std::string_view socketName,
                                    const THandOver& message, int timeoutMs = kTimeoutMs);
    // Only sends; false when nobody received it.
    static bool Send(const std::string& socketPath, const THandOver& message, int timeoutMs,
                     std::string* why = nullptr);
};

// One running editor per display and program folder: a start on another display, or of
// another installation with its own settings, runs its own. "pelmar-" + a hash + ".socket".
std::string InstanceSocketName(std::string_view display, std::string_view programFolder);

inline constexpr std::string_view kInstanceLockName = "pelmar.lock";
