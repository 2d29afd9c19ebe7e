#include "structure/qt/uniStrucFrame.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

#include "base/uniNumRefs.h"
#include "editor/uniMemo.h"
#include "platform/qt/qtConvert.h"
#include "structure/qt/uniOutline.h"
#include "structure/uniStrucParser.h"

namespace {

QToolButton* Button(QWidget* parent, const char* name, const char* icon, const QString& hint,
                    QStyle::StandardPixmap fallback) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    button->setToolTip(hint);
    button->setIcon(
        QIcon::fromTheme(QString::fromLatin1(icon), parent->style()->standardIcon(fallback)));
    return button;
}

} // namespace

TStrucFrame::TStrucFrame(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("StrucFrame"));
    auto* buttons = new QWidget(this);
    buttons->setObjectName(QStringLiteral("ButtonPanel"));
    refresh_ = Button(buttons, "RefreshButton", "view-refresh", QStringLiteral("Refresh"),
                      QStyle::SP_BrowserReload);
    sync_ = Button(buttons, "SyncButton", "go-jump", QStringLiteral("Synchronize"),
                   QStyle::SP_ArrowRight);
    findWord_ = Button(buttons, "FindWordButton", "edit-find", QStringLiteral("Find current word"),
                       QStyle::SP_FileDialogContentsView);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(1);
    row->addWidget(refresh_);
    row->addWidget(sync_);
    row->addWidget(findWord_);
    row->addStretch(1);

    outline_ = new TuniOutline(this);
    outline_->setObjectName(QStringLiteral("Outline"));
    outline_->SetItemSeparator("\\");
    outline_->SetScrollBars(TuniOutlineScrollBars::Vertical);
    failure_ = new QLabel(this);
    failure_->setObjectName(QStringLiteral("FailureLabel"));
    failure_->setWordWrap(true);
    failure_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    failure_->setContentsMargins(4, 4, 4, 4);
    failure_->hide();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buttons);
    column->addWidget(failure_);
    column->addWidget(outline_, 1);

    connect(refresh_, &QToolButton::clicked, this, [this] {
        if (onRefresh) {
            onRefresh();
        }
    });
    connect(sync_, &QToolButton::clicked, this, [this] { Sync(); });
    connect(findWord_, &QToolButton::clicked, this, [this] { FindWord(); });
    outline_->onClick = [this] { JumpToSelected(); };
    const auto node = [this](int index) {
        return static_cast<TStrucNode*>(outline_->Item(index).Data());
    };
    outline_->onExpand = [node](int index) {
        if (TStrucNode* n = node(index)) {
            n->Expanded = true;
        }
    };
    outline_->onCollapse = [node](int index) {
        if (TStrucNode* n = node(index)) {
            n->Expanded = false;
        }
    };
}

TStrucFrame::~TStrucFrame() = default;

void TStrucFrame::SetTexts(const QString& refresh, const QString& sync, const QString& findWord,
                           const QString& failed) {
    refresh_->setToolTip(refresh);
    sync_->setToolTip(sync);
    findWord_->setToolTip(findWord);
    failedText_ = failed;
}

void TStrucFrame::ShowFailure(const std::string& message) {
    failure_->setText(failedText_ + QLatin1Char('\n') + QStringFromUtf8(message));
    failure_->show();
}

void TStrucFrame::ShowTree(TuniMemo* memo, TStrucTree* tree) {
    failure_->hide();
    memo_ = memo;
    if (tree != tree_) {
        SetTree(tree);
    }
}

void TStrucFrame::ClearTree() {
    failure_->hide();
    outline_->Clear();
    memo_ = nullptr;
    tree_ = nullptr;
}

void TStrucFrame::SetTree(TStrucTree* tree) {
    outline_->BeginUpdate();
    outline_->Clear();
    tree_ = tree;
    if (tree != nullptr) {
        AddNodes(*tree, 0);
    }
    outline_->EndUpdate();
}

void TStrucFrame::AddNodes(const TStrucTree& tree, int parent) {
    for (int i = 0; i < tree.Children.Count(); ++i) {
        TStrucNode* child = tree.Children.Items(i);
        const int index = outline_->AddChild(parent, child->GetName(), child);
        if (index < 0) {
            continue;
        }
        if (const auto* branch = dynamic_cast<const TStrucTree*>(child)) {
            AddNodes(*branch, index);
            if (child->Expanded) {
                outline_->Item(index).Expand();
            }
        }
    }
}

void TStrucFrame::SelectNode(const TStrucNode* node) {
    outline_->SetSelected(outline_->IndexOfData(node));
}

int TStrucFrame::SelectedItem() const {
    return outline_->Selected();
}

int TStrucFrame::TopRow() const {
    return outline_->TopRow();
}

void TStrucFrame::RestoreSelection(int selected, int topRow) {
    if (selected <= 0) {
        return;
    }
    syncingSelection_ = true;
    try {
        outline_->SetTopRow(topRow);
        outline_->SetSelected(selected);
    } catch (const EUniOutlineError&) {
        try {
            outline_->SetSelected(outline_->LastIndex());
        } catch (const EUniOutlineError&) {
            // an empty outline: nothing to select
        }
    }
    syncingSelection_ = false;
}

void TStrucFrame::Sync() {
    if (tree_ == nullptr || memo_ == nullptr) {
        return;
    }
    syncingSelection_ = true;
    try {
        SelectNode(tree_->closestTo(memo_->Caret().X, memo_->Caret().Y, nullptr));
    } catch (const EUniOutlineError&) {
        // an outline without items (a template without kinds)
    }
    syncingSelection_ = false;
}

void TStrucFrame::FindWord() {
    if (tree_ == nullptr || memo_ == nullptr) {
        return;
    }
    syncingSelection_ = true;
    try {
        SelectNode(tree_->byName(EncodeNumericRefsA(memo_->WordAtCaret()), true));
    } catch (const EUniOutlineError&) {
        // as in Sync
    }
    syncingSelection_ = false;
}

void TStrucFrame::JumpToSelected() {
    const int selected = outline_->Selected();
    if (selected <= 0 || memo_ == nullptr) {
        return;
    }
    const auto* location = dynamic_cast<const TStrucLocation*>(
        static_cast<TStrucNode*>(outline_->Item(selected).Data()));
    if (!syncingSelection_ && location != nullptr) {
        memo_->BeginCommand();
        memo_->GotoPosition(std::max(location->Column, 0), location->Line);
        memo_->UpdateView();
    }
    if (onFocusDocument) {
        onFocusDocument(*memo_);
    }
}

void CopyExpandedFlags(TStrucTree& to, const TStrucTree* from) {
    if (from == nullptr) {
        return;
    }
    const int n = std::min(to.Children.Count(), from->Children.Count());
    for (int i = 0; i < n; ++i) {
        to.Children.Items(i)->Expanded = from->Children.Items(i)->Expanded;
    }
}

// ---- TStrucDocument ----

TStrucDocument::TStrucDocument(TuniMemo& memo, TStrucFrame& frame, TMainThreadQueue& queue,
                               std::function<bool()> active, std::function<bool()> asksAgain)
    : memo_(memo), frame_(frame), queue_(queue), active_(std::move(active)),
      asksAgain_(std::move(asksAgain)) {}

TStrucDocument::~TStrucDocument() {
    thread_.reset(); // the pass gives up at its next line
    if (frame_.Memo() == &memo_) {
        frame_.ClearTree();
    }
}

void TStrucDocument::Activated() {
    if (thread_ != nullptr || tree_ != nullptr || !failure_.empty()) {
        if (frame_.Memo() != &memo_) {
            frame_.ShowTree(&memo_, tree_.get());
            frame_.RestoreSelection(savedSelection_, savedTopRow_);
            if (!failure_.empty()) {
                frame_.ShowFailure(failure_);
            }
        }
        return;
    }
    frame_.ShowTree(&memo_, nullptr);
    Refresh();
}

void TStrucDocument::Deactivated() {
    if (frame_.Memo() == &memo_) {
        savedSelection_ = frame_.SelectedItem();
        savedTopRow_ = frame_.TopRow();
    }
}

void TStrucDocument::Refresh() {
    if (memo_.LoadPending() || memo_.Loading()) {
        deferred_ = true; // the lines are not there yet
        return;
    }
    Parse();
}

void TStrucDocument::Parse() {
    if (!failure_.empty()) {
        return;
    }
    deferred_ = false;
    if (thread_ == nullptr) {
        thread_ = std::make_unique<TStrucThread>(
            queue_, [this](std::unique_ptr<TStrucTree> tree) { Done(std::move(tree)); },
            [this](const std::string& message) { Fail(message); });
    }
    const std::string type = memo_.FileTypeName();
    const TStrucParser* parser = nullptr;
    try {
        parser = type.empty() ? nullptr : StrucParserStorage().GetParser(type);
    } catch (const std::exception& e) {
        Fail(e.what()); // the template is there but cannot be read
        return;
    }
    if (parser == nullptr) {
        copying_ = false;
        thread_->Restart(TStrucPass()); // no template: the pass gives no tree
        return;
    }
    if (TStrucPass spare = thread_->TakeSpare(); spare.Capacity() > copy_.Capacity()) {
        copy_ = std::move(spare);
    }
    copy_.Clear();
    copy_.parser = parser;
    copied_ = 0;
    copyRevision_ = memo_.Document().Revision();
    copying_ = true;
    if (!slicePosted_) {
        CopySlice();
    }
}

void TStrucDocument::CopySlice() {
    slicePosted_ = false;
    if (!copying_) {
        return;
    }
    const TWStringList& lines = memo_.Lines();
    if (memo_.Document().Revision() != copyRevision_) {
        // Edited meanwhile: the lines copied so far may be gone.
        if (asksAgain_ && asksAgain_()) {
            copying_ = false; // more edits may follow; the timer asks once they pause
            return;
        }
        const TStrucParser* parser = copy_.parser;
        copy_.Clear();
        copy_.parser = parser;
        copied_ = 0;
        copyRevision_ = memo_.Document().Revision();
    }
    const int count = lines.Count();
    if (copied_ == 0) {
        copy_.tabSize = lines.TabSize();
        if (copy_.Capacity() == 0) {
            // Growing the copy as it goes would move all of it now and then, in one turn;
            // later passes use this memory again.
            size_t chars = 0;
            for (int i = 0; i < count; ++i) {
                chars += lines.Get(i).size();
            }
            copy_.Reserve(chars + chars / 8, count + count / 8);
        }
    }
    size_t taken = 0;
    while (copied_ < count && taken < copySlice_) {
        const std::u16string& line = lines.Get(copied_++);
        copy_.Add(line);
        taken += line.size() + 1;
    }
    ++slices_;
    if (copied_ < count) {
        slicePosted_ = true;
        std::weak_ptr<bool> alive = alive_;
        queue_.Post([this, alive] {
            if (alive.lock()) {
                CopySlice();
            }
        });
        return;
    }
    copying_ = false;
    thread_->Restart(std::exchange(copy_, TStrucPass()));
}

void TStrucDocument::Fail(const std::string& message) {
    failure_ = message;
    copying_ = false;
    thread_.reset();
    // A tree of an earlier pass (made before the file was read, say) would pass for this
    // text's structure.
    if (frame_.Memo() == &memo_) {
        frame_.ShowTree(&memo_, nullptr);
        frame_.ShowFailure(failure_);
    }
    tree_.reset();
}

void TStrucDocument::LoadEnded() {
    // A pass that ran before the load saw no lines, one asked for meanwhile waits for them.
    if (deferred_ || thread_ != nullptr) {
        Parse(); // told at the load's end, with every line read
    }
}

void TStrucDocument::Done(std::unique_ptr<TStrucTree> tree) {
    ++passes_;
    if (tree != nullptr) {
        CopyExpandedFlags(*tree, tree_.get());
    }
    std::unique_ptr<TStrucTree> old = std::move(tree_);
    tree_ = std::move(tree);
    if (active_ && active_() && (frame_.Memo() == &memo_ || frame_.Memo() == nullptr)) {
        const int selected = old != nullptr && frame_.Memo() == &memo_ ? frame_.SelectedItem() : -1;
        const int top = frame_.TopRow();
        frame_.ShowTree(&memo_, tree_.get());
        frame_.RestoreSelection(selected, top);
    } else if (frame_.Memo() == &memo_) {
        frame_.ShowTree(&memo_, tree_.get());
    }
}
