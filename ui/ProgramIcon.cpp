#include "ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPixmap>

namespace ProgramIcon {

QImage render(int pixels)
{
    QImage image(pixels, pixels, QImage::Format_RGB32);
    const qreal unit = pixels / 16.0; // designed on a 16-pixel grid
    image.fill(QColor(0, 0, 0));
    QPainter painter(&image);
    painter.fillRect(QRectF(unit, unit, pixels - 2 * unit, pixels - 2 * unit), QColor(177, 255, 255));

    painter.setRenderHint(QPainter::Antialiasing, pixels > 16);
    QPainterPath arc;
    const QRectF ring(4 * unit, 4 * unit, 8 * unit, 8 * unit);
    arc.arcMoveTo(ring, 45);
    arc.arcTo(ring, 45, 270);
    QPainterPathStroker stroker;
    stroker.setWidth(2.5 * unit);
    stroker.setCapStyle(Qt::FlatCap);
    const QPainterPath letter = stroker.createStroke(arc);
    painter.setPen(QPen(Qt::black, qMax<qreal>(1.0, unit * 0.75)));
    painter.setBrush(QColor(7, 162, 254));
    painter.drawPath(letter);
    return image;
}

QIcon application()
{
    QIcon icon;
    for (int size : {32, 16, 22, 24, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(render(size)));
    return icon;
}

} // namespace ProgramIcon
