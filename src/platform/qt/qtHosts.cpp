// Timer, main-thread queue, busy cursor and message boxes on Qt.
#include "platform/qt/qtHosts.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMetaObject>

#include <utility>

#include "platform/qt/qtConvert.h"
#include "widgets/uniMsgDlg.h"

namespace {

std::function<void(QString, QString)>& MessageResponder() {
    static std::function<void(QString, QString)> responder;
    return responder;
}

} // namespace

// --- timer -------------------------------------------------------------------------------

TQtTimer::TQtTimer() {
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        // A copy: the tick may restart the timer with another tick.
        const std::function<void()> tick = tick_;
        if (tick) {
            tick();
        }
    });
}

void TQtTimer::Start(int periodMs, std::function<void()> tick) {
    tick_ = std::move(tick);
    timer_.start(periodMs);
}

void TQtTimer::Stop() {
    timer_.stop();
}

// --- main-thread queue -------------------------------------------------------------------

TQtMainThreadQueue::TQtMainThreadQueue() : alive_(std::make_shared<std::atomic<bool>>(true)) {}

TQtMainThreadQueue::~TQtMainThreadQueue() {
    alive_->store(false);
}

void TQtMainThreadQueue::Post(std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || !work) {
        return;
    }
    QMetaObject::invokeMethod(
        app,
        [alive = alive_, work = std::move(work)] {
            if (alive->load()) {
                work();
            }
        },
        Qt::QueuedConnection);
}

// --- busy cursor -------------------------------------------------------------------------

TQtBusyCursor::~TQtBusyCursor() {
    while (depth_ > 0) {
        SetBusy(false);
    }
}

void TQtBusyCursor::SetBusy(bool busy) {
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (busy) {
        if (gui) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        }
        ++depth_;
    } else if (depth_ > 0) {
        if (gui) {
            QGuiApplication::restoreOverrideCursor();
        }
        --depth_;
    }
}

// --- message boxes -----------------------------------------------------------------------

TQtMessageBox::TQtMessageBox(QWidget* parent) : parent_(parent) {}

void TQtMessageBox::SetTestResponder(std::function<void(QString, QString)> responder) {
    MessageResponder() = std::move(responder);
}

void TQtMessageBox::ShowMessage(std::u16string_view caption, std::u16string_view text,
                                TMessageKind kind) {
    const QString title = caption.empty() ? QStringLiteral("Pelmar") : QStringFromU16(caption);
    const QString body = QStringFromU16(text);
    if (const auto& responder = MessageResponder()) {
        responder(title, body);
        return;
    }
    // The title is the kind's, in the interface language, as every message dialog has.
    UniMessageDlg(parent_, body,
                  kind == TMessageKind::Error ? TMsgDlgType::Error : TMsgDlgType::Information,
                  TMsgDlgBtn::OK);
}
