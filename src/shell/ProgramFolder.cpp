// Finding the program folder.
#include "shell/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifndef PELMAR_INSTALL_DATADIR
#define PELMAR_INSTALL_DATADIR "/usr/local/share/pelmar"
#endif
#ifndef PELMAR_DATADIR_FROM_BINDIR
#define PELMAR_DATADIR_FROM_BINDIR "../share/pelmar"
#endif

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v == nullptr ? std::string() : std::string(v);
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace

std::string ExecutableFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return {};
    }
    return exe.parent_path().string();
}

std::string InstalledDataFolder() {
    // An installed tree may be moved or unpacked under another prefix (DESTDIR, a
    // relocated package): the data beside the executable's bin/ wins over the place the
    // build was configured for.
    std::error_code ec;
    if (const std::string exeDir = ExecutableFolder(); !exeDir.empty()) {
        const fs::path beside = (fs::path(exeDir) / PELMAR_DATADIR_FROM_BINDIR).lexically_normal();
        if (fs::is_directory(beside / "Ini", ec)) {
            return WithoutTrailingSlash(beside.string());
        }
    }
    return PELMAR_INSTALL_DATADIR;
}

std::string FindProgramFolder() {
    if (std::string home = Env("PELMAR_HOME"); !home.empty()) {
        return WithoutTrailingSlash(home);
    }
    std::error_code ec;
    if (std::string exeDir = ExecutableFolder();
        !exeDir.empty() && fs::is_directory(fs::path(exeDir) / "Ini", ec)) {
        return exeDir;
    }
    std::string dataHome = Env("XDG_DATA_HOME");
    if (dataHome.empty()) {
        dataHome = Env("HOME") + "/.local/share";
    }
    const fs::path user = fs::path(dataHome) / "pelmar";
    if (!fs::is_directory(user / "Ini", ec)) {
        const fs::path installed(InstalledDataFolder());
        fs::create_directories(user, ec);
        if (fs::is_directory(installed, ec)) {
            fs::copy(installed, user, fs::copy_options::recursive | fs::copy_options::skip_existing,
                     ec);
        }
    }
    return user.string();
}
