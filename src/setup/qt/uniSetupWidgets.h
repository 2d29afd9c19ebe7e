// What both setup dialogs use: a colour swatch that can be clicked, and the colour dialog
// (which tests answer instead).
#pragma once

#include <QFrame>

#include <functional>
#include <optional>

#include "profile/uniProfile.h" // TColor

class QBoxLayout;
class QPushButton;
class QTabWidget;
class TUniLangTexts;

// A filled rectangle showing a colour; a left click asks for another one.
class TColorShape : public QFrame {
    Q_OBJECT
public:
    explicit TColorShape(QWidget* parent = nullptr);
    void SetColor(TColor color);
    TColor Color() const { return color_; }

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    TColor color_ = 0xFFFFFF;
};

// The box around one setting of the file-type setup: framed while the shown section has
// the setting of its own, plain while the setting comes from "*".
class TSettingBevel : public QFrame {
public:
    explicit TSettingBevel(QWidget* parent = nullptr);
    void SetOwn(bool own);
    bool Own() const { return own_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool own_ = false;
};

// The colour dialog starting at `initial`; nullopt when it is cancelled.
std::optional<TColor> ChooseSetupColor(QWidget* parent, TColor initial);
// Tests answer the colour dialog through this; null: the real dialog.
void SetSetupColorResponder(std::function<std::optional<TColor>(TColor initial)> responder);

// A text of section "Setup" as a Qt string.
QString SetupText(const TUniLangTexts& texts, const char* key);
// The OK and Cancel captions every dialog shares.
QString OkCaption();
QString CancelCaption();
// The row of OK (the default button) and Cancel at the right, added to `column`.
void AddOkCancelRow(QWidget* dialog, QBoxLayout* column, QPushButton*& ok, QPushButton*& cancel);
