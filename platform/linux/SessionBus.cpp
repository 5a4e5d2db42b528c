#include "SessionBus.h"

#include <QByteArray>

namespace {

const char *const Address = "DBUS_SESSION_BUS_ADDRESS";
// An address of a kind no bus has: connecting fails at once, and nothing is started.
const QByteArray Absent = QByteArrayLiteral("disabled:");

} // namespace

namespace SessionBus {

void preventAutoLaunch()
{
    if (qEnvironmentVariableIsEmpty(Address))
        qputenv(Address, Absent);
}

bool autoLaunchPrevented()
{
    return qgetenv(Address) == Absent;
}

} // namespace SessionBus
