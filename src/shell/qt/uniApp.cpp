#include "shell/qt/uniApp.h"

#include <QIcon>
#include <QPointer>

#include <exception>

#include "platform/qt/qtConvert.h"
#include "widgets/uniMsgDlg.h"

namespace {

std::function<void(const QString&)>& ErrorResponder() {
    static std::function<void(const QString&)> responder;
    return responder;
}

} // namespace

TuniApplication::TuniApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Pelmar"));
    setApplicationVersion(QStringLiteral(PELMAR_VERSION_TEXT));
    // The desktop entry pelmar.desktop and the icon the install puts into the icon theme;
    // the window class "Pelmar" (the application name) is the entry's StartupWMClass.
    setDesktopFileName(QStringLiteral("pelmar"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("pelmar")));
}

void TuniApplication::SetErrorResponder(std::function<void(const QString&)> responder) {
    ErrorResponder() = std::move(responder);
}

bool TuniApplication::notify(QObject* receiver, QEvent* event) {
    QString message;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        message = QStringFromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("Unknown error");
    }
    if (ErrorResponder()) {
        ErrorResponder()(message);
    } else {
        UniMessageDlg(activeWindow(), message, TMsgDlgType::Error, TMsgDlgBtn::OK);
    }
    return false;
}
