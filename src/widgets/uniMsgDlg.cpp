// The message dialog: buttons, captions, the default and cancel rules and the layout.
#include "widgets/uniMsgDlg.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <utility>

namespace {

TDialogCaptions& Captions() {
    static TDialogCaptions captions;
    return captions;
}

std::optional<QFont>& Font() {
    static std::optional<QFont> font;
    return font;
}

std::function<TMsgDlgBtn(const TMsgDlgRequest&)>& Responder() {
    static std::function<TMsgDlgBtn(const TMsgDlgRequest&)> responder;
    return responder;
}

int IndexOf(TMsgDlgBtn button) {
    const auto bits = static_cast<unsigned>(button);
    int index = 0;
    while (index < kMsgDlgButtonCount && (bits >> index) != 1u) {
        ++index;
    }
    return index;
}

} // namespace

TMsgDlgBtn MsgDlgButtonAt(int index) {
    return static_cast<TMsgDlgBtn>(1u << index);
}

const char* MsgDlgButtonName(TMsgDlgBtn button) {
    static constexpr std::array<const char*, kMsgDlgButtonCount> kNames{
        "Yes",    "No",  "OK",      "Cancel",   "Abort", "Retry",
        "Ignore", "All", "NoToAll", "YesToAll", "Help"};
    return kNames[static_cast<size_t>(IndexOf(button))];
}

std::optional<TMsgDlgBtn> MsgDlgDefaultButton(TMsgDlgButtons buttons) {
    for (const TMsgDlgBtn b : {TMsgDlgBtn::OK, TMsgDlgBtn::Yes, TMsgDlgBtn::Retry}) {
        if (buttons.Has(b)) {
            return b;
        }
    }
    return std::nullopt;
}

std::optional<TMsgDlgBtn> MsgDlgCancelButton(TMsgDlgButtons buttons) {
    for (const TMsgDlgBtn b : {TMsgDlgBtn::Cancel, TMsgDlgBtn::No, TMsgDlgBtn::OK}) {
        if (buttons.Has(b)) {
            return b;
        }
    }
    return std::nullopt;
}

QString& TDialogCaptions::Button(TMsgDlgBtn button) {
    switch (button) {
    case TMsgDlgBtn::Yes:
        return yes;
    case TMsgDlgBtn::No:
        return no;
    case TMsgDlgBtn::OK:
        return ok;
    case TMsgDlgBtn::Cancel:
        return cancel;
    case TMsgDlgBtn::Abort:
        return abort;
    case TMsgDlgBtn::Retry:
        return retry;
    case TMsgDlgBtn::Ignore:
        return ignore;
    case TMsgDlgBtn::All:
        return all;
    case TMsgDlgBtn::NoToAll:
        return noToAll;
    case TMsgDlgBtn::YesToAll:
        return yesToAll;
    case TMsgDlgBtn::Help:
        break;
    }
    return help;
}

const QString& TDialogCaptions::Button(TMsgDlgBtn button) const {
    return const_cast<TDialogCaptions*>(this)->Button(button);
}

QString TDialogCaptions::Title(TMsgDlgType type) const {
    switch (type) {
    case TMsgDlgType::Warning:
        return warning;
    case TMsgDlgType::Error:
        return error;
    case TMsgDlgType::Information:
        return information;
    case TMsgDlgType::Confirmation:
        return confirm;
    case TMsgDlgType::Custom:
        break;
    }
    const QString app = QCoreApplication::applicationName();
    return app.isEmpty() ? QStringLiteral("Pelmar") : app;
}

void SetDialogCaptions(const TDialogCaptions& captions) {
    Captions() = captions;
}

const TDialogCaptions& DialogCaptions() {
    return Captions();
}

void SetDialogFont(const std::optional<QFont>& font) {
    Font() = font;
}

void SetMessageDlgResponder(std::function<TMsgDlgBtn(const TMsgDlgRequest&)> responder) {
    Responder() = std::move(responder);
}

TuniMessageDialog::TuniMessageDialog(QWidget* parent, const QString& text, TMsgDlgType type,
                                     TMsgDlgButtons buttons, const TMsgDlgOptions& options)
    : QDialog(parent), message_(new QLabel(text, this)), cancel_(MsgDlgCancelButton(buttons)) {
    setObjectName(QStringLiteral("MessageDialog"));
    if (Font()) {
        setFont(*Font());
    }
    setWindowTitle(options.title.value_or(Captions().Title(type)));
    message_->setObjectName(QStringLiteral("Message"));
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    message_->setTextFormat(Qt::PlainText);
    const std::optional<TMsgDlgBtn> byDefault = MsgDlgDefaultButton(buttons);
    for (int i = 0; i < kMsgDlgButtonCount; ++i) {
        const TMsgDlgBtn b = MsgDlgButtonAt(i);
        if (!buttons.Has(b)) {
            continue;
        }
        const auto own = options.captions.find(b);
        auto* button = new QPushButton(
            own != options.captions.end() ? own->second : Captions().Button(b), this);
        button->setObjectName(QString::fromLatin1(MsgDlgButtonName(b)));
        button->setAutoDefault(false);
        button->setDefault(byDefault == b);
        connect(button, &QPushButton::clicked, this, [this, b] { Press(b); });
        buttons_[static_cast<size_t>(i)] = button;
    }
    if (cancel_) {
        pressed_ = *cancel_;
    }
    Arrange();
    if (options.position) {
        move(*options.position);
    } else {
        const QScreen* screen = parent != nullptr ? parent->screen() : nullptr;
        if (screen == nullptr) {
            screen = QGuiApplication::primaryScreen();
        }
        if (screen != nullptr) {
            const QRect area = screen->availableGeometry();
            move(area.center() - QPoint(width() / 2, height() / 2));
        }
    }
    if (byDefault) {
        Button(*byDefault)->setFocus();
    }
}

QPushButton* TuniMessageDialog::Button(TMsgDlgBtn button) const {
    return buttons_[static_cast<size_t>(IndexOf(button))];
}

void TuniMessageDialog::Press(TMsgDlgBtn button) {
    pressed_ = button;
    done(static_cast<int>(button));
}

// Escape and the window's close button press the cancel button; without one the dialog
// cannot be left that way.
void TuniMessageDialog::reject() {
    if (cancel_) {
        Press(*cancel_);
    }
}

// Margins of 8/4 of the average character width beside and 8/8 of the character height
// above and below; buttons at least 50/4 characters wide and 14/8 high, widened to their
// caption plus 8 pixels, all as wide as the widest, 4/4 characters apart.
void TuniMessageDialog::Arrange() {
    const QFontMetrics metrics(font());
    const int charWidth = std::max(1, metrics.averageCharWidth());
    const int charHeight = metrics.height();
    const int marginX = 8 * charWidth / 4;
    const int marginY = 8 * charHeight / 8;
    const int gap = 4 * charWidth / 4;
    int buttonWidth = 50 * charWidth / 4;
    const int buttonHeight = 14 * charHeight / 8;
    int count = 0;
    for (QPushButton* b : buttons_) {
        if (b != nullptr) {
            const QString caption = QString(b->text()).remove(QLatin1Char('&'));
            buttonWidth = std::max(buttonWidth, metrics.horizontalAdvance(caption) + 8);
            ++count;
        }
    }
    const int rowWidth = count * buttonWidth + std::max(0, count - 1) * gap;
    // The text wraps at half the screen's width, as long lines of a message should.
    const QScreen* screen =
        this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    const int maxTextWidth =
        std::max(rowWidth, screen != nullptr ? screen->availableGeometry().width() / 2 : 600);
    const QRect textRect = metrics.boundingRect(
        QRect(0, 0, maxTextWidth, 100000), Qt::AlignCenter | Qt::TextWordWrap, message_->text());
    const int contentWidth = std::max(rowWidth, textRect.width());
    const int width = contentWidth + 2 * marginX;
    message_->setGeometry(marginX, marginY, contentWidth, textRect.height());
    const int buttonTop = marginY + textRect.height() + marginY;
    int x = (width - rowWidth) / 2;
    for (QPushButton* b : buttons_) {
        if (b != nullptr) {
            b->setGeometry(x, buttonTop, buttonWidth, buttonHeight);
            x += buttonWidth + gap;
        }
    }
    setFixedSize(width, buttonTop + buttonHeight + marginY);
}

void TuniMessageDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        Arrange();
    }
}

TMsgDlgBtn UniMessageDlg(QWidget* parent, const QString& text, TMsgDlgType type,
                         TMsgDlgButtons buttons, const TMsgDlgOptions& options) {
    if (const auto& responder = Responder()) {
        return responder({options.title.value_or(Captions().Title(type)), text, type, buttons});
    }
    TuniMessageDialog dialog(parent, text, type, buttons, options);
    dialog.exec();
    return dialog.Pressed();
}
