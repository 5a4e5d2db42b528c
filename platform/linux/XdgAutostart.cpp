#include "XdgAutostart.h"

#include "platform/EnvironmentService.h"
#include "platform/Failure.h"
#include "platform/FileService.h"
#include "platform/XdgFolders.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

XdgAutostart::XdgAutostart(const EnvironmentService &environment, FileService &files, QString displayName,
                           QString iconName)
    : m_environment(environment)
    , m_files(files)
    , m_displayName(std::move(displayName))
    , m_iconName(std::move(iconName))
{
}

QString XdgAutostart::machineFolder() const
{
    return QDir(XdgFolders::firstConfigDir(m_environment)).filePath(QStringLiteral("autostart"));
}

QString XdgAutostart::userFolder() const
{
    return QDir(XdgFolders::configHome(m_environment)).filePath(QStringLiteral("autostart"));
}

QString XdgAutostart::execArgument(const QString &argument)
{
    // Inside quotes, " ` $ and \ take a backslash; the value's own escaping then
    // doubles every backslash, and a literal % is written %%.
    QString quoted;
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    QString value;
    for (const QChar c : quoted) {
        switch (c.unicode()) {
        case '\\':
            value += QStringLiteral("\\\\");
            break;
        case '\n':
            value += QStringLiteral("\\n");
            break;
        case '\t':
            value += QStringLiteral("\\t");
            break;
        case '\r':
            value += QStringLiteral("\\r");
            break;
        case '%':
            value += QStringLiteral("%%");
            break;
        default:
            value += c;
        }
    }
    return u'"' + value + u'"';
}

QString XdgAutostart::entryText(const QString &executable) const
{
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nIcon=%2\nExec=%3\n")
        .arg(m_displayName, m_iconName, execArgument(executable));
}

void XdgAutostart::writeEntry(const QString &name, const QString &executable)
{
    QString folder = machineFolder();
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0) {
        folder = userFolder();
        m_files.makePrivateFolder(folder);
    }
    m_files.replace(QDir(folder).filePath(name + QStringLiteral(".desktop")), entryText(executable).toUtf8());
}

void XdgAutostart::removeEntry(const QString &name)
{
    // Both places: the one that was writable when the entry was made may not be now.
    for (const QString &folder : {machineFolder(), userFolder()})
        m_files.remove(QDir(folder).filePath(name + QStringLiteral(".desktop")));
}
