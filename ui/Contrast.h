#pragma once

#include <QColor>

// WCAG 2 contrast between colours; 4.5:1 is the least for text.
namespace Contrast {

constexpr double MinimumForText = 4.5;

// `a` as drawn over `b`: a translucent `a` counts as its mix with `b`.
double ratio(const QColor &a, const QColor &b);
// The preferred text colour where it is readable on the background, else black or
// white, whichever stands out more (one of them always reaches 4.5:1).
QColor readableOn(const QColor &background, const QColor &preferred);

} // namespace Contrast
