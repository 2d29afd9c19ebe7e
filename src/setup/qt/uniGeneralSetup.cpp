// The general setup dialog.
#include "setup/qt/uniGeneralSetup.h"

#include <QCheckBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "lang/uniLang.h"
#include "platform/qt/qtConvert.h"
#include "setup/qt/uniSetupWidgets.h"
#include "widgets/uniMsgDlg.h"

namespace {

QString ColorCss(TColor color) {
    return QColorFromColor(color).name();
}

} // namespace

TfrmGeneralSetup::TfrmGeneralSetup(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TfrmGeneralSetup"));
    auto* column = new QVBoxLayout(this);
    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl"));
    pages_->addTab(MakeFontsPage(), QStringLiteral("Fonts"));
    pages_->addTab(MakeColorsPage(), QStringLiteral("Colors"));
    pages_->addTab(MakeViewPage(), QStringLiteral("View"));
    pages_->addTab(MakeSyntaxPage(), QStringLiteral("Syntax"));
    column->addWidget(pages_);

    AddOkCancelRow(this, column, ok_, cancel_);
    connect(ok_, &QPushButton::clicked, this, [this] { ButtonOkClick(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    setWindowTitle(QStringLiteral("General Setup"));
}

QWidget* TfrmGeneralSetup::MakeFontsPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    const auto fontRow = [&](int row, const char* boxName, const char* sizeName, QLabel*& label,
                             QFontComboBox*& box, QSpinBox*& size, QLabel*& sample) {
        label = new QLabel(page);
        box = new QFontComboBox(page);
        box->setObjectName(QString::fromLatin1(boxName));
        box->setEditable(false);
        label->setBuddy(box);
        size = new QSpinBox(page);
        size->setObjectName(QString::fromLatin1(sizeName));
        size->setRange(6, 30);
        sample = new QLabel(page);
        sample->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        sample->setMinimumHeight(60);
        sample->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        grid->addWidget(label, row, 0, 1, 2);
        grid->addWidget(box, row + 1, 0);
        grid->addWidget(size, row + 1, 1);
        grid->addWidget(sample, row + 2, 0, 1, 2);
        connect(box, &QFontComboBox::currentFontChanged, this, [this] { UpdateSamples(); });
        connect(size, &QSpinBox::valueChanged, this, [this] { UpdateSamples(); });
    };
    fontRow(0, "FixedFontComboBox", "FixedSpinEdit", fixedLabel_, fixedFont_, fixedSize_,
            fixedSample_);
    fontRow(3, "ProportionalFontComboBox", "ProportionalSpinEdit", propLabel_, propFont_, propSize_,
            propSample_);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(6, 1);
    return page;
}

QWidget* TfrmGeneralSetup::MakeColorsPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    int row = 0;
    const auto colorRow = [&](TColorRow& r, const char* button, const char* shape) {
        r.button = new QPushButton(page);
        r.button->setObjectName(QString::fromLatin1(button));
        r.button->setAutoDefault(false);
        r.shape = new TColorShape(page);
        r.shape->setObjectName(QString::fromLatin1(shape));
        r.shape->setMinimumWidth(80);
        grid->addWidget(r.button, row, 0);
        grid->addWidget(r.shape, row, 1);
        ++row;
        TColorShape* target = r.shape;
        connect(r.button, &QPushButton::clicked, this, [this, target] { PickShapeColor(target); });
        connect(r.shape, &TColorShape::clicked, this, [this, target] { PickShapeColor(target); });
    };
    colorRow(txt_, "ButtonTxt", "ShapeTxt");
    colorRow(bkg_, "ButtonBkg", "ShapeBkg");
    colorRow(hgl_, "ButtonHgl", "ShapeHgl");
    colorRow(gutterF_, "ButtonGutterF", "ShapeGutterF");
    colorRow(gutterF2_, "ButtonGutterF2", "ShapeGutterF2");
    colorRow(gutterB_, "ButtonGutterB", "ShapeGutterB");
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget* TfrmGeneralSetup::MakeViewPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    gutterLabel_ = new QLabel(page);
    gutterWidth_ = new QSpinBox(page);
    gutterWidth_->setObjectName(QStringLiteral("RxSpinEditGutterW"));
    gutterWidth_->setRange(0, 1000);
    gutterLabel_->setBuddy(gutterWidth_);
    geometry_ = new QCheckBox(page);
    geometry_->setObjectName(QStringLiteral("uniGeometryCheckBox"));
    grid->addWidget(gutterLabel_, 0, 0);
    grid->addWidget(gutterWidth_, 0, 1);
    grid->addWidget(geometry_, 1, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(2, 1);
    return page;
}

QWidget* TfrmGeneralSetup::MakeSyntaxPage() {
    auto* page = new QWidget;
    auto* row = new QHBoxLayout(page);
    list_ = new QListWidget(page);
    list_->setObjectName(QStringLiteral("ListBox1"));
    list_->setMinimumWidth(200);
    row->addWidget(list_, 1);
    auto* side = new QGridLayout;
    fg_ = new QCheckBox(page);
    fg_->setObjectName(QStringLiteral("CheckBoxFg"));
    fgShape_ = new TColorShape(page);
    fgShape_->setObjectName(QStringLiteral("ShapeFg"));
    bg_ = new QCheckBox(page);
    bg_->setObjectName(QStringLiteral("CheckBoxBg"));
    bgShape_ = new TColorShape(page);
    bgShape_->setObjectName(QStringLiteral("ShapeBg"));
    side->addWidget(fg_, 0, 0);
    side->addWidget(fgShape_, 0, 1);
    side->addWidget(bg_, 1, 0);
    side->addWidget(bgShape_, 1, 1);
    const auto style = [&](const char* name, int at) {
        auto* box = new QCheckBox(page);
        box->setObjectName(QString::fromLatin1(name));
        side->addWidget(box, at, 0, 1, 2);
        connect(box, &QCheckBox::toggled, this, [this] { UpdateExample(); });
        return box;
    };
    bold_ = style("CheckBoxBold", 2);
    italic_ = style("CheckBoxItalic", 3);
    underline_ = style("CheckBoxUnderline", 4);
    strikeout_ = style("CheckBoxStrikeout", 5);
    example_ = new QLabel(QStringLiteral("abcd"), page);
    example_->setObjectName(QStringLiteral("Example"));
    example_->setAlignment(Qt::AlignCenter);
    example_->setMinimumHeight(40);
    example_->setAutoFillBackground(true);
    side->addWidget(example_, 6, 0, 1, 2);
    side->setRowStretch(7, 1);
    row->addLayout(side);

    connect(list_, &QListWidget::currentRowChanged, this, [this](int index) {
        KeepEntry();
        ShowEntry(index);
    });
    connect(fg_, &QCheckBox::toggled, this, [this] { UpdateExample(); });
    connect(bg_, &QCheckBox::toggled, this, [this] { UpdateExample(); });
    connect(fgShape_, &TColorShape::clicked, this, [this] {
        if (const auto c = ChooseSetupColor(this, fgShape_->Color())) {
            fgShape_->SetColor(*c);
            fg_->setChecked(true);
            UpdateExample();
        }
    });
    connect(bgShape_, &TColorShape::clicked, this, [this] {
        if (const auto c = ChooseSetupColor(this, bgShape_->Color())) {
            bgShape_->SetColor(*c);
            bg_->setChecked(true);
            UpdateExample();
        }
    });
    return page;
}

void TfrmGeneralSetup::ApplyTexts(const TUniLangTexts& texts) {
    setWindowTitle(SetupText(texts, "GeneralSetupTitle"));
    const char* pages[] = {"Fonts", "Colors", "View", "Syntax"};
    for (int i = 0; i < 4; ++i) {
        const QString caption = SetupText(texts, pages[i]);
        pages_->setTabText(i, caption.isEmpty() ? QStringLiteral(" ") : caption);
    }
    fixedLabel_->setText(SetupText(texts, "FixedFont"));
    propLabel_->setText(SetupText(texts, "ProportionalFont"));
    const QString sample = QStringFromU16(texts.Text("Setup", "ExampleText"));
    fixedSample_->setText(sample);
    propSample_->setText(sample);
    txt_.button->setText(SetupText(texts, "Txt"));
    bkg_.button->setText(SetupText(texts, "Bkg"));
    hgl_.button->setText(SetupText(texts, "Hgl"));
    gutterF_.button->setText(SetupText(texts, "GutterFg"));
    gutterF2_.button->setText(SetupText(texts, "GutterFg2"));
    gutterB_.button->setText(SetupText(texts, "GutterBg"));
    gutterLabel_->setText(SetupText(texts, "GutterWidth"));
    geometry_->setText(SetupText(texts, "SaveGeometry"));
    fg_->setText(SetupText(texts, "Foreground"));
    bg_->setText(SetupText(texts, "Background"));
    bold_->setText(SetupText(texts, "Bold"));
    italic_->setText(SetupText(texts, "Italic"));
    underline_->setText(SetupText(texts, "Underline"));
    strikeout_->setText(SetupText(texts, "Strikeout"));
    ok_->setText(OkCaption());
    cancel_->setText(CancelCaption());
}

std::string TfrmGeneralSetup::Preset(const TGeneralSettings& settings,
                                     const std::string& schemePath) {
    filling_ = true;
    shown_ = settings;
    const TCommonSettings& c = settings.common;
    fixedFont_->setCurrentFont(QFont(QStringFromU16(c.editFont)));
    fixedSize_->setValue(c.editFontSize);
    propFont_->setCurrentFont(QFont(QStringFromU16(c.interfaceFont)));
    propSize_->setValue(c.interfaceFontSize);
    shownFixed_ = fixedFont_->currentFont().family();
    shownProportional_ = propFont_->currentFont().family();
    txt_.shape->SetColor(c.textColor);
    bkg_.shape->SetColor(c.backgroundColor);
    hgl_.shape->SetColor(c.highlightColor);
    gutterF_.shape->SetColor(c.gutterFColor);
    gutterF2_.shape->SetColor(c.gutterFColor2);
    gutterB_.shape->SetColor(c.gutterBColor);
    gutterWidth_->setValue(c.gutterWidth);
    geometry_->setChecked(settings.saveGeometry);

    std::string error;
    entries_.clear();
    schemePath_.clear();
    try {
        entries_ = LoadSchemeEntries(schemePath);
        schemePath_ = schemePath;
    } catch (const EInOutError& e) {
        error = e.what();
    }
    selected_ = -1;
    list_->clear();
    for (const TSchemeEntry& e : entries_) {
        list_->addItem(QStringFromUtf8(e.descr.empty() ? e.value : e.descr));
    }
    pages_->widget(3)->setEnabled(!entries_.empty());
    filling_ = false;
    if (!entries_.empty()) {
        list_->setCurrentRow(0); // shows it
    } else {
        ShowEntry(-1);
    }
    UpdateSamples();
    return error;
}

TGeneralSettings TfrmGeneralSetup::Settings() const {
    TGeneralSettings s = shown_;
    TCommonSettings& c = s.common;
    if (const QString family = fixedFont_->currentFont().family(); family != shownFixed_) {
        c.editFont = U16FromQString(family);
    }
    c.editFontSize = fixedSize_->value();
    if (const QString family = propFont_->currentFont().family(); family != shownProportional_) {
        c.interfaceFont = U16FromQString(family);
    }
    c.interfaceFontSize = propSize_->value();
    c.textColor = txt_.shape->Color();
    c.backgroundColor = bkg_.shape->Color();
    c.highlightColor = hgl_.shape->Color();
    c.gutterFColor = gutterF_.shape->Color();
    c.gutterFColor2 = gutterF2_.shape->Color();
    c.gutterBColor = gutterB_.shape->Color();
    c.gutterWidth = gutterWidth_->value();
    s.saveGeometry = geometry_->isChecked();
    return s;
}

void TfrmGeneralSetup::PickShapeColor(TColorShape* shape) {
    if (const auto c = ChooseSetupColor(this, shape->Color())) {
        shape->SetColor(*c);
    }
}

void TfrmGeneralSetup::UpdateSamples() {
    if (filling_) {
        return;
    }
    QFont fixed = fixedFont_->currentFont();
    fixed.setPointSize(fixedSize_->value());
    fixedSample_->setFont(fixed);
    QFont prop = propFont_->currentFont();
    prop.setPointSize(propSize_->value());
    propSample_->setFont(prop);
}

void TfrmGeneralSetup::KeepEntry() {
    if (filling_ || selected_ < 0 || selected_ >= static_cast<int>(entries_.size())) {
        return;
    }
    TSchemeStyle s;
    s.hasFore = fg_->isChecked();
    s.fore = fgShape_->Color();
    s.bold = bold_->isChecked();
    s.italic = italic_->isChecked();
    s.underline = underline_->isChecked();
    s.strikeout = strikeout_->isChecked();
    s.hasBack = bg_->isChecked();
    s.back = bgShape_->Color();
    // An entry only looked at keeps its line as written.
    TSchemeEntry& entry = entries_[static_cast<size_t>(selected_)];
    if (s != SchemeEntryStyle(entry)) {
        KeepSchemeStyle(entry, s);
    }
}

void TfrmGeneralSetup::ShowEntry(int index) {
    if (filling_) {
        return;
    }
    selected_ = index;
    const TSchemeStyle s = index >= 0 && index < static_cast<int>(entries_.size())
                               ? SchemeEntryStyle(entries_[static_cast<size_t>(index)])
                               : TSchemeStyle{};
    filling_ = true;
    fg_->setChecked(s.hasFore);
    fgShape_->SetColor(s.fore);
    bold_->setChecked(s.bold);
    italic_->setChecked(s.italic);
    underline_->setChecked(s.underline);
    strikeout_->setChecked(s.strikeout);
    bg_->setChecked(s.hasBack);
    bgShape_->SetColor(s.back);
    filling_ = false;
    UpdateExample();
}

void TfrmGeneralSetup::UpdateExample() {
    if (filling_) {
        return;
    }
    const TColor fore = fg_->isChecked() ? fgShape_->Color() : 0x000000;
    const TColor back = bg_->isChecked() ? bgShape_->Color() : 0xFFFFFF;
    example_->setStyleSheet(QStringLiteral("QLabel { color: %1; background-color: %2; }")
                                .arg(ColorCss(fore), ColorCss(back)));
    QFont font = example_->font();
    font.setBold(bold_->isChecked());
    font.setItalic(italic_->isChecked());
    font.setUnderline(underline_->isChecked());
    font.setStrikeOut(strikeout_->isChecked());
    example_->setFont(font);
}

void TfrmGeneralSetup::ButtonOkClick() {
    KeepEntry();
    if (!schemePath_.empty()) {
        try {
            RewriteSchemeFile(schemePath_, entries_);
        } catch (const EInOutError& e) {
            UniMessageDlg(this, QStringFromUtf8(e.what()), TMsgDlgType::Error, TMsgDlgBtn::OK);
            return;
        }
    }
    accept();
}
