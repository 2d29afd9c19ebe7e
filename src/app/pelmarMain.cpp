// The program: --help and --version answer on standard output; otherwise the main window
// over the program folder opens the files of the command line.
#include <iostream>
#include <string>
#include <vector>

#include "shell/PmCommandLine.h"
#include "shell/ProgramFolder.h"
#include "shell/qt/Pm.h"
#include "shell/qt/uniApp.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
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
    // Qt takes its own options (-platform, -display, ...) out of argv.
    TuniApplication app(argc, argv);
    TPMMainForm main(FindProgramFolder());
    main.show();
    main.OfferRecovery(); // before the files open: a restored file opens restored
    main.OpenCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    return TuniApplication::exec();
}
