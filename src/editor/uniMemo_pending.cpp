// Commands not written yet: each raises, so a caller can never mistake one for done.
#include <stdexcept>

#include "editor/uniMemo.h"

namespace {
[[noreturn]] void NotYet(const char* name) {
    throw std::logic_error(std::string(name) + " is not built yet");
}
} // namespace

void TuniMemo::WordSearch() {
    NotYet("WordSearch");
}

void TuniMemo::WordSearchBack() {
    NotYet("WordSearchBack");
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
