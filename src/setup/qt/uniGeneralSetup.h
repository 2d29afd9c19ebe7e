// The general setup dialog: the program-wide fonts and colours, the gutter width, the
// save-geometry switch, and the colours and styles of the highlighter's scheme.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "setup/uniGeneralSetup.h"

class QCheckBox;
class QFontComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TColorShape;
class TUniLangTexts;

class TfrmGeneralSetup : public QDialog {
    Q_OBJECT
public:
    explicit TfrmGeneralSetup(QWidget* parent = nullptr);

    void ApplyTexts(const TUniLangTexts& texts);
    // Fills the controls and lists the entries of the scheme file. A scheme that cannot be
    // read leaves the Syntax page empty (and OK does not touch the file); its error text is
    // returned, empty when it was read.
    std::string Preset(const TGeneralSettings& settings, const std::string& schemePath);

    // The values as the controls show them.
    TGeneralSettings Settings() const;
    // The scheme's entries with the shown entry's changes kept.
    const std::vector<TSchemeEntry>& SchemeEntries() const { return entries_; }
    int SelectedEntry() const { return selected_; }

    QTabWidget& Pages() const { return *pages_; }
    QPushButton& ButtonOk() const { return *ok_; }
    QPushButton& ButtonCancel() const { return *cancel_; }

private:
    QWidget* MakeFontsPage();
    QWidget* MakeColorsPage();
    QWidget* MakeViewPage();
    QWidget* MakeSyntaxPage();
    void ButtonOkClick();
    void UpdateSamples();
    // Keeps the shown entry's controls in its entry.
    void KeepEntry();
    void ShowEntry(int index);
    void UpdateExample();
    void PickShapeColor(TColorShape* shape);

    std::vector<TSchemeEntry> entries_;
    std::string schemePath_; // empty: no scheme was read
    int selected_ = -1;
    bool filling_ = false;
    TGeneralSettings shown_;
    // The families the font lists showed for the preset names: a list left there keeps
    // the name as written ("Courier New" may show as a substitute).
    QString shownFixed_;
    QString shownProportional_;

    QTabWidget* pages_ = nullptr;
    QLabel* fixedLabel_ = nullptr;
    QFontComboBox* fixedFont_ = nullptr;
    QSpinBox* fixedSize_ = nullptr;
    QLabel* fixedSample_ = nullptr;
    QLabel* propLabel_ = nullptr;
    QFontComboBox* propFont_ = nullptr;
    QSpinBox* propSize_ = nullptr;
    QLabel* propSample_ = nullptr;
    struct TColorRow {
        QPushButton* button = nullptr;
        TColorShape* shape = nullptr;
    };
    TColorRow txt_, bkg_, hgl_, gutterF_, gutterF2_, gutterB_;
    QLabel* gutterLabel_ = nullptr;
    QSpinBox* gutterWidth_ = nullptr;
    QCheckBox* geometry_ = nullptr;
    QListWidget* list_ = nullptr;
    QCheckBox* fg_ = nullptr;
    TColorShape* fgShape_ = nullptr;
    QCheckBox* bg_ = nullptr;
    TColorShape* bgShape_ = nullptr;
    QCheckBox* bold_ = nullptr;
    QCheckBox* italic_ = nullptr;
    QCheckBox* underline_ = nullptr;
    QCheckBox* strikeout_ = nullptr;
    QLabel* example_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
