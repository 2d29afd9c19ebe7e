// The program's message dialog: every warning, error, information and question the
// program shows, with the translated captions of its eleven buttons.
#pragma once

#include <QDialog>
#include <QFont>
#include <QPoint>
#include <QString>

#include <array>
#include <functional>
#include <map>
#include <optional>

class QLabel;
class QPushButton;

enum class TMsgDlgType { Warning, Error, Information, Confirmation, Custom };

// The buttons in their order on the dialog. The values are bits of TMsgDlgButtons.
enum class TMsgDlgBtn : unsigned {
    Yes = 1u << 0,
    No = 1u << 1,
    OK = 1u << 2,
    Cancel = 1u << 3,
    Abort = 1u << 4,
    Retry = 1u << 5,
    Ignore = 1u << 6,
    All = 1u << 7,
    NoToAll = 1u << 8,
    YesToAll = 1u << 9,
    Help = 1u << 10,
};
inline constexpr int kMsgDlgButtonCount = 11;

// A set of buttons: TMsgDlgBtn::Yes | TMsgDlgBtn::No.
class TMsgDlgButtons {
public:
    constexpr TMsgDlgButtons() = default;
    constexpr TMsgDlgButtons(TMsgDlgBtn b) : bits_(static_cast<unsigned>(b)) {} // NOLINT
    constexpr bool Has(TMsgDlgBtn b) const { return (bits_ & static_cast<unsigned>(b)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    friend constexpr TMsgDlgButtons operator|(TMsgDlgButtons a, TMsgDlgButtons b) {
        TMsgDlgButtons r;
        r.bits_ = a.bits_ | b.bits_;
        return r;
    }

private:
    unsigned bits_ = 0;
};
constexpr TMsgDlgButtons operator|(TMsgDlgBtn a, TMsgDlgBtn b) {
    return TMsgDlgButtons(a) | TMsgDlgButtons(b);
}

// The button at `index` (0..10) in dialog order, and a button's component name ("Yes",
// "NoToAll", ...), which is also its object name on the dialog.
TMsgDlgBtn MsgDlgButtonAt(int index);
const char* MsgDlgButtonName(TMsgDlgBtn button);

// OK if present, else Yes, else Retry; nullopt when none of them is there.
std::optional<TMsgDlgBtn> MsgDlgDefaultButton(TMsgDlgButtons buttons);
// Cancel if present, else No, else OK; nullopt when none of them is there.
std::optional<TMsgDlgBtn> MsgDlgCancelButton(TMsgDlgButtons buttons);

// The captions of the buttons and of the kinds' titles; the interface language replaces
// them (SetDialogCaptions). Every dialog's OK and Cancel buttons read them too.
struct TDialogCaptions {
    QString yes = QStringLiteral("Yes");
    QString no = QStringLiteral("No");
    QString ok = QStringLiteral("OK");
    QString cancel = QStringLiteral("Cancel");
    QString abort = QStringLiteral("Abort");
    QString retry = QStringLiteral("Retry");
    QString ignore = QStringLiteral("Ignore");
    QString all = QStringLiteral("All");
    QString noToAll = QStringLiteral("No to all");
    QString yesToAll = QStringLiteral("Yes to all");
    QString help = QStringLiteral("Help");
    QString warning = QStringLiteral("Warning");
    QString error = QStringLiteral("Error");
    QString information = QStringLiteral("Information");
    QString confirm = QStringLiteral("Confirm");

    const QString& Button(TMsgDlgBtn button) const;
    QString& Button(TMsgDlgBtn button);
    // The window title of a kind; the custom kind's is the application's title.
    QString Title(TMsgDlgType type) const;
};
void SetDialogCaptions(const TDialogCaptions& captions);
const TDialogCaptions& DialogCaptions();
// The interface font of the settings, for every message dialog; nullopt: the toolkit's.
void SetDialogFont(const std::optional<QFont>& font);

// What a caller may add: captions of its own for some buttons (a question whose answers
// are not "Yes" and "No"), a title instead of the kind's, and a place for the dialog's top
// left corner (global coordinates) instead of the screen's centre.
struct TMsgDlgOptions {
    std::map<TMsgDlgBtn, QString> captions;
    std::optional<QString> title;
    std::optional<QPoint> position;
};

// A message and its buttons: the text centred above a row of equally wide buttons.
// The dialog's result is the pressed button's value (static_cast<int>(TMsgDlgBtn));
// Escape and closing the window press the cancel button.
class TuniMessageDialog : public QDialog {
    Q_OBJECT
public:
    TuniMessageDialog(QWidget* parent, const QString& text, TMsgDlgType type,
                      TMsgDlgButtons buttons, const TMsgDlgOptions& options = {});

    // The button pressed; the cancel button while none was.
    TMsgDlgBtn Pressed() const { return pressed_; }
    QPushButton* Button(TMsgDlgBtn button) const;
    QLabel* Message() const { return message_; }

protected:
    void changeEvent(QEvent* event) override;
    void reject() override;

private:
    void Press(TMsgDlgBtn button);
    void Arrange();

    QLabel* message_;
    std::array<QPushButton*, kMsgDlgButtonCount> buttons_{}; // null where not shown
    TMsgDlgBtn pressed_ = TMsgDlgBtn::Cancel;
    std::optional<TMsgDlgBtn> cancel_;
};

// Shows the dialog modally and returns the pressed button.
TMsgDlgBtn UniMessageDlg(QWidget* parent, const QString& text, TMsgDlgType type,
                         TMsgDlgButtons buttons, const TMsgDlgOptions& options = {});

// What tests see of a message instead of a modal loop.
struct TMsgDlgRequest {
    QString title;
    QString text;
    TMsgDlgType type;
    TMsgDlgButtons buttons;
};
// Tests answer UniMessageDlg through this; null: the real dialog.
void SetMessageDlgResponder(std::function<TMsgDlgBtn(const TMsgDlgRequest&)> responder);
