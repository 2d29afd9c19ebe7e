// The single-instance socket: the message, the private folder, the listening end and the
// sending end.
#include "shell/uniInstance.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr std::string_view kMagic = "PELMAR1\n";
constexpr std::size_t kHeaderBytes = kMagic.size() + 4;
constexpr char kAck = '\x06';

std::string Joined(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') {
        path.push_back('/');
    }
    path += name;
    return path;
}

void SetWhy(std::string* why, std::string text) {
    if (why != nullptr) {
        *why = std::move(text);
    }
}

std::string ErrorText(std::string_view what, const std::string& path, int error) {
    return std::string(what) + " " + path + ": " + std::strerror(error);
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

void SetTimeouts(int fd, int timeoutMs) {
    timeval tv{};
    tv.tv_sec = timeoutMs / 1000;
    tv.tv_usec = static_cast<suseconds_t>((timeoutMs % 1000) * 1000);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

// A connected socket to `path`, or -1 with the error number in `error`.
int ConnectTo(const std::string& path, int timeoutMs, int& error) {
    sockaddr_un address{};
    if (!FillAddress(path, address)) {
        error = ENAMETOOLONG;
        return -1;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    SetTimeouts(fd, timeoutMs);
    int rc;
    do {
        rc = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        error = errno;
        close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Sends the message on a connected socket and waits for the answer; closes the socket.
bool Deliver(int fd, const THandOver& message, std::string* why) {
    bool ok = SendAll(fd, EncodeHandOver(message));
    if (ok) {
        char answer = 0;
        ssize_t n;
        do {
            n = recv(fd, &answer, 1, 0);
        } while (n < 0 && errno == EINTR);
        ok = n == 1 && answer == kAck;
    }
    if (!ok) {
        SetWhy(why, "the running editor did not take the command line");
    }
    close(fd);
    return ok;
}

// The lock file that makes "is one running? else listen" one step among starts. Released
// (closed) when it goes.
class TLock {
public:
    TLock(const std::string& folder, bool create, int timeoutMs, std::string* why) {
        const std::string path = Joined(folder, kInstanceLockName);
        fd_ = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0600);
        if (fd_ < 0) {
            SetWhy(why, ErrorText("cannot open", path, errno));
            return;
        }
        struct stat st {};
        if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() ||
            (st.st_mode & 077) != 0) {
            SetWhy(why, path + " is not private to this user");
            Drop();
            return;
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) ||
                std::chrono::steady_clock::now() >= until) {
                SetWhy(why, "cannot lock " + path);
                Drop();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~TLock() { Drop(); }
    TLock(const TLock&) = delete;
    TLock& operator=(const TLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    void Drop() {
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    int fd_ = -1;
};

} // namespace

// ---------------------------------------------------------------------------------------
// The message

std::string EncodeHandOver(const THandOver& message) {
    std::string payload = message.folder;
    payload.push_back('\0');
    for (const std::string& arg : message.args) {
        payload += arg;
        payload.push_back('\0');
    }
    std::string bytes(kMagic);
    const auto size = static_cast<std::uint32_t>(payload.size());
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<char>((size >> (8 * i)) & 0xFF));
    }
    return bytes + payload;
}

THandOverReader::TState THandOverReader::Feed(std::string_view bytes) {
    if (state_ != TState::More) {
        if (!bytes.empty()) {
            state_ = TState::Bad;
        }
        return state_;
    }
    if (expected_ == 0) { // the header is not in yet
        const std::size_t take = std::min(bytes.size(), kHeaderBytes - buffer_.size());
        buffer_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        const std::size_t magic = std::min(buffer_.size(), kMagic.size());
        if (buffer_.compare(0, magic, kMagic.substr(0, magic)) != 0) {
            state_ = TState::Bad;
            return state_;
        }
        if (buffer_.size() < kHeaderBytes) {
            return state_;
        }
        std::uint32_t size = 0;
        for (int i = 0; i < 4; ++i) {
            size |=
                static_cast<std::uint32_t>(static_cast<unsigned char>(buffer_[kMagic.size() + i]))
                << (8 * i);
        }
        if (size == 0 || size > limit_) {
            state_ = TState::Bad;
            return state_;
        }
        expected_ = size;
        buffer_.clear();
        buffer_.reserve(expected_);
    }
    if (bytes.size() > expected_ - buffer_.size()) {
        state_ = TState::Bad; // more than the length said
        return state_;
    }
    buffer_.append(bytes);
    if (buffer_.size() == expected_) {
        Finish();
    }
    return state_;
}

void THandOverReader::Finish() {
    if (buffer_.back() != '\0') {
        state_ = TState::Bad;
        return;
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t nul; (nul = buffer_.find('\0', start)) != std::string::npos; start = nul + 1) {
        parts.push_back(buffer_.substr(start, nul - start));
    }
    if (parts.empty() || parts[0].empty() || parts[0][0] != '/') {
        state_ = TState::Bad; // the folder names where relative names start: it must be whole
        return;
    }
    message_.folder = std::move(parts[0]);
    message_.args.assign(std::make_move_iterator(parts.begin() + 1),
                         std::make_move_iterator(parts.end()));
    buffer_.clear();
    buffer_.shrink_to_fit();
    state_ = TState::Done;
}

std::vector<TCommandLineFile> HandOverFiles(const THandOver& message) {
    std::vector<TCommandLineFile> files = ParseCommandArguments(message.args);
    for (TCommandLineFile& file : files) {
        if (!file.fileName.empty() && file.fileName[0] != '/') {
            file.fileName =
                (std::filesystem::path(message.folder) / file.fileName).lexically_normal().string();
        }
    }
    return files;
}

// ---------------------------------------------------------------------------------------
// The folder

bool PrivateToUser(const std::string& path, bool socket, std::string* why) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        SetWhy(why, ErrorText("cannot use", path, errno));
        return false;
    }
    if (socket ? !S_ISSOCK(st.st_mode) : !S_ISDIR(st.st_mode)) {
        SetWhy(why, path + (socket ? " is not a socket" : " is not a folder"));
        return false;
    }
    if (st.st_uid != geteuid()) {
        SetWhy(why, path + " belongs to another user");
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        SetWhy(why, path + " is open to other users");
        return false;
    }
    return true;
}

std::optional<std::string> InstanceFolder(std::string* why) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && runtime[0] == '/' && PrivateToUser(runtime, false, why)) {
        return std::string(runtime);
    }
    const std::string own = "/tmp/pelmar-" + std::to_string(geteuid());
    if (mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) {
        SetWhy(why, ErrorText("cannot make", own, errno));
        return std::nullopt;
    }
    if (!PrivateToUser(own, false, why)) {
        return std::nullopt;
    }
    return own;
}

std::string InstanceSocketName(std::string_view display, std::string_view programFolder) {
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    const auto mix = [&hash](std::string_view text) {
        for (const char c : text) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
    };
    mix(display);
    mix(std::string_view("\0", 1));
    mix(programFolder);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name = "pelmar-";
    for (int shift = 60; shift >= 0; shift -= 4) {
        name.push_back(kDigits[(hash >> shift) & 0xF]);
    }
    return name + ".socket";
}

// ---------------------------------------------------------------------------------------
// The listening end

TInstanceServer::TInstanceServer(std::string folder, std::string socketPath, int fd)
    : folder_(std::move(folder)), socketPath_(std::move(socketPath)), fd_(fd) {
    struct stat st {};
    if (lstat(socketPath_.c_str(), &st) == 0) {
        inode_ = st.st_ino;
    }
}

TInstanceServer::~TInstanceServer() {
    // Under the lock, so a start that found this socket refusing and made its own does not
    // lose it here.
    const TLock lock(folder_, false, 1000, nullptr);
    struct stat st {};
    if (lstat(socketPath_.c_str(), &st) == 0 && st.st_ino == inode_) {
        unlink(socketPath_.c_str());
    }
    close(fd_);
}

int TInstanceServer::Accept() {
    for (;;) {
        const int fd = accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return -1;
        }
        ucred peer{};
        socklen_t size = sizeof peer;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer &&
            peer.uid == geteuid()) {
            return fd;
        }
        close(fd); // another user's: not heard
    }
}

TInstanceConnection::TInstanceConnection(int fd, std::size_t limit) : fd_(fd), reader_(limit) {}

TInstanceConnection::~TInstanceConnection() {
    Close();
}

void TInstanceConnection::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

THandOverReader::TState TInstanceConnection::Read() {
    if (fd_ < 0) {
        return reader_.State() == THandOverReader::TState::Done ? THandOverReader::TState::Done
                                                                : THandOverReader::TState::Bad;
    }
    char chunk[4096];
    for (;;) {
        const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return THandOverReader::TState::More;
        }
        if (n <= 0) {
            Close(); // gone before the message was whole
            return THandOverReader::TState::Bad;
        }
        const THandOverReader::TState state =
            reader_.Feed(std::string_view(chunk, static_cast<std::size_t>(n)));
        if (state == THandOverReader::TState::Done) {
            // The sender waits for this before it exits; a full buffer cannot hold one byte
            // back, and a sender that left loses nothing.
            send(fd_, &kAck, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            Close();
            return state;
        }
        if (state == THandOverReader::TState::Bad) {
            Close();
            return state;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Starting

bool TInstanceStart::Send(const std::string& socketPath, const THandOver& message, int timeoutMs,
                          std::string* why) {
    int error = 0;
    const int fd = ConnectTo(socketPath, timeoutMs, error);
    if (fd < 0) {
        SetWhy(why, ErrorText("cannot connect to", socketPath, error));
        return false;
    }
    return Deliver(fd, message, why);
}

TInstanceDecision TInstanceStart::Decide(const std::string& folder, std::string_view socketName,
                                         const THandOver& message, int timeoutMs) {
    TInstanceDecision decision;
    const TLock lock(folder, true, timeoutMs, &decision.note);
    if (!lock.Held()) {
        return decision;
    }
    const std::string socketPath = Joined(folder, socketName);
    sockaddr_un address{};
    if (!FillAddress(socketPath, address)) {
        decision.note = "the socket path is too long: " + socketPath;
        return decision;
    }
    struct stat st {};
    if (lstat(socketPath.c_str(), &st) == 0) {
        if (!PrivateToUser(socketPath, true, &decision.note)) {
            return decision;
        }
        int error = 0;
        if (const int fd = ConnectTo(socketPath, timeoutMs, error); fd >= 0) {
            decision.handedOver = Deliver(fd, message, &decision.note);
            return decision;
        }
        if (error != ECONNREFUSED) {
            decision.note = ErrorText("cannot connect to", socketPath, error);
            return decision;
        }
        // Left by an editor that ended without removing it.
        if (unlink(socketPath.c_str()) != 0) {
            decision.note = ErrorText("cannot remove", socketPath, errno);
            return decision;
        }
    } else if (errno != ENOENT) {
        decision.note = ErrorText("cannot use", socketPath, errno);
        return decision;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        decision.note = ErrorText("cannot listen at", socketPath, errno);
        return decision;
    }
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        decision.note = ErrorText("cannot listen at", socketPath, errno);
        close(fd);
        return decision;
    }
    if (chmod(socketPath.c_str(), 0600) != 0 || listen(fd, 16) != 0) {
        decision.note = ErrorText("cannot listen at", socketPath, errno);
        close(fd);
        unlink(socketPath.c_str());
        return decision;
    }
    decision.server.reset(new TInstanceServer(folder, socketPath, fd));
    return decision;
}
