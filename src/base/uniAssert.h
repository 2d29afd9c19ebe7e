// Checks of invariants: conditions the code relies on and that no input can break.
#pragma once

// What a failed check reports.
struct TAssertFailure {
    const char* file;
    int line;
    const char* condition; // as written in the check
    const char* message;
};

using TAssertHandler = void (*)(const TAssertFailure& failure);

// The handler a failed check calls; returns the one it replaces (null restores the
// default). The default handler writes file, line, condition and message to standard
// error and aborts, in every build type. A handler may throw to let a test see the broken
// invariant; one that returns aborts all the same, since the code after a failed check
// would run on broken state.
TAssertHandler SetAssertHandler(TAssertHandler handler);

// Calls the handler for a failed check (what PELMAR_ASSERT expands to).
[[noreturn]] void AssertFailed(const char* file, int line, const char* condition,
                               const char* message);

// Checks an invariant in every build type: PELMAR_ASSERT(i < count, "the index is in range").
// A macro for the file, the line and the condition's text.
#define PELMAR_ASSERT(condition, message)                                                          \
    (static_cast<bool>(condition) ? static_cast<void>(0)                                           \
                                  : AssertFailed(__FILE__, __LINE__, #condition, message))
