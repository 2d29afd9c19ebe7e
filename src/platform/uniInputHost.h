// What the editor's input handling asks of the platform: the keyboard layout, the drag
// timer, the pointer capture and focus, and the clock that times double clicks.
#pragma once

#include <cstdint>
#include <functional>

// The keyboard layout in use.
class TKeyboardQuery {
public:
    TKeyboardQuery() = default;
    TKeyboardQuery(const TKeyboardQuery&) = delete;
    TKeyboardQuery& operator=(const TKeyboardQuery&) = delete;
    virtual ~TKeyboardQuery() = default;

    // Whether the key, pressed without modifiers, produces a character above U+007F or is
    // a dead key: its character message will type it.
    virtual bool ProducesWideOrDeadChar(int virtualKey) const = 0;
};

// A repeating timer owned by one editor.
class TInputTimer {
public:
    TInputTimer() = default;
    TInputTimer(const TInputTimer&) = delete;
    TInputTimer& operator=(const TInputTimer&) = delete;
    virtual ~TInputTimer() = default;

    virtual void Start(int periodMs, std::function<void()> tick) = 0;
    virtual void Stop() = 0;
};

// Focus and mouse capture of the editor's window.
class TPointerHost {
public:
    TPointerHost() = default;
    TPointerHost(const TPointerHost&) = delete;
    TPointerHost& operator=(const TPointerHost&) = delete;
    virtual ~TPointerHost() = default;

    virtual void TakeFocus() = 0;
    virtual void CaptureMouse() = 0;
    virtual void ReleaseMouse() = 0;
};

struct TInputPlatform {
    const TKeyboardQuery* keyboard = nullptr; // null: no key produces such a character
    TInputTimer* dragTimer = nullptr;
    TPointerHost* pointer = nullptr;
    // Milliseconds since some fixed start; null: the system's steady clock.
    std::function<std::uint64_t()> clockMs;
};
