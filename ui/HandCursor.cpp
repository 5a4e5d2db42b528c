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

constexpr int HeaderSize = 40;
constexpr char PngMagic[] = "\x89PNG\r\n\x1a\n";

// A 32-bit picture with its mask, the kind HAND-M.CUR holds, read here as Qt's
// reader lays it out (the directory's size, 0 meaning the header's; the rows
// after a 40-byte header, bottom up, then the mask's): Qt's reader would first
// scan every image plugin, several milliseconds of every start. Any other kind
// is left to Qt. Null when the bytes are not of that kind.
QImage trueColour(const QByteArray &bytes, quint32 offset, QSize size)
{
    const qint64 maskStride = (size.width() + 31) / 32 * 4;
    const qint64 pixels = offset + qint64(HeaderSize);
    const qint64 mask = pixels + qint64(size.width()) * 4 * size.height();
    if (bytes.size() < mask + maskStride * size.height() || word(bytes, offset + 14) != 32)
        return {};
    QImage picture(size, QImage::Format_ARGB32);
    bool alpha = false;
    for (int y = 0; y < size.height(); ++y) {
        const qint64 row = pixels + qint64(size.height() - 1 - y) * size.width() * 4;
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            line[x] = dword(bytes, row + x * 4);
            alpha |= qAlpha(line[x]) != 0;
        }
    }
    // Qt's reading keeps the alpha as it stands, whatever the mask. A picture whose
    // alpha is all zero was drawn before alpha: Windows shows it opaque through
    // its mask, where Qt's reading is an invisible pointer.
    for (int y = 0; y < size.height() && !alpha; ++y) {
        const qint64 row = mask + (size.height() - 1 - y) * maskStride;
        auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const bool clear = quint8(bytes[row + x / 8]) & (0x80 >> (x % 8));
            line[x] = clear ? 0 : line[x] | 0xFF000000;
        }
    }
    return picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
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
    const quint16 x = word(bytes, DirectorySize + 4);
    const quint16 y = word(bytes, DirectorySize + 6);
    const quint64 size = dword(bytes, DirectorySize + 8);
    const quint64 offset = dword(bytes, DirectorySize + 12);
    if (size == 0 || offset + size > quint64(bytes.size()))
        throw notACursor(QStringLiteral("its first image lies outside the file."));
    return {x, y};
}

QSize pictureSize(const QByteArray &bytes)
{
    hotSpot(bytes); // the directory is sound and the first image lies inside the file
    const QByteArray image = bytes.mid(dword(bytes, DirectorySize + 12), dword(bytes, DirectorySize + 8));
    // A PNG has its own header, read without decoding. A bitmap is decoded at
    // the directory's size, where 0 stands for its header's (whose height counts
    // the mask too).
    if (image.startsWith(PngMagic)) {
        QBuffer buffer;
        buffer.setData(image);
        QImageReader reader(&buffer, "png");
        return reader.size();
    }
    if (image.size() < 12)
        throw notACursor(QStringLiteral("its first image is cut short."));
    const int width = quint8(bytes[DirectorySize]);
    const int height = quint8(bytes[DirectorySize + 1]);
    return {width ? width : qint32(dword(image, 4)), height ? height : qint32(dword(image, 8)) / 2};
}

QImage picture(const QByteArray &bytes)
{
    const QSize size = pictureSize(bytes);
    if (size.width() <= 0 || size.height() <= 0 || size.width() > MaxSide || size.height() > MaxSide)
        throw notACursor(QStringLiteral("its picture of %1 by %2 pixels is not %3 by %3 or smaller.")
                             .arg(size.width())
                             .arg(size.height())
                             .arg(MaxSide));
    QImage image = trueColour(bytes, dword(bytes, DirectorySize + 12), size);
    if (image.isNull()) {
        QByteArray data = bytes;
        QBuffer buffer(&data);
        QImageReader reader(&buffer, "ico");
        reader.setAutoDetectImageFormat(false); // asking every other plugin would load them all
        image = reader.read();
        if (image.isNull())
            throw notACursor(reader.errorString());
    }
    // X refuses a hotspot outside the picture.
    if (!image.rect().contains(hotSpot(bytes)))
        throw notACursor(QStringLiteral("its hotspot lies outside the picture."));
    return image;
}

QCursor load(const QByteArray &bytes)
{
    const QPoint hot = hotSpot(bytes);
    return QCursor(QPixmap::fromImage(picture(bytes)), hot.x(), hot.y());
}

} // namespace HandCursor
