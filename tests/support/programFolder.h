// A program folder made for one test, with the configuration files it puts there.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "profile/uniProfile.h"
#include "support/testSupport.h"

namespace testing_support {

struct TProgramFolderFixture {
    TempDir dir;
    TConfigFolder folder{dir.path().string()};

    // Writes a file at `relative` (its folders made as needed).
    void Put(const std::string& relative, std::string_view bytes) {
        const std::filesystem::path p = dir.path() / relative;
        std::filesystem::create_directories(p.parent_path());
        WriteBytes(p.string(), bytes);
    }
};

} // namespace testing_support
