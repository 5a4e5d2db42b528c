#pragma once

#include <QString>

namespace DisplayProbe {

// Why no graphical display can be used, or an empty text when one can. Lets the
// program explain itself instead of aborting inside the toolkit.
QString unavailableReason();

} // namespace DisplayProbe
