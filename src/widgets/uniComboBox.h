// The history combo box of the search dialogs: the program's own one-line editor as its
// field, a drop-down button, a lowered frame around both, and the drop-down list of
// history entries.
#pragma once

#include <QFrame>
#include <QListWidget>
#include <QPointer>

#include <string>
#include <string_view>
#include <vector>

#include "editor/qt/uniMemoWidget.h"

class QToolButton;
class TuniComboBox;

// The drop-down list: entries in their stored 8-bit form (characters from U+0080 up as
// decimal references), shown decoded. Escape closes it, Enter and a double click put the
// selected entry into the field; losing the focus closes it.
class TnewListBox : public QListWidget {
    Q_OBJECT
public:
    TnewListBox(TuniComboBox& combo, QWidget* parent);

    // The stored form of entry `row`.
    std::string Entry(int row) const;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    TuniComboBox& combo_;
};

class TuniComboBox : public QFrame {
    Q_OBJECT
public:
    // The field is at least this high beyond the editor's line height.
    static constexpr int kListHeight = 80;
    static constexpr int kButtonRoom = 17;

    // The environment and keymap are borrowed and must outlive the box.
    TuniComboBox(TMemoEnvironment environment, const TUniActionKeymap* globalKeymap,
                 QWidget* parent = nullptr);
    ~TuniComboBox() override;

    TuniMemoWidget& Field() { return *field_; }
    TuniMemo& Edit() { return field_->Memo(); }
    QToolButton& Button() { return *button_; }
    TnewListBox& List() { return *list_; }

    // The field's first line, and setting it (the field keeps one line).
    std::u16string Text() const;
    void SetText(std::u16string_view text);
    // The history entries in their stored form, most recent first.
    void SetItems(const std::vector<std::string>& items);

    bool ListOpen() const;
    // Opens the list with the entry of the field's text selected (else the first one) and
    // gives it the focus; CloseList hides it and focuses the field.
    void OpenList();
    void CloseList();
    // The list's selected entry, references decoded, becomes the field's text.
    void PickSelected();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;

private:
    void Layout();
    void FitList();
    void FieldFocused(bool in);

    TuniMemoWidget* field_;
    QToolButton* button_;
    // A child of the window, so it may cover the controls below; whichever goes first, the
    // window or the box, takes it along.
    QPointer<TnewListBox> list_;
    bool layingOut_ = false;
};
