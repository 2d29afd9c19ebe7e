// The file-type setup dialog: the sections of Ini/files.ini, each setting shown with
// whether the section has it of its own (a framed bevel) or takes it from "*" (a plain
// one). A change makes the setting the section's own; a right click on it or its label
// gives it back to "*".
#pragma once

#include <QDialog>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "profile/uniProfile.h"
#include "setup/uniFilesSetup.h"

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QFontComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class TSettingBevel;
class TUniLangTexts;

class TfrmFilesSetup : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFilesSetup(QWidget* parent = nullptr);

    void ApplyTexts(const TUniLangTexts& texts);
    // Reads the sections of the file and the lists' choices; `common` gives the fonts
    // "fixed" and "proportional" stand for.
    void Preset(const std::string& programFolder, const TCommonSettings& common);

    const TFilesSetupModel& Model() const { return model_; }
    // The section shown (its index in the model).
    int Selected() const { return selected_; }
    // The bevel around a setting's controls, by the setting's first key.
    QFrame* Bevel(TFilesKey key) const;
    // Whether a bevel is drawn as the section's own.
    static bool BevelOwn(const QFrame& bevel);

    QListWidget& ListSections() const { return *sections_; }
    QLineEdit& EditSection() const { return *editSection_; }
    QTabWidget& Pages() const { return *pages_; }
    QPushButton& ButtonAdd() const { return *add_; }
    QPushButton& ButtonDelete() const { return *delete_; }
    QPushButton& ButtonOk() const { return *ok_; }
    QPushButton& ButtonCancel() const { return *cancel_; }

    void AddClick();
    void DeleteClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One bevel: the keys its controls edit, the widgets a right click reverts it on,
    // and how its controls show the section's values.
    struct TSettingView {
        std::vector<TFilesKey> keys;
        TSettingBevel* bevel = nullptr;
        std::vector<QWidget*> widgets;
        std::function<void()> show;
    };

    QWidget* MakeFontPage();
    QWidget* MakeEditPage();
    QWidget* MakeColorsPage();
    QWidget* MakeCharsetsPage();
    QWidget* MakeKeyboardPage();
    QWidget* MakeISpellPage();
    // A bevel with `controls` in it (laid out by `layout`), registered for `keys`.
    QFrame* AddSetting(std::vector<TFilesKey> keys, std::vector<QWidget*> widgets,
                       std::function<void()> show);
    // A check box for the flag `key` in its own bevel, added to `column`.
    QCheckBox* AddCheckSetting(QWidget* page, QBoxLayout* column, const char* name, TFilesKey key);
    // Stores values as the section's own, then shows the section again.
    void Store(std::vector<std::pair<TFilesKey, std::u16string>> values);
    void Revert(size_t setting);
    void ShowSection();
    void ShowFontExample();
    void FillChoices();
    const std::u16string& Value(TFilesKey key) const;
    bool Flag(TFilesKey key) const;
    void Save();

    TFilesSetupModel model_;
    TFilesSetupChoices choices_;
    TCommonSettings common_;
    std::string filesIni_;
    int selected_ = -1;
    bool filling_ = false;
    std::vector<TSettingView> settings_;
    std::map<QObject*, size_t> owners_; // widget -> its setting
    QString deleteMsg_ = QStringLiteral("Delete this section?");

    QListWidget* sections_ = nullptr;
    QLineEdit* editSection_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* delete_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;

    // Font
    QLabel* fontLabel_ = nullptr;
    QRadioButton* fixed_ = nullptr;
    QRadioButton* proportional_ = nullptr;
    QRadioButton* other_ = nullptr;
    QFontComboBox* fontBox_ = nullptr;
    QLabel* fontSizeLabel_ = nullptr;
    QSpinBox* fontSize_ = nullptr;
    QLabel* exampleLabel_ = nullptr;
    QLabel* example_ = nullptr;
    QLabel* info_ = nullptr;
    QString fixedInfo_;
    QString proportionalInfo_;
    // Edit
    QLabel* tabLabel_ = nullptr;
    QSpinBox* tabSize_ = nullptr;
    QCheckBox* backup_ = nullptr;
    QCheckBox* wrap_ = nullptr;
    QCheckBox* autoIndent_ = nullptr;
    QLabel* delimitersLabel_ = nullptr;
    QLineEdit* delimiters_ = nullptr;
    QLabel* caseLabel_ = nullptr;
    QPlainTextEdit* memoCase_ = nullptr;
    // Colors
    QCheckBox* hLine_ = nullptr;
    QCheckBox* hColumn_ = nullptr;
    QCheckBox* hCtrl_ = nullptr;
    QCheckBox* hShift_ = nullptr;
    QCheckBox* colorer_ = nullptr;
    QLabel* backLabel_ = nullptr;
    QSpinBox* back_ = nullptr;
    // Charsets
    QCheckBox* autodetect_ = nullptr;
    QLabel* charsetLabel_ = nullptr;
    QComboBox* charset_ = nullptr;
    QLabel* surrogateLabel_ = nullptr;
    QComboBox* surrogate_ = nullptr;
    QLabel* uniReprLabel_ = nullptr;
    QComboBox* uniRepr_ = nullptr;
    // Keyboard
    QLabel* substLabel_ = nullptr;
    QListWidget* subst_ = nullptr;
    QLabel* keysLabel_ = nullptr;
    QListWidget* keys_ = nullptr;
    QLabel* kbdLabel_ = nullptr;
    QPlainTextEdit* memoKbd_ = nullptr;
    // ISpell
    QLabel* ignoreLabel_ = nullptr;
    QLineEdit* ignore_[4] = {};
    QLabel* ispellLabel_ = nullptr;
    QComboBox* ispell_ = nullptr;
};
