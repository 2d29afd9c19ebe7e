// The system clipboard through QClipboard: UTF-16 text as text/plain, and the column-block
// marker format "PM_VerticalBlock" carrying the same text; or the X11 primary selection.
#pragma once

#include <QClipboard>

#include "platform/uniEditorHost.h"

class TQtClipboard : public TClipboardHost {
public:
    static constexpr const char* kColumnFormat = "PM_VerticalBlock";

    explicit TQtClipboard(QClipboard::Mode mode = QClipboard::Clipboard) : mode_(mode) {}
    // Whether this clipboard exists on the platform (the primary selection only on X11).
    bool Available() const;

    // The 8-bit text is not placed: text/plain is Unicode here. False without a
    // QGuiApplication.
    bool SetText(const std::u16string& utf16, const std::string& ansi, bool columnBlock) override;
    // nullopt without a QGuiApplication; no `utf16` when the clipboard holds no text.
    std::optional<TClipboardText> GetText() override;

private:
    QClipboard::Mode mode_;
};
