// The history combo box: the one-line editor, its drop-down button and list.
#include "widgets/uniComboBox.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolButton>

#include "base/uniCodePage.h"
#include "base/uniNumRefs.h"
#include "platform/qt/qtConvert.h"

namespace {

constexpr int kEntryRole = Qt::UserRole + 1;

} // namespace

// --- the list ------------------------------------------------------------------------------

TnewListBox::TnewListBox(TuniComboBox& combo, QWidget* parent)
    : QListWidget(parent), combo_(combo) {
    setObjectName(QStringLiteral("newListBox"));
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    hide();
}

std::string TnewListBox::Entry(int row) const {
    const QListWidgetItem* it = item(row);
    return it != nullptr ? BytesFromQByteArray(it->data(kEntryRole).toByteArray()) : std::string();
}

void TnewListBox::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Escape:
        combo_.CloseList();
        e->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Consumed here: the dialog's default button is not pressed by a pick.
        combo_.PickSelected();
        e->accept();
        return;
    default:
        QListWidget::keyPressEvent(e);
    }
}

void TnewListBox::mouseDoubleClickEvent(QMouseEvent* e) {
    QListWidget::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton && currentRow() >= 0) {
        combo_.PickSelected();
    }
}

void TnewListBox::focusOutEvent(QFocusEvent* e) {
    QListWidget::focusOutEvent(e);
    if (isVisible()) {
        combo_.CloseList();
    }
}

// --- the combo box -------------------------------------------------------------------------

TuniComboBox::TuniComboBox(TMemoEnvironment environment, const TUniActionKeymap* globalKeymap,
                           QWidget* parent)
    : QFrame(parent),
      field_(new TuniMemoWidget(environment, globalKeymap, this, TMemoKind::SingleLine)),
      button_(new QToolButton(this)), list_(new TnewListBox(*this, parent)) {
    setObjectName(QStringLiteral("uniComboBox"));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setFocusProxy(field_);
    setFocusPolicy(Qt::StrongFocus);

    TuniMemo& edit = field_->Memo();
    // Enter and TAB belong to the dialog; the caret stays within the text.
    edit.SetWantReturns(false);
    edit.SetWantTabs(false);
    edit.SetCursorBeyondEOL(false);
    edit.SetHighlightLine(false);
    edit.SetHighlightColumn(false);

    button_->setObjectName(QStringLiteral("DropDown"));
    button_->setAutoRaise(true);
    button_->setArrowType(Qt::DownArrow);
    button_->setFocusPolicy(Qt::NoFocus);
    connect(button_, &QToolButton::clicked, this, [this] {
        if (ListOpen()) {
            CloseList();
        } else {
            OpenList();
        }
    });
    field_->installEventFilter(this);
    FitList();
}

TuniComboBox::~TuniComboBox() {
    delete list_.data();
}

std::u16string TuniComboBox::Text() const {
    const TWStringList& lines = field_->Memo().Lines();
    return lines.Count() > 0 ? lines.Get(0) : std::u16string();
}

void TuniComboBox::SetText(std::u16string_view text) {
    TuniMemo& edit = field_->Memo();
    field_->Input().RunCommand([&] {
        if (edit.Lines().Count() == 0) {
            edit.InsertLineAt(0, std::u16string(text));
        } else {
            edit.SetLineText(0, std::u16string(text), TMerge::No);
        }
        edit.SetCaret({static_cast<int>(text.size()), 0});
        edit.CollapseSelection();
        if (edit.Lines().Count() > 1) {
            edit.RemoveLinesAt(1, edit.Lines().Count() - 1);
        }
    });
    edit.RefreshView(TViewOf::This);
}

void TuniComboBox::SetItems(const std::vector<std::string>& items) {
    list_->clear();
    // The list shows the entries as stored, references and all; picking one puts the
    // characters they stand for into the field.
    for (const std::string& entry : items) {
        auto* item = new QListWidgetItem(QStringFromU16(AnsiToWide(entry)), list_);
        item->setData(kEntryRole, QByteArrayFromBytes(entry));
    }
    FitList();
}

bool TuniComboBox::ListOpen() const {
    return list_->isVisible();
}

void TuniComboBox::OpenList() {
    if (list_->parentWidget() != window()) {
        list_->setParent(window());
    }
    Layout();
    if (list_->count() > 0) {
        list_->setCurrentRow(0);
    }
    const std::u16string text = Text();
    if (!text.empty()) {
        const std::string stored = EncodeNumericRefsA(text);
        for (int i = 0; i < list_->count(); ++i) {
            if (list_->Entry(i) == stored) {
                list_->setCurrentRow(i);
                break;
            }
        }
    }
    list_->show();
    list_->raise();
    list_->setFocus(Qt::PopupFocusReason);
}

void TuniComboBox::CloseList() {
    list_->hide();
    field_->setFocus(Qt::OtherFocusReason);
}

void TuniComboBox::PickSelected() {
    const int row = list_->currentRow();
    if (row >= 0) {
        SetText(DecodeNumericRefs(AnsiToWide(list_->Entry(row)), TRefForms::AmpersandOrDollar));
    }
    CloseList();
    field_->RepaintWhole();
}

// Entering the field selects its whole text with the caret at the end; leaving it drops
// the selection.
void TuniComboBox::FieldFocused(bool in) {
    TuniMemo& edit = field_->Memo();
    if (in) {
        edit.SelectAll();
        edit.LineEnd();
    } else {
        edit.Unselect();
    }
    edit.Repaint();
    edit.UpdateView();
}

bool TuniComboBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == field_) {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Down &&
                (key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) == 0) {
                OpenList();
                return true;
            }
            break;
        }
        case QEvent::FocusIn:
            FieldFocused(true);
            break;
        case QEvent::FocusOut:
            FieldFocused(false);
            break;
        case QEvent::FontChange:
            FitList();
            break;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}

// The list takes the field's font, each entry the font's height and 4 pixels.
void TuniComboBox::FitList() {
    list_->setFont(field_->font());
    const int height = QFontMetrics(field_->font()).height() + 4;
    for (int i = 0; i < list_->count(); ++i) {
        list_->item(i)->setSizeHint(QSize(0, height));
    }
}

QSize TuniComboBox::sizeHint() const {
    const int line = std::max(field_->Memo().LineHeight(), QFontMetrics(field_->font()).height());
    return {200, line + 4 + 2 * frameWidth()};
}

QSize TuniComboBox::minimumSizeHint() const {
    return {kButtonRoom + 40, sizeHint().height()};
}

void TuniComboBox::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    Layout();
}

void TuniComboBox::moveEvent(QMoveEvent* e) {
    QFrame::moveEvent(e);
    Layout();
}

// The field fills the frame but for the button's room; the button stands at the field's
// right edge, one pixel lower and three pixels less high; the list lies right below the
// field, as wide as field and button, 80 pixels high.
void TuniComboBox::Layout() {
    if (layingOut_) {
        return;
    }
    layingOut_ = true;
    const QRect inner = contentsRect();
    const QRect field(inner.left(), inner.top(), std::max(inner.width() - kButtonRoom, 1),
                      inner.height());
    field_->setGeometry(field);
    button_->setGeometry(field.left() + field.width(), field.top() + 1, kButtonRoom - 1,
                         std::max(field.height() - 3, 1));
    if (QWidget* owner = list_->parentWidget()) {
        const QPoint below = mapTo(owner, QPoint(field.left(), field.top() + field.height()));
        list_->setGeometry(below.x(), below.y(), field.width() + kButtonRoom, kListHeight);
    }
    layingOut_ = false;
}
