#include "platform/HistoryFolder.h"

#include "platform/linux/XdgFolders.h"

namespace HistoryFolder {

QString temp(const EnvironmentService &environment)
{
    return XdgFolders::temp(environment);
}

// A desktop session rarely sets TEMP; the user's state folder keeps the log
// across reboots, private to them.
QString privateFolder(const EnvironmentService &environment, const QString &maker)
{
    return temp(environment).isEmpty() ? XdgFolders::stateHome(environment) + u'/' + maker : QString();
}

} // namespace HistoryFolder
