#pragma once

#include <QIcon>

// A picture as the tray control accepts it: only the icon kind is taken.
struct Picture {
    enum Kind { vbPicTypeNone = 0, vbPicTypeBitmap = 1, vbPicTypeIcon = 3 };

    Kind Type = vbPicTypeNone;
    QIcon Handle;

    static Picture icon(const QIcon &icon) { return {icon.isNull() ? vbPicTypeNone : vbPicTypeIcon, icon}; }
    static Picture bitmap(const QPixmap &pixmap) { return {vbPicTypeBitmap, QIcon(pixmap)}; }
    bool isEmpty() const { return Type == vbPicTypeNone; }
};
