// The small modal questions on Qt: Yes/No/Cancel, the replace confirmation (both through
// the message dialog), and the code entry box that types a character by its number.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/uniEditorHost.h"
#include "widgets/uniMsgDlg.h"

class QLineEdit;
class QPushButton;

enum class TYesNoCancel { Yes, No, Cancel };

// The message dialog's confirmation with Yes (default), No and Cancel; Escape or closing
// it is Cancel. An empty caption leaves the confirmation's title.
TYesNoCancel AskYesNoCancel(QWidget* parent, const QString& caption, const QString& text);
// Tests answer AskYesNoCancel through this instead of a modal loop; null: real boxes.
void SetYesNoCancelResponder(std::function<TYesNoCancel(const QString& text)> responder);

// The code entry's rules, one keystroke at a time. The character a typed character becomes
// in the field ("a" -> "A", "X" -> "x"), nullopt when it is refused.
std::optional<QChar> CodeEntryAccepts(QChar typed);
// Whether the field may hold `text`: empty, "x", decimal digits, or "x" and hex digits.
bool CodeEntryTextValid(const QString& text);

// A frameless box sized to its content: the field EditCode (at most 5 characters), OK
// (default) and Cancel. Refused characters are swallowed with a beep; a change that leaves
// the field invalid is undone, restoring the text and selection from before it.
class TFormUnicodeEnter : public QDialog {
    Q_OBJECT
public:
    explicit TFormUnicodeEnter(QWidget* parent = nullptr);

    QString Code() const;
    QLineEdit* EditCode() const { return editCode_; }
    QPushButton* ButtonOk() const { return buttonOk_; }
    QPushButton* ButtonCancel() const { return buttonCancel_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct TFieldState {
        QString text;
        int cursor = 0;
        int selectionStart = -1;
        int selectionLength = 0;
    };
    void FitField();
    void Remember();
    void TextChanged(const QString& text);

    QLineEdit* editCode_;
    QPushButton* buttonOk_;
    QPushButton* buttonCancel_;
    TFieldState before_;
    bool restoring_ = false;
};

// The replace confirmation and the code entry, placed relative to the editor's client
// widget.
class TQtQuestions : public TQuestionHost {
public:
    explicit TQtQuestions(QWidget* editor);

    TReplaceAnswer AskReplace(std::u16string_view text, int caretX, int caretY,
                              int lineHeight) override;
    std::optional<std::u16string> EnterCode(int x, int y, int fontSize) override;

    // Tests answer through these instead of modal loops; null: the real boxes.
    static void SetReplaceResponder(std::function<TReplaceAnswer(std::u16string_view)> responder);
    static void SetCodeResponder(std::function<std::optional<std::u16string>()> responder);

private:
    QWidget* editor_;
};

// Where a box of `size` goes for a caret at `caret` (global coordinates) on a screen with
// the `available` area: 20 pixels right of the caret, below the caret line when the box
// fits there, else above it; kept on the screen.
QPoint ReplaceBoxPosition(QPoint caret, int lineHeight, QSize size, const QRect& available);
