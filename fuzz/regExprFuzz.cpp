// libFuzzer entry for the expression engine.
#include <cstdio>
#include <cstdlib>

#include "regExprHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = regexpr_fuzz::RunCase(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "regexpr fuzz: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
