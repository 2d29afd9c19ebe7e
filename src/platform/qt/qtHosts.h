// The editor's small platform services on Qt: the drag timer, the main-thread queue, the
// busy cursor and message boxes.
#pragma once

#include <QString>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

#include "platform/uniEditorHost.h"
#include "platform/uniInputHost.h"

class QWidget;

// A repeating QTimer; Start replaces the tick and restarts the period.
class TQtTimer : public TInputTimer {
public:
    TQtTimer();
    void Start(int periodMs, std::function<void()> tick) override;
    void Stop() override;
    bool Active() const { return timer_.isActive(); }

private:
    QTimer timer_;
    std::function<void()> tick_;
};

// Posts work as a queued call on the application object, so it runs after the current event
// and may be posted from any thread. Work still pending when the queue is destroyed is
// dropped: it would reach an owner that is gone.
class TQtMainThreadQueue : public TMainThreadQueue {
public:
    TQtMainThreadQueue();
    ~TQtMainThreadQueue() override;
    void Post(std::function<void()> work) override;

private:
    std::shared_ptr<std::atomic<bool>> alive_;
};

// The wait cursor as the application's override cursor; nested busy calls are balanced and
// whatever is still set goes with the object.
class TQtBusyCursor : public TBusyCursor {
public:
    TQtBusyCursor() = default;
    ~TQtBusyCursor() override;
    void SetBusy(bool busy) override;
    int Depth() const { return depth_; }

private:
    int depth_ = 0;
};

// Error and information boxes over `parent`; an empty caption becomes "Pelmar".
class TQtMessageBox : public TMessageBoxHost {
public:
    explicit TQtMessageBox(QWidget* parent);
    void ShowMessage(std::u16string_view caption, std::u16string_view text,
                     TMessageKind kind) override;

    // Tests answer every box through this instead of a modal loop; null: real boxes.
    static void SetTestResponder(std::function<void(QString caption, QString text)> responder);

private:
    QWidget* parent_;
};
