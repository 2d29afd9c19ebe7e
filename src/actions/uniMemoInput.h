// An editor's input handling: key presses looked up in the keymaps and run as actions,
// characters typed, the mouse placing the caret and selecting, the wheel, the scroll
// bars. The toolkit layer translates its events into these calls.
#pragma once

#include <cstdint>
#include <functional>

#include "actions/uniKeyNames.h"
#include "platform/uniInputHost.h"
#include "text/uniStringList.h"

class TuniMemo;
class TMemoController;

// Modifier keys held: the shortcut bits scShift, scCtrl and scAlt.
using TShiftState = std::uint16_t;

enum class TScrollCode { LineUp, LineDown, PageUp, PageDown, Top, Bottom, Thumb };

// How a character arrived: a plain character message, or an input method / Unicode
// character message (full code points).
enum class TCharSource { Plain, InputMethod };

class TMemoInput {
public:
    static constexpr int kDragPeriodMs = 200;
    static constexpr std::uint64_t kDoubleClickMs = 500;

    // Made by the editor's controller, which looks the keys up and runs their actions; the
    // editor and the controller are borrowed and must outlive the handler.
    TMemoInput(TuniMemo& memo, TMemoController& controller, TInputPlatform platform);
    ~TMemoInput();
    TMemoInput(const TMemoInput&) = delete;
    TMemoInput& operator=(const TMemoInput&) = delete;

    // A key press; true when the key was consumed (the platform must not handle it).
    bool KeyDown(int virtualKey, TShiftState shift);
    // A command that arrives without a key (a menu item, the main window's own commands):
    // run as an unshifted key would run it, with the update cycle after it, so the window
    // shows what the command did.
    void RunCommand(const std::function<void()>& command);
    // A character message; true when consumed.
    bool Char(char32_t c, TShiftState shift, TCharSource source = TCharSource::Plain);

    // Pointer positions are in the editor's client coordinates.
    void MouseDown(int x, int y);
    void MouseMove(int x, int y);
    void MouseUp();
    // A middle click on X11: the caret goes to the pointer (the selection collapses, it is
    // not replaced) and the text is pasted there as the clipboard's would be.
    void PasteAtPointer(int x, int y, const std::u16string& text, bool columnBlock);
    // One drag-timer period with the last pointer position.
    void DragTick();
    bool Dragging() const { return dragging_; }

    // Positive steps go down: each step pages once.
    void Wheel(int steps);
    void HorizontalScroll(TScrollCode code, int position = 0);
    void VerticalScroll(TScrollCode code, int position = 0);

private:
    struct TJournalMark {
        int undoCount = 0;
        int redoCount = 0;
        const void* newest = nullptr;
        TPoint newestEnd;
        friend bool operator==(const TJournalMark&, const TJournalMark&) = default;
    };
    TJournalMark JournalMark() const;
    bool BeginInput();
    bool RunKey(TShortCut key, TShiftState shift);
    void AfterCommand(TShiftState shift, bool wasSelected);
    bool PlaceCaretAtPointer(int x, int y);
    std::uint64_t Now() const;
    void TypeCodePoint(char32_t c, TCharSource source);

    TuniMemo& memo_;
    TMemoController& controller_;
    TInputPlatform platform_;
    bool dragging_ = false;
    int lastX_ = 0;
    int lastY_ = 0;
    int clickState_ = 0;
    std::uint64_t clickTime_ = 0;
};
