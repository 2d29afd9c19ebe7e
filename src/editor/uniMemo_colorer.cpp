// The editor's side of syntax highlighting: the highlighter of the document, its window
// kept in step with the view, the colours handed to the layout, the idle work and brackets.
#include <algorithm>

#include "base/uniIni.h"
#include "editor/uniMemo.h"

void TuniMemo::SetColorerEnabled(bool on) {
    if (on && colorer_ == nullptr && HighlighterLoaded() && document_ != nullptr) {
        colorer_ = std::make_unique<TColorerClass>(*document_);
    } else if (!on && colorer_ != nullptr) {
        colorer_.reset();
        caretOnPair_ = false;
    } else {
        return;
    }
    fullRepaint_ = repaint_ = layoutDirty_ = true;
}

std::string TuniMemo::ChooseColorerType() {
    if (colorer_ == nullptr) {
        return {};
    }
    std::string firstLine;
    const bool hasLine = lines_->Count() > 0;
    if (hasLine) {
        firstLine = TWStringList::AnsiForm(lines_->Get(0));
    }
    // An unnamed document from a template is typed by the template's extension.
    const std::string name =
        FileName().empty() && !templateExt_.empty() ? "new" + templateExt_ : FileName();
    if (!colorer_->ChooseFileType(name, hasLine ? &firstLine : nullptr)) {
        SetColorerEnabled(false);
        return {};
    }
    return colorer_->GetFileTypeName();
}

bool TuniMemo::PickColorerType(const std::string& title) {
    if (colorer_ == nullptr || !colorer_->SelectFileType(title)) {
        return false;
    }
    colorerForced_ = true;
    ApplyProfile(ProfileType(), colorer_->GetFileTypeName());
    fullRepaint_ = repaint_ = layoutDirty_ = true;
    UpdateView();
    return true;
}

std::string TuniMemo::FileTypeName() const {
    return colorer_ != nullptr ? colorer_->GetFileTypeName() : ProfileType();
}

void TuniMemo::UpdateColorerWindow() {
    colorerCells_.Reset();
    if (colorer_ == nullptr) {
        return;
    }
    const int from = std::max(topLine_ - std::max(settings_.backLines, 0), 0);
    colorer_->UpdateWindow(from, topLine_, VisibleRows() + 1);
}

void TuniMemo::ColorerIdleStep() {
    if (colorer_ == nullptr) {
        return;
    }
    if (colorer_->Pending()) {
        colorer_->StartBackgroundParse();
    }
    bool repaint = colorer_->TakeDone();
    const bool onPair = colorer_->IsOnPair(caret_.X, caret_.Y);
    if (onPair != caretOnPair_) {
        caretOnPair_ = onPair;
        repaint = true;
    }
    if (repaint) {
        fullRepaint_ = repaint_ = layoutDirty_ = true;
        UpdateView();
    }
}

bool TuniMemo::TColorerCells::Active() const {
    return memo_.colorer_ != nullptr;
}

void TuniMemo::TColorerCells::CellColours(int line, int column, TColor& fg, TColor& bg,
                                          std::uint8_t& style) const {
    TColorerClass& colorer = *memo_.colorer_;
    if (line != row_) {
        row_ = line;
        colorer.GetRowAttributes(memo_.caret_.X, memo_.caret_.Y, line - memo_.topLine_);
    }
    const TCharAttributes a = colorer.GetCharAttributes(column);
    if (a.foreground >= 0) {
        fg = static_cast<TColor>(a.foreground);
    }
    if (a.background >= 0) {
        bg = static_cast<TColor>(a.background);
    }
    style = a.styles;
}
