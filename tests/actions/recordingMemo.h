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
    // Called for InsertText (the text command), so a test can make it fail.
    std::function<void(std::u16string_view)> onInsert;
    // Called for EndUndoGroup, likewise.
    std::function<void()> onEndUndoGroup;

// Every command of the list records its name, with its argument in parentheses.
#define PELMAR_RECORD_PLAIN(name, ...)                                                             \
    void name() override {                                                                         \
        Record(#name);                                                                             \
    }
#define PELMAR_RECORD_TEXT(name)                                                                   \
    void name(std::u16string_view text) override {                                                 \
        Record(#name "(" + testing_support::U8(text) + ")");                                       \
        if (onInsert) {                                                                            \
            onInsert(text);                                                                        \
        }                                                                                          \
    }
#define PELMAR_RECORD_NUMBERED(name, ...)                                                          \
    void name(int n) override {                                                                    \
        Record(#name "(" + std::to_string(n) + ")");                                               \
    }
#define PELMAR_RECORD_ENTRY(name, ...)                                                             \
    void name(const std::string& entry) override {                                                 \
        Record(#name "(" + entry + ")");                                                           \
    }
    PELMAR_EDITOR_COMMANDS(PELMAR_RECORD_PLAIN, PELMAR_RECORD_TEXT, PELMAR_RECORD_NUMBERED,
                           PELMAR_RECORD_ENTRY)
#undef PELMAR_RECORD_PLAIN
#undef PELMAR_RECORD_TEXT
#undef PELMAR_RECORD_NUMBERED
#undef PELMAR_RECORD_ENTRY

    // No caret, no journal: macros run on it as on an editor whose caret never moves.
    bool CaretMoved() const override {
        return false;
    }
    void SetCaretMoved(bool) override {}
    void CollapseSelection() override {}
    void BeginMacroTyping() override {}
    void EndMacroTyping() override {}

private:
    void Record(std::string call) {
        calls.push_back(std::move(call));
        if (calls.back() == "EndUndoGroup" && onEndUndoGroup) {
            onEndUndoGroup();
        }
    }
};

} // namespace actions_test
