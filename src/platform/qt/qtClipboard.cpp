// The clipboard host over QClipboard.
#include "platform/qt/qtClipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

QClipboard* Clipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
               ? QGuiApplication::clipboard()
               : nullptr;
}

QByteArray Utf16LeBytes(const std::u16string& text) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(text.size() * 2));
    for (const char16_t c : text) {
        bytes.append(static_cast<char>(c & 0xFF));
        bytes.append(static_cast<char>(c >> 8));
    }
    return bytes;
}

std::u16string FromUtf16LeBytes(const QByteArray& bytes) {
    std::u16string text;
    text.reserve(static_cast<size_t>(bytes.size() / 2));
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto low = static_cast<unsigned char>(bytes[i]);
        const auto high = static_cast<unsigned char>(bytes[i + 1]);
        text.push_back(static_cast<char16_t>(low | (high << 8)));
    }
    return text;
}

} // namespace

bool TQtClipboard::SetText(const std::u16string& utf16, const std::string&, bool columnBlock) {
    QClipboard* clipboard = Clipboard();
    if (clipboard == nullptr) {
        return false;
    }
    auto* data = new QMimeData; // the clipboard takes it over
    if (columnBlock) {
        data->setData(QString::fromLatin1(kColumnFormat), Utf16LeBytes(utf16));
    }
    data->setText(QString::fromStdU16String(utf16));
    clipboard->setMimeData(data);
    return true;
}

std::optional<TClipboardText> TQtClipboard::GetText() {
    QClipboard* clipboard = Clipboard();
    if (clipboard == nullptr) {
        return std::nullopt;
    }
    TClipboardText result;
    const QMimeData* data = clipboard->mimeData();
    if (data == nullptr) {
        return result;
    }
    const QString format = QString::fromLatin1(kColumnFormat);
    result.columnBlock = data->hasFormat(format);
    if (data->hasText()) {
        result.utf16 = data->text().toStdU16String();
    } else if (result.columnBlock) {
        // A column block without plain text (another program's copy): its own text.
        result.utf16 = FromUtf16LeBytes(data->data(format));
    }
    return result;
}
