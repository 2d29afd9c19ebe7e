// The structure view: the panel beside the documents that shows the active document's
// tree in an outline, with buttons to refresh it, to select the node around the caret and
// to find the word at the caret. It borrows the trees it shows; each document window owns
// its own (see TStrucDocument).
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>

#include <QWidget>

#include "structure/uniStrucThread.h"
#include "structure/uniStrucTree.h"

class QLabel;
class QToolButton;
class TuniMemo;
class TuniOutline;

class TStrucFrame : public QWidget {
    Q_OBJECT
public:
    explicit TStrucFrame(QWidget* parent = nullptr);
    ~TStrucFrame() override;

    TuniOutline& Outline() const { return *outline_; }
    QToolButton& RefreshButton() const { return *refresh_; }
    QToolButton& SyncButton() const { return *sync_; }
    QToolButton& FindWordButton() const { return *findWord_; }

    // The buttons' hints and the words put before a failed parse's message.
    void SetTexts(const QString& refresh, const QString& sync, const QString& findWord,
                  const QString& failed);
    // Tells, above the (empty) outline, why the shown document has no tree; showing a tree
    // or clearing the view takes the notice away.
    void ShowFailure(const std::string& message);
    const QLabel& FailureLabel() const { return *failure_; }

    // The document whose tree is shown, or none.
    TuniMemo* Memo() const { return memo_; }
    TStrucTree* Tree() const { return tree_; }

    // Shows `tree` (none: empty) as the tree of `memo`'s document.
    void ShowTree(TuniMemo* memo, TStrucTree* tree);
    // Empties the outline and forgets the document and its tree.
    void ClearTree();
    void SetTree(TStrucTree* tree);
    void SelectNode(const TStrucNode* node);
    // The outline's selected item and top row as they were saved; an index that is gone
    // selects the last item.
    void RestoreSelection(int selected, int topRow);
    int SelectedItem() const;
    int TopRow() const;

    // The node around the caret, the node named by the word at the caret, and a jump to
    // the selected node's place.
    void Sync();
    void FindWord();
    void JumpToSelected();

    // The Refresh button: the main window re-parses its active document.
    std::function<void()> onRefresh;
    // After a jump (or a click on a branch): the document's window takes the focus.
    std::function<void(TuniMemo&)> onFocusDocument;

private:
    void AddNodes(const TStrucTree& tree, int parent);

    QToolButton* refresh_;
    QToolButton* sync_;
    QToolButton* findWord_;
    TuniOutline* outline_;
    QLabel* failure_;
    QString failedText_ = QStringLiteral("No structure for this document:");
    TuniMemo* memo_ = nullptr;
    TStrucTree* tree_ = nullptr;
    // Set while the frame selects an item itself: the click that follows moves no caret.
    bool syncingSelection_ = false;
};

// Copies the kind branches' open or closed state by position from the old tree to the new.
void CopyExpandedFlags(TStrucTree& to, const TStrucTree* from);

// What a document window keeps for the structure view: the document's current tree, the
// thread that parses it, and the outline's selection and scroll when the window was left.
class TStrucDocument {
public:
    // `active` tells whether the document's window is the main window's active one;
    // `asksAgain` whether a pass will be asked for soon anyway (the window's timer runs).
    TStrucDocument(TuniMemo& memo, TStrucFrame& frame, TMainThreadQueue& queue,
                   std::function<bool()> active, std::function<bool()> asksAgain = {});
    ~TStrucDocument(); // gives up a running pass and waits for it; the frame forgets the tree
    TStrucDocument(const TStrucDocument&) = delete;
    TStrucDocument& operator=(const TStrucDocument&) = delete;

    // The window became active: its tree is shown at once (with the selection it had), or
    // its first parse starts.
    void Activated();
    // The window was left: the outline's selection and top row are kept for its return.
    void Deactivated();
    // A new pass over the text as it is now (the timer after edits, Refresh); a pass in
    // progress gives up. After a parse failed nothing more is parsed.
    void Refresh();
    // The document's file has been read: the tree is made again from what was read.
    void LoadEnded();

    TStrucTree* Tree() const { return tree_.get(); }
    // Finished passes (tests).
    int Passes() const { return passes_; }
    bool Parsing() const { return copying_ || (thread_ != nullptr && thread_->Running()); }
    // The lines for the next pass are being copied.
    bool Copying() const { return copying_; }
    // Turns of the event loop spent copying lines for passes so far (tests).
    int CopySlices() const { return slices_; }
    // What one turn copies at most, in characters (a line is not split); tests set less.
    static constexpr size_t kCopySliceChars = size_t{1} << 17;
    void SetCopySlice(size_t chars) { copySlice_ = std::max<size_t>(chars, 1); }
    const std::string& Failure() const { return failure_; }

private:
    void Parse();
    // The pass's copy of the lines is taken a slice per turn of the event loop, so that a
    // large document does not hold up the typing. An edit meanwhile drops it when a pass
    // will be asked for again anyway, and starts it over otherwise.
    void CopySlice();
    void Done(std::unique_ptr<TStrucTree> tree);
    // A parse failed: nothing more is parsed for this document, and the view says why.
    void Fail(const std::string& message);

    TuniMemo& memo_;
    TStrucFrame& frame_;
    TMainThreadQueue& queue_;
    std::function<bool()> active_;
    std::function<bool()> asksAgain_;
    std::unique_ptr<TStrucTree> tree_;
    std::unique_ptr<TStrucThread> thread_;
    int savedSelection_ = -1;
    int savedTopRow_ = 0;
    int passes_ = 0;
    bool deferred_ = false; // a pass waits for the load to end
    std::string failure_;
    TStrucPass copy_;                // the lines copied so far for the next pass
    int copied_ = 0;                 // lines in copy_
    std::uint64_t copyRevision_ = 0; // the document's revision they were copied at
    bool copying_ = false;
    bool slicePosted_ = false;
    int slices_ = 0;
    size_t copySlice_ = kCopySliceChars;
    // Tells slices posted to the queue whether this object still exists.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
