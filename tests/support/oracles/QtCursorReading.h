#pragma once

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

// The first picture of a cursor file as Qt's own reader has it.
inline QImage qtCursorReading(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "ico");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

// What HandCursor::picture must give: Qt's reading, but for a 32-bit bitmap
// whose alpha is all zero, which Windows draws opaque through its mask. Then
// the colours are Qt's with that alpha made opaque, and the mask Qt's reading
// of it under a 1-bit picture.
inline QImage expectedCursorPicture(QByteArray bytes)
{
    QImage qt = qtCursorReading(bytes);
    const qint64 offset = qFromLittleEndian<quint32>(bytes.constData() + 18);
    const qint64 pixels = offset + 40, end = pixels + 4LL * qt.width() * qt.height();
    const qint64 stride = (qt.width() + 31) / 32 * 4;
    if (qt.isNull() || end + stride * qt.height() > bytes.size()
        || qFromLittleEndian<quint16>(bytes.constData() + offset + 14) != 32)
        return qt;
    for (qint64 at = pixels + 3; at < end; at += 4)
        if (bytes[at] != 0)
            return qt;
    for (qint64 at = pixels + 3; at < end; at += 4)
        bytes[at] = char(0xFF);
    qt = qtCursorReading(bytes);
    QByteArray mono = bytes.left(pixels) + QByteArray("\xff\xff\xff\0\0\0\0\0", 8) + QByteArray(stride * qt.height(), 0)
        + bytes.mid(end, stride * qt.height());
    qToLittleEndian<quint32>(mono.size() - offset, mono.data() + 14); // the image's length
    qToLittleEndian<quint16>(1, mono.data() + offset + 14); // bits a pixel
    qToLittleEndian<quint32>(0, mono.data() + offset + 32); // colours: two
    const QImage mask = qtCursorReading(mono);
    for (int y = 0; y < qt.height(); ++y)
        for (int x = 0; x < qt.width(); ++x)
            if (qAlpha(mask.pixel(x, y)) == 0)
                qt.setPixel(x, y, 0);
    return qt;
}
