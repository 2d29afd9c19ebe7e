#include "shell/qt/Childwin.h"

#include <QCloseEvent>
#include <QMdiArea>

#include "shell/qt/Pm.h"

TMDIChild::TMDIChild(TPMMainForm& main, TMemoEnvironment environment,
                     const TUniActionKeymap* globalKeymap)
    : main_(main), memo_(new TuniMemoWidget(environment, globalKeymap)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(memo_);
    resize(340, 245);
    timer_.setSingleShot(true);
    timer_.setInterval(kStructureDelayMs);
    // The structure view will re-parse here; until it exists the timer only counts.
    connect(&timer_, &QTimer::timeout, this, [this] { ++structureParses_; });
    memo_->SetObscuredQuery([this] {
        return isMaximized() && mdiArea() != nullptr && mdiArea()->currentSubWindow() != this;
    });
    TuniMemo& memo = memo_->Memo();
    memo.SetWordWrap(false);
    memo.SetCursorBeyondEOL(true);
    memo.SetHighlightLine(true);
    memo.SetHighlightColumn(false);
    memo.OnModified = [this](bool modified) {
        // A load or a save clears the flag: that is no edit.
        if (modified) {
            timer_.start();
        }
    };
    memo.OnToggleMaximize = [this] { isMaximized() ? showNormal() : showMaximized(); };
}

TMDIChild::~TMDIChild() = default;

TCloseAnswer TMDIChild::ClosePrompt(TCloseScope scope) {
    TuniMemo& memo = Memo();
    if (scope == TCloseScope::ThisView && main_.OtherViewOpen(*this)) {
        return TCloseAnswer::Close;
    }
    // An unnamed document whose Save As was cancelled is asked again.
    while (memo.Modified()) {
        // The window asked about comes to the front: the user sees which document it is,
        // and Save As (which saves the active document) saves this one.
        if (mdiArea() != nullptr && mdiArea()->activeSubWindow() != this) {
            mdiArea()->setActiveSubWindow(this);
        }
        const TYesNoCancel answer =
            AskYesNoCancel(this, main_.Text("Messages", "Confirm"),
                           main_.Format("Messages", "NotSavedMsg", main_.DocumentTitle(memo)));
        if (answer == TYesNoCancel::Cancel) {
            return TCloseAnswer::Keep;
        }
        if (answer == TYesNoCancel::No) {
            // For every view of the document: the user decided about the text, not a window.
            for (TMDIChild* view : main_.Children()) {
                if (&view->Memo().Lines() == &memo.Lines()) {
                    view->Memo().DeclineSave();
                }
            }
            break;
        }
        if (!memo.FileName().empty()) {
            // A failed save reports itself; the window stays.
            return main_.SaveDocument(*this) ? TCloseAnswer::Close : TCloseAnswer::Keep;
        }
        main_.RunGlobalAction("SaveAs");
    }
    return TCloseAnswer::Close;
}

void TMDIChild::closeEvent(QCloseEvent* e) {
    if (ClosePrompt() == TCloseAnswer::Keep) {
        e->ignore();
        return;
    }
    timer_.stop();
    closed_ = true;
    main_.DocumentClosing(*this);
    QMdiSubWindow::closeEvent(e);
}

void TMDIChild::changeEvent(QEvent* e) {
    QMdiSubWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange) {
        memo_->RepaintWhole();
    }
}
