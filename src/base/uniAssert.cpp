// The handler of failed invariant checks.
#include "base/uniAssert.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

void ReportAndAbort(const TAssertFailure& f) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s (%s)\n", f.file, f.line, f.condition,
                 f.message);
    std::fflush(stderr);
    std::abort();
}

std::atomic<TAssertHandler> gHandler{&ReportAndAbort};

} // namespace

TAssertHandler SetAssertHandler(TAssertHandler handler) {
    return gHandler.exchange(handler != nullptr ? handler : &ReportAndAbort);
}

void AssertFailed(const char* file, int line, const char* condition, const char* message) {
    gHandler.load()(TAssertFailure{file, line, condition, message});
    std::abort();
}
