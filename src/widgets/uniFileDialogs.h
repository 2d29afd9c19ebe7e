// The open and save dialogs: the toolkit's own file dialog with the choice of how the
// file is decoded or encoded (charset, surrogate table, Unicode representation, and on
// saving the line separator).
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QGridLayout;
class QLabel;

// The texts the interface language gives the dialogs; an empty text keeps the file
// dialog's own.
struct TFileDialogCaptions {
    QString charset = QStringLiteral("C&harset");
    QString surrogate = QStringLiteral("&Surrogate");
    QString uniRepr = QStringLiteral("&Unicode representation");
    QString eol = QStringLiteral("&Line separator");
    QString folder;
    QString fileName;
    QString filter;
    QString accept; // the OK button
    QString cancel;
    QString title;
};

// The charset names the list begins with; the configured table charsets follow them.
const QStringList& BuiltinCharsetNames();
// "-", "&#DDDD;", "\uXXXX": the representations by index.
const QStringList& UniReprNames();
// "CR LF", "CR", "LF", "\u2028": the line separators by index.
const QStringList& SeparatorNames();

// The last item of `list` whose text equals `name`, ignoring case; item 0 when none.
int LastMatchingItem(const QComboBox& list, const QString& name);
// Gives `label` the text, unless the text is empty (the label keeps its own).
void SetCaption(QLabel* label, const QString& text);

// The lists FCharSet, FSurrogate and FUniRepr below the file dialog's own controls. They
// are filled when the dialog is shown, each only while it is still empty; then each
// selects the preset value. On closing, OK or Cancel alike, the values are read back
// from the lists: the caller decides by the result whether to use them.
class TuniOpenDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit TuniOpenDialog(QWidget* parent = nullptr);

    QString CharSet() const { return charSet_; }
    void SetCharSet(const QString& name) { charSet_ = name; }
    QString Surrogate() const { return surrogate_; }
    void SetSurrogate(const QString& name) { surrogate_ = name; }
    int UniRepr() const { return uniRepr_; }
    void SetUniRepr(int index) { uniRepr_ = index; }

    // The configured table charsets and surrogate tables, in their order; read when the
    // lists are filled.
    void SetConfiguredNames(const QStringList& charsets, const QStringList& surrogates);
    void SetCaptions(const TFileDialogCaptions& captions);

    QComboBox& CharSetList() const { return *charSetList_; }
    QComboBox& SurrogateList() const { return *surrogateList_; }
    QComboBox& UniReprList() const { return *uniReprList_; }

    // Fills the empty lists and selects the values (what showing the dialog does).
    void PrepareLists();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    virtual void FillOwnLists() {}
    virtual void ReadOwnLists() {}
    // A list and its label in the added grid, at `row` and the pair of columns `pair`.
    QComboBox* AddList(int row, int pair, const char* objectName, QLabel*& label);

private:
    QString charSet_ = QStringLiteral("Default");
    QString surrogate_ = QStringLiteral("-");
    int uniRepr_ = 0;
    QStringList configuredCharsets_;
    QStringList configuredSurrogates_;
    QGridLayout* grid_ = nullptr;
    QLabel* charSetLabel_ = nullptr;
    QLabel* surrogateLabel_ = nullptr;
    QLabel* uniReprLabel_ = nullptr;
    QComboBox* charSetList_;
    QComboBox* surrogateList_;
    QComboBox* uniReprList_;

protected:
    QLabel* eolLabel_ = nullptr;
};

// The save dialog adds FEOL, the line separator.
class TuniSaveDialog : public TuniOpenDialog {
    Q_OBJECT
public:
    explicit TuniSaveDialog(QWidget* parent = nullptr);

    int EOL() const { return eol_; }
    void SetEOL(int index) { eol_ = index; }
    QComboBox& EOLList() const { return *eolList_; }

protected:
    void FillOwnLists() override;
    void ReadOwnLists() override;

private:
    int eol_ = 2;
    QComboBox* eolList_;
};
