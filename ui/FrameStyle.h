#pragma once

#include <QProxyStyle>

// The desktop's style, with the frames of group boxes and the progress bar's
// groove drawn as plain lines. Fusion draws the frames from a picture, and
// loading that picture makes Qt load every image plugin it has to ask whether
// one reads the picture better; its groove is antialiased, which the raster
// engine hands to a thread pool on every step of the bar. A check box's tick and
// box stand out whatever the scheme and the skin.
class FrameStyle : public QProxyStyle {
    FrameStyle();

public:
    // The one instance, owned by the application so that it outlives every window.
    static QStyle *instance();

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl subControl,
                         const QWidget *widget) const override;
};
