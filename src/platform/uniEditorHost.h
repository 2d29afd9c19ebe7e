// What an editor control needs from the window that hosts it: the client area and its
// repaints, the scroll bars, the busy cursor, the main-thread queue and message
// boxes. Each is a small interface the toolkit layer implements; tests record the calls.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The client area of the editor's window.
class TEditorWindow {
public:
    TEditorWindow() = default;
    TEditorWindow(const TEditorWindow&) = delete;
    TEditorWindow& operator=(const TEditorWindow&) = delete;
    virtual ~TEditorWindow() = default;

    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    // Asks for the whole client area to be painted again.
    virtual void Invalidate() = 0;
    // Handles the paint requests already pending, so a long load or save shows progress.
    virtual void ProcessPendingPaint() = 0;
    // Selects the editor font; the measurer reports its metrics afterwards.
    virtual void SelectFont(std::u16string_view name, int size) = 0;
};

struct TScrollInfo {
    int min = 0;
    int max = 0;
    int page = 0;
    int pos = 0;
    friend bool operator==(const TScrollInfo&, const TScrollInfo&) = default;
};

enum class TScrollBarKind { Vertical, Horizontal };

class TScrollBarHost {
public:
    TScrollBarHost() = default;
    TScrollBarHost(const TScrollBarHost&) = delete;
    TScrollBarHost& operator=(const TScrollBarHost&) = delete;
    virtual ~TScrollBarHost() = default;

    virtual void ShowScrollBars(bool vertical, bool horizontal) = 0;
    virtual void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) = 0;
};

// The mouse cursor's busy shape while a long operation runs on the main thread.
class TBusyCursor {
public:
    TBusyCursor() = default;
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
    virtual ~TBusyCursor() = default;

    virtual void SetBusy(bool busy) = 0;
};

// Work handed to the user-interface thread's event loop, run after the current event.
class TMainThreadQueue {
public:
    TMainThreadQueue() = default;
    TMainThreadQueue(const TMainThreadQueue&) = delete;
    TMainThreadQueue& operator=(const TMainThreadQueue&) = delete;
    virtual ~TMainThreadQueue() = default;

    virtual void Post(std::function<void()> work) = 0;
};

enum class TMessageKind { Error, Information };

// A modal message box with an OK button.
class TMessageBoxHost {
public:
    TMessageBoxHost() = default;
    TMessageBoxHost(const TMessageBoxHost&) = delete;
    TMessageBoxHost& operator=(const TMessageBoxHost&) = delete;
    virtual ~TMessageBoxHost() = default;

    virtual void ShowMessage(std::u16string_view caption, std::u16string_view text,
                             TMessageKind kind) = 0;
};

// What the clipboard holds for a paste: the UTF-16 text and the 8-bit text when present,
// and whether the column-block format is there too.
struct TClipboardText {
    std::optional<std::u16string> utf16;
    std::optional<std::string> ansi;
    bool columnBlock = false;
};

class TClipboardHost {
public:
    TClipboardHost() = default;
    TClipboardHost(const TClipboardHost&) = delete;
    TClipboardHost& operator=(const TClipboardHost&) = delete;
    virtual ~TClipboardHost() = default;

    // Empties the clipboard and places the texts (with the column-block format first when
    // `columnBlock`); false when the clipboard cannot be opened.
    virtual bool SetText(const std::u16string& utf16, const std::string& ansi,
                         bool columnBlock) = 0;
    // nullopt when the clipboard cannot be opened.
    virtual std::optional<TClipboardText> GetText() = 0;
};

enum class TReplaceAnswer { Yes, No, Cancel, All };

// The modal questions the commands ask.
class TQuestionHost {
public:
    TQuestionHost() = default;
    TQuestionHost(const TQuestionHost&) = delete;
    TQuestionHost& operator=(const TQuestionHost&) = delete;
    virtual ~TQuestionHost() = default;

    // The replace confirmation with Yes, No, Cancel and All. `caretX`, `caretY` are the
    // caret's top-left corner in the editor's client coordinates; the box goes 20 pixels
    // right of it, above or below the caret line as the space below allows.
    virtual TReplaceAnswer AskReplace(std::u16string_view text, int caretX, int caretY,
                                      int lineHeight) = 0;
    // The code entry box with its top-left corner at (x, y) of the client area, its text in
    // the given font size; nullopt when cancelled.
    virtual std::optional<std::u16string> EnterCode(int x, int y, int fontSize) = 0;
};
