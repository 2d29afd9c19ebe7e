// Key presses, characters, the mouse, the wheel and the scroll bars turned into editor
// commands, followed by the update cycle.
#include "actions/uniMemoInput.h"

#include <algorithm>
#include <chrono>

#include "actions/uniMemoActions.h"
#include "editor/uniMemo.h"

TMemoInput::TMemoInput(TuniMemo& memo, TMemoController& controller, TInputPlatform platform)
    : memo_(memo), controller_(controller), platform_(std::move(platform)) {}

TMemoInput::~TMemoInput() {
    if (dragging_ && platform_.dragTimer != nullptr) {
        platform_.dragTimer->Stop();
    }
}

std::uint64_t TMemoInput::Now() const {
    if (platform_.clockMs) {
        return platform_.clockMs();
    }
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

// The journal's state: any edit adds a record or extends the newest one, an undo or redo
// takes one away.
TMemoInput::TJournalMark TMemoInput::JournalMark() const {
    const TUndo& undo = memo_.Lines().Undo();
    const TUndoRec* newest = undo.Newest();
    return {undo.Count(), memo_.Lines().Redo().Count(), newest,
            newest != nullptr ? newest->caretEnd : TPoint{}};
}

// --- keys --------------------------------------------------------------------------------

// What every key, character and command does first: the editor takes its "before" state
// and the handled mark. Returns whether a selection was active.
bool TMemoInput::BeginInput() {
    memo_.BeginCommand();
    const bool wasSelected = memo_.SelectionActive();
    memo_.SetKeyHandled(true);
    return wasSelected;
}

// Looks the key up in the document keymap, then the global one, and runs what it binds.
// False when neither binds it.
bool TMemoInput::RunKey(TShortCut key, TShiftState) {
    TUniAction* action = controller_.FindKeyAction(key);
    if (action == nullptr) {
        return false;
    }
    controller_.Execute(*action);
    return true;
}

// The update cycle, then the selection follows a caret that a command moved: extended
// with Shift (a column block with Alt as well), dropped without.
void TMemoInput::AfterCommand(TShiftState shift, bool wasSelected) {
    memo_.UpdateView();
    if (!memo_.CaretMoved()) {
        return;
    }
    const bool column = (shift & scAlt) != 0 && !memo_.WordWrap() && !memo_.Proportional();
    memo_.SetSelectionMode(column ? TSelectionMode::Column : TSelectionMode::Stream);
    const TPoint caret = memo_.Caret();
    const TPoint visual{memo_.CaretPixel().X / std::max(memo_.CharWidth(), 1), caret.Y};
    if ((shift & scShift) != 0) {
        memo_.SetSelEnd(caret, visual);
        memo_.SetSelectionActive(true);
    } else {
        memo_.SetSelStart(caret, visual);
        memo_.SetSelEnd(caret, visual);
        memo_.SetSelectionActive(false);
    }
    if (wasSelected || memo_.SelectionActive()) {
        memo_.Repaint();
        memo_.UpdateView();
    }
}

bool TMemoInput::KeyDown(int virtualKey, TShiftState shift) {
    if (virtualKey <= 0 || virtualKey > 0xFF) {
        return false;
    }
    if (memo_.DialogMode() &&
        (virtualKey == vkTab || virtualKey == vkReturn || virtualKey == vkEscape)) {
        return false;
    }
    const TShiftState mods = shift & (scShift | scCtrl | scAlt);
    // Backspace's character message comes next and runs its binding.
    if (virtualKey == vkBack && mods == 0) {
        return false;
    }
    if (platform_.keyboard != nullptr && platform_.keyboard->ProducesWideOrDeadChar(virtualKey)) {
        return false;
    }
    const bool wasSelected = BeginInput();
    const TJournalMark before = JournalMark();
    if (!RunKey(static_cast<TShortCut>(virtualKey | mods), mods)) {
        return false;
    }
    const bool consumed = memo_.KeyHandled();
    // Shift extends the selection only over a move: after a command that changed the text
    // (a macro that opens a line, say, bound to a shifted key) the selection is dropped.
    const bool edited = JournalMark() != before;
    AfterCommand(edited ? static_cast<TShiftState>(mods & ~scShift) : mods, wasSelected);
    return consumed;
}

void TMemoInput::RunCommand(const std::function<void()>& command) {
    const bool wasSelected = BeginInput();
    command();
    memo_.Repaint();
    AfterCommand(0, wasSelected);
}

void TMemoInput::TypeCodePoint(char32_t c, TCharSource source) {
    if (source == TCharSource::Plain) {
        memo_.TypeChar(static_cast<char16_t>(c & 0xFFFF));
        if (c > 0xFFFF) {
            memo_.TypeChar(static_cast<char16_t>(c >> 16));
        }
        return;
    }
    if (c <= 0xFFFF) {
        memo_.TypeChar(static_cast<char16_t>(c));
    } else {
        const char32_t v = c - 0x10000;
        memo_.TypeChar(static_cast<char16_t>(0xD800 + (v >> 10)));
        memo_.TypeChar(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    }
}

bool TMemoInput::Char(char32_t c, TShiftState shift, TCharSource source) {
    if (memo_.DialogMode() && (c == u'\t' || c == u'\r' || c == 0x1B)) {
        return false;
    }
    if (source == TCharSource::InputMethod && c > 0x10FFFF) {
        return false;
    }
    const bool wasSelected = BeginInput();
    if (c == 8) {
        if (!RunKey(vkBack, 0)) {
            return false;
        }
    } else {
        TypeCodePoint(c, source);
    }
    const bool consumed = memo_.KeyHandled();
    AfterCommand(c == 8 ? 0 : shift & scShift, wasSelected);
    return consumed;
}

// --- the mouse ---------------------------------------------------------------------------

bool TMemoInput::PlaceCaretAtPointer(int x, int y) {
    const TPoint before = memo_.Caret();
    const int lines = memo_.Lines().Count();
    memo_.EnsureMap();
    const TPoint pos = memo_.ScreenMap().PixelToPos(
        {x + memo_.HorzScroll() * memo_.CharWidth() - memo_.GutterWidth(), y}, memo_.FirstRow(),
        memo_.VirtualSpace(), {memo_.CharWidth(), memo_.LineHeight()});
    TPoint caret{pos.X, memo_.TopLine() + pos.Y};
    if (caret.Y >= lines) {
        caret.Y = std::max(lines - 1, 0);
        if (!memo_.VirtualSpace()) {
            caret.X = std::min(caret.X, static_cast<int>(memo_.Lines().Get(caret.Y).size()));
        }
    }
    memo_.SetCaret(caret);
    memo_.SetTabOffset(0);
    const bool moved = caret != before;
    if (moved) {
        memo_.Repaint();
    }
    return moved;
}

void TMemoInput::MouseDown(int x, int y) {
    if (platform_.pointer != nullptr) {
        platform_.pointer->TakeFocus();
        platform_.pointer->CaptureMouse();
    }
    dragging_ = true;
    lastX_ = x;
    lastY_ = y;
    if (platform_.dragTimer != nullptr) {
        platform_.dragTimer->Start(kDragPeriodMs, [this] { DragTick(); });
    }
    memo_.BeginCommand();
    PlaceCaretAtPointer(x, y);
    if (x < memo_.GutterWidth()) {
        memo_.SelectLine();
    } else {
        memo_.SetSelectionMode(TSelectionMode::Stream);
        memo_.CollapseSelection();
    }
    memo_.SetCaretMoved(true);
    memo_.UpdateView();
}

void TMemoInput::PasteAtPointer(int x, int y, const std::u16string& text, bool columnBlock) {
    const bool wasSelected = BeginInput();
    PlaceCaretAtPointer(x, y);
    memo_.SetSelectionMode(TSelectionMode::Stream);
    memo_.CollapseSelection();
    memo_.PasteText(text, columnBlock ? TSelectionMode::Column : TSelectionMode::Stream);
    AfterCommand(0, wasSelected);
}

void TMemoInput::MouseMove(int x, int y) {
    if (!dragging_) {
        return;
    }
    lastX_ = x;
    lastY_ = y;
    DragTick();
}

void TMemoInput::DragTick() {
    if (!dragging_) {
        return;
    }
    memo_.BeginCommand();
    // BeginCommand drops a selection whose ends meet; while dragging it stays anchored.
    if (PlaceCaretAtPointer(lastX_, lastY_)) {
        memo_.SetSelEnd(memo_.Caret());
        memo_.SetSelectionActive(true);
        memo_.Repaint();
    }
    memo_.UpdateView();
}

void TMemoInput::MouseUp() {
    dragging_ = false;
    if (platform_.pointer != nullptr) {
        platform_.pointer->ReleaseMouse();
    }
    if (platform_.dragTimer != nullptr) {
        platform_.dragTimer->Stop();
    }
    const std::uint64_t now = Now();
    const bool selected = memo_.HasSelectedText();
    if (selected) {
        clickState_ = 0;
    } else if (clickState_ == 0) {
        clickState_ = 1;
        clickTime_ = now;
    } else if (now - clickTime_ < kDoubleClickMs) {
        memo_.BeginCommand();
        memo_.SelectWord();
        memo_.UpdateView();
        clickState_ = 0;
    } else {
        clickTime_ = now;
    }
}

void TMemoInput::Wheel(int steps) {
    for (int i = 0; i < std::abs(steps); ++i) {
        memo_.BeginCommand();
        if (steps > 0) {
            memo_.PageDown();
        } else {
            memo_.PageUp();
        }
        memo_.CollapseSelection();
        memo_.Repaint();
        memo_.UpdateView();
    }
}

// --- the scroll bars ---------------------------------------------------------------------

void TMemoInput::HorizontalScroll(TScrollCode code, int position) {
    memo_.BeginCommand();
    TPoint caret = memo_.Caret();
    int scroll = memo_.HorzScroll();
    const int page = memo_.VisibleColumns() + 1;
    switch (code) {
    case TScrollCode::LineUp:
        caret.X = caret.X > 0 ? caret.X - 1 : caret.X;
        scroll = scroll > 0 ? scroll - 1 : scroll;
        break;
    case TScrollCode::LineDown:
        ++caret.X;
        ++scroll;
        break;
    case TScrollCode::PageUp: {
        const int next = std::max(0, scroll - page);
        caret.X = std::max(0, caret.X - (scroll - next));
        scroll = next;
        break;
    }
    case TScrollCode::PageDown:
        scroll += page;
        caret.X += page;
        break;
    case TScrollCode::Top:
        memo_.LineHome();
        caret = memo_.Caret();
        break;
    case TScrollCode::Bottom:
        memo_.LineEnd();
        caret = memo_.Caret();
        break;
    case TScrollCode::Thumb: {
        const int next = std::max(position, 0);
        caret.X = std::max(0, caret.X + next - scroll);
        scroll = next;
        break;
    }
    }
    if (!memo_.VirtualSpace()) {
        caret.X = std::min(caret.X, static_cast<int>(memo_.Lines().Get(caret.Y).size()));
    }
    memo_.SetCaret(caret);
    memo_.SetHorzScroll(scroll);
    memo_.DropSelection();
    memo_.SetSelStart(caret);
    memo_.SetSelEnd(caret);
    memo_.Repaint();
    memo_.UpdateView();
}

void TMemoInput::VerticalScroll(TScrollCode code, int position) {
    memo_.BeginCommand();
    const TPoint caretBefore = memo_.Caret();
    const int topBefore = memo_.TopLine();
    const int scrollBefore = memo_.HorzScroll();
    switch (code) {
    case TScrollCode::LineUp:
        memo_.ScrollUp();
        break;
    case TScrollCode::LineDown:
        memo_.ScrollDown();
        break;
    case TScrollCode::PageUp:
        memo_.PageUp();
        break;
    case TScrollCode::PageDown:
        memo_.PageDown();
        break;
    case TScrollCode::Top:
        memo_.TextTop();
        break;
    case TScrollCode::Bottom:
        memo_.TextBottom();
        break;
    case TScrollCode::Thumb: {
        const int count = memo_.Lines().Count();
        if (position < 0 || position >= count) {
            break;
        }
        const int top = std::min(std::max(0, position * memo_.ScrollScale()), count - 1);
        if (memo_.WordWrap()) {
            memo_.SetTopLine(top, 0);
            memo_.RebuildMap();
            const TScrMap& map = memo_.ScreenMap();
            const bool restFits =
                top + map.LineCount() >= count && map.RowCount() <= memo_.VisibleRows();
            if (!restFits) {
                memo_.SetCaret({0, top});
                memo_.SetTabOffset(0);
            } else {
                memo_.TextBottom();
                memo_.Repaint();
            }
        } else {
            const int moved = top - memo_.TopLine();
            memo_.SetTopLine(top, 0);
            const TPoint caret = memo_.Caret();
            memo_.SetCaret({caret.X, std::clamp(caret.Y + moved, 0, std::max(count - 1, 0))});
        }
        break;
    }
    }
    if (memo_.Caret() != caretBefore || memo_.TopLine() != topBefore ||
        memo_.HorzScroll() != scrollBefore) {
        memo_.Repaint();
    }
    memo_.UpdateView();
}
