// The main window's setup commands: the general setup and the file-type setup dialogs,
// what their confirmation writes, and every document following the new settings.
#include <QApplication>
#include <QMdiSubWindow>

#include "highlight/uniColorer.h"
#include "platform/qt/qtConvert.h"
#include "search/qt/uniSearchForms.h"
#include "setup/qt/uniFilesSetup.h"
#include "setup/qt/uniGeneralSetup.h"
#include "setup/uniGeneralSetup.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "shell/qt/Properties.h"
#include "spell/qt/uniSpellDlg.h"
#include "widgets/uniFileDialogs.h"
#include "widgets/uniMsgDlg.h"

void TPMMainForm::GeneralSetup() {
    if (QApplication::activeModalWidget() != nullptr) {
        return;
    }
    if (generalSetup_ == nullptr) {
        generalSetup_ = new TfrmGeneralSetup(this);
        generalSetup_->setFont(InterfaceFont());
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
    ApplyInterfaceFont();
    ReapplyProfiles();
}

QFont TPMMainForm::InterfaceFont() const {
    const TCommonSettings& common = session_.Settings().common;
    return QFont(QStringFromU16(common.interfaceFont), common.interfaceFontSize);
}

// Every dialog of the program speaks in the interface font; the text boxes that edit with
// the editor font keep the font they set on themselves.
void TPMMainForm::ApplyInterfaceFont() {
    const QFont font = InterfaceFont();
    SetDialogFont(font);
    const std::initializer_list<QWidget*> dialogs{
        openDialog_.get(), saveDialog_.get(), properties_.get(), searchForm_, replaceForm_,
        gotoForm_,         spellDlg_,         generalSetup_,     filesSetup_};
    for (QWidget* dialog : dialogs) {
        if (dialog != nullptr) {
            dialog->setFont(font);
        }
    }
}

void TPMMainForm::FilesSetup() {
    if (QApplication::activeModalWidget() != nullptr) {
        return;
    }
    if (filesSetup_ == nullptr) {
        filesSetup_ = new TfrmFilesSetup(this);
        filesSetup_->setFont(InterfaceFont());
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
