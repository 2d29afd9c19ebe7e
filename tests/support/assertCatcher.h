// Failed invariant checks as exceptions, so that a test can see a broken invariant.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

#include "base/uniAssert.h"

namespace testing_support {

// What PELMAR_ASSERT reported, thrown by the handler a TAssertCatcher installs.
class TBrokenInvariant : public std::logic_error {
public:
    TBrokenInvariant(std::string file_, int line_, std::string condition_, std::string message_)
        : std::logic_error(file_ + ":" + std::to_string(line_) + ": " + condition_ + " (" +
                           message_ + ")"),
          file(std::move(file_)), line(line_), condition(std::move(condition_)),
          message(std::move(message_)) {}

    std::string file;
    int line;
    std::string condition;
    std::string message;
};

// While it lives, failed invariant checks throw TBrokenInvariant instead of aborting.
class TAssertCatcher {
public:
    TAssertCatcher() : previous_(SetAssertHandler(&Throw)) {}
    ~TAssertCatcher() { SetAssertHandler(previous_); }
    TAssertCatcher(const TAssertCatcher&) = delete;
    TAssertCatcher& operator=(const TAssertCatcher&) = delete;

private:
    static void Throw(const TAssertFailure& f) {
        throw TBrokenInvariant(f.file, f.line, f.condition, f.message);
    }

    TAssertHandler previous_;
};

} // namespace testing_support
