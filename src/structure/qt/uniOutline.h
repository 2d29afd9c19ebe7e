// The outline control: a tree list drawn as one column of rows, each visible item a row,
// with branches that open and close. Item texts are 8-bit with numeric references.
#pragma once

#include <QAbstractScrollArea>
#include <QIcon>

#include <array>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class QPainter;
class TuniOutline;

// What the outline's public operations throw: a bad index, a bad selection, too deep a tree.
class EUniOutlineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How rows are drawn: which of plus/minus box, picture and tree lines go before the text.
enum class TuniOutlineStyle {
    osText,
    osPlusMinusText,
    osPictureText,
    osPlusMinusPictureText,
    osTreeText,
    osTreePictureText,
};

// Standard drawing, or rows left to onDrawItem.
enum class TuniOutlineType { otStandard, otOwnerDraw };

struct TuniOutlineOptions {
    bool drawTreeRoot = true;    // lines join the top-level items
    bool drawFocusRect = true;   // a dotted frame around the current row while focused
    bool stretchBitmaps = false; // pictures fill the row height even when smaller
};

enum class TuniOutlinePicture { Plus, Minus, Open, Closed, Leaf };

enum class TuniOutlineScrollBars { None, Horizontal, Vertical, Both };

// One item. Items belong to their outline, which creates and frees them.
class TuniOutlineNode {
public:
    // Nodes are owned through their parent's child list and point at their outline.
    TuniOutlineNode(const TuniOutlineNode&) = delete;
    TuniOutlineNode& operator=(const TuniOutlineNode&) = delete;
    ~TuniOutlineNode();

    const std::string& Text() const { return text_; }
    void SetText(std::string text);
    // The caller's object; not owned.
    void* Data() const { return data_; }
    void SetData(void* data) { data_ = data; }

    TuniOutlineNode* Parent() const { return parent_; }
    TuniOutline& Outline() const { return outline_; }
    int ChildCount() const { return static_cast<int>(children_.size()); }
    TuniOutlineNode& Child(int i) const { return *children_[static_cast<size_t>(i)]; }
    bool HasItems() const { return !children_.empty(); }

    // Position among all items in depth-first order, hidden or not (the root is 0).
    int Index() const;
    // Number of ancestors: top-level items have 1.
    int Level() const;
    // The texts from the top level down to this item, joined by the item separator.
    std::string FullPath() const;

    bool Expanded() const { return expanded_; }
    // Expanding first opens every collapsed ancestor (each announced), then announces this
    // item and opens it. Collapsing closes the item and everything below it, then announces
    // it. Setting the current value does nothing; the root stays expanded.
    void SetExpanded(bool value);
    void Expand() { SetExpanded(true); }
    void Collapse() { SetExpanded(false); }
    // Opens this item and every descendant that has children.
    void ExpandAll();

private:
    friend class TuniOutline;
    TuniOutlineNode(TuniOutline& outline, TuniOutlineNode* parent, std::string text, void* data);

    TuniOutline& outline_;
    TuniOutlineNode* parent_;
    std::vector<std::unique_ptr<TuniOutlineNode>> children_;
    std::string text_;
    void* data_;
    bool expanded_ = false;
    // Set when the outline numbers its items or lays out its rows; valid while the stamp
    // matches the outline's.
    mutable int index_ = 0;
    mutable int row_ = -1;
    mutable unsigned rowStamp_ = 0;
};

// The control. Its row count is the number of visible items; the current row is the
// selected item's row.
class TuniOutline : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kMaxLevel = 255;

    explicit TuniOutline(QWidget* parent = nullptr);
    ~TuniOutline() override;

    // Frees all items; nothing is selected or hot afterwards.
    void Clear();
    // Nested. While updating, rows are not recounted on screen and selection changes are
    // ignored; the outermost EndUpdate recounts and repaints.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return updateCount_ > 0; }

    // Appends an item as the last child of `parent` (0: at the top level) and returns its
    // index. Throws when the parent is unknown or already at the deepest level.
    int AddChild(int parent, std::string text, void* object = nullptr);
    // Places an item right after `index` at its level (0: last at the top level).
    int AddSibling(int index, std::string text, void* object = nullptr);

    // The item at `index`: 0 is "Invalid outline index", one with no item "Outline index not
    // found".
    TuniOutlineNode& Item(int index);
    const TuniOutlineNode& Item(int index) const;
    // Number of items, the root not counted.
    int ItemCount() const;
    // Index of the last item in depth-first order (0 when empty).
    int LastIndex() const;
    // Index of the first item, root first, whose data is `object`; 0 when none holds it.
    int IndexOfData(const void* object) const;
    // Index of the item reached by the separated path of texts from the top level; 0 if none.
    int IndexOfPath(std::string_view path) const;
    // Every item as a text line, indented by one TAB per level below the top.
    std::vector<std::string> Lines() const;

    // The selected item's index: before anything was chosen, the item of the current row;
    // 0 when empty. Setting (ignored while updating): 0 is the first item; the item's
    // collapsed ancestors open, it becomes current and the rows scroll just enough to show
    // it. Setting does not fire onClick.
    int Selected() const;
    void SetSelected(int index);

    // Rows: visible items in depth-first order.
    int RowCount() const;
    int CurrentRow() const;
    int TopRow() const;
    void SetTopRow(int row);
    // The item shown in `row`, or none.
    TuniOutlineNode* ItemAtRow(int row) const;
    // The row showing `index`, or -1 when it is hidden.
    int RowOfIndex(int index) const;
    // Row under a viewport position, or -1.
    int RowAt(QPoint viewportPos) const;
    // Index of the item under the pointer, 0 when none.
    int HotItem() const;
    // Opens every item that has children.
    void FullExpand();

    TuniOutlineStyle UniOutlineStyle() const { return outlineStyle_; }
    void SetUniOutlineStyle(TuniOutlineStyle style);
    TuniOutlineType Style() const { return type_; }
    void SetStyle(TuniOutlineType type);
    const TuniOutlineOptions& Options() const { return options_; }
    void SetOptions(const TuniOutlineOptions& options);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);
    const std::string& ItemSeparator() const { return separator_; }
    void SetItemSeparator(std::string separator) { separator_ = std::move(separator); }
    const QIcon& Picture(TuniOutlinePicture which) const;
    void SetPicture(TuniOutlinePicture which, const QIcon& icon);
    TuniOutlineScrollBars ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TuniOutlineScrollBars bars);

    // Where a row's parts go, in viewport coordinates for the row's x axis.
    struct TRowLayout {
        int expanderLeft = -1; // the plus/minus box's column; -1 without one
        int expanderRight = -1;
        int pictureLeft = -1; // -1 without a picture
        int textLeft = 0;
        int textWidth = 0;
    };
    TRowLayout LayoutOf(const TuniOutlineNode& node) const;
    // The item's text as shown: references decoded.
    QString DisplayText(const TuniOutlineNode& node) const;

    // The events: the index is the item's. onClick follows a mouse click; onDblClick a
    // double click; onExpand comes before an item opens, onCollapse after it closed.
    std::function<void()> onClick;
    std::function<void()> onDblClick;
    std::function<void(int index)> onExpand;
    std::function<void(int index)> onCollapse;
    std::function<void()> onMouseEnter;
    struct TDrawState {
        bool current = false;
        bool hot = false;
        bool focused = false;
    };
    // Draws a row in the owner-draw style.
    std::function<void(QPainter& painter, const QRect& rowRect, int index, TDrawState state)>
        onDrawItem;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    friend class TuniOutlineNode;

    TuniOutlineNode* NodeAt(int index) const;
    TuniOutlineNode& NodeOrThrow(int index) const;
    void EnsureIndexes() const;
    void EnsureRows() const;
    // After an item was attached: keeps the numbering and rows when it is the last item.
    void Attached(TuniOutlineNode& node);
    void RowsChanged();
    void Expanding(TuniOutlineNode& node);
    void Collapsed(TuniOutlineNode& node);
    void NodeGone(TuniOutlineNode& node);
    void SelectRow(int row);
    void SelectNode(TuniOutlineNode& node);
    void ScrollToRow(int row);
    int FullRows() const;
    void UpdateScrollBars();
    void RepaintRow(int row);
    void SetHot(TuniOutlineNode* node);
    int DefaultItemHeight() const;
    void DrawRow(QPainter& p, int row, const QRect& rect);
    void DrawTreeLines(QPainter& p, const TuniOutlineNode& node, const QRect& rect) const;
    bool HasExpander() const;
    bool HasPicture() const;
    bool HasTreeLines() const;
    int Indent() const;
    void Beep() const;

    std::unique_ptr<TuniOutlineNode> root_;
    TuniOutlineNode* selected_ = nullptr;
    TuniOutlineNode* hot_ = nullptr;
    int currentRow_ = 0;
    int updateCount_ = 0;
    int pressRow_ = -1;

    mutable std::vector<TuniOutlineNode*> byIndex_; // [0] is the root
    mutable bool indexesDirty_ = false;
    mutable std::vector<TuniOutlineNode*> rows_;
    mutable bool rowsDirty_ = false;
    mutable unsigned rowStamp_ = 1;

    TuniOutlineStyle outlineStyle_ = TuniOutlineStyle::osTreePictureText;
    TuniOutlineType type_ = TuniOutlineType::otStandard;
    TuniOutlineOptions options_;
    int itemHeight_ = 0;
    bool itemHeightSet_ = false;
    std::string separator_ = "\\";
    std::array<QIcon, 5> pictures_;
    TuniOutlineScrollBars scrollBars_ = TuniOutlineScrollBars::Both;
};
