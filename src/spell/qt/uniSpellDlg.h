// The spell dialog on Qt: the rejected word, a box for its replacement, the speller's
// suggestions and the five buttons; it plays the dialog of the spell check's word walk.
#pragma once

#include <QDialog>
#include <QPointer>

#include "editor/qt/uniMemoWidget.h"
#include "spell/uniSpellWalk.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class TUniActionKeymap;
class TUniLangTexts;

class TSpellDlg : public QDialog, public TSpellDialogHost {
    Q_OBJECT
public:
    // The environment and the keymap are borrowed and must outlive the dialog.
    TSpellDlg(TMemoEnvironment environment, const TUniActionKeymap* globalKeymap,
              QWidget* parent = nullptr);
    // Lets go of the signals that would reach it while its widgets are taken down.
    ~TSpellDlg() override;

    QLabel& uniWord() { return *word_; }
    TuniMemoWidget& uniEdit() { return *edit_; }
    QListWidget& ListBox() { return *list_; }
    QPushButton& uniButtonAccept() { return *accept_; }
    QPushButton& uniButtonSkip() { return *skip_; }
    QPushButton& uniButtonCancel() { return *quit_; }
    QPushButton& uniButtonReplace() { return *replace_; }
    QPushButton& uniButtonAdd() { return *add_; }

    // Fills the dialog for a rejected word: the word shown and in the box, the suggestions
    // listed (a leading ":" marks a guess).
    void Prepare(const TSpellQuestion& question);
    // The box's text: what Replace puts in the word's place.
    std::u16string Replacement() const;
    // The editor whose caret row the dialog is placed below (null: left where it is).
    void SetEditorWidget(QWidget* editor) { editorWidget_ = editor; }
    // The texts of the section "Spell"; the font of the word, box and list.
    void ApplyTexts(const TUniLangTexts& texts);
    void SetEditFont(const QString& family, int pointSize);

    // TSpellDialogHost: shown modally below the caret row of `memo`.
    TSpellAnswer Ask(TuniMemo& memo, const TSpellQuestion& question) override;
    // Tests answer instead of the user: called with the prepared, placed dialog instead
    // of showing it; returns the result code.
    static void SetResponder(std::function<int(TSpellDlg&)> responder);

protected:
    void showEvent(QShowEvent* e) override;

private:
    void Place(TuniMemo& memo);
    void SuggestionClicked(QListWidgetItem* item);
    // Replace is the default button while the box or the list has the focus.
    void FocusChanged(QWidget* now);
    void SetReplaceDefault(bool on);

    TMemoEnvironment environment_;
    QLabel* word_;
    TuniMemoWidget* edit_;
    QListWidget* list_;
    QPushButton* accept_;
    QPushButton* skip_;
    QPushButton* quit_;
    QPushButton* replace_;
    QPushButton* add_;
    QPointer<QWidget> editorWidget_;
    std::u16string shownWord_;
};
