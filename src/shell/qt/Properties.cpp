// The file properties dialog.
#include "shell/qt/Properties.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/uniFileDialogs.h"

int SeparatorIndex(TLineSeparator separator) {
    switch (separator) {
    case lsCRLF:
        return 0;
    case lsCR:
        return 1;
    case lsLS:
        return 3;
    case lsLF:
    case lsDocument:
        break;
    }
    return 2;
}

TLineSeparator SeparatorAt(int index) {
    switch (index) {
    case 0:
        return lsCRLF;
    case 1:
        return lsCR;
    case 3:
        return lsLS;
    default:
        return lsLF;
    }
}

TFormProperties::TFormProperties(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormProperties"));
    auto* column = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    column->addLayout(grid);
    const auto add = [&](int row, const char* name, QLabel*& label) {
        auto* list = new QComboBox(this);
        list->setObjectName(QString::fromLatin1(name));
        list->setEditable(false);
        list->setMaxVisibleItems(16);
        list->setMinimumContentsLength(14);
        label = new QLabel(this);
        label->setBuddy(list);
        grid->addWidget(label, row, 0);
        grid->addWidget(list, row, 1);
        return list;
    };
    charsetList_ = add(0, "ComboBoxCharset", charsetLabel_);
    surrogateList_ = add(1, "ComboBoxSurrogate", surrogateLabel_);
    uniReprList_ = add(2, "ComboBoxUniRepr", uniReprLabel_);
    separatorList_ = add(3, "ComboBoxLS", separatorLabel_);
    syntaxList_ = add(4, "ComboBoxSyntax", syntaxLabel_);
    syntaxList_->setEnabled(false); // until a document with a highlighter presets it

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    ok_ = new QPushButton(this);
    ok_->setObjectName(QStringLiteral("ButtonOk"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(this);
    cancel_->setObjectName(QStringLiteral("ButtonCancel"));
    cancel_->setAutoDefault(false);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    column->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    // A change of a list is the dialog's value at once.
    connect(charsetList_, &QComboBox::currentTextChanged, this,
            [this](const QString& text) { charset_ = text; });
    connect(surrogateList_, &QComboBox::currentTextChanged, this,
            [this](const QString& text) { surrogate_ = text; });
    connect(uniReprList_, &QComboBox::currentIndexChanged, this,
            [this](int index) { uniRepr_ = index; });
    connect(separatorList_, &QComboBox::currentIndexChanged, this,
            [this](int index) { separator_ = index; });
    connect(syntaxList_, &QComboBox::currentTextChanged, this,
            [this](const QString& text) { syntax_ = text; });
    SetCaptions({});
}

void TFormProperties::SetCaptions(const TPropertiesCaptions& captions) {
    setWindowTitle(captions.title);
    SetCaption(charsetLabel_, captions.charset);
    SetCaption(surrogateLabel_, captions.surrogate);
    SetCaption(uniReprLabel_, captions.uniRepr);
    SetCaption(separatorLabel_, captions.eol);
    SetCaption(syntaxLabel_, captions.syntax);
    ok_->setText(captions.ok);
    cancel_->setText(captions.cancel);
}

void TFormProperties::SetConfiguredNames(const QStringList& charsets,
                                         const QStringList& surrogates) {
    configuredCharsets_ = charsets;
    configuredSurrogates_ = surrogates;
}

void TFormProperties::Preset(const QString& charset, const QString& surrogate, int uniRepr,
                             TLineSeparator separator, bool encodingFixed) {
    charset_ = charset;
    surrogate_ = surrogate;
    uniRepr_ = uniRepr;
    separator_ = SeparatorIndex(separator);
    encodingFixed_ = encodingFixed;
}

void TFormProperties::PresetSyntax(const QStringList& titles, int current) {
    syntaxTitles_ = titles;
    syntax_ = current >= 0 && current < titles.size() ? titles[current] : QString();
}

void TFormProperties::PrepareLists() {
    // The presets are taken before the lists move (each move updates its value).
    const QString charset = charset_;
    const QString surrogate = surrogate_;
    const int uniRepr = uniRepr_;
    const int separator = separator_;
    if (uniReprList_->count() == 0) {
        uniReprList_->addItems(UniReprNames());
    }
    if (separatorList_->count() == 0) {
        separatorList_->addItems(SeparatorNames());
    }
    if (charsetList_->count() == 0) {
        charsetList_->addItems(BuiltinCharsetNames());
        charsetList_->addItems(configuredCharsets_);
    }
    if (surrogateList_->count() == 0) {
        if (!configuredSurrogates_.contains(QStringLiteral("-"))) {
            surrogateList_->addItem(QStringLiteral("-"));
        }
        surrogateList_->addItems(configuredSurrogates_);
    }
    uniReprList_->setCurrentIndex(uniRepr >= 0 && uniRepr < uniReprList_->count() ? uniRepr : 0);
    separatorList_->setCurrentIndex(separator);
    charsetList_->setCurrentIndex(LastMatchingItem(*charsetList_, charset));
    surrogateList_->setCurrentIndex(LastMatchingItem(*surrogateList_, surrogate));
    // The dialog's values are what the lists show, even where a preset was not listed.
    charset_ = charsetList_->currentText();
    surrogate_ = surrogateList_->currentText();
    uniRepr_ = uniReprList_->currentIndex();
    separator_ = separatorList_->currentIndex();
    const QString syntax = syntax_;
    if (syntaxList_->count() == 0) {
        syntaxList_->addItems(syntaxTitles_);
    }
    syntaxList_->setEnabled(!syntaxTitles_.isEmpty());
    syntaxList_->setCurrentIndex(syntaxTitles_.isEmpty() ? -1 : syntaxList_->findText(syntax));
    syntax_ = syntaxTitles_.isEmpty() ? QString() : syntaxList_->currentText();
    for (QComboBox* list : {charsetList_, surrogateList_, uniReprList_}) {
        list->setEnabled(!encodingFixed_);
    }
}

void TFormProperties::showEvent(QShowEvent* event) {
    PrepareLists();
    QDialog::showEvent(event);
    if (charsetList_->isEnabled()) {
        charsetList_->setFocus();
    } else {
        separatorList_->setFocus();
    }
}
