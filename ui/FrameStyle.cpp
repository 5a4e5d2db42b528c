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
    // Where and how Fusion's picture puts the frame: below the title, rounded,
    // a faint line on any background.
    constexpr int Margin = 3;
    const auto *box = qobject_cast<const QGroupBox *>(widget);
    const int top = box && !box->isCheckable() && box->title().isEmpty()
        ? Margin
        : qMax(pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height()) + Margin;
    const QRectF frame = QRectF(option->rect.adjusted(0, top, 0, 0)).adjusted(0.5, 0.5, -0.5, -0.5);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QColor(0, 0, 0, 56));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(frame, 2, 2);
    painter->restore();
}
