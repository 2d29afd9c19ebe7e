// The clipboard host over QClipboard.
#include "platform/qt/qtClipboard.h"
#include "platform/qt/qtConvert.h"

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

// The column format's own data: its lines end in CR LF, whatever the plain text uses.
QByteArray ColumnBlockBytes(const std::u16string& text) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(text.size() * 2));
    const auto put = [&](char16_t c) {
        bytes.append(static_cast<char>(c & 0xFF));
        bytes.append(static_cast<char>(c >> 8));
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) {
            put(u'\r');
        }
        put(text[i]);
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

bool TQtClipboard::Available() const {
    QClipboard* clipboard = Clipboard();
    return clipboard != nullptr &&
           (mode_ != QClipboard::Selection || clipboard->supportsSelection());
}

bool TQtClipboard::SetText(const std::u16string& utf16, const std::string&, bool columnBlock) {
    if (!Available()) {
        return false;
    }
    auto* data = new QMimeData; // the clipboard takes it over
    if (columnBlock) {
        data->setData(QString::fromLatin1(kColumnFormat), ColumnBlockBytes(utf16));
    }
    data->setText(QStringFromU16(utf16));
    Clipboard()->setMimeData(data, mode_);
    return true;
}

std::optional<TClipboardText> TQtClipboard::GetText() {
    if (!Available()) {
        return std::nullopt;
    }
    TClipboardText result;
    const QMimeData* data = Clipboard()->mimeData(mode_);
    if (data == nullptr) {
        return result;
    }
    const QString format = QString::fromLatin1(kColumnFormat);
    result.columnBlock = data->hasFormat(format);
    if (data->hasText()) {
        result.utf16 = U16FromQString(data->text());
    } else if (result.columnBlock) {
        // A column block without plain text (another program's copy): its own text.
        result.utf16 = FromUtf16LeBytes(data->data(format));
    }
    return result;
}
