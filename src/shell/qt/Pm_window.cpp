// The main window's place and size: taken from the settings at start-up, kept at exit when
// the settings ask for it, with the tool message panel's height.
#include <QGuiApplication>
#include <QScreen>

#include <cstdio>

#include "shell/qt/Childwin.h"
#include "shell/qt/Pm.h"
#include "shell/qt/PmTools.h"

void TPMMainForm::ApplyWindowGeometry() {
    const TWindowSettings& window = session_.Settings().window;
    if (!isMaximized()) {
        resize(window.width.value_or(width()), window.height.value_or(height()));
    }
    if (window.left >= 0 || window.top >= 0) {
        const TWindowPos placed = PlaceMainWindow({x(), y()}, window.left, window.top);
        // A place kept from a screen that is gone would put the window out of reach.
        if (QGuiApplication::screenAt(QPoint(placed.left + 40, placed.top + 10)) != nullptr) {
            move(placed.left, placed.top);
        }
    }
    if (window.maximize) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void TPMMainForm::SaveWindowGeometry() {
    TIniFile ini(session_.Folder().PelmarIni());
    ini.BeginUpdate();
    if (ReadSaveGeometry(ini)) {
        // The normal place and size also while maximized or minimized; the place is the
        // frame's, as move() takes it.
        const bool normal = (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)) == 0;
        const QRect inner = normal ? geometry() : normalGeometry();
        const QPoint frame = geometry().topLeft() - pos();
        TWindowGeometry g;
        g.left = inner.x() - frame.x();
        g.top = inner.y() - frame.y();
        g.width = inner.width();
        g.height = inner.height();
        g.maximize = (windowState() & Qt::WindowMaximized) != 0;
        if (TMDIChild* child = ActiveChild()) {
            g.zoom = child->isMaximized();
        }
        WriteWindowGeometry(ini, g);
    }
    // The panel's height as it was last seen; never shown, nothing to keep.
    const int panel = toolPanel_->isVisible() ? toolPanel_->height() : msgHeight_;
    if (panel > 0) {
        WriteMsgPanelHeight(ini, panel);
    }
    if (const TWriteResult put = ini.EndUpdate(); !put.ok) {
        // The program is closing; the layout is not worth a question now.
        std::fprintf(stderr, "pelmar: %s\n", put.error.c_str());
    }
}
