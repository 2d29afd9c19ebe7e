#include "shell/qt/Childwin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QStringList>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/qt/qtConvert.h"
#include "shell/PmStatus.h"
#include "shell/qt/Pm.h"
#include "structure/qt/uniStrucFrame.h"

TMDIChild::TMDIChild(TPMMainForm& main, TMemoEnvironment environment,
                     const TUniActionKeymap* globalKeymap)
    : main_(main), memo_(new TuniMemoWidget(environment, globalKeymap)), notice_(new QFrame),
      noticeText_(new QLabel), uniform_(new QPushButton), reopen_(new QPushButton),
      diskNotice_(new QFrame), diskText_(new QLabel), diskReload_(new QPushButton),
      diskKeep_(new QPushButton) {
    setAttribute(Qt::WA_DeleteOnClose);
    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    notice_->setFrameShape(QFrame::StyledPanel);
    notice_->setAutoFillBackground(true);
    notice_->setBackgroundRole(QPalette::ToolTipBase);
    auto* row = new QHBoxLayout(notice_);
    row->setContentsMargins(6, 2, 2, 2);
    noticeText_->setWordWrap(true);
    row->addWidget(noticeText_, 1);
    row->addWidget(uniform_);
    row->addWidget(reopen_);
    auto* dismiss = new QToolButton;
    dismiss->setText(QStringLiteral("\u00D7"));
    dismiss->setAutoRaise(true);
    row->addWidget(dismiss);
    notice_->hide();
    MakeDiskNotice();
    column->addWidget(diskNotice_);
    column->addWidget(notice_);
    column->addWidget(memo_, 1);
    body->setFocusProxy(memo_);
    setWidget(body);
    // The buttons leave the keyboard with the text.
    uniform_->setFocusPolicy(Qt::NoFocus);
    reopen_->setFocusPolicy(Qt::NoFocus);
    uniform_->setObjectName(QStringLiteral("MakeUniform"));
    reopen_->setObjectName(QStringLiteral("ReopenAs"));
    connect(reopen_, &QPushButton::clicked, this, [this] {
        // The properties dialog acts on the active document: this one.
        if (mdiArea() != nullptr) {
            mdiArea()->setActiveSubWindow(this);
        }
        main_.RunGlobalAction("Properties");
    });
    dismiss->setFocusPolicy(Qt::NoFocus);
    connect(uniform_, &QPushButton::clicked, this, [this] { MakeUniform(); });
    connect(dismiss, &QToolButton::clicked, notice_, &QWidget::hide);
    resize(340, 245);
    timer_.setSingleShot(true);
    timer_.setInterval(kStructureDelayMs);
    structure_ = std::make_unique<TStrucDocument>(
        memo_->Memo(), main_.StrucFrame(), main_.StrucQueue(),
        [this] { return main_.ActiveChild() == this; }, [this] { return timer_.isActive(); });
    connect(&timer_, &QTimer::timeout, this, [this] {
        ++structureParses_;
        structure_->Refresh();
    });
    memo_->SetObscuredQuery([this] {
        return isMaximized() && mdiArea() != nullptr && mdiArea()->currentSubWindow() != this;
    });
    TuniMemo& memo = memo_->Memo();
    memo.SetWordWrap(false);
    memo.SetCursorBeyondEOL(true);
    memo.SetHighlightLine(true);
    memo.SetHighlightColumn(false);
    memo.AddListener(*this);
    // Coming to the front is when the user looks at the text again: the file is checked.
    connect(this, &QMdiSubWindow::windowStateChanged, this,
            [this](Qt::WindowStates before, Qt::WindowStates now) {
                if ((now & Qt::WindowActive) && !(before & Qt::WindowActive)) {
                    CheckDisk();
                }
            });
}

void TMDIChild::MakeDiskNotice() {
    diskNotice_->setObjectName(QStringLiteral("DiskNotice"));
    diskNotice_->setFrameShape(QFrame::StyledPanel);
    diskNotice_->setAutoFillBackground(true);
    diskNotice_->setBackgroundRole(QPalette::ToolTipBase);
    auto* row = new QHBoxLayout(diskNotice_);
    row->setContentsMargins(6, 2, 2, 2);
    diskText_->setWordWrap(true);
    row->addWidget(diskText_, 1);
    row->addWidget(diskReload_);
    row->addWidget(diskKeep_);
    diskReload_->setObjectName(QStringLiteral("DiskReload"));
    diskKeep_->setObjectName(QStringLiteral("DiskKeep"));
    // The buttons leave the keyboard with the text.
    diskReload_->setFocusPolicy(Qt::NoFocus);
    diskKeep_->setFocusPolicy(Qt::NoFocus);
    connect(diskReload_, &QPushButton::clicked, this, [this] { ReloadFromDisk(); });
    connect(diskKeep_, &QPushButton::clicked, this, [this] {
        // The text stays as it is; a save asks before it writes over the other program's.
        for (TMDIChild* view : Views()) {
            view->HideDiskNotice();
        }
        memo_->setFocus();
    });
    diskNotice_->hide();
}

std::vector<TMDIChild*> TMDIChild::Views() const {
    std::vector<TMDIChild*> views;
    for (TMDIChild* child : main_.Children()) {
        if (!child->Closed() && &child->Memo().Lines() == &Memo().Lines()) {
            views.push_back(child);
        }
    }
    return views;
}

void TMDIChild::CheckDisk() {
    if (closed_) {
        return;
    }
    const TDiskChange change = Memo().Document().NewDiskChange();
    if (change == TDiskChange::None) {
        return;
    }
    for (TMDIChild* view : Views()) {
        view->ShowDiskNotice(change);
    }
}

void TMDIChild::ShowDiskNotice(TDiskChange change) {
    const bool removed = change == TDiskChange::Removed;
    diskText_->setText(main_.Text("Messages", removed ? "DiskRemovedMsg" : "DiskChangedMsg"));
    diskReload_->setText(main_.Text("Messages", "DiskReload"));
    diskKeep_->setText(main_.Text("Messages", "DiskKeep"));
    // Nothing to read back from a removed file.
    diskReload_->setVisible(!removed);
    // An unmodified text loses nothing by a reload: it is the button to press then.
    const bool reloadFirst = !removed && !Memo().Modified();
    diskReload_->setDefault(reloadFirst);
    diskKeep_->setDefault(!reloadFirst);
    diskNotice_->show();
}

void TMDIChild::HideDiskNotice() {
    diskNotice_->hide();
}

bool TMDIChild::DiskNoticeShown() const {
    return !diskNotice_->isHidden();
}

QString TMDIChild::DiskNoticeText() const {
    return diskText_->text();
}

void TMDIChild::ReloadFromDisk() {
    TuniMemo& memo = Memo();
    const TPoint caret = memo.Caret();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool loaded = memo.LoadFile(); // with the document's charset and settings
    QApplication::restoreOverrideCursor();
    if (loaded) {
        const int last = std::max(memo.Lines().Count() - 1, 0);
        memo.GotoPosition(caret.X, std::min(caret.Y, last));
    }
    for (TMDIChild* view : Views()) {
        view->HideDiskNotice();
    }
    memo_->RepaintWhole();
    memo_->setFocus();
}

void TMDIChild::CaretMoved(TuniMemo& view, const TCaretReport& caret) {
    main_.ShowInfo(&view, caret.column, caret.refresh, caret.unit, caret.line);
}

void TMDIChild::LoadProgressed(TDocument&, const TLoadProgress& progress) {
    main_.ShowProgress(progress.size, progress.position);
}

void TMDIChild::Loaded(TDocument&, const TFileEvent& event) {
    HideDiskNotice(); // the text is the file's again
    if (event.by == &Memo()) {
        ShowLoadNotice();
        if (structure_ != nullptr) {
            structure_->LoadEnded();
        }
    }
}

void TMDIChild::Saved(TDocument&, const TFileEvent& event) {
    HideDiskNotice(); // the file is the text's again
    if (NoticeShown()) {
        ShowLoadNotice(); // a byte order mark the save wrote is no longer news
    }
    if (event.by != &Memo()) {
        memo_->RepaintWhole(); // the file name and encoding it shows are the saved ones
    }
}

void TMDIChild::EncodingChanged(TDocument&, std::uint64_t) {
    memo_->RepaintWhole();
}

void TMDIChild::ModifiedChanged(TDocument&, const TModifiedChange& change) {
    const bool here = change.by == &Memo();
    Memo().RefreshView(here ? TViewOf::This : TViewOf::Other);
    // A load or a save clears the flag: that is no edit.
    if (here && change.modified) {
        timer_.start();
    }
}

void TMDIChild::MaximizeToggleRequested(TuniMemo&) {
    isMaximized() ? showNormal() : showMaximized();
}

bool TMDIChild::NoticeShown() const {
    return !notice_->isHidden();
}

QString TMDIChild::NoticeText() const {
    return noticeText_->text();
}

// What the load found that the user should hear of before saving: lines that end in
// different ways (with the button that makes them alike), and a byte order mark the save
// will add.
void TMDIChild::ShowLoadNotice() {
    const TuniMemo& memo = Memo();
    QStringList texts;
    const int own = memo.Lines().OwnSeparatorCount();
    if (own > 0) {
        texts << main_.Format("Messages", "MixedEndsMsg", QString::number(own));
        const QString separator = QStringFromU16(SeparatorCaption(memo.Codec().lineSeparator));
        uniform_->setText(main_.Format("Messages", "MakeUniform", separator));
    }
    uniform_->setVisible(own > 0);
    // Bytes the charset could not decode are kept; another charset may read them.
    const std::int64_t escaped = memo.Codec().escapedByteCount;
    if (escaped > 0 && !memo.FileName().empty()) {
        texts << main_.Format("Messages", "EscapedBytesMsg", QString::number(escaped));
        reopen_->setText(main_.Text("Messages", "ReopenAsMsg"));
    }
    reopen_->setVisible(escaped > 0 && !memo.FileName().empty());
    if (memo.Codec().markAdded && !memo.FileName().empty()) {
        texts << main_.Format("Messages", "MarkAddedMsg", QStringFromUtf8(memo.Codec().charset));
    }
    if (texts.isEmpty()) {
        notice_->hide();
        return;
    }
    noticeText_->setText(texts.join(QLatin1Char(' ')));
    notice_->show();
}

// All lines end as the document does, as one undo step.
void TMDIChild::MakeUniform() {
    TuniMemo& memo = Memo();
    memo.SetDocumentSeparator(memo.Codec().lineSeparator);
    ShowLoadNotice();  // what else it said still stands
    memo.UpdateView(); // the status bar hears of the change
    memo_->RepaintWhole();
    memo_->setFocus();
}

TMDIChild::~TMDIChild() {
    Memo().RemoveListener(*this);
}

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
    structure_.reset();           // a pass in progress gives up; the view forgets the tree
    Memo().RemoveListener(*this); // closed, it follows nothing more
    main_.DocumentClosing(*this);
    QMdiSubWindow::closeEvent(e);
}

void TMDIChild::changeEvent(QEvent* e) {
    QMdiSubWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange) {
        memo_->RepaintWhole();
    }
}

void TMDIChild::CompileRequested(TuniMemo& /*view*/, const std::string& name) {
    QTimer::singleShot(0, this, [this, name] {
        if (!closed_) {
            main_.RunTool(*this, name);
        }
    });
}

void TMDIChild::FilterRequested(TuniMemo& /*view*/, const std::string& name) {
    QTimer::singleShot(0, this, [this, name] {
        if (!closed_) {
            main_.RunFilterTool(*this, name);
        }
    });
}
