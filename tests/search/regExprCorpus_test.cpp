// Replays the saved fuzz inputs of the expression engine: each must pass the fuzz checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "../../fuzz/regExprHarness.h"
#include "support/testSupport.h"

namespace {

// Found from the source tree's data folder: __FILE__ may be relative to the build folder
// (a compiler cache rewrites absolute paths), and the tests run elsewhere.
std::filesystem::path CorpusDir() {
    return std::filesystem::path(PELMAR_SOURCE_DATA_DIR).parent_path() / "tests" / "corpus" /
           "regexpr";
}

} // namespace

TEST(RegExprCorpus, EverySavedInputPasses) {
    const std::filesystem::path dir = CorpusDir();
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const std::string bytes = testing_support::ReadBytes(entry.path().string());
        const std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
        EXPECT_EQ(regexpr_fuzz::RunCase(data.data(), data.size()), "") << entry.path().filename();
        ++replayed;
    }
    EXPECT_GE(replayed, 10);
}
