#include "DisplayProbe.h"

#include <QByteArray>

#include <xcb/xcb.h>

namespace DisplayProbe {

QString unavailableReason()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return {}; // another platform plugin was asked for; it reports for itself
    if (platform.isEmpty() && !qgetenv("WAYLAND_DISPLAY").isEmpty())
        return {};
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("no graphical display: neither DISPLAY nor WAYLAND_DISPLAY is set; "
                              "start Ramtidy from a desktop session");
    int screen = 0;
    xcb_connection_t *connection = xcb_connect(display.constData(), &screen);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (!reachable)
        return QStringLiteral("cannot connect to the X display \"%1\"").arg(QString::fromLocal8Bit(display));
    return {};
}

} // namespace DisplayProbe
