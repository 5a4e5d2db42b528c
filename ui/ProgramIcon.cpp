#include "ProgramIcon.h"

#include <QIconEngine>
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

namespace {

// Draws the icon at whatever size is asked, when it is asked, instead of keeping
// a picture of every size for the whole run.
class DrawnIconEngine : public QIconEngine {
public:
    // A tray host's XEmbed window paints the icon through here, at its device pixel
    // ratio: drawn at the logical size and scaled up, the letter's thin outline breaks.
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        QImage image = render(qMax(1, qRound(qMin(rect.width(), rect.height()) * scale)));
        image.setDevicePixelRatio(scale);
        painter->drawImage(rect, image);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode, QIcon::State, qreal scale) override
    {
        QPixmap pixmap = QPixmap::fromImage(render(qMax(1, qRound(qMin(size.width(), size.height()) * scale))));
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = qMin(size.width(), size.height());
        return {side, side};
    }
    // The sizes a desktop is offered, the 32-pixel one first; any other is drawn on request.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {{32, 32}, {16, 16}, {22, 22}, {24, 24}, {48, 48}, {64, 64}};
    }
    QIconEngine *clone() const override { return new DrawnIconEngine; }
    QString key() const override { return QStringLiteral("ramtidy-drawn"); }
};

} // namespace

QIcon application()
{
    return QIcon(new DrawnIconEngine);
}

} // namespace ProgramIcon
