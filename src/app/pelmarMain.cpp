// The program: --help and --version answer on standard output; a running Pelmar of the same
// user takes the files over; otherwise the main window over the program folder opens the
// files of the command line, and takes those of later starts.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "shell/PmCommandLine.h"
#include "shell/ProgramFolder.h"
#include "shell/qt/Pm.h"
#include "shell/qt/uniApp.h"
#include "shell/uniInstance.h"

namespace {

std::string CurrentFolder() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return "/";
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// Where the window would show: the display named on the command line, else the
// environment's (Wayland first, as the toolkit picks it).
std::string Display(const std::vector<std::string>& args) {
    for (size_t i = 0; i + 1 < args.size() && args[i] != "--"; ++i) {
        if (args[i] == "-display" || args[i] == "--display") {
            return "DISPLAY:" + args[i + 1];
        }
    }
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        if (const char* value = std::getenv(name); value != nullptr && value[0] != '\0') {
            return std::string(name) + ":" + value;
        }
    }
    return {};
}

// Hands the command line to the running Pelmar (true: this start is done), or makes this
// one the receiver of later starts (`server`), or neither (and says why on stderr).
bool HandOver(const std::vector<std::string>& args, const std::string& programFolder,
              std::unique_ptr<TInstanceServer>& server) {
    std::string why;
    const std::optional<std::string> folder = InstanceFolder(&why);
    if (!folder) {
        std::cerr << "pelmar: " << why << "; running on its own\n";
        return false;
    }
    TInstanceDecision decision =
        TInstanceStart::Decide(*folder, InstanceSocketName(Display(args), programFolder),
                               {CurrentFolder(), WithoutToolkitOptions(args)});
    if (decision.handedOver) {
        return true;
    }
    server = std::move(decision.server);
    if (!server && !decision.note.empty()) {
        std::cerr << "pelmar: " << decision.note << "; running on its own\n";
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    switch (InfoRequest(args)) {
    case TInfoRequest::Help:
        std::cout << HelpText();
        return 0;
    case TInfoRequest::Version:
        std::cout << VersionText(PELMAR_VERSION_TEXT);
        return 0;
    case TInfoRequest::None:
        break;
    }
    const std::string programFolder = FindProgramFolder();
    std::unique_ptr<TInstanceServer> server;
    if (!TakeNewInstanceFlag(args) && HandOver(args, programFolder, server)) {
        return 0;
    }
    // Qt takes its own options (-platform, -display, ...) out of argv.
    TuniApplication app(argc, argv);
    args.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
    TakeNewInstanceFlag(args);
    TPMMainForm main(programFolder);
    main.ListenForHandOvers(std::move(server));
    main.show();
    main.OfferRecovery(); // before the files open: a restored file opens restored
    main.OpenCommandLine(args);
    return TuniApplication::exec();
}
