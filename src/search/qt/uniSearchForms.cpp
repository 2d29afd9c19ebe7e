// The search, replace and go-to-line dialogs.
#include "search/qt/uniSearchForms.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "lang/uniLang.h"
#include "platform/qt/qtConvert.h"
#include "search/searchHistory.h"
#include "shell/PmSearch.h"

namespace {

QString Tr(const TUniLangTexts& texts, std::string_view section, std::string_view key) {
    return QStringFromU16(texts.Text(section, key));
}

} // namespace

// --- search and replace ----------------------------------------------------------------------

TformSearch::TformSearch(TMemoEnvironment environment, const TUniActionKeymap* globalKeymap,
                         QWidget* parent)
    : TformSearch(environment, globalKeymap, parent, false) {}

TformSearch::TformSearch(TMemoEnvironment environment, const TUniActionKeymap* globalKeymap,
                         QWidget* parent, bool withReplacement)
    : QDialog(parent), patternLabel_(new QLabel(this)),
      pattern_(new TuniComboBox(environment, globalKeymap, this)),
      caseSensitive_(new QCheckBox(this)), wholeWord_(new QCheckBox(this)),
      regexp_(new QCheckBox(this)), ok_(new QPushButton(this)), cancel_(new QPushButton(this)) {
    setObjectName(withReplacement ? QStringLiteral("TformReplace") : QStringLiteral("TformSearch"));
    pattern_->setObjectName(QStringLiteral("uniComboBox1"));
    caseSensitive_->setObjectName(QStringLiteral("CheckCase"));
    wholeWord_->setObjectName(QStringLiteral("CheckWord"));
    regexp_->setObjectName(QStringLiteral("CheckRegexp"));
    ok_->setObjectName(QStringLiteral("ButtonOk"));
    cancel_->setObjectName(QStringLiteral("ButtonCancel"));
    patternLabel_->setBuddy(pattern_);

    auto* grid = new QGridLayout;
    grid->addWidget(patternLabel_, 0, 0);
    grid->addWidget(pattern_, 0, 1);
    if (withReplacement) {
        replaceLabel_ = new QLabel(this);
        replacement_ = new TuniComboBox(environment, globalKeymap, this);
        replacement_->setObjectName(QStringLiteral("uniComboBox2"));
        replaceLabel_->setBuddy(replacement_);
        grid->addWidget(replaceLabel_, 1, 0);
        grid->addWidget(replacement_, 1, 1);
        // TAB goes from box to box, then to the options.
        setTabOrder(pattern_, replacement_);
        setTabOrder(replacement_, caseSensitive_);
    }
    grid->setColumnStretch(1, 1);

    auto* options = new QVBoxLayout;
    options->addWidget(caseSensitive_);
    options->addWidget(wholeWord_);
    options->addWidget(regexp_);
    options->addStretch(1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addStretch(1);

    auto* lower = new QHBoxLayout;
    lower->addLayout(options, 1);
    lower->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(lower, 1);

    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    cancel_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    // Room below the boxes for the drop-down list.
    setMinimumSize(420, withReplacement ? 190 : 160);
    setSizeGripEnabled(false);
}

TMemoSearchOptions TformSearch::Options() const {
    TMemoSearchOptions o;
    o.ignoreCase = !caseSensitive_->isChecked();
    o.wholeWord = wholeWord_->isChecked();
    o.regExpr = regexp_->isChecked();
    return o;
}

void TformSearch::SetOptions(const TMemoSearchOptions& options) {
    caseSensitive_->setChecked(!options.ignoreCase);
    wholeWord_->setChecked(options.wholeWord);
    regexp_->setChecked(options.regExpr);
}

void TformSearch::Prepare(const TuniMemo* document) {
    pattern_->SetItems(SearchHistory().Items());
    if (document != nullptr) {
        pattern_->Edit().CopySubstitutions(*document);
    }
}

void TformSearch::ApplyTexts(const TUniLangTexts& texts) {
    setWindowTitle(Tr(texts, "Search", "SearchTitle"));
    patternLabel_->setText(Tr(texts, "Search", "Pattern"));
    caseSensitive_->setText(Tr(texts, "Search", "CaseSensitive"));
    wholeWord_->setText(Tr(texts, "Search", "WholeWord"));
    regexp_->setText(Tr(texts, "Search", "Regexp"));
    ok_->setText(Tr(texts, "Dialogs", "OK"));
    cancel_->setText(Tr(texts, "Dialogs", "Cancel"));
}

void TformSearch::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    pattern_->setFocus(Qt::ActiveWindowFocusReason);
}

TformReplace::TformReplace(TMemoEnvironment environment, const TUniActionKeymap* globalKeymap,
                           QWidget* parent)
    : TformSearch(environment, globalKeymap, parent, true) {}

void TformReplace::Prepare(const TuniMemo* document) {
    TformSearch::Prepare(document);
    replacement_->SetItems(ReplaceHistory().Items());
}

void TformReplace::ApplyTexts(const TUniLangTexts& texts) {
    TformSearch::ApplyTexts(texts);
    setWindowTitle(Tr(texts, "Search", "ReplaceTitle"));
    replaceLabel_->setText(Tr(texts, "Search", "ReplaceBy"));
}

// --- go to line ------------------------------------------------------------------------------

TFormGoto::TFormGoto(QWidget* parent)
    : QDialog(parent), box_(new QComboBox(this)), ok_(new QPushButton(this)),
      cancel_(new QPushButton(this)) {
    setObjectName(QStringLiteral("TFormGoto"));
    box_->setObjectName(QStringLiteral("ComboBox1"));
    ok_->setObjectName(QStringLiteral("ButtonOk"));
    cancel_->setObjectName(QStringLiteral("ButtonCancel"));
    box_->setEditable(true);
    box_->setInsertPolicy(QComboBox::NoInsert);
    box_->setMinimumWidth(120);
    // What arrives other than by typing (a paste) is held to digits too.
    box_->lineEdit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box_));
    box_->lineEdit()->installEventFilter(this);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(box_, 1);
    layout->addWidget(ok_);
    layout->addWidget(cancel_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    cancel_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<int> TFormGoto::TakeLine() {
    const std::u16string text = U16FromQString(box_->currentText());
    AddGotoItem(items_, text);
    {
        const QSignalBlocker block(box_);
        box_->clear();
        for (const std::u16string& item : items_) {
            box_->addItem(QStringFromU16(item));
        }
        box_->setCurrentText(QStringFromU16(text));
    }
    return GotoLineNumber(text);
}

void TFormGoto::ApplyTexts(const TUniLangTexts& texts) {
    setWindowTitle(Tr(texts, "Goto", "Goto"));
    ok_->setText(Tr(texts, "Dialogs", "OK"));
    cancel_->setText(Tr(texts, "Dialogs", "Cancel"));
}

bool TFormGoto::eventFilter(QObject* watched, QEvent* event) {
    if (watched == box_->lineEdit() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        // Keys that type nothing (arrows, Delete, Home) go on; typed characters other than
        // the digits, Backspace, Enter and Escape are refused.
        if (!text.isEmpty() && (key->modifiers() & Qt::ControlModifier) == 0 &&
            !GotoKeyAccepted(text[0].unicode())) {
            QApplication::beep();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormGoto::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    box_->setFocus(Qt::ActiveWindowFocusReason);
    box_->lineEdit()->selectAll();
}
