// The text primitives with their undo records, deleting and typing, inserting lines at
// the caret, the selection as 8-bit lines and back, and undo/redo replay.
#include <algorithm>

#include "base/uniAssert.h"
#include "base/uniCodePage.h"
#include "base/uniFileIO.h"
#include "editor/uniMemo.h"
#include "editor/uniMemoText.h"

using memo_text::Spaces;
using memo_text::TUnitSpan;
using memo_text::UnitSpans;

// --- primitives --------------------------------------------------------------------------

void TuniMemo::ClearRedo() {
    if (!replaying_) {
        lines_->Redo().Clear();
    }
}

void TuniMemo::RecordLineChange(int index, bool mergeable) {
    TUndo& undo = lines_->Undo();
    // A merged record keeps the text it has: a long line is not copied for each key.
    undo.Add(ukChangeLine, index, mergeable, this,
             undo.WouldMerge(ukChangeLine, index, mergeable, this, caretBefore_)
                 ? std::u16string()
                 : lines_->Get(index),
             caretBefore_);
    ClearRedo();
}

void TuniMemo::SetLineText(int index, std::u16string text, TMerge mergeable) {
    const bool merge = mergeable == TMerge::Yes;
    const int count = lines_->Count();
    if (index >= 0 && index < count) {
        RecordLineChange(index, merge);
        lines_->Put(index, std::move(text));
    } else if (index >= count) {
        lines_->Undo().Add(ukInsertLine, count, merge, this, std::u16string(), caretBefore_);
        ClearRedo();
        lines_->Add(std::move(text));
    }
}

void TuniMemo::InsertLineAt(int index, std::u16string text) {
    if (index < 0 || index > lines_->Count()) {
        return;
    }
    lines_->Undo().Add(ukInsertLine, index, true, this, std::u16string(), caretBefore_);
    ClearRedo();
    lines_->Insert(index, std::move(text));
}

void TuniMemo::RemoveLineAt(int index) {
    if (index < 0 || index >= lines_->Count()) {
        return;
    }
    lines_->Undo().Add(ukDeleteLine, index, true, this, lines_->Get(index), caretBefore_,
                       lines_->Separator(index));
    ClearRedo();
    lines_->Delete(index);
}

void TuniMemo::InsertLinesAt(int index, std::vector<std::u16string> texts) {
    if (index < 0 || index > lines_->Count() || texts.empty()) {
        return;
    }
    const int n = static_cast<int>(texts.size());
    TUndo& undo = lines_->Undo();
    for (int k = 0; k < n; ++k) {
        undo.Add(ukInsertLine, index + k, true, this, std::u16string(), caretBefore_);
    }
    ClearRedo();
    lines_->InsertLines(index, std::move(texts));
}

void TuniMemo::RemoveLinesAt(int index, int n) {
    n = std::min(n, lines_->Count() - index);
    if (index < 0 || n <= 0) {
        return;
    }
    // The texts move from the list into the records.
    TUndo& undo = lines_->Undo();
    int k = index; // the texts come in order, each while its line is still in the list
    lines_->DeleteLines(index, n, [&](std::u16string&& text) {
        undo.Add(ukDeleteLine, index, true, this, std::move(text), caretBefore_,
                 lines_->Separator(k++));
    });
    ClearRedo();
}

void TuniMemo::SetLineSeparator(int index, TLineSeparator end) {
    const TLineSeparator was = lines_->Separator(index);
    if (index < 0 || index >= lines_->Count() || was == end) {
        return;
    }
    lines_->Undo().Add(ukChangeSeparator, index, false, this, std::u16string(), caretBefore_, was);
    ClearRedo();
    lines_->SetSeparator(index, end);
}

void TuniMemo::SetRunSeparator(TLineRun& run, int index, TLineSeparator end) {
    const TLineSeparator was = run.Separator(index);
    if (was != end) {
        lines_->Undo().Add(ukChangeSeparator, index, false, this, std::u16string(), caretBefore_,
                           was);
        ClearRedo();
        run.SetSeparator(index, end);
    }
}

void TuniMemo::CarryRunSeparator(TLineRun& run, int from, int to) {
    const TLineSeparator own = run.Separator(from);
    if (own != lsDocument && from != to) {
        SetRunSeparator(run, to, own);
        SetRunSeparator(run, from, lsDocument);
    }
}

void TuniMemo::CarrySeparator(int from, int to) {
    const TLineSeparator own = lines_->Separator(from);
    if (own != lsDocument && from != to) {
        SetLineSeparator(to, own);
        SetLineSeparator(from, lsDocument);
    }
}

void TuniMemo::SetDocumentSeparator(TLineSeparator separator) {
    const int count = lines_->Count();
    const bool own = lines_->OwnSeparatorCount() > 0;
    if (separator == lsDocument || (!own && separator == Codec().lineSeparator)) {
        return;
    }
    caretBefore_ = caret_;
    const int group = OpenGroup();
    TUndo& undo = lines_->Undo();
    if (own) {
        for (int i = 0; i < count; ++i) {
            if (const TLineSeparator was = lines_->Separator(i); was != lsDocument) {
                undo.Add(ukChangeSeparator, i, false, this, std::u16string(), caretBefore_, was);
            }
        }
        lines_->ClearSeparators();
    }
    if (separator != Codec().lineSeparator) {
        undo.Add(ukChangeSeparator, -1, false, this, std::u16string(), caretBefore_,
                 Codec().lineSeparator);
        ShareDocumentSeparator(separator);
    }
    ClearRedo();
    CloseGroup(group);
    SetModified(true);
}

void TuniMemo::BeginUndoGroup() {
    lines_->Undo().Add(ukGroupBegin, 0, false, this, std::u16string(), caretBefore_);
    ClearRedo();
}

void TuniMemo::EndUndoGroup() {
    lines_->Undo().Add(ukGroupEnd, 0, false, this, std::u16string(), caretBefore_);
    ClearRedo();
}

int TuniMemo::OpenGroup() {
    const int mark = lines_->Undo().Count();
    BeginUndoGroup();
    return mark;
}

void TuniMemo::CloseGroup(int mark) {
    const TUndo& undo = lines_->Undo();
    PELMAR_ASSERT(undo.Count() > mark && undo.Record(mark).kind == ukGroupBegin,
                  "the group an edit opened is still open in the undo journal when it closes");
    if (undo.Count() == mark + 1 && undo.PeekKind() == ukGroupBegin) {
        lines_->Undo().Pop();
    } else {
        EndUndoGroup();
    }
}

// --- visual columns ----------------------------------------------------------------------

std::u16string TuniMemo::CutVisual(const std::u16string& text, int left, int right) const {
    const auto spans =
        UnitSpans(text, *platform_.measurer, metrics_.charWidth, std::max(settings_.tabSize, 1));
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const TUnitSpan s = spans[i];
        if (s.end <= left || s.start >= right) {
            out.push_back(text[i]);
        } else if (text[i] == u'\t') {
            // The parts of the TAB's expansion outside the block stay, as spaces, so the
            // text on both sides keeps its columns.
            out += Spaces(left - s.start);
            out += Spaces(s.end - right);
        } else if (s.start < left) {
            out.push_back(text[i]); // a wide unit that begins left of the block
        }
    }
    return out;
}

std::u16string TuniMemo::InsertAtVisual(const std::u16string& text, int column,
                                        const std::u16string& piece) const {
    const auto spans =
        UnitSpans(text, *platform_.measurer, metrics_.charWidth, std::max(settings_.tabSize, 1));
    for (size_t i = 0; i < text.size(); ++i) {
        const TUnitSpan s = spans[i];
        if (s.start >= column) {
            return text.substr(0, i) + piece + text.substr(i);
        }
        if (s.end > column) {
            if (text[i] == u'\t') {
                return text.substr(0, i) + Spaces(column - s.start) + piece +
                       Spaces(s.end - column) + text.substr(i + 1);
            }
            return text.substr(0, i + 1) + piece + text.substr(i + 1);
        }
    }
    const int width = spans.empty() ? 0 : spans.back().end;
    return text + Spaces(column - width) + piece;
}

// --- deleting and typing -----------------------------------------------------------------

void TuniMemo::DeleteSelection(TUpdate update) {
    if (!HasSelectedText()) {
        return;
    }
    const TNormalSelection n = NormalSelection();
    TPoint start = n.start;
    const int group = OpenGroup();
    if (n.mode == TSelectionMode::Column) {
        for (int y = n.start.Y; y <= n.end.Y && y < lines_->Count(); ++y) {
            const std::u16string& line = lines_->Get(y);
            std::u16string cut = CutVisual(line, n.start.X, n.end.X);
            if (cut != line) {
                SetLineText(y, std::move(cut), TMerge::Yes);
            }
        }
        // The caret goes to the block's left edge on its top line.
        const std::u16string& top = lines_->Get(n.start.Y);
        const auto spans =
            UnitSpans(top, *platform_.measurer, metrics_.charWidth, std::max(settings_.tabSize, 1));
        int x = 0;
        while (x < static_cast<int>(spans.size()) &&
               spans[static_cast<size_t>(x)].start < n.start.X) {
            ++x;
        }
        const int width = spans.empty() ? 0 : spans.back().end;
        start = {x == static_cast<int>(spans.size()) ? x + std::max(n.start.X - width, 0) : x,
                 n.start.Y};
    } else if (n.start.Y == n.end.Y) {
        std::u16string line = lines_->Get(n.start.Y);
        const size_t from = std::min(static_cast<size_t>(n.start.X), line.size());
        const size_t to = std::min(static_cast<size_t>(n.end.X), line.size());
        if (from < to) {
            line.erase(from, to - from);
            SetLineText(n.start.Y, std::move(line), TMerge::Yes);
        }
    } else if (n.start.Y < lines_->Count()) {
        std::u16string first = lines_->Get(n.start.Y);
        first.resize(std::min(static_cast<size_t>(n.start.X), first.size()));
        SetLineText(n.start.Y, first, TMerge::Yes);
        RemoveLinesAt(n.start.Y + 1, n.end.Y - n.start.Y - 1);
        if (n.start.Y + 1 < lines_->Count()) {
            const std::u16string& last = lines_->Get(n.start.Y + 1);
            first += last.substr(std::min(static_cast<size_t>(n.end.X), last.size()));
            SetLineText(n.start.Y, std::move(first), TMerge::Yes);
            // The joined line ends where the last one did.
            SetLineSeparator(n.start.Y, lines_->Separator(n.start.Y + 1));
            RemoveLineAt(n.start.Y + 1);
        }
    }
    CloseGroup(group);
    caretBefore_ = caret_;
    caret_ = start;
    tabOffset_ = 0;
    selActive_ = false;
    SetSelStart(caret_);
    SetSelEnd(caret_);
    SetModified(true);
    repaint_ = true;
    if (update == TUpdate::Now) {
        UpdateView();
    }
}

void TuniMemo::TypeChar(char16_t unit) {
    if (unit == 0) {
        return;
    }
    // Typing is a command of its own: its record carries the caret from before it.
    caretBefore_ = caret_;
    if (selMode_ != TSelectionMode::Column) {
        DeleteSelection(TUpdate::Later);
    }
    if (caret_.Y >= lines_->Count()) {
        caret_.Y = lines_->Count();
        InsertLineAt(caret_.Y, std::u16string());
    }
    // The line is edited in place, so a long line is not copied for each key: padded with
    // spaces up to the caret, the tab offset's spaces inserted, then the unit.
    const int y = caret_.Y;
    // Padding never reaches further than virtual space does.
    caret_.X = LimitColumn(caret_.X, y, true);
    const size_t x = static_cast<size_t>(caret_.X);
    const size_t offset = static_cast<size_t>(tabOffset_);
    const size_t length = lines_->Get(y).size();
    const size_t padded = std::max(length, x) + offset;
    const size_t at = x + offset;
    const bool replaces = overwrite_ && at < padded;
    RecordLineChange(y, unit != u' ');
    lines_->Edit(
        y,
        [&](std::u16string& text) {
            if (text.size() < x) {
                text.resize(x, u' ');
            }
            text.insert(x, offset, u' ');
            if (replaces) {
                text[at] = unit;
            } else {
                text.insert(at, 1, unit);
            }
        },
        static_cast<int>(std::min(x, length)));
    caret_.X = static_cast<int>(at) + 1;
    tabOffset_ = 0;
    SetSelStart(caret_);
    SetSelEnd(caret_);
    selActive_ = false;
    SetModified(true);
    repaint_ = true;
    Substitute();
}

// A macro's text: inserted where InsertText inserts it, but recorded as keys typed one after
// another are, each unit merging into the line's newest change record. A macro of many
// items on a long line thus keeps one copy of the line in the journal, not one per item.
// No group of its own: the macro's group holds its items together.
void TuniMemo::InsertTypedText(std::u16string_view text) {
    if (selMode_ != TSelectionMode::Column) {
        DeleteSelection(TUpdate::Later);
    }
    if (caret_.Y >= lines_->Count()) {
        caret_.Y = lines_->Count();
        InsertLineAt(caret_.Y, std::u16string());
    }
    const int y = caret_.Y;
    const size_t x = static_cast<size_t>(caret_.X);
    const size_t offset = static_cast<size_t>(tabOffset_);
    const size_t length = lines_->Get(y).size();
    const size_t at = x + offset;
    const TPoint before = caretBefore_;
    for (size_t k = 0; k < text.size(); ++k) {
        caretBefore_ = {static_cast<int>(at + k), y};
        RecordLineChange(y, true);
    }
    caretBefore_ = before;
    lines_->Edit(
        y,
        [&](std::u16string& line) {
            if (line.size() < x) {
                line.resize(x, u' ');
            }
            line.insert(x, offset, u' ');
            line.insert(at, text);
        },
        static_cast<int>(std::min(x, length)));
    PlaceCaretAfterEdit({static_cast<int>(at + text.size()), y});
    CollapseSelection();
    SetModified(true);
    repaint_ = true;
}

void TuniMemo::InsertLinesAtCaret(const std::vector<std::u16string>& pieces, TSelectionMode mode) {
    if (pieces.empty()) {
        return;
    }
    caret_.Y = std::min(caret_.Y, lines_->Count());
    if (mode == TSelectionMode::Column) {
        const int column = VisualColumn(caret_);
        for (size_t i = 0; i < pieces.size(); ++i) {
            const int y = caret_.Y + static_cast<int>(i);
            SetLineText(y, InsertAtVisual(lines_->Get(y), column, pieces[i]), TMerge::No);
        }
        return;
    }
    std::u16string line = lines_->Get(caret_.Y);
    if (static_cast<int>(line.size()) < caret_.X) {
        line.resize(static_cast<size_t>(caret_.X), u' ');
    }
    const size_t at = static_cast<size_t>(caret_.X);
    if (pieces.size() == 1) {
        line.insert(at, pieces.front());
        SetLineText(caret_.Y, std::move(line), TMerge::No);
        caret_.X += static_cast<int>(pieces.front().size());
        return;
    }
    const std::u16string tail = line.substr(at);
    SetLineText(caret_.Y, line.substr(0, at) + pieces.front(), TMerge::No);
    std::vector<std::u16string> rest(pieces.begin() + 1, pieces.end());
    rest.back() += tail;
    InsertLinesAt(caret_.Y + 1, std::move(rest));
    CarrySeparator(caret_.Y, caret_.Y + static_cast<int>(pieces.size()) - 1);
    caret_ = {static_cast<int>(pieces.back().size()),
              caret_.Y + static_cast<int>(pieces.size()) - 1};
}

// --- the selection as 8-bit lines --------------------------------------------------------

TConvTable TuniMemo::TableFor(const std::string& charset, const std::string& surrogate) const {
    TConvTable table;
    table.name = charset;
    if (environment_.charsetLists == nullptr) {
        return table;
    }
    const auto load = [&](const std::optional<std::string>& file) {
        if (file) {
            table.LoadFromFile(ConfigPath(Codec().programFolder, "Ini/" + *file));
        }
    };
    if (!IsBuiltinCharset(charset)) {
        load(environment_.charsetLists->CharsetFile(charset));
    }
    if (!surrogate.empty() && surrogate != "-") {
        load(environment_.charsetLists->SurrogateFile(surrogate));
    }
    return table;
}

bool TuniMemo::ExportSelection(std::vector<std::string>& out, const std::string& charset,
                               const std::string& surrogate) const {
    out.clear();
    if (!selActive_) {
        return false;
    }
    const TConvTable table = TableFor(charset, surrogate);
    std::vector<std::u16string> texts = SelectionLines(false);
    if (!texts.empty() && texts.back().empty()) {
        texts.pop_back();
    }
    for (const std::u16string& text : texts) {
        const std::u16string encoded = table.Empty() ? text : table.EncodeText(text);
        if (auto bytes = EncodeByCharset(charset, encoded)) {
            out.push_back(std::move(*bytes));
        } else {
            out.push_back(WideToAnsi(encoded));
        }
    }
    return selMode_ == TSelectionMode::Column;
}

void TuniMemo::ImportSelection(const std::vector<std::string>& bytes, TSelectionMode mode,
                               const std::string& surrogate, const std::string& charset) {
    const TConvTable table = TableFor(charset, surrogate);
    const TPoint before = caret_;
    caretBefore_ = caret_;
    const int group = OpenGroup();
    DeleteSelection(TUpdate::Later);
    std::vector<std::u16string> pieces;
    pieces.reserve(bytes.size());
    for (const std::string& line : bytes) {
        std::u16string text;
        if (auto decoded = DecodeByCharset(charset, line)) {
            text = std::move(*decoded);
        } else {
            text = AnsiToWide(line);
        }
        pieces.push_back(table.Empty() ? std::move(text) : table.DecodeText(text));
    }
    const TPoint start = caret_;
    InsertLinesAtCaret(pieces, mode);
    CloseGroup(group);
    const int n = static_cast<int>(pieces.size());
    if (mode == TSelectionMode::Column) {
        caret_ = start;
    } else if (n > 0 && start.Y <= before.Y && before.Y <= start.Y + n - 1) {
        // The old position lies within the inserted lines: the caret goes back there.
        caret_ = before;
    }
    SetModified(true);
    CollapseSelection();
    fullRepaint_ = repaint_ = layoutDirty_ = true;
    UpdateView();
}

// --- undo and redo -----------------------------------------------------------------------

bool TuniMemo::CanUndo() const {
    const TUndo& undo = lines_->Undo();
    return undo.Count() > 1 || (undo.Count() == 1 && undo.PeekKind() != ukSavePoint);
}

bool TuniMemo::CanRedo() const {
    return lines_->Redo().Count() > 0;
}

void TuniMemo::Undo() {
    ReplayStep(true);
}

void TuniMemo::Redo() {
    ReplayStep(false);
}

void TuniMemo::ReplaySavePoint(const TUndoEntry& e, bool undo) {
    TUndo& journal = undo && lines_->Undo().Count() == 0 ? lines_->Undo()
                     : undo                              ? lines_->Redo()
                                                         : lines_->Undo();
    journal.Add(ukSavePoint, e.line, false, e.editor, std::u16string(), e.caretStart);
}

// --- replay ------------------------------------------------------------------------------

// One step of the replay. Save points are passed on both sides of the step, so a step
// that ends in the saved state always reports it unmodified, in either direction.
void TuniMemo::ReplayStep(bool undo) {
    if (undo ? !CanUndo() : !CanRedo()) {
        return;
    }
    TUndo& from = undo ? lines_->Undo() : lines_->Redo();
    TUndo& to = undo ? lines_->Redo() : lines_->Undo();
    replaying_ = true;
    caretBefore_ = caret_;
    const TPoint recordCaret = caret_;
    std::optional<bool> modified;
    const auto passSavePoints = [&] {
        while (from.PeekKind() == ukSavePoint) {
            const TUndoEntry e = from.Pop();
            const bool floor = undo && from.Count() == 0;
            ReplaySavePoint(e, undo);
            if (e.line == SaveCounter()) {
                modified = false;
            }
            if (floor) {
                break;
            }
        }
    };
    passSavePoints();
    int depth = 0;
    bool lineDone = false;
    // The step's line edits are written back at once: a step that inserts or removes many
    // lines costs in proportion to them, not to them times the lines after them.
    TLineRun run(*lines_);
    while (undo ? CanUndo() : CanRedo()) {
        TUndoEntry e = from.Pop();
        if (e.kind == ukNone) {
            break;
        }
        if (e.kind == ukSavePoint) {
            // Only inside a group: no caret move, the record passes to the other side.
            ReplaySavePoint(e, undo);
            continue;
        }
        if (e.editor == this) {
            caret_ = e.caretStart;
        }
        switch (e.kind) {
        case ukInsertLine:
        case ukDeleteLine:
            // Undoing an insert and redoing a delete take the line out, keeping its text
            // and separator in the record; the other two put it back.
            if (undo == (e.kind == ukInsertLine)) {
                TLineSeparator end = lsDocument;
                std::u16string text =
                    e.line < run.Count() ? run.Take(e.line, &end) : std::u16string();
                to.Add(e.kind, e.line, false, this, std::move(text), recordCaret, end);
            } else {
                run.Insert(std::min(e.line, run.Count()), std::move(e.text), e.separator);
                to.Add(e.kind, e.line, false, this, std::u16string(), recordCaret);
            }
            lineDone = true;
            break;
        case ukChangeSeparator: {
            TLineSeparator was = e.separator;
            if (e.line < 0) {
                was = Codec().lineSeparator;
                ShareDocumentSeparator(e.separator);
            } else if (e.line < run.Count()) {
                was = run.Separator(e.line);
                run.SetSeparator(e.line, e.separator);
            }
            to.Add(ukChangeSeparator, e.line, false, this, std::u16string(), recordCaret, was);
            lineDone = true;
            break;
        }
        case ukChangeLine: {
            std::u16string before =
                e.line < run.Count() ? run.Exchange(e.line, std::move(e.text)) : std::u16string();
            to.Add(ukChangeLine, e.line, false, this, std::move(before), recordCaret);
            lineDone = true;
            break;
        }
        case ukGroupBegin:
        case ukGroupEnd:
            to.Add(e.kind, 0, false, this, std::u16string(), recordCaret);
            depth += (e.kind == ukGroupEnd) == undo ? 1 : -1;
            break;
        default:
            break;
        }
        modified = true;
        if (depth <= 0 && lineDone) {
            break;
        }
    }
    run.Commit();
    passSavePoints();
    replaying_ = false;
    tabOffset_ = 0;
    CollapseSelection();
    if (modified) {
        SetModified(*modified);
    }
    fullRepaint_ = repaint_ = layoutDirty_ = true;
}
