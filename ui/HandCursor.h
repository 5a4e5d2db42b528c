#pragma once

#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QSize>

// The hover pointer, read from a Windows cursor file (.CUR). The picture is
// the one Qt's ico reader gives; the hotspot, which Qt does not expose, comes
// from the file's directory.
namespace HandCursor {

// The hotspot of the file's first image. Throws Failure when the bytes are not a
// cursor file.
QPoint hotSpot(const QByteArray &bytes);

// The size the first image decodes to, read without decoding. Throws Failure
// when the bytes are not a cursor file.
QSize pictureSize(const QByteArray &bytes);

// The first picture of the file, as Qt's reader has it, but for a 32-bit
// picture without alpha, which is opaque through its mask. Throws Failure when
// it is larger than a pointer can be, cannot be decoded, or the hotspot lies
// outside it.
QImage picture(const QByteArray &bytes);

// The cursor the file holds. Throws Failure when it is not a loadable cursor.
QCursor load(const QByteArray &bytes);

} // namespace HandCursor
