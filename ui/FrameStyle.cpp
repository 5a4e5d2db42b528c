#include "FrameStyle.h"

#include <QApplication>
#include <QGroupBox>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>

FrameStyle::FrameStyle()
    : QProxyStyle(QApplication::style()->name())
{
    setParent(qApp);
}

QStyle *FrameStyle::instance()
{
    static QPointer<QStyle> style;
    if (!style)
        style = new FrameStyle;
    return style;
}

void FrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                               const QWidget *widget) const
{
    if (element != PE_FrameGroupBox || baseStyle()->name() != u"fusion") {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // Where and how Fusion's picture puts the frame: below the title, a faint
    // line on any background, its corners left out so it looks rounded.
    constexpr int Margin = 3;
    const auto *box = qobject_cast<const QGroupBox *>(widget);
    const int top = box && !box->isCheckable() && box->title().isEmpty()
        ? Margin
        : qMax(pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height()) + Margin;
    const QRect frame = option->rect.adjusted(0, top, 0, 0);
    // Opaque and axis-aligned on purpose: the raster engine fills such rectangles
    // directly, where a translucent or antialiased outline goes through its span
    // blender, which hands tall frames to a thread pool on every repaint of the
    // countdown beside them.
    const QColor background = option->palette.color(QPalette::Window);
    constexpr qreal Ink = 56.0 / 255.0;
    const QColor line = QColor::fromRgbF(background.redF() * (1 - Ink), background.greenF() * (1 - Ink),
                                         background.blueF() * (1 - Ink));
    const int left = frame.left(), right = frame.right(), upper = frame.top(), lower = frame.bottom();
    painter->fillRect(QRect(QPoint(left + 1, upper), QPoint(right - 1, upper)), line);
    painter->fillRect(QRect(QPoint(left + 1, lower), QPoint(right - 1, lower)), line);
    painter->fillRect(QRect(QPoint(left, upper + 1), QPoint(left, lower - 1)), line);
    painter->fillRect(QRect(QPoint(right, upper + 1), QPoint(right, lower - 1)), line);
}
