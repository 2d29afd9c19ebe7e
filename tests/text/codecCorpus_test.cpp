// Replays the saved fuzz inputs of the text codec: each file must come back unchanged.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "../../fuzz/codecHarness.h"
#include "base/uniCodePage.h"
#include "support/testSupport.h"

namespace {

// Found from the source tree's data folder: __FILE__ may be relative to the build folder
// (a compiler cache rewrites absolute paths), and the tests run elsewhere.
std::filesystem::path CorpusDir() {
    return std::filesystem::path(PELMAR_SOURCE_DATA_DIR).parent_path() / "tests" / "corpus" /
           "codec";
}

} // namespace

TEST(CodecCorpus, EverySavedInputComesBack) {
    SetAnsiCodePage(1252);
    SetOemCodePage(437);
    const std::filesystem::path dir = CorpusDir();
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    codec_fuzz::TRoundTrip trip(codec_fuzz::TempRoot(), PELMAR_SOURCE_DATA_DIR);
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const std::string bytes = testing_support::ReadBytes(entry.path().string());
        const std::vector<std::uint8_t> data(bytes.begin(), bytes.end());
        EXPECT_EQ(codec_fuzz::RunCase(trip, data.data(), data.size()), "")
            << entry.path().filename();
        ++replayed;
    }
    EXPECT_GE(replayed, 10);
}
