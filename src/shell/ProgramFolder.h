// Finding the program folder: the folder that holds Ini/, Lang/, Storage/ and the rest.
#pragma once

#include <string>

// In this order: $PELMAR_HOME; the executable's folder when it holds Ini/; the per-user
// folder ($XDG_DATA_HOME/pelmar, default ~/.local/share/pelmar), seeded on first use from
// the installed copy of the shipped data. The result has no trailing slash.
std::string FindProgramFolder();

// The folder of the running executable (from /proc/self/exe), or empty.
std::string ExecutableFolder();

// The installed copy of the shipped data that seeds the per-user folder: <prefix>/share/pelmar
// found from the executable's folder (<prefix>/bin) when it holds Ini/, else the folder
// the build was configured to install to.
std::string InstalledDataFolder();
