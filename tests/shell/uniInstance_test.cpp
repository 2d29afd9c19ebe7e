// The single-instance hand-over: the message in pieces, relative names, the private
// folder, a stale socket, a socket open to others, and senders that are too big or too
// slow.
#include <chrono>
#include <future>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "shell/uniInstance.h"
#include "support/testSupport.h"

using testing_support::TempDir;

namespace {

const std::string kName = InstanceSocketName(":0", "/opt/pelmar");

// A private folder, as the runtime folder is.
class PrivateDir {
public:
    PrivateDir() { chmod(dir_.path().c_str(), 0700); }
    std::string Path() const { return dir_.path().string(); }
    std::string Socket() const { return dir_.file(kName); }

private:
    TempDir dir_;
};

// Waits until the server has a sender and reads it to the end (or gives up).
std::optional<THandOver> Receive(TInstanceServer& server, int ms = 5000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::unique_ptr<TInstanceConnection> connection;
    while (std::chrono::steady_clock::now() < until) {
        if (!connection) {
            if (const int fd = server.Accept(); fd >= 0) {
                connection = std::make_unique<TInstanceConnection>(fd);
            }
        } else {
            switch (connection->Read()) {
            case THandOverReader::TState::Done:
                return connection->Message();
            case THandOverReader::TState::Bad:
                return std::nullopt;
            case THandOverReader::TState::More:
                break;
            }
        }
        pollfd p{connection ? connection->Fd() : server.Fd(), POLLIN, 0};
        poll(&p, 1, 50);
    }
    return std::nullopt;
}

// A socket at `path` that nobody listens on any more (an editor that crashed).
void LeaveStaleSocket(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    chmod(path.c_str(), 0600);
    close(fd);
}

} // namespace

TEST(HandOverMessage, ArrivesWholeInAnyPieces) {
    THandOver message{"/home/u/work", {"a.txt", "-UTF-8", "-html", "name with \"quotes\""}};
    message.args.push_back(std::string(100000, 'x')); // far beyond any fixed block
    const std::string bytes = EncodeHandOver(message);
    for (const size_t piece : {size_t{1}, size_t{7}, size_t{4096}, bytes.size()}) {
        THandOverReader reader;
        THandOverReader::TState state = THandOverReader::TState::More;
        for (size_t at = 0; at < bytes.size(); at += piece) {
            ASSERT_EQ(state, THandOverReader::TState::More) << piece;
            state = reader.Feed(std::string_view(bytes).substr(at, piece));
        }
        ASSERT_EQ(state, THandOverReader::TState::Done) << piece;
        EXPECT_EQ(reader.Message(), message);
    }
}

TEST(HandOverMessage, MalformedOrOversizedIsRefused) {
    const std::string good = EncodeHandOver({"/tmp", {"a"}});
    const auto feed = [](std::string_view bytes, size_t limit = kMaxHandOverBytes) {
        THandOverReader reader(limit);
        return reader.Feed(bytes);
    };
    EXPECT_EQ(feed("GET / HTTP/1.0\r\n"), THandOverReader::TState::Bad);
    EXPECT_EQ(feed(good + "x"), THandOverReader::TState::Bad); // more than announced
    EXPECT_EQ(feed(good, 3), THandOverReader::TState::Bad);    // above the limit
    // A length above the limit is refused from the header alone, before any payload.
    std::string huge = good.substr(0, 8) + std::string("\xff\xff\xff\x7f", 4);
    EXPECT_EQ(feed(huge), THandOverReader::TState::Bad);
    // The folder must be whole, and the payload must end its last argument.
    EXPECT_EQ(feed(EncodeHandOver({"relative", {"a"}})), THandOverReader::TState::Bad);
    std::string cut = good;
    cut.back() = 'a';
    EXPECT_EQ(feed(cut), THandOverReader::TState::Bad);
    // A header in pieces is still checked as it comes.
    EXPECT_EQ(feed("PELX"), THandOverReader::TState::Bad);
    EXPECT_EQ(feed("PEL"), THandOverReader::TState::More);
}

TEST(HandOverMessage, FilesResolveAgainstTheSendersFolder) {
    const THandOver message{
        "/home/u/work",
        {"-x", "a.txt", "-UTF-8", "-html", "../b.txt", "/abs/c.txt", "--", "-d.txt"}};
    const std::vector<TCommandLineFile> files = HandOverFiles(message);
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0], (TCommandLineFile{"/home/u/work/a.txt", "UTF-8", "", 1}));
    EXPECT_EQ(files[1], (TCommandLineFile{"/home/u/b.txt", "Default", "", 1}));
    EXPECT_EQ(files[2].fileName, "/abs/c.txt");
    EXPECT_EQ(files[3].fileName, "/home/u/work/-d.txt");
}

TEST(InstanceFolder, OneSocketPerDisplayAndProgramFolder) {
    EXPECT_EQ(InstanceSocketName(":0", "/a"), InstanceSocketName(":0", "/a"));
    EXPECT_NE(InstanceSocketName(":0", "/a"), InstanceSocketName(":1", "/a"));
    EXPECT_NE(InstanceSocketName(":0", "/a"), InstanceSocketName(":0", "/b"));
    EXPECT_NE(InstanceSocketName(":0", "/a"), InstanceSocketName(":0/", "a"));
    EXPECT_EQ(InstanceSocketName("", "").rfind("pelmar-", 0), 0u);
}

TEST(InstanceFolder, OnlyAFolderOfThisUserClosedToOthers) {
    PrivateDir dir;
    EXPECT_TRUE(PrivateToUser(dir.Path(), false));
    std::string why;
    chmod(dir.Path().c_str(), 0750);
    EXPECT_FALSE(PrivateToUser(dir.Path(), false, &why));
    EXPECT_NE(why.find("other users"), std::string::npos) << why;
    chmod(dir.Path().c_str(), 0700);
    const std::string link = dir.Path() + "/link";
    symlink(dir.Path().c_str(), link.c_str());
    EXPECT_FALSE(PrivateToUser(link, false)); // a link could be turned elsewhere
    if (geteuid() == 0) {
        const std::string other = dir.Path() + "/other";
        mkdir(other.c_str(), 0700);
        ASSERT_EQ(chown(other.c_str(), 65534, 65534), 0);
        EXPECT_FALSE(PrivateToUser(other, false, &why));
        EXPECT_NE(why.find("another user"), std::string::npos) << why;
    }
    // An unsafe runtime folder is passed over for the user's own folder under /tmp.
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string kept = old != nullptr ? old : "";
    chmod(dir.Path().c_str(), 0755);
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    const std::optional<std::string> chosen = InstanceFolder();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, "/tmp/pelmar-" + std::to_string(geteuid()));
    EXPECT_TRUE(PrivateToUser(*chosen, false));
    chmod(dir.Path().c_str(), 0700);
    EXPECT_EQ(InstanceFolder(), dir.Path());
    old != nullptr ? setenv("XDG_RUNTIME_DIR", kept.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
}

TEST(InstanceStart, FirstListensSecondHandsOverAndTheSocketGoesWithTheServer) {
    PrivateDir dir;
    TInstanceDecision first = TInstanceStart::Decide(dir.Path(), kName, {"/w", {}});
    ASSERT_TRUE(first.server) << first.note;
    EXPECT_FALSE(first.handedOver);
    struct stat st {};
    ASSERT_EQ(lstat(dir.Socket().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    const THandOver message{"/home/u", {"a.txt", "-UTF-8", "-html", std::string(300, 'n')}};
    auto second = std::async(std::launch::async,
                             [&] { return TInstanceStart::Decide(dir.Path(), kName, message); });
    const std::optional<THandOver> got = Receive(*first.server);
    TInstanceDecision decided = second.get();
    EXPECT_TRUE(decided.handedOver) << decided.note;
    EXPECT_FALSE(decided.server);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(*got, message);

    first.server.reset();
    EXPECT_NE(lstat(dir.Socket().c_str(), &st), 0);
}

TEST(InstanceStart, StaleSocketIsReplaced) {
    PrivateDir dir;
    LeaveStaleSocket(dir.Socket());
    TInstanceDecision decided = TInstanceStart::Decide(dir.Path(), kName, {"/w", {"a"}});
    EXPECT_FALSE(decided.handedOver);
    ASSERT_TRUE(decided.server) << decided.note;
    // The new socket answers.
    auto sender = std::async(std::launch::async, [&] {
        return TInstanceStart::Send(dir.Socket(), {"/w", {"b"}}, 5000);
    });
    const std::optional<THandOver> got = Receive(*decided.server);
    EXPECT_TRUE(sender.get());
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->args, std::vector<std::string>{"b"});
}

TEST(InstanceStart, ASocketOthersMayUseIsNeitherUsedNorReplaced) {
    PrivateDir dir;
    TInstanceDecision first = TInstanceStart::Decide(dir.Path(), kName, {"/w", {}});
    ASSERT_TRUE(first.server);
    chmod(dir.Socket().c_str(), 0666);
    TInstanceDecision second = TInstanceStart::Decide(dir.Path(), kName, {"/w", {"a"}}, 300);
    EXPECT_FALSE(second.handedOver);
    EXPECT_FALSE(second.server);
    EXPECT_NE(second.note.find("other users"), std::string::npos) << second.note;
    // Nothing reached the running one.
    pollfd p{first.server->Fd(), POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 100), 0);
}

TEST(InstanceStart, LockFileOpenToOthersMeansRunningAlone) {
    PrivateDir dir;
    const std::string lock = dir.Path() + "/" + std::string(kInstanceLockName);
    testing_support::WriteBytes(lock, "");
    chmod(lock.c_str(), 0666);
    TInstanceDecision decided = TInstanceStart::Decide(dir.Path(), kName, {"/w", {}});
    EXPECT_FALSE(decided.server);
    EXPECT_FALSE(decided.handedOver);
    EXPECT_FALSE(decided.note.empty());
}

TEST(InstanceStart, StartsAtTheSameMomentMakeOneServer) {
    PrivateDir dir;
    std::vector<std::future<TInstanceDecision>> starts;
    for (int i = 0; i < 6; ++i) {
        starts.push_back(std::async(std::launch::async, [&, i] {
            return TInstanceStart::Decide(dir.Path(), kName, {"/w", {std::to_string(i)}});
        }));
    }
    // The ones that find the server wait for its answer: serve until all have decided.
    std::vector<TInstanceDecision> decided;
    std::unique_ptr<TInstanceServer> server;
    int received = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (decided.size() < starts.size() && std::chrono::steady_clock::now() < until) {
        for (auto& start : starts) {
            if (start.valid() &&
                start.wait_for(std::chrono::milliseconds(1)) == std::future_status::ready) {
                decided.push_back(start.get());
                if (decided.back().server) {
                    ASSERT_FALSE(server) << "two servers";
                    server = std::move(decided.back().server);
                }
            }
        }
        if (server && Receive(*server, 200)) {
            ++received;
        }
    }
    ASSERT_EQ(decided.size(), starts.size());
    ASSERT_TRUE(server);
    int handedOver = 0;
    for (const TInstanceDecision& d : decided) {
        handedOver += d.handedOver ? 1 : 0;
    }
    EXPECT_EQ(handedOver, 5);
    EXPECT_EQ(received, 5);
}

TEST(InstanceConnection, SlowSenderNeverBlocksAndOtherUsersAreNotHeard) {
    PrivateDir dir;
    TInstanceDecision first = TInstanceStart::Decide(dir.Path(), kName, {"/w", {}});
    ASSERT_TRUE(first.server);
    EXPECT_EQ(first.server->Accept(), -1); // nobody waits: no blocking

    // A sender that writes half a message and stalls: each Read returns at once.
    const int client = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", dir.Socket().c_str());
    ASSERT_EQ(connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const std::string bytes = EncodeHandOver({"/w", {"a.txt"}});
    ASSERT_EQ(write(client, bytes.data(), 10), 10);
    int fd = -1;
    for (int i = 0; i < 100 && fd < 0; ++i) {
        fd = first.server->Accept();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(fd, 0);
    // The accepted end never waits for bytes that are not there (a blocking read would
    // hold the editor's event loop until the sender went on).
    EXPECT_NE(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    TInstanceConnection connection(fd);
    EXPECT_EQ(connection.Read(), THandOverReader::TState::More);
    // The rest arrives: whole, and answered.
    ASSERT_EQ(write(client, bytes.data() + 10, bytes.size() - 10),
              static_cast<ssize_t>(bytes.size() - 10));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(connection.Read(), THandOverReader::TState::Done);
    char answer = 0;
    EXPECT_EQ(read(client, &answer, 1), 1);
    EXPECT_EQ(answer, '\x06');
    close(client);

    // Too big: refused, and the sender hears nothing but the end.
    const int big = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(connect(big, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const std::string bigBytes = EncodeHandOver({"/w", {std::string(2000, 'x')}});
    ASSERT_EQ(write(big, bigBytes.data(), bigBytes.size()), static_cast<ssize_t>(bigBytes.size()));
    fd = -1;
    for (int i = 0; i < 100 && fd < 0; ++i) {
        fd = first.server->Accept();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(fd, 0);
    TInstanceConnection limited(fd, 1000);
    EXPECT_EQ(limited.Read(), THandOverReader::TState::Bad);
    EXPECT_EQ(read(big, &answer, 1), 0);
    close(big);

    if (geteuid() == 0) {
        // Another user's sender (let through the modes for this test) is closed at the door.
        chmod(dir.Path().c_str(), 0711);
        chmod(dir.Socket().c_str(), 0666);
        const pid_t child = fork();
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) {
                _exit(2);
            }
            const int s = socket(AF_UNIX, SOCK_STREAM, 0);
            if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
                _exit(3);
            }
            (void)!send(s, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            char none = 0;
            _exit(read(s, &none, 1) <= 0 ? 0 : 4); // closed without an answer
        }
        int status = -1;
        pollfd p{first.server->Fd(), POLLIN, 0};
        EXPECT_EQ(poll(&p, 1, 5000), 1);
        EXPECT_EQ(first.server->Accept(), -1);
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        chmod(dir.Path().c_str(), 0700);
    }
}
