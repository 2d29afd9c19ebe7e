// The application object: Qt's event loop delivers UTF-16 text already; what it adds is
// that an exception escaping an event handler is shown in a message box and the loop
// goes on.
#pragma once

#include <QApplication>

#include <functional>

class TuniApplication : public QApplication {
public:
    TuniApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Tests see the message instead of a modal box.
    static void SetErrorResponder(std::function<void(const QString&)> responder);
};
