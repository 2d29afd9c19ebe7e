// The file properties dialog: how the active document is decoded and encoded (charset,
// surrogate table, Unicode representation, line separator) and its syntax.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include "text/uniStringList.h"

class QComboBox;
class QLabel;
class QPushButton;

struct TPropertiesCaptions {
    QString title = QStringLiteral("File properties");
    QString charset = QStringLiteral("C&harset");
    QString surrogate = QStringLiteral("&Surrogate");
    QString uniRepr = QStringLiteral("&Unicode representation");
    QString eol = QStringLiteral("&Line separator");
    QString syntax = QStringLiteral("S&yntax");
    QString ok = QStringLiteral("OK");
    QString cancel = QStringLiteral("Cancel");
};

// The list index of a separator ("CR LF", "CR", "LF", "\u2028") and back.
int SeparatorIndex(TLineSeparator separator);
TLineSeparator SeparatorAt(int index);

// The lists ComboBoxCharset, ComboBoxSurrogate, ComboBoxUniRepr, ComboBoxLS and
// ComboBoxSyntax. Each is filled when the dialog is shown and only while it is empty;
// then it selects the preset value. Every change of a list updates its value at once.
class TFormProperties : public QDialog {
    Q_OBJECT
public:
    explicit TFormProperties(QWidget* parent = nullptr);

    // The document's values; `encodingFixed` (a modified document with a file name)
    // disables the charset, surrogate and representation lists.
    void Preset(const QString& charset, const QString& surrogate, int uniRepr,
                TLineSeparator separator, bool encodingFixed);
    // The highlighter's type titles and the document's (-1: none); an empty list: the
    // document has no highlighter, and the syntax list is disabled.
    void PresetSyntax(const QStringList& titles, int current);
    void SetConfiguredNames(const QStringList& charsets, const QStringList& surrogates);
    void SetCaptions(const TPropertiesCaptions& captions);

    QString Charset() const { return charset_; }
    QString Surrogate() const { return surrogate_; }
    int UniRepr() const { return uniRepr_; }
    int LineSeparator() const { return separator_; }
    // The syntax chosen (empty without a highlighter).
    QString Syntax() const { return syntax_; }

    // Fills the empty lists and selects the preset values (what showing does).
    void PrepareLists();

    QComboBox& CharsetList() const { return *charsetList_; }
    QComboBox& SurrogateList() const { return *surrogateList_; }
    QComboBox& UniReprList() const { return *uniReprList_; }
    QComboBox& SeparatorList() const { return *separatorList_; }
    QComboBox& SyntaxList() const { return *syntaxList_; }
    QPushButton& ButtonOk() const { return *ok_; }
    QPushButton& ButtonCancel() const { return *cancel_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QComboBox* AddList(int row, const char* objectName, QLabel*& label);

    QString charset_;
    QString surrogate_;
    int uniRepr_ = 0;
    int separator_ = 2;
    bool encodingFixed_ = false;
    QStringList syntaxTitles_;
    QString syntax_;
    QStringList configuredCharsets_;
    QStringList configuredSurrogates_;

    QLabel* charsetLabel_ = nullptr;
    QLabel* surrogateLabel_ = nullptr;
    QLabel* uniReprLabel_ = nullptr;
    QLabel* separatorLabel_ = nullptr;
    QLabel* syntaxLabel_ = nullptr;
    QComboBox* charsetList_;
    QComboBox* surrogateList_;
    QComboBox* uniReprList_;
    QComboBox* separatorList_;
    QComboBox* syntaxList_;
    QPushButton* ok_;
    QPushButton* cancel_;
};
