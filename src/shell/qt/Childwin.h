// A document window: one editor filling a child window of the main window, the notice above
// it, the timer that re-parses the structure after edits, and the close prompt. The window
// listens to its editor and, through it, to the document the editor shows.
#pragma once

#include <QMdiSubWindow>
#include <QTimer>

#include <memory>
#include <vector>

class QLabel;
class QFrame;
class QPushButton;

#include "editor/qt/uniMemoWidget.h"

class TPMMainForm;
class TStrucDocument;

enum class TCloseAnswer { Close, Keep };
// What is being closed: one window (another view of its document keeps the text open, so
// nothing is asked), or the document with all its views (the main window closes).
enum class TCloseScope { ThisView, Document };

class TMDIChild : public QMdiSubWindow, private TMemoListener {
    Q_OBJECT
public:
    static constexpr int kStructureDelayMs = 3000;

    TMDIChild(TPMMainForm& main, TMemoEnvironment environment,
              const TUniActionKeymap* globalKeymap);
    ~TMDIChild() override;

    TuniMemoWidget& MemoWidget() { return *memo_; }
    TuniMemo& Memo() { return memo_->Memo(); }
    const TuniMemo& Memo() const { return memo_->Memo(); }
    bool Placeholder() const { return placeholder_; }
    void SetPlaceholder(bool on) { placeholder_ = on; }
    // The structure timer: started by every modification, re-parses when it fires.
    QTimer& Timer() { return timer_; }
    // The document's structure: its tree, its parse thread, the outline's saved selection.
    // Gone once the window is closed.
    TStrucDocument& Structure() { return *structure_; }
    int StructureParses() const { return structureParses_; }
    // Closed and waiting for its deletion.
    bool Closed() const { return closed_; }

    // Asks about unsaved changes: Yes saves (an unnamed document through Save As), No
    // discards them for good, Cancel keeps the window.
    TCloseAnswer ClosePrompt(TCloseScope scope = TCloseScope::ThisView);

    // The notice above the text, shown after a load: that the file's lines end in different
    // ways, with the button that makes them end as the document does, and that the save
    // adds a byte order mark the file does not have.
    bool NoticeShown() const;
    QString NoticeText() const;
    QPushButton& UniformButton() { return *uniform_; }
    // Shown with the notice that bytes could not be decoded: opens the properties dialog.
    QPushButton& ReopenButton() { return *reopen_; }

    // The notice that another program changed or removed the file, with Reload and Keep my
    // text. CheckDisk shows it (in every window of the document) when the file changed
    // since it was last told; ReloadFromDisk reads the file again with the document's
    // encoding, the caret staying on its line where the text still has it.
    void CheckDisk();
    void ShowDiskNotice(TDiskChange change);
    void HideDiskNotice();
    bool DiskNoticeShown() const;
    QString DiskNoticeText() const;
    QPushButton& DiskReloadButton() { return *diskReload_; }
    QPushButton& DiskKeepButton() { return *diskKeep_; }
    void ReloadFromDisk();

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    TPMMainForm& main_;
    void ShowLoadNotice();
    void MakeUniform();
    void MakeDiskNotice();
    // Every open window of this one's document, this one among them.
    std::vector<TMDIChild*> Views() const;

    // What the window hears (TMemoListener): the caret and the load's progress go to the
    // status bar; every edit, in any view of the document, refreshes this view; a save in
    // another view or a new encoding draws it again.
    void CaretMoved(TuniMemo& view, const TCaretReport& caret) override;
    void LoadProgressed(TDocument& document, const TLoadProgress& progress) override;
    void Loaded(TDocument& document, const TFileEvent& event) override;
    void Saved(TDocument& document, const TFileEvent& event) override;
    void EncodingChanged(TDocument& document, std::uint64_t revision) override;
    void ModifiedChanged(TDocument& document, const TModifiedChange& change) override;
    void MaximizeToggleRequested(TuniMemo& view) override;
    // A Compile. or Filter. action: the main window runs the entry once the key is done.
    void CompileRequested(TuniMemo& view, const std::string& name) override;
    void FilterRequested(TuniMemo& view, const std::string& name) override;

    TuniMemoWidget* memo_; // owned by the window's widget, as the notice's parts are
    QFrame* notice_;
    QLabel* noticeText_;
    QPushButton* uniform_;
    QPushButton* reopen_;
    QFrame* diskNotice_;
    QLabel* diskText_;
    QPushButton* diskReload_;
    QPushButton* diskKeep_;
    QTimer timer_;
    std::unique_ptr<TStrucDocument> structure_;
    bool placeholder_ = false;
    bool closed_ = false;
    int structureParses_ = 0;
};
