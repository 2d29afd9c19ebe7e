// Yes/No/Cancel, the replace confirmation and the code entry box.
#include "platform/qt/qtDialogs.h"
#include "platform/qt/qtConvert.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <utility>

namespace {

std::function<TYesNoCancel(const QString&)>& YesNoCancelResponder() {
    static std::function<TYesNoCancel(const QString&)> responder;
    return responder;
}

std::function<TReplaceAnswer(std::u16string_view)>& ReplaceResponder() {
    static std::function<TReplaceAnswer(std::u16string_view)> responder;
    return responder;
}

std::function<std::optional<std::u16string>()>& CodeResponder() {
    static std::function<std::optional<std::u16string>()> responder;
    return responder;
}

bool IsDecimal(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool IsHex(QChar c) {
    return IsDecimal(c) || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

QRect AvailableArea(const QWidget* widget) {
    const QScreen* screen = widget != nullptr ? widget->screen() : nullptr;
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

// Keeps a box of `size` at `pos` inside `area` where it fits.
QPoint KeepOnScreen(QPoint pos, QSize size, const QRect& area) {
    if (area.isEmpty()) {
        return pos;
    }
    const int x = std::max(area.left(), std::min(pos.x(), area.right() + 1 - size.width()));
    const int y = std::max(area.top(), std::min(pos.y(), area.bottom() + 1 - size.height()));
    return {x, y};
}

const TDialogCaptions& Captions() {
    return DialogCaptions();
}

} // namespace

// --- Yes / No / Cancel -------------------------------------------------------------------

void SetYesNoCancelResponder(std::function<TYesNoCancel(const QString&)> responder) {
    YesNoCancelResponder() = std::move(responder);
}

TYesNoCancel AskYesNoCancel(QWidget* parent, const QString& caption, const QString& text) {
    if (const auto& responder = YesNoCancelResponder()) {
        return responder(text);
    }
    TMsgDlgOptions options;
    if (!caption.isEmpty()) {
        options.title = caption;
    }
    switch (UniMessageDlg(parent, text, TMsgDlgType::Confirmation,
                          TMsgDlgBtn::Yes | TMsgDlgBtn::No | TMsgDlgBtn::Cancel, options)) {
    case TMsgDlgBtn::Yes:
        return TYesNoCancel::Yes;
    case TMsgDlgBtn::No:
        return TYesNoCancel::No;
    default:
        return TYesNoCancel::Cancel;
    }
}

// --- the code entry ----------------------------------------------------------------------

std::optional<QChar> CodeEntryAccepts(QChar typed) {
    if (IsDecimal(typed) || (typed >= u'A' && typed <= u'F')) {
        return typed;
    }
    if (typed >= u'a' && typed <= u'f') {
        return typed.toUpper();
    }
    if (typed == u'x' || typed == u'X') {
        return QChar(u'x');
    }
    return std::nullopt;
}

bool CodeEntryTextValid(const QString& text) {
    if (text.isEmpty() || text == QStringLiteral("x")) {
        return true;
    }
    if (text.front() == u'x') {
        return std::all_of(text.begin() + 1, text.end(), IsHex);
    }
    return std::all_of(text.begin(), text.end(), IsDecimal);
}

TFormUnicodeEnter::TFormUnicodeEnter(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), editCode_(new QLineEdit(this)),
      buttonOk_(new QPushButton(Captions().ok, this)),
      buttonCancel_(new QPushButton(Captions().cancel, this)) {
    setObjectName(QStringLiteral("FormUnicodeEnter"));
    editCode_->setObjectName(QStringLiteral("EditCode"));
    buttonOk_->setObjectName(QStringLiteral("ButtonOk"));
    buttonCancel_->setObjectName(QStringLiteral("ButtonCancel"));
    editCode_->setMaxLength(5);
    buttonOk_->setDefault(true);
    buttonOk_->setAutoDefault(true);
    buttonCancel_->setAutoDefault(false);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(editCode_);
    layout->addWidget(buttonOk_);
    layout->addWidget(buttonCancel_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    editCode_->installEventFilter(this);
    connect(editCode_, &QLineEdit::textChanged, this, &TFormUnicodeEnter::TextChanged);
    connect(buttonOk_, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttonCancel_, &QPushButton::clicked, this, &QDialog::reject);
    setFocusProxy(editCode_);
    FitField();
}

QString TFormUnicodeEnter::Code() const {
    return editCode_->text();
}

void TFormUnicodeEnter::Remember() {
    before_.text = editCode_->text();
    before_.cursor = editCode_->cursorPosition();
    before_.selectionStart = editCode_->selectionStart();
    before_.selectionLength = editCode_->selectedText().size();
}

bool TFormUnicodeEnter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != editCode_) {
        return QDialog::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::KeyPress: {
        Remember();
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        // Keys that type nothing (arrows, Delete, Enter, Escape, Ctrl+V, ...) go on; what
        // they change is checked when the text changes.
        if (text.isEmpty() || text[0].unicode() < 0x20 || text[0].unicode() == 0x7F ||
            (key->modifiers() & Qt::ControlModifier) != 0) {
            return false;
        }
        const std::optional<QChar> accepted =
            text.size() == 1 ? CodeEntryAccepts(text[0]) : std::optional<QChar>();
        if (!accepted) {
            QApplication::beep();
            return true;
        }
        if (*accepted == text[0]) {
            return false;
        }
        editCode_->insert(QString(*accepted));
        return true;
    }
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::Drop:
    case QEvent::MouseButtonPress:
        Remember();
        return false;
    default:
        return false;
    }
}

void TFormUnicodeEnter::TextChanged(const QString& text) {
    if (restoring_) {
        return;
    }
    if (CodeEntryTextValid(text)) {
        Remember();
        return;
    }
    restoring_ = true;
    editCode_->setText(before_.text);
    if (before_.selectionStart >= 0 && before_.selectionLength > 0) {
        const int start = before_.selectionStart;
        const int length = before_.selectionLength;
        if (before_.cursor == start) {
            editCode_->setSelection(start + length, -length); // the cursor at the left end
        } else {
            editCode_->setSelection(start, length);
        }
    } else {
        editCode_->setCursorPosition(before_.cursor);
    }
    restoring_ = false;
    QApplication::beep();
}

void TFormUnicodeEnter::FitField() {
    // Room for the longest code, "xFFFF" or five digits, in the current font.
    const QFontMetrics metrics(editCode_->font());
    editCode_->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("xFFFFF")) + 12);
}

void TFormUnicodeEnter::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        FitField();
    }
    QDialog::changeEvent(event);
}

void TFormUnicodeEnter::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    editCode_->setFocus();
}

// --- the replace confirmation and the code entry of an editor -----------------------------

QPoint ReplaceBoxPosition(QPoint caret, int lineHeight, QSize size, const QRect& available) {
    QPoint pos(caret.x() + 20, caret.y() + lineHeight);
    if (!available.isEmpty() && pos.y() + size.height() > available.bottom() + 1) {
        pos.setY(caret.y() - size.height());
    }
    return KeepOnScreen(pos, size, available);
}

TQtQuestions::TQtQuestions(QWidget* editor) : editor_(editor) {}

void TQtQuestions::SetReplaceResponder(
    std::function<TReplaceAnswer(std::u16string_view)> responder) {
    ReplaceResponder() = std::move(responder);
}

void TQtQuestions::SetCodeResponder(std::function<std::optional<std::u16string>()> responder) {
    CodeResponder() = std::move(responder);
}

TReplaceAnswer TQtQuestions::AskReplace(std::u16string_view text, int caretX, int caretY,
                                        int lineHeight) {
    if (const auto& responder = ReplaceResponder()) {
        return responder(text);
    }
    TuniMessageDialog box(editor_, QStringFromU16(text), TMsgDlgType::Confirmation,
                          TMsgDlgBtn::Yes | TMsgDlgBtn::No | TMsgDlgBtn::Cancel | TMsgDlgBtn::All);
    if (editor_ != nullptr) {
        const QPoint caret = editor_->mapToGlobal(QPoint(caretX, caretY));
        box.move(ReplaceBoxPosition(caret, lineHeight, box.size(), AvailableArea(editor_)));
    }
    box.exec();
    switch (box.Pressed()) {
    case TMsgDlgBtn::Yes:
        return TReplaceAnswer::Yes;
    case TMsgDlgBtn::No:
        return TReplaceAnswer::No;
    case TMsgDlgBtn::All:
        return TReplaceAnswer::All;
    default:
        return TReplaceAnswer::Cancel;
    }
}

std::optional<std::u16string> TQtQuestions::EnterCode(int x, int y, int fontSize) {
    if (const auto& responder = CodeResponder()) {
        return responder();
    }
    TFormUnicodeEnter form(editor_);
    if (editor_ != nullptr) {
        QFont font(editor_->font().family());
        if (fontSize > 0) {
            font.setPointSize(fontSize);
        }
        form.setFont(font);
    }
    form.EditCode()->clear();
    form.adjustSize();
    if (editor_ != nullptr) {
        const QPoint at = editor_->mapToGlobal(QPoint(x, y));
        form.move(KeepOnScreen(at, form.sizeHint(), AvailableArea(editor_)));
    }
    if (form.exec() != QDialog::Accepted || form.Code().isEmpty()) {
        return std::nullopt;
    }
    return U16FromQString(form.Code());
}
