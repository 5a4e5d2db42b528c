#include "HandCursor.h"

#include "platform/Failure.h"

#include <QBuffer>
#include <QImageReader>
#include <QPixmap>
#include <QtEndian>

namespace {

constexpr int DirectorySize = 6;
constexpr int EntrySize = 16;
constexpr quint16 CursorType = 2;
// Windows draws cursors of at most 256 by 256; a larger picture is not one, and the
// X server refuses (and drops the connection over) a cursor much larger.
constexpr int MaxSide = 256;

quint16 word(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 dword(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

Failure notACursor(const QString &why)
{
    return Failure(QStringLiteral("The cursor file is not a loadable cursor: %1").arg(why));
}

} // namespace

namespace HandCursor {

QPoint hotSpot(const QByteArray &bytes)
{
    if (bytes.size() < DirectorySize + EntrySize)
        throw notACursor(QStringLiteral("it is too short."));
    if (word(bytes, 0) != 0 || word(bytes, 2) != CursorType)
        throw notACursor(QStringLiteral("it does not start as a cursor file does."));
    const quint16 count = word(bytes, 4);
    if (count == 0 || bytes.size() < DirectorySize + qint64(count) * EntrySize)
        throw notACursor(QStringLiteral("its list of images is empty or cut short."));
    // An entry's width and height of 0 mean 256.
    const int width = quint8(bytes[DirectorySize]) ? quint8(bytes[DirectorySize]) : 256;
    const int height = quint8(bytes[DirectorySize + 1]) ? quint8(bytes[DirectorySize + 1]) : 256;
    const quint16 x = word(bytes, DirectorySize + 4);
    const quint16 y = word(bytes, DirectorySize + 6);
    const quint64 size = dword(bytes, DirectorySize + 8);
    const quint64 offset = dword(bytes, DirectorySize + 12);
    if (size == 0 || offset + size > quint64(bytes.size()))
        throw notACursor(QStringLiteral("its first image lies outside the file."));
    if (x >= width || y >= height)
        throw notACursor(QStringLiteral("its hotspot lies outside the picture."));
    return {x, y};
}

QSize pictureSize(const QByteArray &bytes)
{
    hotSpot(bytes); // the directory is sound and the first image lies inside the file
    const QByteArray image = bytes.mid(dword(bytes, DirectorySize + 12), dword(bytes, DirectorySize + 8));
    // Qt's reader answers with the directory's size; the picture's own header says
    // what decoding would make. A PNG has one, read without decoding; else the
    // image is a bitmap whose height counts its mask too.
    if (image.startsWith("\x89PNG")) {
        QBuffer buffer;
        buffer.setData(image);
        QImageReader reader(&buffer, "png");
        return reader.size();
    }
    if (image.size() < 12)
        throw notACursor(QStringLiteral("its first image is cut short."));
    return {qint32(dword(image, 4)), qint32(dword(image, 8)) / 2};
}

QCursor load(const QByteArray &bytes)
{
    const QPoint hot = hotSpot(bytes);
    const QSize size = pictureSize(bytes);
    if (size.width() <= 0 || size.height() <= 0 || size.width() > MaxSide || size.height() > MaxSide)
        throw notACursor(QStringLiteral("its picture of %1 by %2 pixels is not %3 by %3 or smaller.")
                             .arg(size.width())
                             .arg(size.height())
                             .arg(MaxSide));
    QByteArray data = bytes;
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "ico");
    reader.setAutoDetectImageFormat(false); // asking every other plugin would load them all
    const QImage image = reader.read();
    if (image.isNull())
        throw notACursor(reader.errorString());
    return QCursor(QPixmap::fromImage(image), hot.x(), hot.y());
}

} // namespace HandCursor
