// The main window's spell checking: the spell language menu, the SpellCheck command with
// the spell dialog, and the speller kept between checks.
#include <QActionGroup>
#include <QApplication>
#include <QFile>
#include <QMenu>

#include "platform/qt/qtConvert.h"
#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "spell/qt/uniSpellDlg.h"
#include "spell/uniSpellCheck.h"
#include "spell/uniSpellWalk.h"
#include "widgets/uniMsgDlg.h"

void TPMMainForm::LoadSpellLanguages() {
    spellLanguages_ = ::LoadSpellLanguages(session_.Folder().Root());
    if (!spell_) {
        spell_ = std::make_unique<TSpellSession>();
    }
    BuildSpellMenu();
}

void TPMMainForm::BuildSpellMenu() {
    if (spellMenu_ == nullptr) {
        return;
    }
    spellMenu_->clear();
    auto* group = new QActionGroup(spellMenu_);
    group->setExclusive(true);
    for (const auto& [name, language] : spellLanguages_.Items()) {
        QAction* item = spellMenu_->addAction(QStringFromUtf8(name));
        item->setCheckable(true);
        item->setActionGroup(group);
        const QString picture =
            QStringFromFileName(session_.Folder().Path("Lang/" + language.Flag + ".bmp"));
        if (QFile::exists(picture)) {
            item->setIcon(QIcon(picture));
        }
        const std::string chosen = name;
        connect(item, &QAction::triggered, this, [this, chosen] { SpellLangClick(chosen); });
    }
    spellMenu_->setEnabled(!spellLanguages_.Empty());
    CheckSpellLanguageItem();
}

void TPMMainForm::CheckSpellLanguageItem() {
    if (spellMenu_ == nullptr) {
        return;
    }
    const TuniMemo* memo = ActiveEditor();
    const QString current =
        memo != nullptr ? QStringFromUtf8(memo->Settings().spellLanguage) : QString();
    for (QAction* item : spellMenu_->actions()) {
        const bool on = memo != nullptr && item->text() == current;
        if (item->isChecked() != on) {
            item->setChecked(on);
        }
    }
}

void TPMMainForm::SpellLangClick(const std::string& name) {
    TuniMemo* memo = ActiveEditor();
    if (memo == nullptr) {
        return;
    }
    if (memo->Settings().spellLanguage != name) {
        spell_->Stop();
    }
    memo->SetSpellLanguage(name);
    CheckSpellLanguageItem();
}

TSpellDlg& TPMMainForm::SpellDialog() {
    if (spellDlg_ == nullptr) {
        spellDlg_ = new TSpellDlg(session_.Environment(&texts_), globalKeys_.get(), this);
        spellDlg_->setFont(InterfaceFont());
    }
    spellDlg_->ApplyTexts(texts_);
    const TCommonSettings& common = session_.Settings().common;
    spellDlg_->SetEditFont(QStringFromU16(common.editFont), common.editFontSize);
    return *spellDlg_;
}

void TPMMainForm::SpellCheck() {
    TMDIChild* child = ActiveChild();
    if (child == nullptr || QApplication::activeModalWidget() != nullptr) {
        return;
    }
    TuniMemo& memo = child->Memo();
    std::string error;
    try {
        TSpellChecker* checker =
            spell_->Prepare(memo.Settings().spellLanguage, spellLanguages_,
                            session_.Settings().charsetLists, session_.Folder());
        if (checker == nullptr) {
            return;
        }
        TSpellDlg& dialog = SpellDialog();
        dialog.SetEditorWidget(&child->MemoWidget());
        // The walk runs as one command of the editor, which is brought up to date after it
        // even when the speller fails on the way.
        child->MemoWidget().Input().RunCommand([&] {
            try {
                SpellCheckDocument(memo, *checker, dialog);
            } catch (const ESpellError& e) {
                error = e.what();
            }
        });
    } catch (const ESpellError& e) {
        error = e.what();
    }
    if (!error.empty()) {
        UniMessageDlg(this, QStringFromUtf8(error), TMsgDlgType::Error, TMsgDlgBtn::OK);
    }
    child->MemoWidget().RepaintWhole();
}
