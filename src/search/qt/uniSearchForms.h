// The search dialogs on Qt: "Search" (TformSearch), "Replace" (TformReplace) with their
// history boxes and option boxes, and "Go to line" (TFormGoto).
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "editor/uniMemo.h"
#include "widgets/uniComboBox.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class TUniActionKeymap;
class TUniLangTexts;

// The pattern box with the search history and the three options; OK is the default
// button, Escape cancels. The form is made once and keeps its texts and options between
// showings.
class TformSearch : public QDialog {
    Q_OBJECT
public:
    // The environment and keymap are borrowed; they must outlive the form.
    TformSearch(TMemoEnvironment environment, const TUniActionKeymap* globalKeymap,
                QWidget* parent = nullptr);

    TuniComboBox& uniComboBox1() { return *pattern_; }
    QCheckBox& CheckCase() { return *caseSensitive_; }
    QCheckBox& CheckWord() { return *wholeWord_; }
    QCheckBox& CheckRegexp() { return *regexp_; }
    QPushButton& ButtonOk() { return *ok_; }
    QPushButton& ButtonCancel() { return *cancel_; }

    std::u16string Pattern() const { return pattern_->Text(); }
    // The editor's options as the boxes show them (Case sensitive is the negation of
    // ignoring case).
    TMemoSearchOptions Options() const;
    void SetOptions(const TMemoSearchOptions& options);

    // Before each showing: the histories into the lists, the document's substitutions into
    // the pattern box (abbreviations expand while typing there).
    virtual void Prepare(const TuniMemo* document);
    // The interface texts: title, labels, options and buttons.
    virtual void ApplyTexts(const TUniLangTexts& texts);

protected:
    TformSearch(TMemoEnvironment environment, const TUniActionKeymap* globalKeymap, QWidget* parent,
                bool withReplacement);
    void showEvent(QShowEvent* e) override;

    QLabel* patternLabel_;
    TuniComboBox* pattern_;
    QLabel* replaceLabel_ = nullptr;
    TuniComboBox* replacement_ = nullptr;
    QCheckBox* caseSensitive_;
    QCheckBox* wholeWord_;
    QCheckBox* regexp_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// The search form with a second box for the replacement and the replace history.
class TformReplace : public TformSearch {
    Q_OBJECT
public:
    TformReplace(TMemoEnvironment environment, const TUniActionKeymap* globalKeymap,
                 QWidget* parent = nullptr);

    TuniComboBox& uniComboBox2() { return *replacement_; }
    std::u16string Replacement() const { return replacement_->Text(); }

    void Prepare(const TuniMemo* document) override;
    void ApplyTexts(const TUniLangTexts& texts) override;
};

// One editable box that takes only digits (and Backspace, Enter, Escape); its list holds
// the numbers entered while the program runs, the last one at the end.
class TFormGoto : public QDialog {
    Q_OBJECT
public:
    explicit TFormGoto(QWidget* parent = nullptr);

    QComboBox& Box() { return *box_; }
    QPushButton& ButtonOk() { return *ok_; }
    // After OK: the typed text goes to the end of the list; the line number it names.
    std::optional<int> TakeLine();
    void ApplyTexts(const TUniLangTexts& texts);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* e) override;

private:
    QComboBox* box_;
    QPushButton* ok_;
    QPushButton* cancel_;
    std::vector<std::u16string> items_;
};
