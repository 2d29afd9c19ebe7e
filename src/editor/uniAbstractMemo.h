// The editor control's command interface: every editing and movement command, in the
// fixed order the command actions call them. Undo records and actions refer to an editor
// through this base.
#pragma once

#include <string>
#include <string_view>

class TuniAbstractMemo {
public:
    TuniAbstractMemo() = default;
    // An editor is referred to by address from undo records and actions: never copied.
    TuniAbstractMemo(const TuniAbstractMemo&) = delete;
    TuniAbstractMemo& operator=(const TuniAbstractMemo&) = delete;
    virtual ~TuniAbstractMemo() = default;

    virtual void InsertText(std::u16string_view text) = 0;
    virtual void NewLine() = 0;
    virtual void Backspace() = 0;
    virtual void DeleteLine() = 0;
    virtual void DeleteWordBack() = 0;
    virtual void IndentSelection() = 0;
    virtual void UnindentSelection() = 0;
    virtual void BackIndent() = 0;
    virtual void NewLineIndent() = 0;
    virtual void Undo() = 0;
    virtual void Redo() = 0;
    virtual void SelectAll() = 0;
    virtual void Unselect() = 0;
    virtual void CaretRight() = 0;
    virtual void CaretLeft() = 0;
    virtual void WordRight() = 0;
    virtual void WordLeft() = 0;
    virtual void CaretDown() = 0;
    virtual void CaretUp() = 0;
    virtual void ScrollDown() = 0;
    virtual void ScrollUp() = 0;
    virtual void LineHome() = 0;
    virtual void LineEnd() = 0;
    virtual void TextTop() = 0;
    virtual void TextBottom() = 0;
    virtual void PageUp() = 0;
    virtual void PageDown() = 0;
    virtual void DeleteChar() = 0;
    virtual void CutSelection() = 0;
    virtual void DeleteWord() = 0;
    virtual void SelectionToUpper() = 0;
    virtual void SelectionToLower() = 0;
    virtual void KeyboardPrev() = 0;
    virtual void KeyboardNext() = 0;
    virtual void InsertTab() = 0;
    virtual void MatchBracket() = 0;
    virtual void ToggleOverwrite() = 0;
    virtual void PasteClipboard() = 0;
    virtual void CopyClipboard() = 0;
    virtual void ToggleWrap() = 0;
    virtual void ToggleMaximize() = 0;
    virtual void EnterUnicode() = 0;
    virtual void WordSearch() = 0;
    virtual void WordSearchBack() = 0;
    virtual void SetBookmark(int n) = 0;
    virtual void GotoBookmark(int n) = 0;
    virtual void BeginUndoGroup() = 0;
    virtual void EndUndoGroup() = 0;
    virtual void RunCompiler(const std::string& name) = 0;
    virtual void RunFilter(const std::string& name) = 0;
    virtual void SelectWord() = 0;
    virtual void SelectLine() = 0;
};
