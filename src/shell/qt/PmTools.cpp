// The tool message panel and the running dialog.
#include "shell/qt/PmTools.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

#include "base/uniIni.h"
#include "platform/qt/qtConvert.h"

namespace {

// Message lines: text one pixel from the left edge; the current line in the highlight
// colours while the list has the focus, in the button colours otherwise.
class TMessageDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const auto* list = qobject_cast<const QListWidget*>(option.widget);
        const bool focused = list != nullptr && list->hasFocus();
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        QColor back = option.palette.color(QPalette::Base);
        QColor fore = option.palette.color(QPalette::Text);
        if (selected) {
            back = option.palette.color(focused ? QPalette::Highlight : QPalette::Button);
            fore = option.palette.color(focused ? QPalette::HighlightedText : QPalette::ButtonText);
        }
        painter->save();
        painter->fillRect(option.rect, back);
        painter->setPen(fore);
        painter->setFont(option.font);
        painter->drawText(option.rect.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }
};

} // namespace

TToolMessageList::TToolMessageList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new TMessageDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, [this] {
        if (onFollow) {
            onFollow(false);
        }
    });
}

void TToolMessageList::keyPressEvent(QKeyEvent* e) {
    const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain &&
        (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Space)) {
        if (onFollow) {
            onFollow(e->key() == Qt::Key_Space);
        }
        e->accept();
        return;
    }
    if (!e->text().isEmpty() && e->text().at(0).isPrint()) {
        e->accept(); // typed text means nothing here
        return;
    }
    QListWidget::keyPressEvent(e);
}

TToolMessages::TToolMessages(QWidget* parent)
    : QWidget(parent), list_(new TToolMessageList(this)), title_(new QLabel(this)),
      close_(new QToolButton(this)) {
    setObjectName(QStringLiteral("ToolMessages"));
    list_->setObjectName(QStringLiteral("ToolMessageList"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* head = new QHBoxLayout;
    head->setContentsMargins(4, 0, 0, 0);
    head->addWidget(title_, 1);
    close_->setText(QStringLiteral("\u00D7"));
    close_->setAutoRaise(true);
    close_->setFocusPolicy(Qt::NoFocus);
    close_->setObjectName(QStringLiteral("ToolMessagesClose"));
    head->addWidget(close_);
    column->addLayout(head);
    column->addWidget(list_, 1);
    connect(close_, &QToolButton::clicked, this, &QWidget::hide);
}

void TToolMessages::SetLines(const std::vector<std::string>& lines) {
    lines_ = lines;
    list_->clear();
    for (const std::string& line : lines) {
        list_->addItem(QStringFromU16(IniWideFrom8(line)));
    }
    if (list_->count() > 0) {
        list_->setCurrentRow(0);
    }
}

std::string TToolMessages::CurrentLine() const {
    const int row = list_->currentRow();
    if (row < 0 || row >= static_cast<int>(lines_.size())) {
        return {};
    }
    return lines_[static_cast<size_t>(row)];
}

void TToolMessages::SetTitle(const QString& title) {
    title_->setText(title);
}

TToolRunDialog::TToolRunDialog(QWidget* parent, const QString& program) : QDialog(parent) {
    setObjectName(QStringLiteral("ToolRunning"));
    setWindowTitle(QStringLiteral("Pelmar"));
    setModal(true);
    auto* column = new QVBoxLayout(this);
    auto* text = new QLabel(QStringLiteral("Running %1...").arg(program), this);
    column->addWidget(text);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("ToolCancel"));
    column->addWidget(cancel, 0, Qt::AlignCenter);
    connect(cancel, &QPushButton::clicked, this, &TToolRunDialog::reject);
}

void TToolRunDialog::reject() {
    // The dialog stays until the tool has really ended; the run closes it.
    if (!cancelAsked_) {
        cancelAsked_ = true;
        if (onCancel) {
            onCancel();
        }
    }
}
