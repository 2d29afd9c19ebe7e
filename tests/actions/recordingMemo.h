// A test double of the editor's command interface that records every call by name.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "editor/uniAbstractMemo.h"
#include "support/testSupport.h"

namespace actions_test {

class TRecordingMemo : public TuniAbstractMemo {
public:
    std::vector<std::string> calls;
    // Called for InsertText, so a test can make it fail.
    std::function<void(std::u16string_view)> onInsert;
    // Called for EndUndoGroup, likewise.
    std::function<void()> onEndUndoGroup;

#define PELMAR_RECORD(name)                                                                        \
    void name() override {                                                                         \
        calls.push_back(#name);                                                                    \
    }
    PELMAR_RECORD(NewLine)
    PELMAR_RECORD(Backspace)
    PELMAR_RECORD(DeleteLine)
    PELMAR_RECORD(DeleteWordBack)
    PELMAR_RECORD(IndentSelection)
    PELMAR_RECORD(UnindentSelection)
    PELMAR_RECORD(BackIndent)
    PELMAR_RECORD(NewLineIndent)
    PELMAR_RECORD(Undo)
    PELMAR_RECORD(Redo)
    PELMAR_RECORD(SelectAll)
    PELMAR_RECORD(Unselect)
    PELMAR_RECORD(CaretRight)
    PELMAR_RECORD(CaretLeft)
    PELMAR_RECORD(WordRight)
    PELMAR_RECORD(WordLeft)
    PELMAR_RECORD(CaretDown)
    PELMAR_RECORD(CaretUp)
    PELMAR_RECORD(ScrollDown)
    PELMAR_RECORD(ScrollUp)
    PELMAR_RECORD(LineHome)
    PELMAR_RECORD(LineEnd)
    PELMAR_RECORD(TextTop)
    PELMAR_RECORD(TextBottom)
    PELMAR_RECORD(PageUp)
    PELMAR_RECORD(PageDown)
    PELMAR_RECORD(DeleteChar)
    PELMAR_RECORD(CutSelection)
    PELMAR_RECORD(DeleteWord)
    PELMAR_RECORD(SelectionToUpper)
    PELMAR_RECORD(SelectionToLower)
    PELMAR_RECORD(KeyboardPrev)
    PELMAR_RECORD(KeyboardNext)
    PELMAR_RECORD(InsertTab)
    PELMAR_RECORD(MatchBracket)
    PELMAR_RECORD(ToggleOverwrite)
    PELMAR_RECORD(PasteClipboard)
    PELMAR_RECORD(CopyClipboard)
    PELMAR_RECORD(ToggleWrap)
    PELMAR_RECORD(ToggleMaximize)
    PELMAR_RECORD(EnterUnicode)
    PELMAR_RECORD(WordSearch)
    PELMAR_RECORD(WordSearchBack)
    PELMAR_RECORD(BeginUndoGroup)
    PELMAR_RECORD(SelectWord)
    PELMAR_RECORD(SelectLine)
#undef PELMAR_RECORD

    void EndUndoGroup() override {
        calls.push_back("EndUndoGroup");
        if (onEndUndoGroup) {
            onEndUndoGroup();
        }
    }
    void InsertText(std::u16string_view text) override {
        calls.push_back("InsertText(" + testing_support::U8(text) + ")");
        if (onInsert) {
            onInsert(text);
        }
    }
    void SetBookmark(int n) override {
        calls.push_back("SetBookmark(" + std::to_string(n) + ")");
    }
    void GotoBookmark(int n) override {
        calls.push_back("GotoBookmark(" + std::to_string(n) + ")");
    }
    void RunCompiler(const std::string& name) override {
        calls.push_back("RunCompiler(" + name + ")");
    }
    void RunFilter(const std::string& name) override {
        calls.push_back("RunFilter(" + name + ")");
    }
};

} // namespace actions_test
