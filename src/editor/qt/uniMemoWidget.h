// The editing control on Qt: a scroll area whose viewport shows the editor's retained
// image. Events become the calls of the editor's input handling; the editor decides
// everything and paints through the canvas.
#pragma once

#include <QAbstractScrollArea>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <tuple>

#include "actions/uniMemoActions.h"
#include "editor/uniMemo.h"
#include "platform/qt/qtCanvas.h"
#include "platform/qt/qtClipboard.h"
#include "platform/qt/qtDialogs.h"
#include "platform/qt/qtHosts.h"
#include "platform/qt/qtKeys.h"
#include "platform/qt/qtMeasure.h"

class TUniActionKeymap;

// What the widget edits: a document (TuniMemo) or a dialog's one-line box (TuniEdit), whose
// TAB, Enter and Escape go on to the dialog.
enum class TMemoKind { Document, SingleLine };

class TuniMemoWidget : public QAbstractScrollArea,
                       private TEditorWindow,
                       private TScrollBarHost,
                       private TPointerHost {
    Q_OBJECT
public:
    // The environment and the global keymap are borrowed and must outlive the widget.
    explicit TuniMemoWidget(TMemoEnvironment environment,
                            const TUniActionKeymap* globalKeymap = nullptr,
                            QWidget* parent = nullptr, TMemoKind kind = TMemoKind::Document);
    ~TuniMemoWidget() override;

    TuniMemo& Memo() { return *memo_; }
    const TuniMemo& Memo() const { return *memo_; }
    // The controller: the editor's action maps, keymap and input handling.
    TMemoController& Controller() { return *controller_; }
    TMemoInput& Input() { return controller_->Input(); }
    void SetGlobalKeymap(const TUniActionKeymap* keymap) { controller_->SetGlobalKeymap(keymap); }

    // While this answers true the editor does not paint (a maximized document window that
    // is not the active one); when it shows again, call RepaintWhole.
    void SetObscuredQuery(std::function<bool()> query) { canvas_.obscured = std::move(query); }
    // Draws everything again at the next chance (exposed, unobscured, settings changed).
    void RepaintWhole();
    // A wheel step pages; the document window may take the wheel over.
    std::function<bool(int steps)> onWheel;
    // The image the editor painted, and the caret on it; for tests and screenshots.
    const QImage& Surface() const { return canvas_.Image(); }
    const std::optional<QRect>& CaretRect() const { return canvas_.Caret(); }
    bool CaretShown() const { return hasFocus() && canvas_.Caret().has_value(); }
    const TQtMeasurer& Measurer() const { return measurer_; }

protected:
    bool event(QEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // TEditorWindow
    int ClientWidth() const override;
    int ClientHeight() const override;
    void Invalidate() override;
    void ProcessPendingPaint() override;
    void SelectFont(std::u16string_view name, int size) override;
    // TScrollBarHost
    void ShowScrollBars(bool vertical, bool horizontal) override;
    void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) override;
    // TPointerHost
    void TakeFocus() override;
    void CaptureMouse() override {}
    void ReleaseMouse() override {}

    void VerticalAction(int action);
    void HorizontalAction(int action);
    void ScheduleUpdate();
    void RestartBlink();
    void TypeText(const QString& text, TShiftState shift, TCharSource source);
    // Offers the selection as the X11 primary selection once the events of this turn are
    // through (a drag or a run of Shift+keys publishes once).
    void SchedulePrimary();
    void PublishPrimary();

    TQtMeasurer measurer_;
    TQtCanvas canvas_;
    TQtClipboard clipboard_;
    TQtClipboard primary_{QClipboard::Selection};
    // The selection last offered as the primary selection: (start, end, column mode).
    std::optional<std::tuple<TPoint, TPoint, bool>> published_;
    bool primaryScheduled_ = false;
    TQtTimer dragTimer_;
    TQtMainThreadQueue queue_;
    TQtBusyCursor busy_;
    TQtMessageBox messages_;
    TQtQuestions questions_;
    TQtKeyboardQuery keyboard_;
    std::unique_ptr<TuniMemo> memo_;
    // After the editor: it goes first.
    std::unique_ptr<TMemoController> controller_;
    QTimer blink_;
    bool blinkOn_ = true;
    bool wholePending_ = true;
    bool updateScheduled_ = false;
    bool settingScrollBars_ = false;
    int wheelRest_ = 0;
};
