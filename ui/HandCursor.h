#pragma once

#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QSize>

// The hover pointer, read from a Windows cursor file (.CUR). Qt's image reader
// takes the picture; the hotspot, which it does not expose, comes from the
// file's header.
namespace HandCursor {

// The hotspot of the file's first image. Throws Failure when the bytes are not a
// cursor file.
QPoint hotSpot(const QByteArray &bytes);

// The size of the first image as its own header gives it, read without decoding.
// Throws Failure when the bytes are not a cursor file.
QSize pictureSize(const QByteArray &bytes);

// The first picture of the file, whose own header gave `size`. Throws Failure
// when it cannot be decoded.
QImage picture(const QByteArray &bytes, QSize size);

// The cursor the file holds. Throws Failure when it is not a loadable cursor.
QCursor load(const QByteArray &bytes);

} // namespace HandCursor
