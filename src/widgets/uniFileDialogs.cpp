// The open and save dialogs with their encoding lists.
#include "widgets/uniFileDialogs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

namespace {

constexpr int kVisibleRows = 16;

} // namespace

int LastMatchingItem(const QComboBox& list, const QString& name) {
    int found = 0;
    const QString wanted = name.toUpper();
    for (int i = 0; i < list.count(); ++i) {
        if (list.itemText(i).toUpper() == wanted) {
            found = i;
        }
    }
    return found;
}

void SetCaption(QLabel* label, const QString& text) {
    if (label != nullptr && !text.isEmpty()) {
        label->setText(text);
    }
}

const QStringList& BuiltinCharsetNames() {
    static const QStringList names{QStringLiteral("Default"),     QStringLiteral("UTF-8"),
                                   QStringLiteral("UTF-8 (BOM)"), QStringLiteral("UTF-16 (BE)"),
                                   QStringLiteral("UTF-16 (LE)"), QStringLiteral("Windows"),
                                   QStringLiteral("OEM")};
    return names;
}

const QStringList& UniReprNames() {
    static const QStringList names{QStringLiteral("-"), QStringLiteral("&#DDDD;"),
                                   QStringLiteral("\\uXXXX")};
    return names;
}

const QStringList& SeparatorNames() {
    static const QStringList names{QStringLiteral("CR LF"), QStringLiteral("CR"),
                                   QStringLiteral("LF"), QStringLiteral("\\u2028")};
    return names;
}

TuniOpenDialog::TuniOpenDialog(QWidget* parent) : QFileDialog(parent) {
    setObjectName(QStringLiteral("OpenDialog"));
    // Our own lists can only be added to the toolkit's dialog, not to the desktop's.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);

    auto* encoding = new QWidget(this);
    encoding->setObjectName(QStringLiteral("Encoding"));
    grid_ = new QGridLayout(encoding);
    grid_->setContentsMargins(0, 4, 0, 0);
    grid_->setColumnStretch(1, 1);
    grid_->setColumnStretch(3, 1);
    if (auto* own = qobject_cast<QGridLayout*>(layout())) {
        own->addWidget(encoding, own->rowCount(), 0, 1, own->columnCount());
    }
    charSetList_ = AddList(0, 0, "FCharSet", charSetLabel_);
    surrogateList_ = AddList(0, 1, "FSurrogate", surrogateLabel_);
    uniReprList_ = AddList(1, 0, "FUniRepr", uniReprLabel_);
    SetCaptions({});
}

QComboBox* TuniOpenDialog::AddList(int row, int pair, const char* objectName, QLabel*& label) {
    auto* list = new QComboBox(grid_->parentWidget());
    list->setObjectName(QString::fromLatin1(objectName));
    list->setEditable(false);
    list->setMaxVisibleItems(kVisibleRows);
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    label = new QLabel(grid_->parentWidget());
    label->setBuddy(list);
    grid_->addWidget(label, row, 2 * pair);
    grid_->addWidget(list, row, 2 * pair + 1);
    return list;
}

void TuniOpenDialog::SetConfiguredNames(const QStringList& charsets,
                                        const QStringList& surrogates) {
    configuredCharsets_ = charsets;
    configuredSurrogates_ = surrogates;
}

void TuniOpenDialog::SetCaptions(const TFileDialogCaptions& captions) {
    SetCaption(charSetLabel_, captions.charset);
    SetCaption(surrogateLabel_, captions.surrogate);
    SetCaption(uniReprLabel_, captions.uniRepr);
    SetCaption(eolLabel_, captions.eol);
    const std::pair<QFileDialog::DialogLabel, const QString*> labels[] = {
        {QFileDialog::LookIn, &captions.folder},   {QFileDialog::FileName, &captions.fileName},
        {QFileDialog::FileType, &captions.filter}, {QFileDialog::Accept, &captions.accept},
        {QFileDialog::Reject, &captions.cancel},
    };
    for (const auto& [which, text] : labels) {
        if (!text->isEmpty()) {
            setLabelText(which, *text);
        }
    }
    // The toolkit gives only the file name's label a buddy; with one, the other labels'
    // "&" marks their key too instead of showing as an ampersand.
    for (const auto& [labelName, buddyName] :
         {std::pair{"lookInLabel", "lookInCombo"}, std::pair{"fileTypeLabel", "fileTypeCombo"}}) {
        auto* label = findChild<QLabel*>(QString::fromLatin1(labelName));
        auto* buddy = findChild<QWidget*>(QString::fromLatin1(buddyName));
        if (label != nullptr && buddy != nullptr && label->buddy() == nullptr) {
            label->setBuddy(buddy);
        }
    }
    if (!captions.title.isEmpty()) {
        setWindowTitle(captions.title);
    }
}

void TuniOpenDialog::PrepareLists() {
    FillOwnLists();
    if (charSetList_->count() == 0) {
        charSetList_->addItems(BuiltinCharsetNames());
        charSetList_->addItems(configuredCharsets_);
    }
    charSetList_->setCurrentIndex(LastMatchingItem(*charSetList_, charSet_));
    if (surrogateList_->count() == 0) {
        // "-" (no table) comes first, so a document without one keeps it.
        if (!configuredSurrogates_.contains(QStringLiteral("-"))) {
            surrogateList_->addItem(QStringLiteral("-"));
        }
        surrogateList_->addItems(configuredSurrogates_);
    }
    surrogateList_->setCurrentIndex(LastMatchingItem(*surrogateList_, surrogate_));
    if (uniReprList_->count() == 0) {
        uniReprList_->addItems(UniReprNames());
    }
    uniReprList_->setCurrentIndex(uniRepr_ >= 0 && uniRepr_ < uniReprList_->count() ? uniRepr_ : 0);
}

void TuniOpenDialog::showEvent(QShowEvent* event) {
    PrepareLists();
    QFileDialog::showEvent(event);
}

void TuniOpenDialog::done(int result) {
    charSet_ = charSetList_->currentText();
    surrogate_ = surrogateList_->currentText();
    uniRepr_ = uniReprList_->currentIndex();
    ReadOwnLists();
    QFileDialog::done(result);
}

TuniSaveDialog::TuniSaveDialog(QWidget* parent) : TuniOpenDialog(parent) {
    setObjectName(QStringLiteral("SaveDialog"));
    setFileMode(QFileDialog::AnyFile);
    setAcceptMode(QFileDialog::AcceptSave);
    eolList_ = AddList(1, 1, "FEOL", eolLabel_);
    SetCaptions({});
}

void TuniSaveDialog::FillOwnLists() {
    if (eolList_->count() == 0) {
        eolList_->addItems(SeparatorNames());
    }
    eolList_->setCurrentIndex(eol_ >= 0 && eol_ < eolList_->count() ? eol_ : 0);
}

void TuniSaveDialog::ReadOwnLists() {
    eol_ = eolList_->currentIndex();
}
