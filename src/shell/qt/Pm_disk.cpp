// Files that another program changed or removed: checked when the main window comes to the
// front, and before a save writes over them.
#include <QEvent>

#include "platform/qt/qtConvert.h"
#include "shell/PmStatus.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "widgets/uniMsgDlg.h"

void TPMMainForm::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && !closing_) {
        if (TMDIChild* child = ActiveChild()) {
            child->CheckDisk();
        }
    }
}

bool TPMMainForm::ConfirmDiskOverwrite(TuniMemo& memo, const std::string& fileName) {
    if (!fileName.empty() && !SameDocumentFile(fileName, memo.FileName())) {
        return true; // another file: the save dialog asked about it
    }
    if (memo.Document().DiskChange() != TDiskChange::Changed) {
        return true; // unchanged, or removed: the save writes it again
    }
    TMsgDlgOptions options;
    options.captions[TMsgDlgBtn::Ignore] = Text("Messages", "DiskOverwrite");
    options.captions[TMsgDlgBtn::Abort] = Text("Messages", "DiskReload");
    // No button is the default: Enter must neither overwrite nor throw the edits away.
    const TMsgDlgBtn answer = UniMessageDlg(
        this, Format("Messages", "DiskOverwriteMsg", QStringFromFileName(memo.FileName())),
        TMsgDlgType::Warning, TMsgDlgBtn::Ignore | TMsgDlgBtn::Abort | TMsgDlgBtn::Cancel, options);
    if (answer == TMsgDlgBtn::Ignore) {
        return true;
    }
    if (answer == TMsgDlgBtn::Abort) {
        for (TMDIChild* child : Children()) {
            if (&child->Memo() == &memo) {
                child->ReloadFromDisk();
            }
        }
    }
    return false;
}
