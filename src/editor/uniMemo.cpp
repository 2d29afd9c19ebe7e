// The editor's state: its view of a document and what the view hears of it, caret,
// selection, bookmarks, settings, the modified state, positions requested from outside.
#include "editor/uniMemo.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "editor/uniCellMarker.h"

void TuniMemo::ShareDocumentSeparator(TLineSeparator separator) {
    document_->SetLineSeparator(separator);
}

TuniMemo::TuniMemo(TMemoPlatform platform, TMemoEnvironment environment)
    : platform_(platform), environment_(environment),
      substitutions_(std::make_unique<TWStringList>()), search_(std::make_unique<TuniSearch>()) {
    substKeys_->SetSorted(true);
    bookmarks_.fill(TPoint{-1, -1});
    substitutions_->SetSorted(true);
    if (environment_.common != nullptr) {
        settings_.gutterWidth = environment_.common->gutterWidth;
        settings_.textColor = environment_.common->textColor;
        settings_.highlightColor = environment_.common->highlightColor;
        settings_.fontName = environment_.common->editFont;
        settings_.fontSize = environment_.common->editFontSize;
    }
    AttachDocument(TDocument::New());
    TTextCodec& codec = Codec();
    codec.charset = std::string(kCharsetUtf8);
    codec.charsetLists = environment_.charsetLists;
    if (environment_.folder != nullptr) {
        codec.programFolder = environment_.folder->Root();
    }
    lines_->SetTabSize(settings_.tabSize);
    MeasureFont();
}

TuniMemo::TuniMemo(TMemoPlatform platform, TMemoEnvironment environment, TSingleLine)
    : TuniMemo(platform, environment) {
    singleLine_ = true;
    settings_.gutterWidth = 0;
    scrollBarsEnabled_ = false;
}

TuniEdit::TuniEdit(TMemoPlatform platform, TMemoEnvironment environment)
    : TuniMemo(platform, environment, TSingleLine{}) {}

TuniMemo::~TuniMemo() {
    destroying_ = true;
    *alive_ = false;
    DetachDocument();
}

void TuniMemo::AttachDocument(TDocument::TPtr document) {
    document_ = std::move(document);
    lines_ = &document_->Lines();
    document_->AddWatcher(*this);
}

void TuniMemo::DetachDocument() {
    if (document_ == nullptr) {
        return;
    }
    colorer_.reset();
    caretOnPair_ = false;
    document_->RemoveWatcher(*this);
    lines_ = nullptr;
    document_.reset();
}

void TuniMemo::SetLines(TWStringList* list, const std::string& fileName) {
    if (list == nullptr || list == lines_) {
        return;
    }
    TDocument::TPtr document(TDocument::Of(*list).AddRef());
    DetachDocument();
    AttachDocument(std::move(document));
    document_->SetFileName(fileName);
    ResetPositions();
    settings_.tabSize = lines_->TabSize();
    fullRepaint_ = repaint_ = layoutDirty_ = true;
    UpdateView();
}

// A new document in this view: caret, view, selection and bookmarks back at the start.
void TuniMemo::ResetPositions() {
    caret_ = caretBefore_ = {};
    tabOffset_ = 0;
    topLine_ = firstRow_ = horzScroll_ = 0;
    selActive_ = false;
    selStart_ = selEnd_ = {};
    bookmarks_.fill(TPoint{-1, -1});
}

void TuniMemo::TextChanged() {
    geometry_.ListChanged();
    fullRepaint_ = true;
    layoutDirty_ = true;
}

void TuniMemo::LinesInserted(TDocument& document, const TLineChange& change) {
    const int n = change.last - change.first + 1;
    TextChanged();
    geometry_.LinesInserted(change.first, n);
    ShiftBookmarksInserted(change.first, n);
    painter_.LinesInserted(*this, change.first, n);
    listeners_.TellAll([&](TMemoListener& l) { l.LinesInserted(document, change); });
}

void TuniMemo::LinesDeleted(TDocument& document, const TLineChange& change) {
    const int n = change.last - change.first + 1;
    TextChanged();
    geometry_.LinesRemoved(change.first, n);
    ShiftBookmarksRemoved(change.first, n);
    painter_.LinesRemoved(*this, change.first, n);
    listeners_.TellAll([&](TMemoListener& l) { l.LinesDeleted(document, change); });
}

// A change of several lines at once (a sort) leaves the geometry nothing to keep.
void TuniMemo::LinesChanged(TDocument& document, const TLineChange& change) {
    TextChanged();
    if (change.first == change.last) {
        geometry_.LineChanged(change.first, change.column);
    }
    listeners_.TellAll([&](TMemoListener& l) { l.LinesChanged(document, change); });
}

void TuniMemo::LoadProgressed(TDocument& document, const TLoadProgress& progress) {
    listeners_.TellAll([&](TMemoListener& l) { l.LoadProgressed(document, progress); });
}

void TuniMemo::Loaded(TDocument& document, const TFileEvent& event) {
    listeners_.TellAll([&](TMemoListener& l) { l.Loaded(document, event); });
}

void TuniMemo::Saved(TDocument& document, const TFileEvent& event) {
    listeners_.TellAll([&](TMemoListener& l) { l.Saved(document, event); });
}

void TuniMemo::EncodingChanged(TDocument& document, std::uint64_t revision) {
    listeners_.TellAll([&](TMemoListener& l) { l.EncodingChanged(document, revision); });
}

void TuniMemo::ModifiedChanged(TDocument& document, const TModifiedChange& change) {
    listeners_.TellAll([&](TMemoListener& l) { l.ModifiedChanged(document, change); });
}

void TuniMemo::ShiftBookmarksInserted(int index, int n) {
    for (TPoint& b : bookmarks_) {
        if (b.Y >= index) {
            b.Y += n;
        }
    }
}

void TuniMemo::ShiftBookmarksRemoved(int index, int n) {
    for (TPoint& b : bookmarks_) {
        if (b.Y >= index + n) {
            b.Y -= n;
        } else if (b.Y >= index) {
            b = {-1, -1};
        }
    }
}

TPoint TuniMemo::Bookmark(int n) const {
    if (n < 0 || n >= kBookmarkCount) {
        return {-1, -1};
    }
    return bookmarks_[static_cast<size_t>(n)];
}

void TuniMemo::SetBookmarkAt(int n, TPoint pos) {
    if (n >= 0 && n < kBookmarkCount) {
        bookmarks_[static_cast<size_t>(n)] = pos.Y < 0 ? TPoint{-1, -1} : pos;
        repaint_ = true;
    }
}

void TuniMemo::BeginCommand() {
    caretBefore_ = caret_;
    prevTopLine_ = topLine_;
    prevFirstRow_ = firstRow_;
    prevHorzScroll_ = horzScroll_;
    caretMoved_ = false;
    if (selStart_.pos == selEnd_.pos) {
        selActive_ = false;
    }
    if (!selActive_) {
        SetSelStart(caret_);
        SetSelEnd(caret_);
    }
}

// --- selection ---------------------------------------------------------------------------

int TuniMemo::VisualColumn(TPoint pos) const {
    const std::u16string& text = lines_->Get(pos.Y);
    const int cw = std::max(metrics_.charWidth, 1);
    const int tabSize = std::max(settings_.tabSize, 1);
    const int n = std::clamp(pos.X, 0, static_cast<int>(text.size()));
    if (text.size() >= static_cast<size_t>(kLongLine)) {
        geometry_.SetMetrics(lines_, platform_.measurer, tabSize, cw);
        return geometry_.X(pos.Y, n) / cw + std::max(pos.X - n, 0);
    }
    int x = 0;
    for (int i = 0; i < n; ++i) {
        const char16_t unit = text[static_cast<size_t>(i)];
        if (unit == u'\t') {
            const int c = (x + cw / 2) / cw;
            x = ((c / tabSize) + 1) * tabSize * cw;
        } else {
            x += UnitWidthAt(text, static_cast<size_t>(i), *platform_.measurer, 0);
        }
    }
    return x / cw + std::max(pos.X - n, 0);
}

int TuniMemo::LimitColumn(int column, int line, bool beyondEnd) const {
    const long long length = static_cast<long long>(lines_->Get(line).size());
    const long long limit = beyondEnd ? length + kMaxVirtualColumn : length;
    return static_cast<int>(std::clamp<long long>(column, 0, std::min<long long>(limit, INT_MAX)));
}

// An end may stand past the line's end even without virtual space (a column block's
// corner on a short line), but never further than kMaxVirtualColumn.
void TuniMemo::SetSelStart(TPoint pos) {
    pos.X = LimitColumn(pos.X, pos.Y, true);
    selStart_ = {pos, {VisualColumn(pos), pos.Y}};
}

void TuniMemo::SetSelEnd(TPoint pos) {
    pos.X = LimitColumn(pos.X, pos.Y, true);
    selEnd_ = {pos, {VisualColumn(pos), pos.Y}};
}

void TuniMemo::Select(TPoint start, TPoint end, TSelectionMode mode) {
    selMode_ = (mode == TSelectionMode::Column && !wordWrap_ && !proportional_)
                   ? TSelectionMode::Column
                   : TSelectionMode::Stream;
    SetSelStart(start);
    SetSelEnd(end);
    selActive_ = true;
    repaint_ = true;
}

void TuniMemo::DropSelection() {
    if (selActive_) {
        repaint_ = true;
    }
    selActive_ = false;
}

TNormalSelection TuniMemo::NormalSelection() const {
    TNormalSelection n;
    n.mode = selMode_;
    if (selMode_ == TSelectionMode::Column) {
        n.start = {std::min(selStart_.visual.X, selEnd_.visual.X),
                   std::min(selStart_.visual.Y, selEnd_.visual.Y)};
        n.end = {std::max(selStart_.visual.X, selEnd_.visual.X),
                 std::max(selStart_.visual.Y, selEnd_.visual.Y)};
        return n;
    }
    TPoint a = selStart_.pos;
    TPoint b = selEnd_.pos;
    if (b.Y < a.Y || (b.Y == a.Y && b.X < a.X)) {
        std::swap(a, b);
    }
    n.start = a;
    n.end = b;
    return n;
}

// The selected part of line y: for a column block the line with its TABs expanded, cut
// to the block's columns (padded with spaces to its width when asked).
std::u16string TuniMemo::SelectedPart(const TNormalSelection& n, int y, bool padColumns) const {
    const std::u16string& line = lines_->Get(y);
    if (n.mode == TSelectionMode::Column) {
        const std::u16string expanded = lines_->ExpandTabs(line);
        const size_t left = static_cast<size_t>(n.start.X);
        const size_t width = static_cast<size_t>(n.end.X - n.start.X);
        std::u16string piece =
            left < expanded.size() ? expanded.substr(left, width) : std::u16string();
        if (padColumns) {
            piece.resize(width, u' ');
        }
        return piece;
    }
    const size_t from =
        std::min(y == n.start.Y ? static_cast<size_t>(n.start.X) : size_t{0}, line.size());
    const size_t to =
        std::min(y == n.end.Y ? static_cast<size_t>(n.end.X) : line.size(), line.size());
    return from < to ? line.substr(from, to - from) : std::u16string();
}

std::u16string TuniMemo::SelectedText() const {
    std::u16string out;
    if (!selActive_) {
        return out;
    }
    const TNormalSelection n = NormalSelection();
    for (int y = n.start.Y; y <= n.end.Y && y < lines_->Count() && out.size() < 256; ++y) {
        out += SelectedPart(n, y, false);
    }
    return out;
}

// --- settings and the modified state -----------------------------------------------------

void TuniMemo::SetTabSize(int n) {
    settings_.tabSize = n < 1 ? 4 : n;
    lines_->SetTabSize(settings_.tabSize);
    fullRepaint_ = layoutDirty_ = true;
}

void TuniMemo::SetWordWrap(bool on) {
    if (wordWrap_ == on) {
        return;
    }
    wordWrap_ = on;
    firstRow_ = 0;
    horzScroll_ = 0;
    if (on && selMode_ == TSelectionMode::Column) {
        selMode_ = TSelectionMode::Stream;
    }
    fullRepaint_ = repaint_ = layoutDirty_ = true;
}

namespace {

bool KeysHeld(int mode, bool ctrl, bool shift) {
    return ((mode & 1) == 0 || ctrl) && ((mode & 2) == 0 || shift);
}

} // namespace

bool TuniMemo::EffectiveHighlightLine() const {
    return highlightLine_ && !wordWrap_ && KeysHeld(settings_.highlightMode, ctrlDown_, shiftDown_);
}

bool TuniMemo::EffectiveHighlightColumn() const {
    return highlightColumn_ && !wordWrap_ && !proportional_ &&
           KeysHeld(settings_.highlightMode, ctrlDown_, shiftDown_);
}

bool TuniMemo::ApplyModifierKeys(bool ctrl, bool shift) {
    const bool line = EffectiveHighlightLine();
    const bool column = EffectiveHighlightColumn();
    ctrlDown_ = ctrl;
    shiftDown_ = shift;
    if (line == EffectiveHighlightLine() && column == EffectiveHighlightColumn()) {
        return false;
    }
    repaint_ = true;
    return true;
}

void TuniMemo::MeasureFont() {
    metrics_.charWidth = std::max(platform_.measurer->SpaceWidth(), 1);
    metrics_.lineHeight = std::max(platform_.measurer->LineHeight(), 1);
    proportional_ = !platform_.measurer->FixedPitch();
    geometry_.Clear();
    fullRepaint_ = layoutDirty_ = true;
}

// Every view's listeners hear it, with this view as the one that set it.
void TuniMemo::SetModified(bool modified) {
    if (modified) {
        saveDeclined_ = false;
    }
    document_->SetModified(modified, this);
}

bool TuniMemo::Modified() const {
    return lines_->Modified() && !saveDeclined_;
}

// --- positions from outside --------------------------------------------------------------

void TuniMemo::GotoPosition(int column, int line) {
    if (loadPending_ || loading_) {
        pendingGoto_ = TPoint{column, line};
        return;
    }
    if (column < 0) {
        column = caret_.X;
    }
    line = std::clamp(line, 0, std::max(lines_->Count() - 1, 0));
    column = LimitColumn(column, line, VirtualSpace());
    DropSelection();
    caret_ = {column, line};
    tabOffset_ = 0;
    if (!wordWrap_) {
        SetTopLine(std::max(0, line - VisibleRows() / 2));
    }
    SetSelStart(caret_);
    SetSelEnd(caret_);
    UpdateView();
}

void TuniMemo::RefreshView(TViewOf view) {
    fullRepaint_ = repaint_ = layoutDirty_ = true;
    if (colorer_ != nullptr) {
        colorer_->SetDirty();
    }
    if (view == TViewOf::Other) {
        DropSelection();
        const int count = std::max(lines_->Count(), 1);
        caret_.Y = std::min(caret_.Y, count - 1);
        topLine_ = std::min(topLine_, count - 1);
        UpdateView();
    }
}

void TuniMemo::SetFileName(TViewOf view, const std::string& name) {
    document_->SetFileName(name);
    if (colorer_ != nullptr) {
        colorer_->SetDirty();
    }
    if (view == TViewOf::Other) {
        fullRepaint_ = repaint_ = layoutDirty_ = true;
    }
}
