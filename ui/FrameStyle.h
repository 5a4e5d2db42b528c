#pragma once

#include <QProxyStyle>

// The desktop's style, with the frames of group boxes and the progress bar's
// groove drawn as plain lines. Fusion draws the frames from a picture, and
// loading that picture makes Qt load every image plugin it has to ask whether
// one reads the picture better; its groove is antialiased, which the raster
// engine hands to a thread pool on every step of the bar. A check box's tick and
// box stand out whatever the scheme and the skin. Texts can be withheld, to see
// what is drawn behind them.
class FrameStyle : public QProxyStyle {
    FrameStyle();

public:
    // A text as the style would draw it: where (in the painter's device pixels), in
    // what colours (a gradient's stops, or its one colour), and what.
    struct Text {
        QRect area;
        QList<QColor> colours;
        QString text;
    };
    // While one lives, text drawn through this style is noted, not drawn.
    class Withheld {
    public:
        Withheld();
        ~Withheld();
        Withheld(const Withheld &) = delete;
        Withheld &operator=(const Withheld &) = delete;
        QList<Text> texts() const;
    };

    // The one instance, owned by the application so that it outlives every window.
    static QStyle *instance();

    void drawItemText(QPainter *painter, const QRect &rect, int flags, const QPalette &palette, bool enabled,
                      const QString &text, QPalette::ColorRole textRole = QPalette::NoRole) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl subControl,
                         const QWidget *widget) const override;
};
