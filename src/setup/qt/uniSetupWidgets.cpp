// The colour swatch and the colour dialog of the setup dialogs.
#include "setup/qt/uniSetupWidgets.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QPushButton>

#include "lang/uniLang.h"
#include "platform/qt/qtConvert.h"
#include "widgets/uniMsgDlg.h"

namespace {

std::function<std::optional<TColor>(TColor)>& ColorResponder() {
    static std::function<std::optional<TColor>(TColor)> responder;
    return responder;
}

} // namespace

TColorShape::TColorShape(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMinimumSize(48, 20);
    setCursor(Qt::PointingHandCursor);
}

void TColorShape::SetColor(TColor color) {
    color_ = color;
    update();
}

void TColorShape::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Q_EMIT clicked();
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

void TColorShape::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.fillRect(contentsRect(), QColorFromColor(color_));
    }
    QFrame::paintEvent(event);
}

TSettingBevel::TSettingBevel(QWidget* parent) : QFrame(parent) {
    setContentsMargins(3, 3, 3, 3);
}

void TSettingBevel::SetOwn(bool own) {
    if (own != own_) {
        own_ = own;
        update();
    }
}

void TSettingBevel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (own_) {
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
}

std::optional<TColor> ChooseSetupColor(QWidget* parent, TColor initial) {
    if (ColorResponder()) {
        return ColorResponder()(initial);
    }
    const QColor chosen = QColorDialog::getColor(QColorFromColor(initial), parent);
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return ColorFromQColor(chosen);
}

void SetSetupColorResponder(std::function<std::optional<TColor>(TColor initial)> responder) {
    ColorResponder() = std::move(responder);
}

QString SetupText(const TUniLangTexts& texts, const char* key) {
    return QStringFromU16(texts.Text("Setup", key));
}

QString OkCaption() {
    return DialogCaptions().ok;
}

QString CancelCaption() {
    return DialogCaptions().cancel;
}

void AddOkCancelRow(QWidget* dialog, QBoxLayout* column, QPushButton*& ok, QPushButton*& cancel) {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    ok = new QPushButton(OkCaption(), dialog);
    ok->setObjectName(QStringLiteral("ButtonOk"));
    ok->setDefault(true);
    cancel = new QPushButton(CancelCaption(), dialog);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    cancel->setAutoDefault(false);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    column->addLayout(buttons);
}
