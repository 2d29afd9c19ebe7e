#include "editor/qt/uniMemoWidget.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "actions/uniKeymap.h"
#include "platform/qt/qtConvert.h"

namespace {

std::optional<TScrollCode> ScrollCodeOf(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        return TScrollCode::LineDown;
    case QAbstractSlider::SliderSingleStepSub:
        return TScrollCode::LineUp;
    case QAbstractSlider::SliderPageStepAdd:
        return TScrollCode::PageDown;
    case QAbstractSlider::SliderPageStepSub:
        return TScrollCode::PageUp;
    case QAbstractSlider::SliderToMinimum:
        return TScrollCode::Top;
    case QAbstractSlider::SliderToMaximum:
        return TScrollCode::Bottom;
    case QAbstractSlider::SliderMove:
        return TScrollCode::Thumb;
    default:
        return std::nullopt;
    }
}

} // namespace

TuniMemoWidget::TuniMemoWidget(TMemoEnvironment environment, const TUniActionKeymap* globalKeymap,
                               QWidget* parent, TMemoKind kind)
    : QAbstractScrollArea(parent), canvas_(*viewport(), measurer_), messages_(this),
      questions_(viewport()) {
    setObjectName(QStringLiteral("UnicodeEditor"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, true);
    viewport()->setAttribute(Qt::WA_NoSystemBackground, true);
    viewport()->setCursor(Qt::IBeamCursor);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    TMemoPlatform platform;
    platform.measurer = &measurer_;
    platform.window = this;
    platform.scrollBars = this;
    platform.busyCursor = &busy_;
    platform.queue = &queue_;
    platform.messages = &messages_;
    platform.clipboard = &clipboard_;
    platform.questions = &questions_;
    platform.canvas = &canvas_;
    if (kind == TMemoKind::SingleLine) {
        memo_ = std::make_unique<TuniEdit>(platform, environment);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    } else {
        memo_ = std::make_unique<TuniMemo>(platform, environment);
    }
    SelectFont(memo_->Settings().fontName, memo_->Settings().fontSize);
    memo_->MeasureFont();

    TInputPlatform input;
    input.keyboard = &keyboard_;
    input.dragTimer = &dragTimer_;
    input.pointer = this;
    controller_ = std::make_unique<TMemoController>(*memo_, globalKeymap, input);

    canvas_.Resize(viewport()->size());
    canvas_.onCaretMoved = [this] { RestartBlink(); };
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0) {
        blink_.setInterval(flash / 2);
        connect(&blink_, &QTimer::timeout, this, [this] {
            blinkOn_ = !blinkOn_;
            if (canvas_.Caret()) {
                viewport()->update(*canvas_.Caret());
            }
        });
    }
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            &TuniMemoWidget::VerticalAction);
    connect(horizontalScrollBar(), &QAbstractSlider::actionTriggered, this,
            &TuniMemoWidget::HorizontalAction);
}

TuniMemoWidget::~TuniMemoWidget() {
    blink_.stop();
    dragTimer_.Stop();
    controller_.reset();
    memo_.reset();
}

void TuniMemoWidget::RepaintWhole() {
    wholePending_ = true;
    viewport()->update();
}

// --- events ------------------------------------------------------------------------------

bool TuniMemoWidget::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        // TAB and Shift+TAB are the editor's keys, not focus moves.
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) && !memo_->DialogMode()) {
            keyPressEvent(k);
            return true;
        }
    }
    if (e->type() == QEvent::ShortcutOverride) {
        // A key the editor's keymaps bind belongs to the editor, not to a window shortcut.
        auto* k = static_cast<QKeyEvent*>(e);
        const int vk = VirtualKeyOf(k->key(), k->modifiers());
        const TShortCut key = static_cast<TShortCut>(vk | ShiftStateOf(k->modifiers()));
        if (vk != 0 && controller_->FindKeyAction(key) != nullptr) {
            e->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

bool TuniMemoWidget::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::Paint) {
        paintEvent(static_cast<QPaintEvent*>(e));
        return true;
    }
    return QAbstractScrollArea::viewportEvent(e);
}

void TuniMemoWidget::keyPressEvent(QKeyEvent* e) {
    const TShiftState shift = ShiftStateOf(e->modifiers());
    const int vk = VirtualKeyOf(e->key(), e->modifiers());
    bool consumed = false;
    if (vk != 0) {
        keyboard_.SetEvent(e);
        consumed = controller_->Input().KeyDown(vk, shift);
        keyboard_.SetEvent(nullptr);
    }
    if (!consumed && !e->text().isEmpty()) {
        // Ctrl or Alt alone with a key no keymap took types nothing: Ctrl+letter is a
        // command that does not exist, Alt+letter a menu key that no menu has (the menus
        // took theirs before the editor saw the key). Ctrl and Alt together are AltGr on
        // some keyboards and type their character.
        const bool ctrl = (e->modifiers() & Qt::ControlModifier) != 0;
        const bool alt = (e->modifiers() & Qt::AltModifier) != 0;
        const bool command = ctrl != alt;
        QString text;
        for (const QChar c : e->text()) {
            // Control characters other than Backspace are keys no keymap took: they are not
            // typed into the text.
            if (c.unicode() == 8 || (c.unicode() >= 32 && c.unicode() != 127 && !command)) {
                text.append(c);
            }
        }
        if (!text.isEmpty()) {
            TypeText(text, shift, TCharSource::Plain);
            consumed = true;
        }
    }
    RestartBlink();
    SchedulePrimary();
    e->setAccepted(consumed);
    if (!consumed) {
        QAbstractScrollArea::keyPressEvent(e);
    }
}

void TuniMemoWidget::TypeText(const QString& text, TShiftState shift, TCharSource source) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        controller_->Input().Char(c, shift, c > 0xFFFF ? TCharSource::InputMethod : source);
    }
}

void TuniMemoWidget::inputMethodEvent(QInputMethodEvent* e) {
    if (!e->commitString().isEmpty()) {
        TypeText(e->commitString(), 0, TCharSource::InputMethod);
    }
    e->accept();
}

QVariant TuniMemoWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return canvas_.Caret() ? QVariant(*canvas_.Caret()) : QVariant(QRect());
    case Qt::ImFont:
        return measurer_.Font();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void TuniMemoWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::MiddleButton && primary_.Available()) {
        const std::optional<TClipboardText> content = primary_.GetText();
        if (content && content->utf16 && !content->utf16->empty()) {
            const QPoint p = e->position().toPoint();
            controller_->Input().PasteAtPointer(p.x(), p.y(), *content->utf16,
                                                content->columnBlock);
            RestartBlink();
        }
        e->accept();
        return;
    }
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    const QPoint p = e->position().toPoint();
    controller_->Input().MouseDown(p.x(), p.y());
    RestartBlink();
    e->accept();
}

void TuniMemoWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    // The editor counts clicks itself, on the button releases; a second middle click is no
    // second paste.
    if (e->button() == Qt::MiddleButton) {
        e->accept();
        return;
    }
    mousePressEvent(e);
}

void TuniMemoWidget::mouseMoveEvent(QMouseEvent* e) {
    if (controller_->Input().Dragging()) {
        const QPoint p = e->position().toPoint();
        controller_->Input().MouseMove(p.x(), p.y());
    }
    e->accept();
}

void TuniMemoWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && controller_->Input().Dragging()) {
        controller_->Input().MouseUp();
        SchedulePrimary();
    }
    e->accept();
}

void TuniMemoWidget::wheelEvent(QWheelEvent* e) {
    wheelRest_ += e->angleDelta().y();
    const int steps = -(wheelRest_ / 120);
    wheelRest_ %= 120;
    if (steps != 0) {
        if (!onWheel || !onWheel(steps)) {
            controller_->Input().Wheel(steps);
        }
    }
    e->accept();
}

void TuniMemoWidget::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    RestartBlink();
    if (!memo_->Loading()) {
        memo_->Repaint();
        memo_->UpdateView();
    }
}

void TuniMemoWidget::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    blink_.stop();
    if (canvas_.Caret()) {
        viewport()->update(*canvas_.Caret());
    }
}

void TuniMemoWidget::paintEvent(QPaintEvent* e) {
    if (wholePending_ && !canvas_.Obscured() && !memo_->Loading()) {
        wholePending_ = false;
        canvas_.SetAnnounce(false);
        memo_->PaintWhole();
        canvas_.SetAnnounce(true);
        viewport()->update();
    }
    QPainter p(viewport());
    for (const QRect& r : e->region()) {
        p.drawImage(r, canvas_.Image(), r);
    }
    if (hasFocus() && blinkOn_ && canvas_.Caret()) {
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillRect(*canvas_.Caret(), Qt::white);
    }
}

void TuniMemoWidget::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    canvas_.Resize(viewport()->size());
    memo_->Repaint();
    ScheduleUpdate();
}

void TuniMemoWidget::scrollContentsBy(int, int) {
    // The editor moves its own view; the scroll bars only report what the user asked.
}

void TuniMemoWidget::ScheduleUpdate() {
    if (updateScheduled_) {
        return;
    }
    updateScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        updateScheduled_ = false;
        canvas_.Resize(viewport()->size());
        if (!memo_->Loading()) {
            memo_->Repaint();
            memo_->UpdateView();
        }
    });
}

void TuniMemoWidget::SchedulePrimary() {
    if (primaryScheduled_ || !primary_.Available()) {
        return;
    }
    primaryScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        primaryScheduled_ = false;
        PublishPrimary();
    });
}

void TuniMemoWidget::PublishPrimary() {
    const TuniMemo& m = *memo_;
    if (!m.HasSelectedText()) {
        // The last selection stays the primary one until another is made, as elsewhere.
        published_.reset();
        return;
    }
    const bool column = m.SelectionMode() == TSelectionMode::Column;
    const auto now = std::make_tuple(m.SelStart().pos, m.SelEnd().pos, column);
    if (published_ == now) {
        return;
    }
    published_ = now;
    primary_.SetText(m.SelectionAsText(), {}, column);
}

void TuniMemoWidget::RestartBlink() {
    blinkOn_ = true;
    if (blink_.interval() > 0 && hasFocus()) {
        blink_.start();
    }
}

void TuniMemoWidget::VerticalAction(int action) {
    if (settingScrollBars_) {
        return;
    }
    if (const auto code = ScrollCodeOf(action)) {
        controller_->Input().VerticalScroll(*code, verticalScrollBar()->sliderPosition());
    }
}

void TuniMemoWidget::HorizontalAction(int action) {
    if (settingScrollBars_) {
        return;
    }
    if (const auto code = ScrollCodeOf(action)) {
        controller_->Input().HorizontalScroll(*code, horizontalScrollBar()->sliderPosition());
    }
}

// --- what the editor asks of its window ----------------------------------------------------

int TuniMemoWidget::ClientWidth() const {
    return viewport()->width();
}
int TuniMemoWidget::ClientHeight() const {
    return viewport()->height();
}

void TuniMemoWidget::Invalidate() {
    RepaintWhole();
}

void TuniMemoWidget::ProcessPendingPaint() {
    viewport()->repaint();
}

void TuniMemoWidget::SelectFont(std::u16string_view name, int size) {
    QFont font(QStringFromU16(name), size > 0 ? size : 10);
    font.setStyleHint(QFont::TypeWriter);
    measurer_.SetFont(font);
    setFont(font);
    RepaintWhole();
}

void TuniMemoWidget::ShowScrollBars(bool vertical, bool horizontal) {
    const auto policy = [](bool on) { return on ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff; };
    if (verticalScrollBarPolicy() != policy(vertical)) {
        setVerticalScrollBarPolicy(policy(vertical));
    }
    if (horizontalScrollBarPolicy() != policy(horizontal)) {
        setHorizontalScrollBarPolicy(policy(horizontal));
    }
}

void TuniMemoWidget::SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) {
    QScrollBar* sb = bar == TScrollBarKind::Vertical ? verticalScrollBar() : horizontalScrollBar();
    settingScrollBars_ = true;
    const QSignalBlocker block(sb);
    // The range's top is the last position the thumb can take with a page in view, or the
    // position itself when the view stands further down (the lines below it were deleted):
    // the thumb shows where the view is, not where it could be.
    const int page = std::max(info.page, 1);
    sb->setRange(info.min, std::max({info.min, info.max - page + 1, info.pos}));
    sb->setPageStep(page);
    sb->setSingleStep(1);
    sb->setValue(info.pos);
    settingScrollBars_ = false;
}

void TuniMemoWidget::TakeFocus() {
    setFocus(Qt::MouseFocusReason);
}
