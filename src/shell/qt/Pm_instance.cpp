// The main window takes the command lines of later starts: their files open here and the
// window comes to the front.
#include <QSocketNotifier>
#include <QTimer>

#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"

namespace {

// How long a sender may take to send its whole command line.
constexpr int kSenderTimeoutMs = 2000;

// One sender, read as its bytes arrive; gone when the message is whole, refused or late.
class THandOverClient : public QObject {
public:
    THandOverClient(QObject* parent, int fd, std::function<void(const THandOver&)> received)
        : QObject(parent), connection_(fd), received_(std::move(received)),
          notifier_(new QSocketNotifier(fd, QSocketNotifier::Read, this)) {
        connect(notifier_, &QSocketNotifier::activated, this, [this] { Read(); });
        QTimer::singleShot(kSenderTimeoutMs, this, [this] { Finish(); });
    }
    ~THandOverClient() override { delete notifier_; } // before the socket closes

private:
    void Read() {
        switch (connection_.Read()) {
        case THandOverReader::TState::More:
            return;
        case THandOverReader::TState::Done: {
            // Opened after this returns: an open may show a dialog with its own loop.
            QTimer::singleShot(
                0, parent(),
                [received = received_, message = connection_.Message()] { received(message); });
            break;
        }
        case THandOverReader::TState::Bad:
            break;
        }
        Finish();
    }
    void Finish() {
        notifier_->setEnabled(false);
        deleteLater();
    }

    TInstanceConnection connection_;
    std::function<void(const THandOver&)> received_;
    QSocketNotifier* notifier_;
};

} // namespace

// The listening socket, watched by the event loop; its socket goes with it.
class THandOverListener : public QObject {
public:
    THandOverListener(TPMMainForm& main, std::unique_ptr<TInstanceServer> server)
        : QObject(&main), server_(std::move(server)),
          notifier_(new QSocketNotifier(server_->Fd(), QSocketNotifier::Read, this)) {
        connect(notifier_, &QSocketNotifier::activated, this, [this, &main] {
            for (int fd; (fd = server_->Accept()) >= 0;) {
                new THandOverClient(
                    this, fd, [&main](const THandOver& message) { main.ReceiveHandOver(message); });
            }
        });
    }
    ~THandOverListener() override {
        qDeleteAll(children()); // the senders' and the listener's notifiers first
        server_.reset();
    }

private:
    std::unique_ptr<TInstanceServer> server_;
    QSocketNotifier* notifier_;
};

void TPMMainForm::ListenForHandOvers(std::unique_ptr<TInstanceServer> server) {
    delete handOvers_;
    handOvers_ = server ? new THandOverListener(*this, std::move(server)) : nullptr;
}

void TPMMainForm::StopHandOvers() {
    delete handOvers_;
    handOvers_ = nullptr;
}

void TPMMainForm::ReceiveHandOver(const THandOver& message) {
    if (closing_) {
        return;
    }
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    OpenCommandFiles(HandOverFiles(message));
}
