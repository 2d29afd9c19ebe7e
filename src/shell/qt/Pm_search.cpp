// The main window's search commands: Find, Replace, Search again and back, Go to line, the
// histories they keep, and the status panel that tells where a search stands.
#include <QApplication>
#include <QFont>
#include <QLabel>

#include <initializer_list>
#include <iostream>

#include "platform/qt/qtConvert.h"
#include "search/qt/uniSearchForms.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "storage/PelmarStorage.h"

namespace {

// A dialog of ours is open: the commands that open one wait (a key in a dialog's box may
// be bound to them).
bool DialogRunning() {
    return QApplication::activeModalWidget() != nullptr;
}

} // namespace

void TPMMainForm::MakeSearchForms() {
    // The histories come from the storage of this program folder; a file that cannot be read
    // leaves them empty, it does not stop the start.
    try {
        SetPelmarStorageFolder(session_.Folder().Path("Storage"));
        LoadSearchHistories(PelmarStorage());
    } catch (const std::exception& e) {
        std::cerr << "pelmar: " << e.what() << '\n';
    }
    // The boxes edit with the keys of every document and the program's editor font.
    TMemoEnvironment environment = session_.Environment(&texts_);
    environment.detection = nullptr; // the boxes load no files
    searchForm_ = new TformSearch(environment, globalKeys_.get(), this);
    replaceForm_ = new TformReplace(environment, globalKeys_.get(), this);
    gotoForm_ = new TFormGoto(this);
    searchForm_->ApplyTexts(texts_);
    replaceForm_->ApplyTexts(texts_);
    gotoForm_->ApplyTexts(texts_);
}

void TPMMainForm::StoreSearchHistories() {
    try {
        SaveSearchHistories(PelmarStorage());
    } catch (const std::exception& e) {
        std::cerr << "pelmar: " << e.what() << '\n';
    }
}

void TPMMainForm::Find() {
    OpenSearchForm(*searchForm_, TLastSearch::Search);
}

void TPMMainForm::ReplaceText() {
    OpenSearchForm(*replaceForm_, TLastSearch::Replace);
}

// Shows the search or replace dialog for the active document and, on OK, runs it forward
// as the command that Search again and Search back repeat.
void TPMMainForm::OpenSearchForm(TformSearch& form, TLastSearch command) {
    TMDIChild* child = ActiveChild();
    if (child == nullptr || DialogRunning()) {
        return;
    }
    form.Prepare(&child->Memo());
    if (form.exec() != QDialog::Accepted) {
        return;
    }
    lastSearch_ = command;
    RunSearch(*child, command, false, true);
}

void TPMMainForm::SearchAgain(bool backward) {
    TMDIChild* child = ActiveChild();
    if (child == nullptr || DialogRunning()) {
        return;
    }
    RunSearch(*child,
              lastSearch_ == TLastSearch::Replace ? TLastSearch::Replace : TLastSearch::Search,
              backward, false);
}

// The options are read from the boxes of the command's dialog each time, as the user left
// them.
void TPMMainForm::RunSearch(TMDIChild& child, TLastSearch command, bool backward,
                            bool addToHistory) {
    TuniMemo& memo = child.Memo();
    if (command == TLastSearch::Replace) {
        const std::u16string pattern = replaceForm_->Pattern();
        const std::u16string replacement = replaceForm_->Replacement();
        memo.SearchOptions() = replaceForm_->Options();
        ClearSearchStatus();
        child.MemoWidget().Input().RunCommand(
            [&] { memo.Replace(pattern, replacement, backward); });
        return;
    }
    const std::u16string pattern = searchForm_->Pattern();
    if (pattern.empty()) {
        return;
    }
    memo.SearchOptions() = searchForm_->Options();
    ClearSearchStatus();
    bool found = false;
    child.MemoWidget().Input().RunCommand([&] {
        found = backward ? memo.FindBackward(pattern, true, addToHistory)
                         : memo.FindForward(pattern, true, addToHistory);
    });
    ShowSearchStatus(memo, pattern, found, backward);
}

// "3 of 17" after a match; after none, that the search reached the end (or the beginning)
// of the document and how many matches it has elsewhere. Searches never wrap around.
void TPMMainForm::ShowSearchStatus(TuniMemo& memo, const std::u16string& pattern, bool found,
                                   bool backward) {
    const TuniMemo::TMatchCount count =
        memo.CountMatches(pattern, memo.Caret(), kMatchCountLimit, kMatchCountBudget);
    lastCountWork_ = count.unitsExamined;
    // Kept as a recipe, so that a language switch can say it again in the new language.
    searchStatusText_ = [this, count, found, backward] {
        if (found) {
            return QStringFromU16(MatchCountText(count, texts_.Text("Search", "Of")));
        }
        QString text = Text("Search", backward ? "StartReached" : "EndReached");
        if (count.total > 0) {
            text += QStringLiteral(" - ") +
                    Format("Search", "Matches",
                           QString::number(count.total) +
                               (count.complete ? QString() : QStringLiteral("+")));
        }
        return text;
    };
    searchPanel_->setText(searchStatusText_());
    searchStatusEditor_ = &memo;
    searchStatusAt_ = memo.Caret();
}

void TPMMainForm::ClearSearchStatus() {
    searchStatusEditor_ = nullptr;
    searchStatusText_ = nullptr;
    if (searchPanel_ != nullptr) {
        searchPanel_->clear();
    }
}

QString TPMMainForm::SearchStatus() const {
    return searchPanel_->text();
}

// The typed number moves the caret to that line (1-based), keeping its column.
void TPMMainForm::GotoLine() {
    TMDIChild* child = ActiveChild();
    if (child == nullptr || DialogRunning()) {
        return;
    }
    if (gotoForm_->exec() != QDialog::Accepted) {
        return;
    }
    const std::optional<int> line = gotoForm_->TakeLine();
    if (!line) {
        return;
    }
    const int target = *line - 1;
    RunOnEditor([target](TuniMemo& m) { m.GotoPosition(m.Caret().X, target); });
}
