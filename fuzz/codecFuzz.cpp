// libFuzzer entry for the text codec: every file opened and saved unedited comes back.
#include <cstdio>
#include <cstdlib>

#include "codecHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static codec_fuzz::TRoundTrip trip(codec_fuzz::TempRoot(), PELMAR_SOURCE_DATA_DIR);
    const std::string problem = codec_fuzz::RunCase(trip, data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "codec fuzz: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
