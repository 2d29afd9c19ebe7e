// The outline control: its item tree, numbering, rows, keys, mouse and drawing.
#include "structure/qt/uniOutline.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <cmath>

#include "base/uniCodePage.h"
#include "base/uniNumRefs.h"
#include "platform/qt/qtConvert.h"

namespace {

const char* const kInvalidIndex = "Invalid outline index";
const char* const kIndexNotFound = "Outline index not found";
const char* const kInvalidSelection = "Invalid selection";
const char* const kMaxDepth = "Maximum outline depth exceeded";
const char* const kParentCollapsed = "Parent must be expanded";

constexpr int kPictureSize = 16;
constexpr int kBoxSize = 9;
constexpr int kTextGap = 3;
const QColor kHotColour(0, 0, 128);

// The plus and minus boxes.
QIcon BoxIcon(bool plus) {
    QPixmap pm(kBoxSize, kBoxSize);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setPen(QColor(128, 128, 128));
    p.drawRect(0, 0, kBoxSize - 1, kBoxSize - 1);
    p.setPen(Qt::black);
    const int mid = kBoxSize / 2;
    p.drawLine(2, mid, kBoxSize - 3, mid);
    if (plus) {
        p.drawLine(mid, 2, mid, kBoxSize - 3);
    }
    return QIcon(pm);
}

// A folder, open or closed, for items with children.
QIcon FolderIcon(bool open) {
    QPixmap pm(kPictureSize, kPictureSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor edge(128, 96, 0);
    p.setPen(edge);
    p.setBrush(QColor(230, 190, 70));
    p.drawRect(1, 4, 13, 9);
    p.drawRect(1, 2, 5, 2);
    if (open) {
        p.setBrush(QColor(250, 220, 120));
        const QPointF flap[] = {{3.0, 7.0}, {15.0, 7.0}, {13.0, 13.0}, {1.0, 13.0}};
        p.drawPolygon(flap, 4);
    }
    return QIcon(pm);
}

// A page, for items without children.
QIcon LeafIcon() {
    QPixmap pm(kPictureSize, kPictureSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QColor(96, 96, 96));
    p.setBrush(Qt::white);
    p.drawRect(3, 1, 9, 13);
    p.setPen(QColor(150, 150, 150));
    for (int y = 4; y <= 11; y += 2) {
        p.drawLine(5, y, 10, y);
    }
    return QIcon(pm);
}

} // namespace

// --- items ---------------------------------------------------------------------------------

TuniOutlineNode::TuniOutlineNode(TuniOutline& outline, TuniOutlineNode* parent, std::string text,
                                 void* data)
    : outline_(outline), parent_(parent), text_(std::move(text)), data_(data) {}

TuniOutlineNode::~TuniOutlineNode() = default;

void TuniOutlineNode::SetText(std::string text) {
    text_ = std::move(text);
    outline_.RowsChanged();
}

int TuniOutlineNode::Index() const {
    outline_.EnsureIndexes();
    return index_;
}

int TuniOutlineNode::Level() const {
    int level = 0;
    for (const TuniOutlineNode* p = parent_; p != nullptr; p = p->parent_) {
        ++level;
    }
    return level;
}

std::string TuniOutlineNode::FullPath() const {
    std::vector<const TuniOutlineNode*> chain;
    for (const TuniOutlineNode* n = this; n->parent_ != nullptr; n = n->parent_) {
        chain.push_back(n);
    }
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty() || it != chain.rbegin()) {
            path += outline_.separator_;
        }
        path += (*it)->text_;
    }
    return path;
}

void TuniOutlineNode::SetExpanded(bool value) {
    if (value == expanded_ || parent_ == nullptr) {
        return;
    }
    if (value) {
        outline_.Expanding(*this);
    } else {
        outline_.Collapsed(*this);
    }
}

void TuniOutlineNode::ExpandAll() {
    if (!HasItems()) {
        return;
    }
    SetExpanded(true);
    for (const auto& child : children_) {
        child->ExpandAll();
    }
}

// --- the control: items and numbering ------------------------------------------------------

TuniOutline::TuniOutline(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("uniOutline"));
    root_.reset(new TuniOutlineNode(*this, nullptr, std::string(), nullptr));
    root_->expanded_ = true;
    byIndex_.push_back(root_.get());
    pictures_[static_cast<size_t>(TuniOutlinePicture::Plus)] = BoxIcon(true);
    pictures_[static_cast<size_t>(TuniOutlinePicture::Minus)] = BoxIcon(false);
    pictures_[static_cast<size_t>(TuniOutlinePicture::Open)] =
        QIcon::fromTheme(QStringLiteral("folder-open"), FolderIcon(true));
    pictures_[static_cast<size_t>(TuniOutlinePicture::Closed)] =
        QIcon::fromTheme(QStringLiteral("folder"), FolderIcon(false));
    pictures_[static_cast<size_t>(TuniOutlinePicture::Leaf)] =
        QIcon::fromTheme(QStringLiteral("text-x-generic"), LeafIcon());
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    itemHeight_ = DefaultItemHeight();
    verticalScrollBar()->setSingleStep(1);
    resize(121, 97);
    SetScrollBars(scrollBars_);
}

TuniOutline::~TuniOutline() = default;

void TuniOutline::Clear() {
    selected_ = nullptr;
    hot_ = nullptr;
    pressRow_ = -1;
    currentRow_ = 0;
    root_.reset(new TuniOutlineNode(*this, nullptr, std::string(), nullptr));
    root_->expanded_ = true;
    byIndex_.assign(1, root_.get());
    indexesDirty_ = false;
    rows_.clear();
    rowsDirty_ = false;
    ++rowStamp_;
    verticalScrollBar()->setValue(0);
    RowsChanged();
}

void TuniOutline::BeginUpdate() {
    ++updateCount_;
}

void TuniOutline::EndUpdate() {
    if (updateCount_ == 0) {
        return;
    }
    if (--updateCount_ == 0) {
        RowsChanged();
    }
}

int TuniOutline::AddChild(int parent, std::string text, void* object) {
    TuniOutlineNode& owner = parent == 0 ? *root_ : NodeOrThrow(parent);
    if (owner.Level() >= kMaxLevel) {
        throw EUniOutlineError(kMaxDepth);
    }
    owner.children_.emplace_back(new TuniOutlineNode(*this, &owner, std::move(text), object));
    TuniOutlineNode& node = *owner.children_.back();
    Attached(node);
    return node.Index();
}

int TuniOutline::AddSibling(int index, std::string text, void* object) {
    if (index == 0) {
        return AddChild(0, std::move(text), object);
    }
    TuniOutlineNode& after = NodeOrThrow(index);
    TuniOutlineNode& owner = *after.parent_;
    auto at = std::find_if(owner.children_.begin(), owner.children_.end(),
                           [&](const auto& child) { return child.get() == &after; });
    at = owner.children_.emplace(std::next(at),
                                 new TuniOutlineNode(*this, &owner, std::move(text), object));
    TuniOutlineNode& node = **at;
    Attached(node);
    return node.Index();
}

void TuniOutline::Attached(TuniOutlineNode& node) {
    // Building a tree in depth-first order appends each item at the end of the numbering
    // (and of the rows, when its parent is open): keep both without renumbering everything.
    bool last = true;
    for (const TuniOutlineNode* n = &node; n->parent_ != nullptr; n = n->parent_) {
        if (n->parent_->children_.back().get() != n) {
            last = false;
            break;
        }
    }
    if (last && !indexesDirty_) {
        node.index_ = static_cast<int>(byIndex_.size());
        byIndex_.push_back(&node);
    } else {
        indexesDirty_ = true;
    }
    if (!node.parent_->expanded_) {
        return;
    }
    if (last && !rowsDirty_) {
        node.row_ = static_cast<int>(rows_.size());
        node.rowStamp_ = rowStamp_;
        rows_.push_back(&node);
    } else {
        rowsDirty_ = true;
    }
    RowsChanged();
}

void TuniOutline::EnsureIndexes() const {
    if (!indexesDirty_) {
        return;
    }
    byIndex_.clear();
    // Depth-first, the root first; an explicit stack, as the tree may be 255 deep.
    std::vector<TuniOutlineNode*> stack{root_.get()};
    while (!stack.empty()) {
        TuniOutlineNode* n = stack.back();
        stack.pop_back();
        n->index_ = static_cast<int>(byIndex_.size());
        byIndex_.push_back(n);
        for (auto it = n->children_.rbegin(); it != n->children_.rend(); ++it) {
            stack.push_back(it->get());
        }
    }
    indexesDirty_ = false;
}

void TuniOutline::EnsureRows() const {
    if (!rowsDirty_) {
        return;
    }
    rows_.clear();
    ++rowStamp_;
    std::vector<TuniOutlineNode*> stack;
    for (auto it = root_->children_.rbegin(); it != root_->children_.rend(); ++it) {
        stack.push_back(it->get());
    }
    while (!stack.empty()) {
        TuniOutlineNode* n = stack.back();
        stack.pop_back();
        n->row_ = static_cast<int>(rows_.size());
        n->rowStamp_ = rowStamp_;
        rows_.push_back(n);
        if (n->expanded_) {
            for (auto it = n->children_.rbegin(); it != n->children_.rend(); ++it) {
                stack.push_back(it->get());
            }
        }
    }
    rowsDirty_ = false;
}

TuniOutlineNode* TuniOutline::NodeAt(int index) const {
    EnsureIndexes();
    if (index < 0 || index >= static_cast<int>(byIndex_.size())) {
        return nullptr;
    }
    return byIndex_[static_cast<size_t>(index)];
}

TuniOutlineNode& TuniOutline::NodeOrThrow(int index) const {
    TuniOutlineNode* node = NodeAt(index);
    if (node == nullptr) {
        throw EUniOutlineError(kIndexNotFound);
    }
    return *node;
}

TuniOutlineNode& TuniOutline::Item(int index) {
    if (index == 0) {
        throw EUniOutlineError(kInvalidIndex);
    }
    return NodeOrThrow(index);
}

const TuniOutlineNode& TuniOutline::Item(int index) const {
    return const_cast<TuniOutline*>(this)->Item(index);
}

int TuniOutline::ItemCount() const {
    EnsureIndexes();
    return static_cast<int>(byIndex_.size()) - 1;
}

int TuniOutline::LastIndex() const {
    return ItemCount();
}

int TuniOutline::IndexOfData(const void* object) const {
    EnsureIndexes();
    for (const TuniOutlineNode* n : byIndex_) {
        if (n->data_ == object) {
            return n->index_;
        }
    }
    return 0;
}

int TuniOutline::IndexOfPath(std::string_view path) const {
    const TuniOutlineNode* at = root_.get();
    while (at != nullptr && !path.empty()) {
        const size_t cut = separator_.empty() ? std::string_view::npos : path.find(separator_);
        const std::string_view name = path.substr(0, cut);
        path = cut == std::string_view::npos ? std::string_view()
                                             : path.substr(cut + separator_.size());
        const TuniOutlineNode* found = nullptr;
        for (const auto& child : at->children_) {
            if (child->text_ == name) {
                found = child.get();
                break;
            }
        }
        at = found;
    }
    return at == nullptr || at == root_.get() ? 0 : at->Index();
}

std::vector<std::string> TuniOutline::Lines() const {
    EnsureIndexes();
    std::vector<std::string> lines;
    for (size_t i = 1; i < byIndex_.size(); ++i) {
        const TuniOutlineNode* n = byIndex_[i];
        lines.push_back(std::string(static_cast<size_t>(n->Level() - 1), '\t') + n->text_);
    }
    return lines;
}

// --- expanding and collapsing --------------------------------------------------------------

void TuniOutline::Expanding(TuniOutlineNode& node) {
    std::vector<TuniOutlineNode*> closed;
    for (TuniOutlineNode* p = node.parent_; p != nullptr && p->parent_ != nullptr; p = p->parent_) {
        if (!p->expanded_) {
            closed.push_back(p);
        }
    }
    for (auto it = closed.rbegin(); it != closed.rend(); ++it) {
        (*it)->SetExpanded(true);
    }
    for (TuniOutlineNode* p = node.parent_; p != nullptr; p = p->parent_) {
        if (!p->expanded_) {
            throw EUniOutlineError(kParentCollapsed);
        }
    }
    if (onExpand) {
        onExpand(node.Index());
    }
    if (node.expanded_) {
        return; // the handler did it
    }
    node.expanded_ = true;
    if (node.HasItems()) {
        rowsDirty_ = true;
    }
    RowsChanged();
}

void TuniOutline::Collapsed(TuniOutlineNode& node) {
    // Everything below closes too, so that an open item always has open ancestors.
    std::vector<TuniOutlineNode*> stack{&node};
    while (!stack.empty()) {
        TuniOutlineNode* n = stack.back();
        stack.pop_back();
        n->expanded_ = false;
        for (const auto& child : n->children_) {
            if (child->expanded_) {
                stack.push_back(child.get());
            }
        }
    }
    if (node.HasItems()) {
        rowsDirty_ = true;
    }
    NodeGone(node);
    RowsChanged();
    if (onCollapse) {
        onCollapse(node.Index());
    }
}

// A selected or hot item hidden below `node` moves up to it (selected) or is let go (hot).
void TuniOutline::NodeGone(TuniOutlineNode& node) {
    const auto below = [&](const TuniOutlineNode* n) {
        for (const TuniOutlineNode* p = n != nullptr ? n->parent_ : nullptr; p != nullptr;
             p = p->parent_) {
            if (p == &node) {
                return true;
            }
        }
        return false;
    };
    if (below(selected_)) {
        selected_ = &node;
    }
    if (below(hot_)) {
        SetHot(nullptr);
    }
}

void TuniOutline::FullExpand() {
    for (const auto& child : root_->children_) {
        child->ExpandAll();
    }
}

// --- rows, selection, scrolling ------------------------------------------------------------

int TuniOutline::RowCount() const {
    EnsureRows();
    return static_cast<int>(rows_.size());
}

TuniOutlineNode* TuniOutline::ItemAtRow(int row) const {
    EnsureRows();
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return nullptr;
    }
    return rows_[static_cast<size_t>(row)];
}

int TuniOutline::RowOfIndex(int index) const {
    const TuniOutlineNode* node = NodeAt(index);
    if (node == nullptr || node == root_.get()) {
        return -1;
    }
    EnsureRows();
    return node->rowStamp_ == rowStamp_ ? node->row_ : -1;
}

int TuniOutline::CurrentRow() const {
    if (selected_ != nullptr) {
        const int row = RowOfIndex(selected_->Index());
        if (row >= 0) {
            return row;
        }
    }
    return std::clamp(currentRow_, 0, std::max(0, RowCount() - 1));
}

int TuniOutline::Selected() const {
    if (selected_ != nullptr) {
        return selected_->Index();
    }
    const TuniOutlineNode* node = ItemAtRow(CurrentRow());
    return node != nullptr ? node->Index() : 0;
}

void TuniOutline::SetSelected(int index) {
    if (Updating()) {
        return;
    }
    TuniOutlineNode* node = nullptr;
    if (index <= 0 && root_->HasItems()) {
        node = root_->children_.front().get();
    } else if (index <= 0) {
        throw EUniOutlineError(kInvalidSelection);
    } else {
        node = &NodeOrThrow(index);
    }
    SelectNode(*node);
}

void TuniOutline::SelectNode(TuniOutlineNode& node) {
    if (node.parent_ != nullptr && !node.parent_->expanded_) {
        node.parent_->SetExpanded(true);
    }
    selected_ = &node;
    currentRow_ = RowOfIndex(node.Index());
    ScrollToRow(currentRow_);
    viewport()->update();
}

void TuniOutline::SelectRow(int row) {
    if (TuniOutlineNode* node = ItemAtRow(row)) {
        SelectNode(*node);
    }
}

int TuniOutline::TopRow() const {
    return verticalScrollBar()->value();
}

void TuniOutline::SetTopRow(int row) {
    verticalScrollBar()->setValue(row);
}

int TuniOutline::FullRows() const {
    return std::max(1, viewport()->height() / std::max(1, itemHeight_));
}

void TuniOutline::ScrollToRow(int row) {
    if (row < 0) {
        return;
    }
    const int top = TopRow();
    if (row < top) {
        SetTopRow(row);
    } else if (row >= top + FullRows()) {
        SetTopRow(row - FullRows() + 1);
    }
}

void TuniOutline::UpdateScrollBars() {
    const int rows = RowCount();
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, rows - FullRows()));
    v->setPageStep(FullRows());
    const bool horizontal = scrollBars_ == TuniOutlineScrollBars::Horizontal ||
                            scrollBars_ == TuniOutlineScrollBars::Both;
    QScrollBar* h = horizontalScrollBar();
    if (horizontal) {
        int widest = 0;
        for (const TuniOutlineNode* n : rows_) {
            const TRowLayout l = LayoutOf(*n);
            widest = std::max(widest, l.textLeft + l.textWidth + kTextGap);
        }
        h->setRange(0, std::max(0, widest - viewport()->width()));
        h->setPageStep(viewport()->width());
        h->setSingleStep(std::max(1, itemHeight_));
    } else {
        h->setRange(0, 0);
    }
}

void TuniOutline::RowsChanged() {
    if (Updating()) {
        return;
    }
    UpdateScrollBars();
    viewport()->update();
}

void TuniOutline::RepaintRow(int row) {
    const int y = (row - TopRow()) * itemHeight_;
    if (row >= 0 && y + itemHeight_ > 0 && y < viewport()->height()) {
        viewport()->update(0, y, viewport()->width(), itemHeight_);
    }
}

int TuniOutline::RowAt(QPoint pos) const {
    if (pos.y() < 0 || itemHeight_ <= 0) {
        return -1;
    }
    const int row = TopRow() + pos.y() / itemHeight_;
    return row < RowCount() ? row : -1;
}

int TuniOutline::HotItem() const {
    return hot_ != nullptr ? hot_->Index() : 0;
}

void TuniOutline::SetHot(TuniOutlineNode* node) {
    if (node == hot_) {
        return;
    }
    if (hot_ != nullptr) {
        RepaintRow(RowOfIndex(hot_->Index()));
    }
    hot_ = node;
    if (hot_ != nullptr) {
        RepaintRow(RowOfIndex(hot_->Index()));
        viewport()->setCursor(Qt::PointingHandCursor);
    } else {
        viewport()->unsetCursor();
    }
}

// --- properties ----------------------------------------------------------------------------

int TuniOutline::DefaultItemHeight() const {
    // 120 percent of the font's pixel height, but no less than its line height, so that
    // descenders and underscores are not cut off by the next row.
    const QFont f = font();
    double pixels = f.pixelSize() > 0 ? f.pixelSize() : f.pointSizeF() * logicalDpiY() / 72.0;
    return std::max(static_cast<int>(std::lround(pixels * 1.2)), fontMetrics().height() + 1);
}

void TuniOutline::SetUniOutlineStyle(TuniOutlineStyle style) {
    outlineStyle_ = style;
    RowsChanged();
}

void TuniOutline::SetStyle(TuniOutlineType type) {
    type_ = type;
    viewport()->update();
}

void TuniOutline::SetOptions(const TuniOutlineOptions& options) {
    options_ = options;
    RowsChanged();
}

void TuniOutline::SetItemHeight(int height) {
    itemHeight_ = std::max(1, height);
    itemHeightSet_ = true;
    RowsChanged();
}

const QIcon& TuniOutline::Picture(TuniOutlinePicture which) const {
    return pictures_[static_cast<size_t>(which)];
}

void TuniOutline::SetPicture(TuniOutlinePicture which, const QIcon& icon) {
    pictures_[static_cast<size_t>(which)] = icon;
    viewport()->update();
}

void TuniOutline::SetScrollBars(TuniOutlineScrollBars bars) {
    scrollBars_ = bars;
    const bool vertical =
        bars == TuniOutlineScrollBars::Vertical || bars == TuniOutlineScrollBars::Both;
    const bool horizontal =
        bars == TuniOutlineScrollBars::Horizontal || bars == TuniOutlineScrollBars::Both;
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    RowsChanged();
}

void TuniOutline::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange && !itemHeightSet_) {
        itemHeight_ = DefaultItemHeight();
        RowsChanged();
    }
}

// --- geometry and drawing ------------------------------------------------------------------

bool TuniOutline::HasExpander() const {
    return outlineStyle_ == TuniOutlineStyle::osPlusMinusText ||
           outlineStyle_ == TuniOutlineStyle::osPlusMinusPictureText || HasTreeLines();
}

bool TuniOutline::HasPicture() const {
    return outlineStyle_ == TuniOutlineStyle::osPictureText ||
           outlineStyle_ == TuniOutlineStyle::osPlusMinusPictureText ||
           outlineStyle_ == TuniOutlineStyle::osTreePictureText;
}

bool TuniOutline::HasTreeLines() const {
    return outlineStyle_ == TuniOutlineStyle::osTreeText ||
           outlineStyle_ == TuniOutlineStyle::osTreePictureText;
}

int TuniOutline::Indent() const {
    return kPictureSize + 2;
}

QString TuniOutline::DisplayText(const TuniOutlineNode& node) const {
    return QStringFromU16(DecodeNumericRefs(AnsiToWide(node.text_)));
}

TuniOutline::TRowLayout TuniOutline::LayoutOf(const TuniOutlineNode& node) const {
    TRowLayout l;
    const int indent = Indent();
    int x = (node.Level() - 1) * indent;
    if (HasExpander()) {
        l.expanderLeft = x;
        l.expanderRight = x + indent;
        x += indent;
    }
    if (HasPicture()) {
        l.pictureLeft = x;
        x += kPictureSize;
    }
    // The text box, highlighted when current, keeps a small gap around the text.
    l.textLeft = x;
    l.textWidth = fontMetrics().horizontalAdvance(DisplayText(node)) + 2 * kTextGap;
    return l;
}

void TuniOutline::paintEvent(QPaintEvent* e) {
    QPainter p(viewport());
    const QRect dirty = e->rect();
    const int first = TopRow() + std::max(0, dirty.top()) / itemHeight_;
    const int rows = RowCount();
    for (int row = first; row < rows; ++row) {
        const int y = (row - TopRow()) * itemHeight_;
        if (y > dirty.bottom()) {
            break;
        }
        DrawRow(p, row, QRect(0, y, viewport()->width(), itemHeight_));
    }
}

void TuniOutline::DrawRow(QPainter& p, int row, const QRect& rect) {
    const TuniOutlineNode& node = *ItemAtRow(row);
    const bool current = row == CurrentRow() && (selected_ != nullptr || hasFocus());
    const bool hot = &node == hot_;
    if (type_ == TuniOutlineType::otOwnerDraw) {
        if (onDrawItem) {
            onDrawItem(p, rect, node.Index(), TDrawState{current, hot, hasFocus()});
        }
        return;
    }
    p.fillRect(rect, palette().color(QPalette::Base));
    const int dx = -horizontalScrollBar()->value();
    const TRowLayout l = LayoutOf(node);
    if (HasTreeLines()) {
        DrawTreeLines(p, node, rect.translated(dx, 0));
    }
    const int cy = rect.top() + rect.height() / 2;
    if (l.expanderLeft >= 0 && node.HasItems()) {
        const QIcon& box =
            Picture(node.expanded_ ? TuniOutlinePicture::Minus : TuniOutlinePicture::Plus);
        const int size = std::min(kBoxSize, rect.height());
        const int bx = dx + (l.expanderLeft + l.expanderRight - size) / 2;
        box.paint(&p, QRect(bx, cy - size / 2, size, size));
    }
    if (l.pictureLeft >= 0) {
        const TuniOutlinePicture which = !node.HasItems() ? TuniOutlinePicture::Leaf
                                         : node.expanded_ ? TuniOutlinePicture::Open
                                                          : TuniOutlinePicture::Closed;
        // Natural size when it fits the row, else (or when asked) the row's height.
        const int size =
            options_.stretchBitmaps ? rect.height() : std::min(kPictureSize, rect.height());
        Picture(which).paint(
            &p, QRect(dx + l.pictureLeft + (kPictureSize - size) / 2, cy - size / 2, size, size));
    }
    const QRect textRect(dx + l.textLeft, rect.top(), l.textWidth, rect.height());
    QFont f = font();
    f.setUnderline(hot);
    p.setFont(f);
    if (current) {
        p.fillRect(textRect, palette().color(QPalette::Highlight));
        p.setPen(palette().color(QPalette::HighlightedText));
    } else {
        p.setPen(hot ? kHotColour : palette().color(QPalette::Text));
    }
    p.drawText(textRect.adjusted(kTextGap, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
               DisplayText(node));
    if (current && hasFocus() && options_.drawFocusRect) {
        QPen pen(palette().color(QPalette::HighlightedText));
        pen.setStyle(Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(textRect.adjusted(0, 0, -1, -1));
    }
}

void TuniOutline::DrawTreeLines(QPainter& p, const TuniOutlineNode& node, const QRect& rect) const {
    QPen pen(palette().color(QPalette::Mid));
    pen.setStyle(Qt::DotLine);
    p.setPen(pen);
    const int indent = Indent();
    const int cy = rect.top() + rect.height() / 2;
    const auto hasNext = [](const TuniOutlineNode& n) {
        return n.parent_ != nullptr && n.parent_->children_.back().get() != &n;
    };
    const auto centre = [&](int depth) { return rect.left() + (depth - 1) * indent + indent / 2; };
    const int level = node.Level();
    // The columns of the ancestors: a line goes on down where an ancestor has a sibling below.
    int l = level - 1;
    for (const TuniOutlineNode* a = node.parent_; a != nullptr && a->parent_ != nullptr;
         a = a->parent_, --l) {
        if (hasNext(*a) && (l > 1 || options_.drawTreeRoot)) {
            p.drawLine(centre(l), rect.top(), centre(l), rect.bottom());
        }
    }
    if (level == 1 && !options_.drawTreeRoot) {
        return;
    }
    const int x = centre(level);
    const bool first = level == 1 && node.parent_->children_.front().get() == &node;
    p.drawLine(x, first ? cy : rect.top(), x, hasNext(node) ? rect.bottom() : cy);
    p.drawLine(x, cy, rect.left() + level * indent, cy);
}

// --- input ---------------------------------------------------------------------------------

void TuniOutline::Beep() const {
    QApplication::beep();
}

void TuniOutline::keyPressEvent(QKeyEvent* e) {
    const int rows = RowCount();
    if (rows == 0) {
        QAbstractScrollArea::keyPressEvent(e);
        return;
    }
    const int row = CurrentRow();
    TuniOutlineNode& node = *ItemAtRow(row);
    const bool ctrl = e->modifiers().testFlag(Qt::ControlModifier);
    const bool keypad = e->modifiers().testFlag(Qt::KeypadModifier);
    const auto siblingAt = [&](int step) -> TuniOutlineNode* {
        const auto& list = node.parent_->children_;
        auto it =
            std::find_if(list.begin(), list.end(), [&](const auto& c) { return c.get() == &node; });
        const auto pos = static_cast<int>(it - list.begin()) + step;
        return pos >= 0 && pos < static_cast<int>(list.size())
                   ? list[static_cast<size_t>(pos)].get()
                   : nullptr;
    };
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        node.SetExpanded(!node.expanded_);
        break;
    case Qt::Key_Home:
        SelectRow(0);
        break;
    case Qt::Key_End:
        SelectRow(rows - 1);
        break;
    case Qt::Key_Left:
        if (node.parent_ == root_.get()) {
            Beep();
        } else {
            SelectNode(*node.parent_);
        }
        break;
    case Qt::Key_Right:
        if (node.HasItems() && node.expanded_) {
            SelectRow(row + 1);
        } else {
            Beep();
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (ctrl) {
            if (TuniOutlineNode* sibling = siblingAt(e->key() == Qt::Key_Up ? -1 : 1)) {
                SelectNode(*sibling);
            } else {
                Beep();
            }
        } else {
            SelectRow(std::clamp(row + (e->key() == Qt::Key_Up ? -1 : 1), 0, rows - 1));
        }
        break;
    case Qt::Key_PageUp:
        SelectRow(std::max(0, row - FullRows()));
        break;
    case Qt::Key_PageDown:
        SelectRow(std::min(rows - 1, row + FullRows()));
        break;
    case Qt::Key_Asterisk:
        if (ctrl && keypad) {
            FullExpand();
        } else {
            node.ExpandAll();
        }
        break;
    case Qt::Key_Plus:
        node.SetExpanded(true);
        break;
    case Qt::Key_Minus:
        node.SetExpanded(false);
        break;
    default:
        if (e->text() == QStringLiteral("+")) {
            node.SetExpanded(true);
        } else if (e->text() == QStringLiteral("-")) {
            node.SetExpanded(false);
        } else if (e->text() == QStringLiteral("*")) {
            node.ExpandAll();
        } else {
            QAbstractScrollArea::keyPressEvent(e);
            return;
        }
    }
    e->accept();
}

void TuniOutline::mousePressEvent(QMouseEvent* e) {
    const int row = RowAt(e->position().toPoint());
    pressRow_ = row;
    if (row < 0) {
        return;
    }
    TuniOutlineNode& node = *ItemAtRow(row);
    SelectNode(node);
    const TRowLayout l = LayoutOf(node);
    const int x = e->position().toPoint().x() + horizontalScrollBar()->value();
    if (node.HasItems() && l.expanderLeft >= 0 && x >= l.expanderLeft && x < l.expanderRight) {
        node.SetExpanded(!node.expanded_);
    }
}

void TuniOutline::mouseReleaseEvent(QMouseEvent* e) {
    const int pressed = pressRow_;
    pressRow_ = -1;
    if (pressed >= 0 && e->button() == Qt::LeftButton &&
        viewport()->rect().contains(e->position().toPoint()) && onClick) {
        onClick();
    }
}

void TuniOutline::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        mousePressEvent(e); // only the left button's second press is a double click
        return;
    }
    if (RowAt(e->position().toPoint()) < 0) {
        return;
    }
    if (selected_ != nullptr) {
        selected_->SetExpanded(!selected_->expanded_);
    }
    if (onDblClick) {
        onDblClick();
    }
}

void TuniOutline::mouseMoveEvent(QMouseEvent* e) {
    SetHot(ItemAtRow(RowAt(e->position().toPoint())));
}

void TuniOutline::enterEvent(QEnterEvent* e) {
    QAbstractScrollArea::enterEvent(e);
    if (onMouseEnter) {
        onMouseEnter();
    }
}

void TuniOutline::leaveEvent(QEvent* e) {
    QAbstractScrollArea::leaveEvent(e);
    SetHot(nullptr);
    QToolTip::hideText();
}

bool TuniOutline::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        // The whole text of an item wider than the control.
        const auto* help = static_cast<QHelpEvent*>(e);
        const TuniOutlineNode* node = ItemAtRow(RowAt(help->pos()));
        if (node != nullptr) {
            const TRowLayout l = LayoutOf(*node);
            if (l.textLeft + l.textWidth - horizontalScrollBar()->value() > viewport()->width()) {
                QToolTip::showText(help->globalPos(), DisplayText(*node), viewport());
                return true;
            }
        }
        QToolTip::hideText();
        e->ignore();
        return true;
    }
    if (e->type() == QEvent::Leave) {
        SetHot(nullptr);
    }
    return QAbstractScrollArea::viewportEvent(e);
}

void TuniOutline::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
}

void TuniOutline::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    viewport()->update();
}

void TuniOutline::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    UpdateScrollBars();
}

void TuniOutline::scrollContentsBy(int, int) {
    viewport()->update();
}
