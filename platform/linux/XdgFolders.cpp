#include "XdgFolders.h"

#include "platform/EnvironmentService.h"

#include <QDir>

namespace {

QString absoluteOrEmpty(const QString &path)
{
    return QDir::isAbsolutePath(path) ? QDir::cleanPath(path) : QString();
}

QString underHome(const EnvironmentService &environment, const char *variable, const char *fallback)
{
    const QString value = absoluteOrEmpty(environment.variable(variable));
    return value.isEmpty() ? QDir(XdgFolders::home(environment)).filePath(QLatin1String(fallback)) : value;
}

} // namespace

namespace XdgFolders {

QString home(const EnvironmentService &environment)
{
    const QString home = absoluteOrEmpty(environment.variable("HOME"));
    return home.isEmpty() ? absoluteOrEmpty(environment.accountHome()) : home;
}

QString configHome(const EnvironmentService &environment)
{
    return underHome(environment, "XDG_CONFIG_HOME", ".config");
}

QString stateHome(const EnvironmentService &environment)
{
    return underHome(environment, "XDG_STATE_HOME", ".local/state");
}

QStringList configDirs(const EnvironmentService &environment)
{
    QStringList dirs;
    for (const QString &dir : environment.variable("XDG_CONFIG_DIRS").split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir) && !dirs.contains(QDir::cleanPath(dir)))
            dirs.append(QDir::cleanPath(dir));
    }
    return dirs.isEmpty() ? QStringList{QStringLiteral("/etc/xdg")} : dirs;
}

QString temp(const EnvironmentService &environment)
{
    return absoluteOrEmpty(environment.variable("TEMP"));
}

} // namespace XdgFolders
