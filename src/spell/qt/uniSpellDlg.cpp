// The spell dialog.
#include "spell/qt/uniSpellDlg.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "base/uniNumRefs.h"
#include "lang/uniLang.h"
#include "platform/qt/qtConvert.h"

namespace {

std::function<int(TSpellDlg&)>& Responder() {
    static std::function<int(TSpellDlg&)> responder;
    return responder;
}

// A suggestion as the list shows it: references decoded; a guess without its ":".
struct TShownSuggestion {
    QString text;
    bool guess = false;
};

TShownSuggestion ShowSuggestion(const QString& stored) {
    std::u16string text = DecodeNumericRefs(U16FromQString(stored), TRefForms::AmpersandOrDollar);
    TShownSuggestion shown;
    if (!text.empty() && text.front() == u':') {
        shown.guess = true;
        text.erase(0, 1);
    }
    shown.text = text.empty() ? QStringLiteral(" ") : QStringFromU16(text);
    return shown;
}

// Draws the suggestions: guesses in red (yellow on the selection), without the colon.
class TSuggestionDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const TShownSuggestion shown = ShowSuggestion(index.data(Qt::DisplayRole).toString());
        option->text = shown.text;
        if (shown.guess) {
            const bool selected = (option->state & QStyle::State_Selected) != 0;
            const QColor colour = selected ? QColor(Qt::yellow) : QColor(Qt::red);
            option->palette.setColor(QPalette::Text, colour);
            option->palette.setColor(QPalette::HighlightedText, colour);
        }
    }
};

} // namespace

TSpellDlg::TSpellDlg(TMemoEnvironment environment, const TUniActionKeymap* globalKeymap,
                     QWidget* parent)
    : QDialog(parent), environment_(environment), word_(new QLabel(this)),
      edit_(new TuniMemoWidget(environment, globalKeymap, this, TMemoKind::SingleLine)),
      list_(new QListWidget(this)), accept_(new QPushButton(this)), skip_(new QPushButton(this)),
      quit_(new QPushButton(this)), replace_(new QPushButton(this)), add_(new QPushButton(this)) {
    setObjectName(QStringLiteral("TSpellDlg"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    word_->setObjectName(QStringLiteral("uniWord"));
    edit_->setObjectName(QStringLiteral("uniEdit"));
    list_->setObjectName(QStringLiteral("ListBox"));
    accept_->setObjectName(QStringLiteral("uniButtonAccept"));
    skip_->setObjectName(QStringLiteral("uniButtonSkip"));
    quit_->setObjectName(QStringLiteral("uniButtonCancel"));
    replace_->setObjectName(QStringLiteral("uniButtonReplace"));
    add_->setObjectName(QStringLiteral("uniButtonAdd"));

    word_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    word_->setTextFormat(Qt::PlainText);
    word_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    TuniMemo& box = edit_->Memo();
    box.SetCursorBeyondEOL(false);
    box.SetHighlightLine(false);
    box.SetHighlightColumn(false);
    edit_->setFixedHeight(box.LineHeight() + 8);
    list_->setItemDelegate(new TSuggestionDelegate(list_));
    list_->setUniformItemSizes(false);

    auto* left = new QVBoxLayout;
    left->addWidget(word_);
    left->setAlignment(word_, Qt::AlignTop);
    left->addWidget(edit_);
    left->addWidget(list_, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {accept_, skip_, quit_, replace_, add_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    skip_->setDefault(true);

    const auto finish = [this](int code) { return [this, code] { done(code); }; };
    connect(accept_, &QPushButton::clicked, this, finish(static_cast<int>(TSpellResult::Accept)));
    connect(skip_, &QPushButton::clicked, this, finish(static_cast<int>(TSpellResult::Skip)));
    connect(quit_, &QPushButton::clicked, this, finish(static_cast<int>(TSpellResult::Quit)));
    connect(replace_, &QPushButton::clicked, this, finish(static_cast<int>(TSpellResult::Replace)));
    connect(add_, &QPushButton::clicked, this, finish(static_cast<int>(TSpellResult::Add)));
    connect(list_, &QListWidget::itemClicked, this, &TSpellDlg::SuggestionClicked);
    connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item != nullptr && list_->hasFocus()) {
            SuggestionClicked(item);
        }
    });
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { FocusChanged(now); });
    setMinimumSize(360, 220);
    ApplyTexts(TUniLangTexts());
}

TSpellDlg::~TSpellDlg() {
    // Focus moves and the list's signals go on while QWidget deletes the children, when
    // this class is already gone.
    disconnect(qApp, nullptr, this, nullptr);
    list_->disconnect(this);
}

void TSpellDlg::SetResponder(std::function<int(TSpellDlg&)> responder) {
    Responder() = std::move(responder);
}

void TSpellDlg::ApplyTexts(const TUniLangTexts& texts) {
    const auto text = [&](std::string_view key) {
        return QStringFromU16(texts.Text("Spell", key));
    };
    setWindowTitle(text("SpellChecking"));
    accept_->setText(text("SpellAccept"));
    skip_->setText(text("SpellSkip"));
    quit_->setText(text("SpellQuit"));
    replace_->setText(text("SpellReplace"));
    add_->setText(text("SpellAdd"));
}

void TSpellDlg::SetEditFont(const QString& family, int pointSize) {
    QFont f = font();
    f.setFamily(family);
    if (pointSize > 0) {
        f.setPointSize(pointSize);
    }
    word_->setFont(f);
    list_->setFont(f);
}

void TSpellDlg::Prepare(const TSpellQuestion& question) {
    shownWord_ = question.word;
    word_->setText(QStringFromU16(question.word));
    list_->clear();
    for (const std::u16string& s : question.suggestions) {
        list_->addItem(QStringFromU16(s));
    }
    TuniMemo& box = edit_->Memo();
    edit_->Input().RunCommand([&] {
        if (box.Lines().Count() == 0) {
            box.InsertLineAt(0, question.word);
        } else {
            box.SetLineText(0, question.word, TMerge::No);
        }
        while (box.Lines().Count() > 1) {
            box.RemoveLineAt(1);
        }
        box.SetCaret({0, 0});
        box.CollapseSelection();
    });
    edit_->RepaintWhole();
    SetReplaceDefault(false);
}

std::u16string TSpellDlg::Replacement() const {
    const TWStringList& lines = edit_->Memo().Lines();
    return lines.Count() > 0 ? lines.Get(0) : std::u16string();
}

void TSpellDlg::SuggestionClicked(QListWidgetItem* item) {
    if (item == nullptr) {
        return;
    }
    std::u16string text = U16FromQString(item->text());
    // A root-and-affix guess ("root+affix") is no word to put in: the word stays.
    if (text.find(u'+') != std::u16string::npos) {
        text = shownWord_;
    } else {
        text = DecodeNumericRefs(text, TRefForms::AmpersandOrDollar);
        if (!text.empty() && text.front() == u':') {
            text.erase(0, 1);
        }
    }
    TuniMemo& box = edit_->Memo();
    edit_->Input().RunCommand([&] {
        box.SetLineText(0, text, TMerge::No);
        box.SetCaret({0, 0});
        box.CollapseSelection();
    });
    edit_->RepaintWhole();
}

void TSpellDlg::SetReplaceDefault(bool on) {
    replace_->setDefault(on);
    skip_->setDefault(!on);
}

void TSpellDlg::FocusChanged(QWidget* now) {
    if (now == nullptr || now->window() != this) {
        return;
    }
    const bool inList = now == list_ || list_->isAncestorOf(now);
    const bool inEdit = now == edit_ || edit_->isAncestorOf(now);
    SetReplaceDefault(inList || inEdit);
    if (inList && list_->count() == 0) {
        edit_->setFocus(Qt::OtherFocusReason);
    }
}

void TSpellDlg::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    skip_->setFocus(Qt::OtherFocusReason);
    SetReplaceDefault(false);
}

void TSpellDlg::Place(TuniMemo& memo) {
    if (editorWidget_ == nullptr) {
        return;
    }
    adjustSize();
    const QPoint origin = editorWidget_->mapToGlobal(QPoint(0, 0));
    int rowTop = 0;
    if (const std::optional<TRect> caret = memo.CaretRect()) {
        rowTop = caret->top;
    }
    QPoint at(origin.x() + 20, origin.y() + rowTop + 2 * memo.LineHeight() + 1);
    const QScreen* screen = editorWidget_->screen();
    if (screen != nullptr && at.y() + frameGeometry().height() > screen->geometry().bottom()) {
        at.setY(origin.y() + 4);
    }
    move(at);
}

TSpellAnswer TSpellDlg::Ask(TuniMemo& memo, const TSpellQuestion& question) {
    Prepare(question);
    Place(memo);
    int code = 0;
    if (Responder()) {
        code = Responder()(*this);
    } else {
        code = exec();
    }
    // Escape, the close button: Quit.
    if (code == QDialog::Rejected) {
        code = static_cast<int>(TSpellResult::Quit);
    }
    TSpellAnswer answer;
    switch (code) {
    case static_cast<int>(TSpellResult::Add):
    case static_cast<int>(TSpellResult::Quit):
    case static_cast<int>(TSpellResult::Skip):
    case static_cast<int>(TSpellResult::Replace):
    case static_cast<int>(TSpellResult::Accept):
        answer.result = static_cast<TSpellResult>(code);
        break;
    default:
        answer.result = TSpellResult::None;
        break;
    }
    answer.replacement = Replacement();
    return answer;
}
