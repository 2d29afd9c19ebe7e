// Later starts hand their command lines to the running editor: in-process through the main
// window's listener, and with two real pelmar processes.
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <chrono>
#include <csignal>
#include <future>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "qt/qtTestSupport.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"

using namespace qt_testing;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// Runs the event loop until `done` holds or `ms` pass.
template <typename F>
bool WaitFor(F done, int ms = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(10);
    }
    return true;
}

TMDIChild* ChildOf(TPMMainForm& main, const std::string& fileName) {
    for (TMDIChild* child : main.Children()) {
        if (child->Memo().FileName() == fileName) {
            return child;
        }
    }
    return nullptr;
}

// A pelmar process with its own program folder and runtime folder, started in `folder`.
// Everything the child needs is made before the fork: it only changes folder and executes.
pid_t StartPelmar(const std::vector<std::string>& args, const std::string& home,
                  const std::string& runtime, const std::string& folder) {
    std::vector<std::string> env{"QT_QPA_PLATFORM=offscreen", "PELMAR_HOME=" + home,
                                 "XDG_RUNTIME_DIR=" + runtime};
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry(*e);
        const std::string_view name = entry.substr(0, entry.find('='));
        if (name != "QT_QPA_PLATFORM" && name != "PELMAR_HOME" && name != "XDG_RUNTIME_DIR") {
            env.emplace_back(entry);
        }
    }
    std::vector<char*> envp;
    for (std::string& entry : env) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string exe = PELMAR_EXE;
    std::vector<std::string> all{exe};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0) {
            _exit(126);
        }
        execve(exe.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

// The exit code, or -1 when it had not ended within `ms`.
int WaitExit(pid_t pid, int ms) {
    for (int waited = 0; waited <= ms; waited += 20) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        }
        usleep(20000);
    }
    return -1;
}

} // namespace

TEST(HandOver, MainWindowOpensTheFilesWithTheirOptionsAndComesBack) {
    TProgramCopy program;
    TempDir runtime;
    chmod(runtime.path().c_str(), 0700);
    TempDir files;
    WriteBytes(files.file("a.txt"), "first\n");
    WriteBytes(files.file("b.txt"), "second\n");

    TPMMainForm main(program.Root());
    main.show();
    main.OpenCommandLine({});
    TInstanceDecision decided =
        TInstanceStart::Decide(runtime.path().string(), "test.socket", {"/", {}});
    ASSERT_TRUE(decided.server) << decided.note;
    const std::string socket = decided.server->SocketPath();
    main.ListenForHandOvers(std::move(decided.server));
    main.showMinimized();
    QApplication::processEvents();

    // Sent from another thread, as another process would; the main loop keeps running.
    const THandOver message{files.path().string(), {"a.txt", "-UTF-8", "-html", "b.txt"}};
    auto sent = std::async(std::launch::async,
                           [&] { return TInstanceStart::Send(socket, message, 10000); });
    ASSERT_TRUE(WaitFor([&] { return ChildOf(main, files.file("b.txt")) != nullptr; }));
    EXPECT_TRUE(sent.get());
    TMDIChild* a = ChildOf(main, files.file("a.txt"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Memo().Codec().charset, "UTF-8");
    EXPECT_EQ(a->Memo().Codec().uniRepr, urDecimalRef);
    EXPECT_EQ(a->Memo().Lines().Get(0), u"first");
    // The representation carries over to the next file.
    TMDIChild* b = ChildOf(main, files.file("b.txt"));
    EXPECT_EQ(b->Memo().Codec().uniRepr, urDecimalRef);
    EXPECT_FALSE(main.isMinimized());
    // The placeholder made way for the first file.
    EXPECT_EQ(main.Children().size(), 2u);

    // Once the window closes, the socket is gone and later starts run on their own.
    main.close();
    struct stat st {};
    EXPECT_NE(lstat(socket.c_str(), &st), 0);
    EXPECT_FALSE(TInstanceStart::Send(socket, message, 1000));
}

TEST(HandOver, SecondProcessHandsOverAndExits) {
    TProgramCopy program;
    TempDir runtime;
    chmod(runtime.path().c_str(), 0700);
    TempDir files;
    WriteBytes(files.file("late.txt"), "handed over\n");
    const pid_t first = StartPelmar({}, program.Root(), runtime.path().string(), "/");
    ASSERT_GT(first, 0);
    const auto listening = [&] {
        for (const auto& entry : std::filesystem::directory_iterator(runtime.path())) {
            if (entry.is_socket()) {
                return true;
            }
        }
        return false;
    };
    for (int i = 0; i < 1500 && !listening(); ++i) {
        usleep(20000);
    }
    ASSERT_TRUE(listening()) << "the first pelmar never listened";

    // A relative name, from the second start's own folder.
    const pid_t second = StartPelmar({"late.txt", "-UTF-8"}, program.Root(),
                                     runtime.path().string(), files.path().string());
    const int code = WaitExit(second, 30000);
    EXPECT_EQ(code, 0);
    if (code == -1) {
        kill(second, SIGKILL);
        waitpid(second, nullptr, 0);
    }
    // The first one opened it: the recent list names it, with its charset.
    const TConfigFolder folder(program.Root());
    bool opened = false;
    for (int i = 0; i < 1500 && !opened; ++i) {
        const TRecentFile recent = ReadRecentFiles(folder)[0];
        opened = recent.fileName == files.file("late.txt") && recent.charset == "UTF-8";
        if (!opened) {
            usleep(20000);
        }
    }
    EXPECT_TRUE(opened);
    kill(first, SIGKILL);
    waitpid(first, nullptr, 0);
}
