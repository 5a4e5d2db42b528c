#include "FrameStyle.h"

#include "ui/Contrast.h"

#include <QApplication>
#include <QGroupBox>
#include <QPainter>
#include <QPointer>
#include <QStyleOption>

#include <utility>

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

namespace {

// The texts noted while they are withheld; null while they are drawn.
QList<FrameStyle::Text> *withheldTexts = nullptr;

void withhold(QPainter *painter, const QRect &rect, const QBrush &brush, const QString &text, int flags)
{
    QList<QColor> colours;
    if (const QGradient *gradient = brush.gradient()) {
        for (const QGradientStop &stop : gradient->stops())
            colours.append(stop.second);
    } else {
        colours.append(brush.color());
    }
    for (QColor &colour : colours)
        colour.setAlphaF(colour.alphaF() * painter->opacity());
    // A text may run past its rectangle where nothing clips it.
    const QRect area = rect.united(painter->fontMetrics().boundingRect(rect, flags, text));
    withheldTexts->append({painter->deviceTransform().mapRect(QRectF(area)).toAlignedRect(), colours, text});
}

// Black at `alpha` over `background`, as one opaque colour.
QColor shade(const QColor &background, int alpha)
{
    const qreal keep = 1 - alpha / 255.0;
    return QColor::fromRgbF(background.redF() * keep, background.greenF() * keep, background.blueF() * keep);
}

// A one-pixel outline with its corners left out, so that it looks rounded.
// Opaque and axis-aligned on purpose: the raster engine fills such rectangles
// directly, where a translucent or antialiased outline goes through its span
// blender, which hands long edges to a thread pool and waits for it on every
// repaint of the countdown beside them.
void drawEdges(QPainter *painter, const QRect &rect, const QColor &colour)
{
    const int left = rect.left(), right = rect.right(), upper = rect.top(), lower = rect.bottom();
    painter->fillRect(QRect(QPoint(left + 1, upper), QPoint(right - 1, upper)), colour);
    painter->fillRect(QRect(QPoint(left + 1, lower), QPoint(right - 1, lower)), colour);
    painter->fillRect(QRect(QPoint(left, upper + 1), QPoint(left, lower - 1)), colour);
    painter->fillRect(QRect(QPoint(right, upper + 1), QPoint(right, lower - 1)), colour);
}

// The least contrast of a tick against its box, and of the box against what is behind it.
constexpr double MinimumForMarks = 3.0;

QColor mixed(const QColor &from, const QColor &to, qreal share)
{
    return QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * share,
                            from.greenF() + (to.greenF() - from.greenF()) * share,
                            from.blueF() + (to.blueF() - from.blueF()) * share);
}

// Fusion draws a check box's tick in the text colour made darker, its box in the
// base colour inside an outline it takes from the window colour; other styles
// take them from the same roles. A scheme or a skin may leave the tick on a box
// of nearly its own colour (a skin's dark text on a dark scheme's base), or the
// box on a background of its own colour: those colours are then moved until
// each stands out enough.
QPalette readableIndicator(QPalette palette, const QColor &behind)
{
    const QColor fill = palette.color(QPalette::Base);
    if (Contrast::ratio(palette.color(QPalette::Text).darker(120), fill) < MinimumForMarks)
        palette.setColor(QPalette::Text, Contrast::readableOn(fill, palette.color(QPalette::Text)));
    const auto outline = [](const QColor &window) { return window.darker(140).lighter(110); };
    if (Contrast::ratio(fill, behind) >= MinimumForMarks
        || Contrast::ratio(outline(palette.color(QPalette::Window)), behind) >= MinimumForMarks)
        return palette;
    const QColor away =
        Contrast::ratio(Qt::black, behind) >= Contrast::ratio(Qt::white, behind) ? Qt::black : Qt::white;
    QColor window = behind;
    for (int step = 1; step <= 10 && Contrast::ratio(outline(window), behind) < MinimumForMarks; ++step)
        window = mixed(behind, away, step / 10.0);
    palette.setColor(QPalette::Window, window);
    return palette;
}

} // namespace

FrameStyle::Withheld::Withheld()
{
    Q_ASSERT(!withheldTexts);
    withheldTexts = new QList<Text>;
}

FrameStyle::Withheld::~Withheld()
{
    delete std::exchange(withheldTexts, nullptr);
}

QList<FrameStyle::Text> FrameStyle::Withheld::texts() const
{
    return *withheldTexts;
}

void FrameStyle::drawItemText(QPainter *painter, const QRect &rect, int flags, const QPalette &palette, bool enabled,
                              const QString &text, QPalette::ColorRole textRole) const
{
    if (!withheldTexts) {
        QProxyStyle::drawItemText(painter, rect, flags, palette, enabled, text, textRole);
        return;
    }
    if (!text.isEmpty())
        withhold(painter, rect, textRole == QPalette::NoRole ? painter->pen().brush() : palette.brush(textRole), text,
                 flags);
}

void FrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                               const QWidget *widget) const
{
    // Whatever the style (a platform theme may put its own proxy over Fusion).
    if (element == PE_IndicatorCheckBox) {
        if (const auto *box = qstyleoption_cast<const QStyleOptionButton *>(option)) {
            QStyleOptionButton readable(*box);
            // A style sheet hands the style a palette of its own; what is behind the
            // box is what the check box paints.
            readable.palette = readableIndicator(box->palette,
                                                 widget ? widget->palette().color(widget->backgroundRole())
                                                        : box->palette.color(QPalette::Window));
            QProxyStyle::drawPrimitive(element, &readable, painter, widget);
            return;
        }
    }
    if (element != PE_FrameGroupBox || baseStyle()->name() != u"fusion") {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // Where and how Fusion's picture puts the frame: below the title, a faint
    // line on any background.
    constexpr int Margin = 3;
    const auto *box = qobject_cast<const QGroupBox *>(widget);
    const int top = box && !box->isCheckable() && box->title().isEmpty()
        ? Margin
        : qMax(pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height()) + Margin;
    drawEdges(painter, option->rect.adjusted(0, top, 0, 0), shade(option->palette.color(QPalette::Window), 56));
}

void FrameStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                             const QWidget *widget) const
{
    // Fusion writes the bar's text itself, in the text colour where the bar is empty
    // (as it is when a skin is put on).
    if (element == CE_ProgressBarLabel && withheldTexts) {
        if (const auto *bar = qstyleoption_cast<const QStyleOptionProgressBar *>(option))
            withhold(painter, bar->rect, bar->palette.brush(QPalette::Text), bar->text, int(bar->textAlignment));
        return;
    }
    if (element != CE_ProgressBarGroove || baseStyle()->name() != u"fusion") {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // Fusion's groove in the same colours: a faint shadow above, the base colour
    // inside a darker outline, and a faint shadow under its top edge.
    const QRect &rect = option->rect;
    const QColor base = option->palette.color(QPalette::Base);
    const QColor window = option->palette.color(QPalette::Window);
    painter->fillRect(QRect(rect.left(), rect.top() - 1, rect.width(), 1), shade(window, 16));
    painter->fillRect(rect.adjusted(1, 1, -1, -1), base);
    drawEdges(painter, rect, window.darker(140));
    painter->fillRect(QRect(rect.left() + 1, rect.top() + 1, rect.width() - 2, 1), shade(base, 18));
}

QRect FrameStyle::subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl subControl,
                                 const QWidget *widget) const
{
    // A frame without a check box has no place for one. Fusion measures the
    // title to place it anyway, on every paint, and the countdown's frame is
    // painted every second.
    if (control == CC_GroupBox && subControl == SC_GroupBoxCheckBox && !(option->subControls & SC_GroupBoxCheckBox))
        return {};
    return QProxyStyle::subControlRect(control, option, subControl, widget);
}
