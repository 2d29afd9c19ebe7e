// The file-type setup dialog.
#include "setup/qt/uniFilesSetup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontComboBox>
#include <QFontInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/uniUtf8.h"
#include "lang/uniLang.h"
#include "platform/qt/qtConvert.h"
#include "setup/qt/uniSetupWidgets.h"
#include "widgets/uniMsgDlg.h"

namespace {

using K = TFilesKey;

int IntOf(const std::u16string& text, int def = 0) {
    return ParseIniInteger(text).value_or(def);
}

std::u16string Text(int value) {
    const std::string s = std::to_string(value);
    return std::u16string(s.begin(), s.end());
}

std::u16string Flag(bool on) {
    return on ? u"1" : u"0";
}

// Two lines of a memo; a missing second line is empty.
std::pair<std::u16string, std::u16string> MemoLines(const QPlainTextEdit& memo) {
    const QStringList lines = memo.toPlainText().split(QLatin1Char('\n'));
    return {U16FromQString(lines.value(0)), U16FromQString(lines.value(1))};
}

void ShowMemo(QPlainTextEdit& memo, const std::u16string& first, const std::u16string& second) {
    const QString text = QStringFromU16(first) + QLatin1Char('\n') + QStringFromU16(second);
    if (memo.toPlainText() != text) {
        memo.setPlainText(text);
    }
}

void ShowEdit(QLineEdit& edit, const std::u16string& value) {
    const QString text = QStringFromU16(value);
    if (edit.text() != text) {
        edit.setText(text);
    }
}

// Selects the item of that text (ignoring case), adding it when the list lacks it.
void ShowChoice(QComboBox& box, const std::u16string& value) {
    const QString text = QStringFromU16(value);
    int index = box.findText(text, Qt::MatchFixedString);
    if (index < 0) {
        box.addItem(text);
        index = box.count() - 1;
    }
    box.setCurrentIndex(index);
}

void FillCheckList(QListWidget& list, const std::vector<std::u16string>& names) {
    list.clear();
    for (const std::u16string& name : names) {
        auto* item =
            new QListWidgetItem(name.empty() ? QStringLiteral(" ") : QStringFromU16(name), &list);
        item->setData(Qt::UserRole, QStringFromU16(name));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void ShowCheckList(QListWidget& list, const std::u16string& value) {
    const std::vector<std::u16string> names = SplitGroupNames(value);
    for (int i = 0; i < list.count(); ++i) {
        QListWidgetItem* item = list.item(i);
        const QString name = item->data(Qt::UserRole).toString();
        bool on = false;
        for (const std::u16string& n : names) {
            on = on || QStringFromU16(n).compare(name, Qt::CaseInsensitive) == 0;
        }
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
}

std::u16string CheckedNames(const QListWidget& list) {
    std::vector<std::u16string> names;
    for (int i = 0; i < list.count(); ++i) {
        if (list.item(i)->checkState() == Qt::Checked) {
            names.push_back(U16FromQString(list.item(i)->data(Qt::UserRole).toString()));
        }
    }
    return JoinGroupNames(names);
}

QLabel* BuddyLabel(QWidget* parent, QWidget* buddy) {
    auto* label = new QLabel(parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TfrmFilesSetup::TfrmFilesSetup(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TfrmFilesSetup"));
    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    column->addLayout(row, 1);

    auto* left = new QVBoxLayout;
    sections_ = new QListWidget(this);
    sections_->setObjectName(QStringLiteral("ListSections"));
    sections_->setMinimumWidth(160);
    sections_->installEventFilter(this);
    left->addWidget(sections_, 1);
    editSection_ = new QLineEdit(this);
    editSection_->setObjectName(QStringLiteral("EditSection"));
    editSection_->installEventFilter(this);
    left->addWidget(editSection_);
    auto* sectionButtons = new QHBoxLayout;
    add_ = new QPushButton(this);
    add_->setObjectName(QStringLiteral("ButtonAdd"));
    add_->setAutoDefault(false);
    delete_ = new QPushButton(this);
    delete_->setObjectName(QStringLiteral("ButtonDelete"));
    delete_->setAutoDefault(false);
    sectionButtons->addWidget(add_);
    sectionButtons->addWidget(delete_);
    left->addLayout(sectionButtons);
    row->addLayout(left);

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    pages_->addTab(MakeFontPage(), QStringLiteral("Fonts"));
    pages_->addTab(MakeEditPage(), QStringLiteral("Edit"));
    pages_->addTab(MakeColorsPage(), QStringLiteral("Colors"));
    pages_->addTab(MakeCharsetsPage(), QStringLiteral("Charsets"));
    pages_->addTab(MakeKeyboardPage(), QStringLiteral("Keyboard"));
    pages_->addTab(MakeISpellPage(), QStringLiteral("ISpell"));
    row->addWidget(pages_, 1);

    AddOkCancelRow(this, column, ok_, cancel_);

    connect(sections_, &QListWidget::currentRowChanged, this, [this](int index) {
        selected_ = index;
        ShowSection();
    });
    connect(editSection_, &QLineEdit::returnPressed, this, [this] { AddClick(); });
    connect(add_, &QPushButton::clicked, this, [this] { AddClick(); });
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteClick(); });
    connect(ok_, &QPushButton::clicked, this, [this] { Save(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    setWindowTitle(QStringLiteral("Files setup"));
}

// --- building ------------------------------------------------------------------------------

QFrame* TfrmFilesSetup::AddSetting(std::vector<TFilesKey> keys, std::vector<QWidget*> widgets,
                                   std::function<void()> show) {
    auto* bevel = new TSettingBevel;
    bevel->setObjectName(QStringLiteral("Bevel") + QString::fromLatin1(FilesKeyName(keys[0])));
    const size_t index = settings_.size();
    for (QWidget* w : widgets) {
        owners_[w] = index;
        w->installEventFilter(this);
        for (QWidget* child : w->findChildren<QWidget*>()) {
            owners_[child] = index;
            child->installEventFilter(this);
        }
    }
    settings_.push_back({std::move(keys), bevel, std::move(widgets), std::move(show)});
    return bevel;
}

QWidget* TfrmFilesSetup::MakeFontPage() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);

    fontLabel_ = new QLabel(page);
    fixed_ = new QRadioButton(page);
    fixed_->setObjectName(QStringLiteral("RadioButtonFixed"));
    proportional_ = new QRadioButton(page);
    proportional_->setObjectName(QStringLiteral("RadioButtonProportional"));
    other_ = new QRadioButton(page);
    other_->setObjectName(QStringLiteral("RadioButtonOther"));
    fontBox_ = new QFontComboBox(page);
    fontBox_->setObjectName(QStringLiteral("EditorFontComboBox"));
    fontBox_->setEditable(false);
    QFrame* fontBevel =
        AddSetting({K::Font}, {fontLabel_, fixed_, proportional_, other_, fontBox_}, [this] {
            const std::u16string& v = Value(K::Font);
            const bool isFixed = v.empty() || v == u"0";
            const bool isProp = v == u"1";
            fixed_->setChecked(isFixed);
            proportional_->setChecked(isProp);
            other_->setChecked(!isFixed && !isProp);
            if (!isFixed && !isProp) {
                fontBox_->setCurrentFont(QFont(QStringFromU16(v)));
            }
            fontBox_->setEnabled(!isFixed && !isProp);
        });
    auto* fontGrid = new QGridLayout(fontBevel);
    fontGrid->addWidget(fontLabel_, 0, 0, 1, 2);
    fontGrid->addWidget(fixed_, 1, 0);
    fontGrid->addWidget(proportional_, 2, 0);
    fontGrid->addWidget(other_, 3, 0);
    fontGrid->addWidget(fontBox_, 3, 1);
    fontGrid->setColumnStretch(1, 1);
    column->addWidget(fontBevel);

    fontSize_ = new QSpinBox(page);
    fontSize_->setObjectName(QStringLiteral("RxSpinEditFontSize"));
    fontSize_->setRange(0, 200);
    fontSizeLabel_ = BuddyLabel(page, fontSize_);
    QFrame* sizeBevel = AddSetting({K::FontSize}, {fontSizeLabel_, fontSize_},
                                   [this] { fontSize_->setValue(IntOf(Value(K::FontSize))); });
    auto* sizeRow = new QHBoxLayout(sizeBevel);
    sizeRow->addWidget(fontSizeLabel_);
    sizeRow->addWidget(fontSize_);
    sizeRow->addStretch(1);
    column->addWidget(sizeBevel);

    exampleLabel_ = new QLabel(page);
    column->addWidget(exampleLabel_);
    auto* exampleRow = new QHBoxLayout;
    example_ = new QLabel(page);
    example_->setObjectName(QStringLiteral("Example"));
    example_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    example_->setMinimumHeight(60);
    info_ = new QLabel(page);
    info_->setObjectName(QStringLiteral("LabelInfo"));
    exampleRow->addWidget(example_, 1);
    exampleRow->addWidget(info_);
    column->addLayout(exampleRow);
    column->addStretch(1);

    connect(fixed_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            Store({{K::Font, u"0"}});
        }
    });
    connect(proportional_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            Store({{K::Font, u"1"}});
        }
    });
    connect(other_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            Store({{K::Font, U16FromQString(fontBox_->currentFont().family())}});
        }
    });
    connect(fontBox_, &QFontComboBox::currentFontChanged, this, [this](const QFont& font) {
        if (other_->isChecked()) {
            Store({{K::Font, U16FromQString(font.family())}});
        }
    });
    connect(fontSize_, &QSpinBox::valueChanged, this, [this](int v) {
        Store({{K::FontSize, Text(v)}});
    });
    return page;
}

QCheckBox* TfrmFilesSetup::AddCheckSetting(QWidget* page, QBoxLayout* column, const char* name,
                                           TFilesKey key) {
    auto* box = new QCheckBox(page);
    box->setObjectName(QString::fromLatin1(name));
    QFrame* bevel = AddSetting({key}, {box}, [this, box, key] { box->setChecked(Flag(key)); });
    (new QHBoxLayout(bevel))->addWidget(box);
    column->addWidget(bevel);
    connect(box, &QCheckBox::toggled, this, [this, key](bool on) { Store({{key, ::Flag(on)}}); });
    return box;
}

QWidget* TfrmFilesSetup::MakeEditPage() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);

    tabSize_ = new QSpinBox(page);
    tabSize_->setObjectName(QStringLiteral("SpinEditTabSize"));
    tabSize_->setRange(2, 32);
    tabLabel_ = BuddyLabel(page, tabSize_);
    QFrame* tabBevel = AddSetting({K::TabSize}, {tabLabel_, tabSize_},
                                  [this] { tabSize_->setValue(IntOf(Value(K::TabSize), 4)); });
    auto* tabRow = new QHBoxLayout(tabBevel);
    tabRow->addWidget(tabLabel_);
    tabRow->addWidget(tabSize_);
    tabRow->addStretch(1);
    column->addWidget(tabBevel);
    connect(tabSize_, &QSpinBox::valueChanged, this, [this](int v) {
        Store({{K::TabSize, Text(v)}});
    });

    const auto check = [&](QCheckBox*& box, const char* name, TFilesKey key) {
        box = AddCheckSetting(page, column, name, key);
    };
    check(backup_, "CheckBoxBackup", K::CreateBAK);
    check(wrap_, "CheckBoxWrap", K::Wrap);
    check(autoIndent_, "CheckBoxAutoIndent", K::AutoIndent);

    delimiters_ = new QLineEdit(page);
    delimiters_->setObjectName(QStringLiteral("EditDelimiters"));
    delimitersLabel_ = BuddyLabel(page, delimiters_);
    QFrame* delimBevel = AddSetting({K::Delimiters}, {delimitersLabel_, delimiters_},
                                    [this] { ShowEdit(*delimiters_, Value(K::Delimiters)); });
    auto* delimRow = new QHBoxLayout(delimBevel);
    delimRow->addWidget(delimitersLabel_);
    delimRow->addWidget(delimiters_, 1);
    column->addWidget(delimBevel);
    connect(delimiters_, &QLineEdit::textEdited, this, [this](const QString& t) {
        Store({{K::Delimiters, U16FromQString(t)}});
    });

    memoCase_ = new QPlainTextEdit(page);
    memoCase_->setObjectName(QStringLiteral("MemoCase"));
    memoCase_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoCase_->setFixedHeight(memoCase_->fontMetrics().lineSpacing() * 3 + 12);
    caseLabel_ = BuddyLabel(page, memoCase_);
    QFrame* caseBevel = AddSetting({K::UpperCase, K::LowerCase}, {caseLabel_, memoCase_}, [this] {
        ShowMemo(*memoCase_, Value(K::UpperCase), Value(K::LowerCase));
    });
    auto* caseColumn = new QVBoxLayout(caseBevel);
    caseColumn->addWidget(caseLabel_);
    caseColumn->addWidget(memoCase_);
    column->addWidget(caseBevel);
    connect(memoCase_, &QPlainTextEdit::textChanged, this, [this] {
        auto [upper, lower] = MemoLines(*memoCase_);
        Store({{K::UpperCase, std::move(upper)}, {K::LowerCase, std::move(lower)}});
    });
    column->addStretch(1);
    return page;
}

QWidget* TfrmFilesSetup::MakeColorsPage() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    const auto check = [&](QCheckBox*& box, const char* name, TFilesKey key) {
        box = AddCheckSetting(page, column, name, key);
    };
    check(hLine_, "CheckBoxHLine", K::HighlightLine);
    check(hColumn_, "CheckBoxHColumn", K::HighlightColumn);

    hCtrl_ = new QCheckBox(QStringLiteral("Ctrl"), page);
    hCtrl_->setObjectName(QStringLiteral("CheckBoxHCtrl"));
    hShift_ = new QCheckBox(QStringLiteral("Shift"), page);
    hShift_->setObjectName(QStringLiteral("CheckBoxHShift"));
    QFrame* modeBevel = AddSetting({K::HighlightMode}, {hCtrl_, hShift_}, [this] {
        const int mode = IntOf(Value(K::HighlightMode));
        hCtrl_->setChecked((mode & 1) != 0);
        hShift_->setChecked((mode & 2) != 0);
    });
    auto* modeRow = new QHBoxLayout(modeBevel);
    modeRow->addWidget(hCtrl_);
    modeRow->addWidget(hShift_);
    modeRow->addStretch(1);
    column->addWidget(modeBevel);
    const auto storeMode = [this] {
        Store({{K::HighlightMode,
                Text((hCtrl_->isChecked() ? 1 : 0) | (hShift_->isChecked() ? 2 : 0))}});
    };
    connect(hCtrl_, &QCheckBox::toggled, this, storeMode);
    connect(hShift_, &QCheckBox::toggled, this, storeMode);

    check(colorer_, "CheckBoxColorer", K::UseColorer);

    back_ = new QSpinBox(page);
    back_->setObjectName(QStringLiteral("SpinEditBack"));
    back_->setRange(0, 10000);
    backLabel_ = BuddyLabel(page, back_);
    QFrame* backBevel = AddSetting({K::BackLines}, {backLabel_, back_},
                                   [this] { back_->setValue(IntOf(Value(K::BackLines))); });
    auto* backRow = new QHBoxLayout(backBevel);
    backRow->addWidget(backLabel_);
    backRow->addWidget(back_);
    backRow->addStretch(1);
    column->addWidget(backBevel);
    connect(back_, &QSpinBox::valueChanged, this, [this](int v) {
        Store({{K::BackLines, Text(v)}});
    });
    column->addStretch(1);
    return page;
}

QWidget* TfrmFilesSetup::MakeCharsetsPage() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    autodetect_ = new QCheckBox(page);
    autodetect_->setObjectName(QStringLiteral("CheckBoxAutodetect"));
    QFrame* detectBevel = AddSetting({K::AutoDetect}, {autodetect_},
                                     [this] { autodetect_->setChecked(Flag(K::AutoDetect)); });
    (new QHBoxLayout(detectBevel))->addWidget(autodetect_);
    column->addWidget(detectBevel);
    connect(autodetect_, &QCheckBox::toggled, this, [this](bool on) {
        Store({{K::AutoDetect, ::Flag(on)}});
    });

    const auto list = [&](QComboBox*& box, QLabel*& label, const char* name, TFilesKey key,
                          std::function<void()> show) {
        box = new QComboBox(page);
        box->setObjectName(QString::fromLatin1(name));
        box->setEditable(false);
        box->setMinimumContentsLength(14);
        label = BuddyLabel(page, box);
        QFrame* bevel = AddSetting({key}, {label, box}, std::move(show));
        auto* grid = new QVBoxLayout(bevel);
        grid->addWidget(label);
        grid->addWidget(box);
        column->addWidget(bevel);
        connect(box, &QComboBox::activated, this, [this, key, b = box](int) {
            Store({{key, U16FromQString(b->currentText())}});
        });
    };
    list(charset_, charsetLabel_, "ComboBoxCharset", K::Charset,
         [this] { ShowChoice(*charset_, Value(K::Charset)); });
    list(surrogate_, surrogateLabel_, "ComboBoxSurrogate", K::Surrogate,
         [this] { ShowChoice(*surrogate_, Value(K::Surrogate)); });
    list(uniRepr_, uniReprLabel_, "ComboBoxUniRepr", K::UniRepr, [this] {
        const int index = UniReprFromText(EncodeUtf8(Value(K::UniRepr)));
        uniRepr_->setCurrentIndex(index < uniRepr_->count() ? index : 0);
    });
    column->addStretch(1);
    return page;
}

QWidget* TfrmFilesSetup::MakeKeyboardPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    const auto checkList = [&](QListWidget*& list, QLabel*& label, const char* name, TFilesKey key,
                               int col) {
        list = new QListWidget(page);
        list->setObjectName(QString::fromLatin1(name));
        label = BuddyLabel(page, list);
        QListWidget* l = list;
        QFrame* bevel =
            AddSetting({key}, {label, list}, [this, l, key] { ShowCheckList(*l, Value(key)); });
        auto* inner = new QVBoxLayout(bevel);
        inner->addWidget(label);
        inner->addWidget(list, 1);
        grid->addWidget(bevel, 0, col);
        connect(list, &QListWidget::itemChanged, this, [this, l, key] {
            Store({{key, CheckedNames(*l)}});
        });
    };
    checkList(subst_, substLabel_, "RxCheckListBoxSubst", K::Subst, 0);
    checkList(keys_, keysLabel_, "RxCheckListBoxKeys", K::Keys, 1);

    memoKbd_ = new QPlainTextEdit(page);
    memoKbd_->setObjectName(QStringLiteral("MemoKbd"));
    memoKbd_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoKbd_->setFixedHeight(memoKbd_->fontMetrics().lineSpacing() * 3 + 12);
    kbdLabel_ = BuddyLabel(page, memoKbd_);
    QFrame* kbdBevel = AddSetting({K::Kbd1, K::Kbd2}, {kbdLabel_, memoKbd_},
                                  [this] { ShowMemo(*memoKbd_, Value(K::Kbd1), Value(K::Kbd2)); });
    auto* kbdColumn = new QVBoxLayout(kbdBevel);
    kbdColumn->addWidget(kbdLabel_);
    kbdColumn->addWidget(memoKbd_);
    grid->addWidget(kbdBevel, 1, 0, 1, 2);
    connect(memoKbd_, &QPlainTextEdit::textChanged, this, [this] {
        auto [first, second] = MemoLines(*memoKbd_);
        Store({{K::Kbd1, std::move(first)}, {K::Kbd2, std::move(second)}});
    });
    grid->setRowStretch(0, 1);
    return page;
}

QWidget* TfrmFilesSetup::MakeISpellPage() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    ignoreLabel_ = new QLabel(page);
    column->addWidget(ignoreLabel_);
    auto* pairs = new QGridLayout;
    const TFilesKey keys[4] = {K::ISpellIgnoreBeg0, K::ISpellIgnoreEnd0, K::ISpellIgnoreBeg1,
                               K::ISpellIgnoreEnd1};
    const char* names[4] = {"EditIgnoreBeg0", "EditIgnoreEnd0", "EditIgnoreBeg1", "EditIgnoreEnd1"};
    for (int i = 0; i < 4; ++i) {
        QLineEdit* edit = ignore_[i] = new QLineEdit(page);
        edit->setObjectName(QString::fromLatin1(names[i]));
        const TFilesKey key = keys[i];
        QFrame* bevel =
            AddSetting({key}, {edit}, [this, edit, key] { ShowEdit(*edit, Value(key)); });
        (new QHBoxLayout(bevel))->addWidget(edit);
        pairs->addWidget(bevel, i / 2, i % 2);
        connect(edit, &QLineEdit::textEdited, this, [this, key](const QString& t) {
            Store({{key, U16FromQString(t)}});
        });
    }
    column->addLayout(pairs);

    ispell_ = new QComboBox(page);
    ispell_->setObjectName(QStringLiteral("ComboBoxISpell"));
    ispell_->setEditable(false);
    ispellLabel_ = BuddyLabel(page, ispell_);
    QFrame* bevel = AddSetting({K::ISpellLanguage}, {ispellLabel_, ispell_},
                               [this] { ShowChoice(*ispell_, Value(K::ISpellLanguage)); });
    auto* inner = new QVBoxLayout(bevel);
    inner->addWidget(ispellLabel_);
    inner->addWidget(ispell_);
    column->addWidget(bevel);
    connect(ispell_, &QComboBox::activated, this, [this](int) {
        Store({{K::ISpellLanguage, U16FromQString(ispell_->currentText())}});
    });
    column->addStretch(1);
    return page;
}

// --- texts and filling ---------------------------------------------------------------------

void TfrmFilesSetup::ApplyTexts(const TUniLangTexts& texts) {
    setWindowTitle(SetupText(texts, "FilesSetupTitle"));
    const char* pages[] = {"Fonts", "Edit", "Colors", "Charsets", "Keyboard", "ISpell"};
    for (int i = 0; i < 6; ++i) {
        const QString caption = SetupText(texts, pages[i]);
        pages_->setTabText(i, caption.isEmpty() ? QStringLiteral(" ") : caption);
    }
    add_->setText(SetupText(texts, "Add"));
    delete_->setText(SetupText(texts, "Delete"));
    fontLabel_->setText(SetupText(texts, "EditFont"));
    fixed_->setText(SetupText(texts, "Fixed"));
    proportional_->setText(SetupText(texts, "Proportional"));
    other_->setText(SetupText(texts, "Other"));
    fontSizeLabel_->setText(SetupText(texts, "EditFontSize"));
    exampleLabel_->setText(SetupText(texts, "Example"));
    example_->setText(SetupText(texts, "ExampleText"));
    fixedInfo_ = SetupText(texts, "FixedInfo");
    proportionalInfo_ = SetupText(texts, "ProportionalInfo");
    tabLabel_->setText(SetupText(texts, "TabSize"));
    backup_->setText(SetupText(texts, "CreateBackup"));
    wrap_->setText(SetupText(texts, "WordWrap"));
    autoIndent_->setText(SetupText(texts, "AutoIndent"));
    delimitersLabel_->setText(SetupText(texts, "Delimiters"));
    caseLabel_->setText(SetupText(texts, "UpperLower"));
    hLine_->setText(SetupText(texts, "HighlightLine"));
    hColumn_->setText(SetupText(texts, "HighlightColumn"));
    colorer_->setText(SetupText(texts, "SyntaxHighlight"));
    backLabel_->setText(SetupText(texts, "BackLines"));
    autodetect_->setText(SetupText(texts, "Autodetect"));
    charsetLabel_->setText(SetupText(texts, "Charset"));
    surrogateLabel_->setText(SetupText(texts, "Surrogate"));
    uniReprLabel_->setText(SetupText(texts, "UniRepr"));
    substLabel_->setText(SetupText(texts, "Subst"));
    keysLabel_->setText(SetupText(texts, "Macros"));
    kbdLabel_->setText(SetupText(texts, "Kbd"));
    ignoreLabel_->setText(SetupText(texts, "ISpellIgnore"));
    ispellLabel_->setText(SetupText(texts, "ISpellLanguage"));
    deleteMsg_ = SetupText(texts, "DeleteSectionMsg");
    ok_->setText(OkCaption());
    cancel_->setText(CancelCaption());
    ShowFontExample();
}

void TfrmFilesSetup::Preset(const std::string& programFolder, const TCommonSettings& common) {
    common_ = common;
    filesIni_ = TConfigFolder(programFolder).FilesIni();
    model_.Load(TIniFile(filesIni_));
    choices_ = ReadFilesSetupChoices(programFolder);
    FillChoices();
    filling_ = true;
    sections_->clear();
    for (const TFilesSection& s : model_.Sections()) {
        sections_->addItem(QStringFromU16(s.name));
    }
    filling_ = false;
    editSection_->clear();
    sections_->setCurrentRow(0); // shows it
    selected_ = sections_->currentRow();
    ShowSection();
}

void TfrmFilesSetup::FillChoices() {
    filling_ = true;
    const auto fill = [](QComboBox& box, const std::vector<std::u16string>& items) {
        box.clear();
        for (const std::u16string& item : items) {
            box.addItem(QStringFromU16(item));
        }
    };
    fill(*charset_, choices_.charsets);
    fill(*surrogate_, choices_.surrogates);
    fill(*uniRepr_, choices_.uniReprs);
    fill(*ispell_, choices_.spellLanguages);
    FillCheckList(*subst_, choices_.substGroups);
    FillCheckList(*keys_, choices_.keyGroups);
    filling_ = false;
}

// --- showing and editing -------------------------------------------------------------------

const std::u16string& TfrmFilesSetup::Value(TFilesKey key) const {
    return model_.Value(selected_, key);
}

bool TfrmFilesSetup::Flag(TFilesKey key) const {
    return IntOf(Value(key)) != 0;
}

bool TfrmFilesSetup::BevelOwn(const QFrame& bevel) {
    const auto* own = dynamic_cast<const TSettingBevel*>(&bevel);
    return own != nullptr && own->Own();
}

QFrame* TfrmFilesSetup::Bevel(TFilesKey key) const {
    for (const TSettingView& s : settings_) {
        if (s.keys.front() == key) {
            return s.bevel;
        }
    }
    return nullptr;
}

void TfrmFilesSetup::ShowSection() {
    if (filling_ || selected_ < 0 || selected_ >= model_.Count()) {
        return;
    }
    filling_ = true;
    for (TSettingView& s : settings_) {
        s.show();
        bool own = false;
        for (TFilesKey key : s.keys) {
            own = own || model_.Own(selected_, key);
        }
        s.bevel->SetOwn(own);
    }
    delete_->setEnabled(selected_ != model_.StarIndex());
    filling_ = false;
    ShowFontExample();
}

void TfrmFilesSetup::ShowFontExample() {
    if (selected_ < 0 || selected_ >= model_.Count()) {
        return;
    }
    const std::u16string& font = Value(K::Font);
    QString name;
    int size = common_.editFontSize;
    if (font.empty() || font == u"0") {
        name = QStringFromU16(common_.editFont);
    } else if (font == u"1") {
        name = QStringFromU16(common_.interfaceFont);
        size = common_.interfaceFontSize;
    } else {
        name = QStringFromU16(font);
    }
    if (const int own = IntOf(Value(K::FontSize)); own > 0) {
        size = own;
    }
    QFont f(name);
    f.setPointSize(std::max(size, 1));
    example_->setFont(f);
    info_->setText(QFontInfo(f).fixedPitch() ? fixedInfo_ : proportionalInfo_);
}

void TfrmFilesSetup::Store(std::vector<std::pair<TFilesKey, std::u16string>> values) {
    if (filling_ || selected_ < 0) {
        return;
    }
    for (auto& [key, value] : values) {
        model_.Set(selected_, key, std::move(value));
    }
    ShowSection();
}

void TfrmFilesSetup::Revert(size_t setting) {
    if (selected_ < 0 || setting >= settings_.size()) {
        return;
    }
    for (TFilesKey key : settings_[setting].keys) {
        model_.Revert(selected_, key);
    }
    ShowSection();
}

bool TfrmFilesSetup::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == sections_ && type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete) {
            DeleteClick();
            return true;
        }
        if (key == Qt::Key_Insert) {
            editSection_->setFocus();
            return true;
        }
    }
    if (watched == editSection_ && (type == QEvent::FocusIn || type == QEvent::FocusOut)) {
        // "Add" is the default button while a name is typed.
        const bool typing = type == QEvent::FocusIn;
        add_->setDefault(typing);
        ok_->setDefault(!typing);
    }
    if (const auto owner = owners_.find(watched); owner != owners_.end()) {
        if (type == QEvent::MouseButtonPress) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::RightButton) {
                Revert(owner->second);
                return true;
            }
            if (auto* label = qobject_cast<QLabel*>(watched); label != nullptr &&
                                                              label->buddy() != nullptr &&
                                                              mouse->button() == Qt::LeftButton) {
                label->buddy()->setFocus(Qt::MouseFocusReason);
            }
        } else if (type == QEvent::ContextMenu) {
            return true; // the right button reverts instead
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- sections and OK -----------------------------------------------------------------------

void TfrmFilesSetup::AddClick() {
    const QString name = editSection_->text().trimmed();
    if (name.isEmpty()) {
        return;
    }
    const int before = model_.Count();
    const int index = model_.AddSection(U16FromQString(name));
    if (index < 0) {
        return;
    }
    if (model_.Count() > before) {
        sections_->addItem(QStringFromU16(model_.Sections()[static_cast<size_t>(index)].name));
    }
    editSection_->clear();
    sections_->setCurrentRow(index);
    sections_->setFocus();
}

void TfrmFilesSetup::DeleteClick() {
    const int index = selected_;
    if (index < 0) {
        return;
    }
    if (UniMessageDlg(this, deleteMsg_, TMsgDlgType::Confirmation,
                      TMsgDlgBtn::Yes | TMsgDlgBtn::No) != TMsgDlgBtn::Yes) {
        return;
    }
    if (!model_.DeleteSection(index)) {
        return; // "*" stays
    }
    filling_ = true;
    delete sections_->takeItem(index);
    filling_ = false;
    sections_->setCurrentRow(std::min(index, model_.Count() - 1));
    selected_ = sections_->currentRow();
    ShowSection();
}

void TfrmFilesSetup::Save() {
    TIniFile ini(filesIni_);
    if (const TWriteResult written = model_.Save(ini); !written.ok) {
        UniMessageDlg(this, QStringFromUtf8(written.error), TMsgDlgType::Error, TMsgDlgBtn::OK);
        return;
    }
    accept();
}
