#include "Contrast.h"

#include <algorithm>
#include <cmath>

namespace {

// WCAG 2 relative luminance.
double luminance(const QColor &colour)
{
    auto linear = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

} // namespace

double Contrast::ratio(const QColor &a, const QColor &b)
{
    // A translucent colour shows as its mix with what is behind it.
    const double alpha = a.alphaF();
    const double la = luminance(QColor::fromRgbF(a.redF() * alpha + b.redF() * (1 - alpha),
                                                 a.greenF() * alpha + b.greenF() * (1 - alpha),
                                                 a.blueF() * alpha + b.blueF() * (1 - alpha)));
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor Contrast::readableOn(const QColor &background, const QColor &preferred)
{
    if (ratio(preferred, background) >= MinimumForText)
        return preferred;
    return ratio(Qt::black, background) >= ratio(Qt::white, background) ? QColor(Qt::black) : QColor(Qt::white);
}
