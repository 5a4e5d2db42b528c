#pragma once

#include <QtMath>

// The window's layout is kept in its design units: 15 twips make one logical pixel.
inline int tw(int twips)
{
    return qRound(twips / 15.0);
}
