// Commands not written yet: each raises, so a caller can never mistake one for done.
#include <stdexcept>

#include "editor/uniMemo.h"

namespace {
[[noreturn]] void NotYet(const char* name) {
    throw std::logic_error(std::string(name) + " is not built yet");
}
} // namespace

void TuniMemo::InsertText(std::u16string_view) {
    NotYet("InsertText");
}

void TuniMemo::NewLine() {
    NotYet("NewLine");
}

void TuniMemo::Backspace() {
    NotYet("Backspace");
}

void TuniMemo::DeleteLine() {
    NotYet("DeleteLine");
}

void TuniMemo::DeleteWordBack() {
    NotYet("DeleteWordBack");
}

void TuniMemo::IndentSelection() {
    NotYet("IndentSelection");
}

void TuniMemo::UnindentSelection() {
    NotYet("UnindentSelection");
}

void TuniMemo::BackIndent() {
    NotYet("BackIndent");
}

void TuniMemo::NewLineIndent() {
    NotYet("NewLineIndent");
}

void TuniMemo::SelectAll() {
    NotYet("SelectAll");
}

void TuniMemo::Unselect() {
    NotYet("Unselect");
}

void TuniMemo::CaretRight() {
    NotYet("CaretRight");
}

void TuniMemo::CaretLeft() {
    NotYet("CaretLeft");
}

void TuniMemo::WordRight() {
    NotYet("WordRight");
}

void TuniMemo::WordLeft() {
    NotYet("WordLeft");
}

void TuniMemo::CaretDown() {
    NotYet("CaretDown");
}

void TuniMemo::CaretUp() {
    NotYet("CaretUp");
}

void TuniMemo::ScrollDown() {
    NotYet("ScrollDown");
}

void TuniMemo::ScrollUp() {
    NotYet("ScrollUp");
}

void TuniMemo::LineHome() {
    NotYet("LineHome");
}

void TuniMemo::LineEnd() {
    NotYet("LineEnd");
}

void TuniMemo::TextTop() {
    NotYet("TextTop");
}

void TuniMemo::TextBottom() {
    NotYet("TextBottom");
}

void TuniMemo::PageUp() {
    NotYet("PageUp");
}

void TuniMemo::PageDown() {
    NotYet("PageDown");
}

void TuniMemo::DeleteChar() {
    NotYet("DeleteChar");
}

void TuniMemo::CutSelection() {
    NotYet("CutSelection");
}

void TuniMemo::DeleteWord() {
    NotYet("DeleteWord");
}

void TuniMemo::SelectionToUpper() {
    NotYet("SelectionToUpper");
}

void TuniMemo::SelectionToLower() {
    NotYet("SelectionToLower");
}

void TuniMemo::KeyboardPrev() {
    NotYet("KeyboardPrev");
}

void TuniMemo::KeyboardNext() {
    NotYet("KeyboardNext");
}

void TuniMemo::InsertTab() {
    NotYet("InsertTab");
}

void TuniMemo::MatchBracket() {
    NotYet("MatchBracket");
}

void TuniMemo::ToggleOverwrite() {
    NotYet("ToggleOverwrite");
}

void TuniMemo::PasteClipboard() {
    NotYet("PasteClipboard");
}

void TuniMemo::CopyClipboard() {
    NotYet("CopyClipboard");
}

void TuniMemo::ToggleWrap() {
    NotYet("ToggleWrap");
}

void TuniMemo::ToggleMaximize() {
    NotYet("ToggleMaximize");
}

void TuniMemo::EnterUnicode() {
    NotYet("EnterUnicode");
}

void TuniMemo::WordSearch() {
    NotYet("WordSearch");
}

void TuniMemo::WordSearchBack() {
    NotYet("WordSearchBack");
}

void TuniMemo::SetBookmark(int) {
    NotYet("SetBookmark");
}

void TuniMemo::GotoBookmark(int) {
    NotYet("GotoBookmark");
}

void TuniMemo::RunCompiler(const std::string&) {
    NotYet("RunCompiler");
}

void TuniMemo::RunFilter(const std::string&) {
    NotYet("RunFilter");
}

void TuniMemo::SelectWord() {
    NotYet("SelectWord");
}

void TuniMemo::SelectLine() {
    NotYet("SelectLine");
}

bool TuniMemo::FindForward(std::u16string_view, bool, bool) {
    NotYet("FindForward");
}

bool TuniMemo::FindBackward(std::u16string_view, bool, bool) {
    NotYet("FindBackward");
}

void TuniMemo::Replace(std::u16string_view, std::u16string_view, bool) {
    NotYet("Replace");
}

std::u16string TuniMemo::WordAtCaret() const {
    NotYet("WordAtCaret");
}
