#pragma once

#include <QProxyStyle>

// The desktop's style, with the frames of group boxes drawn as lines. Fusion
// draws them from a picture, and loading that picture makes Qt load every image
// plugin it has to ask whether one reads the picture better.
class FrameStyle : public QProxyStyle {
    FrameStyle();

public:
    // The one instance, owned by the application so that it outlives every window.
    static QStyle *instance();

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override;
};
