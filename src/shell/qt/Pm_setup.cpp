// The main window's setup commands: the general setup and the file-type setup dialogs,
// what their confirmation writes, and every document following the new settings.
#include <QApplication>
#include <QMdiSubWindow>

#include "highlight/uniColorer.h"
#include "platform/qt/qtConvert.h"
#include "setup/qt/uniFilesSetup.h"
#include "setup/qt/uniGeneralSetup.h"
#include "setup/uniGeneralSetup.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "widgets/uniMsgDlg.h"

void TPMMainForm::GeneralSetup() {
    if (QApplication::activeModalWidget() != nullptr) {
        return;
    }
    if (generalSetup_ == nullptr) {
        generalSetup_ = new TfrmGeneralSetup(this);
    }
    TfrmGeneralSetup& dialog = *generalSetup_;
    dialog.ApplyTexts(texts_);
    TGeneralSettings current = ReadGeneralSettings(TIniFile(session_.Folder().PelmarIni()));
    current.common = session_.Settings().common; // what the editors paint with now
    const std::string error = dialog.Preset(current, SchemeFilePath(session_.Folder().Root()));
    if (!error.empty()) {
        UniMessageDlg(this, QStringFromUtf8(error), TMsgDlgType::Warning, TMsgDlgBtn::OK);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    // The dialog has rewritten the scheme file.
    ReloadColourScheme();
    const TGeneralSettings chosen = dialog.Settings();
    TIniFile ini(session_.Folder().PelmarIni());
    ini.BeginUpdate();
    WriteGeneralSettings(ini, chosen);
    if (chosen.saveGeometry) {
        TWindowSettings window = session_.Settings().window;
        // The normal geometry even while maximized: that is what a later start restores.
        const QRect normal = normalGeometry();
        window.maximize = isMaximized();
        if (TMDIChild* child = ActiveChild()) {
            window.zoom = child->isMaximized();
        } else {
            window.zoom.reset();
        }
        window.width = normal.width();
        window.height = normal.height();
        window.left = normal.left();
        window.top = normal.top();
        window.tools = BandLayout();
        window.browserWidth = StrucWidth();
        window.browserMin = StrucCollapsed();
        window.browserLeft = StrucLeft();
        if (msgHeight_ > 0) {
            window.msgPanelHeight = msgHeight_;
        }
        WriteWindowSettings(ini, window);
    }
    if (const TWriteResult written = ini.EndUpdate(); !written.ok) {
        UniMessageDlg(this, QStringFromUtf8(written.error), TMsgDlgType::Error, TMsgDlgBtn::OK);
    }
    // The editors borrow these settings: they paint with them from the next repaint on.
    session_.Settings().common = chosen.common;
    const QFont font(QStringFromU16(chosen.common.interfaceFont), chosen.common.interfaceFontSize);
    SetDialogFont(font);
    ReapplyProfiles();
}

void TPMMainForm::FilesSetup() {
    if (QApplication::activeModalWidget() != nullptr) {
        return;
    }
    if (filesSetup_ == nullptr) {
        filesSetup_ = new TfrmFilesSetup(this);
    }
    TfrmFilesSetup& dialog = *filesSetup_;
    dialog.ApplyTexts(texts_);
    dialog.Preset(session_.Folder().Root(), session_.Settings().common);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    ReapplyProfiles();
}

void TPMMainForm::ReapplyProfiles() {
    for (TMDIChild* child : Children()) {
        TuniMemo& memo = child->Memo();
        // A type the highlighter chose (or the user picked) stays the document's type.
        const TColorerClass* colorer = memo.Colorer();
        memo.ApplyProfile(memo.ProfileType(),
                          colorer != nullptr ? colorer->GetFileTypeName() : std::string());
        child->MemoWidget().RepaintWhole();
    }
    BuildToolMenus();
}
