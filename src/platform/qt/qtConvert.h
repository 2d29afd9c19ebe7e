// Conversions between the core's types and Qt's, each named by its direction. Widgets and
// dialogs convert through these only.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/uniCanvas.h"
#include "text/uniStringList.h"

// UTF-16 text, without a detour through other encodings.
inline QString QStringFromU16(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}
inline std::u16string U16FromQString(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<size_t>(text.size()));
}

// UTF-8 text: charset and table names, configuration keys, exception messages.
inline QString QStringFromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string Utf8FromQString(const QString& text) {
    return text.toUtf8().toStdString();
}

// File names: the core keeps the bytes the file system uses; Qt shows them decoded.
inline QString QStringFromFileName(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}
inline std::string FileNameFromQString(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

// Bytes kept as they are (stored history entries, ...), in and out of Qt's byte arrays.
inline QByteArray QByteArrayFromBytes(const std::string& bytes) {
    return QByteArray::fromStdString(bytes);
}
inline std::string BytesFromQByteArray(const QByteArray& bytes) {
    return bytes.toStdString();
}

// The core's rectangles exclude their right and bottom edges, as QRect's width and height
// count them.
inline QRect QRectFromRect(const TRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}
inline TRect RectFromQRect(const QRect& r) {
    return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

inline QPoint QPointFromPoint(TPoint p) {
    return QPoint(p.X, p.Y);
}
inline TPoint PointFromQPoint(QPoint p) {
    return TPoint{p.x(), p.y()};
}

// 0x00BBGGRR as an RGB colour (system colour indexes are the caller's: they need a palette).
inline QColor QColorFromColor(TColor colour) {
    const auto value = static_cast<std::uint32_t>(colour);
    return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                  static_cast<int>((value >> 16) & 0xFFu));
}

// An RGB colour as 0x00BBGGRR.
inline TColor ColorFromQColor(const QColor& colour) {
    return static_cast<TColor>(static_cast<std::uint32_t>(colour.red()) |
                               (static_cast<std::uint32_t>(colour.green()) << 8) |
                               (static_cast<std::uint32_t>(colour.blue()) << 16));
}
