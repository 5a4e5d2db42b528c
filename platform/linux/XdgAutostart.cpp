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

QString XdgAutostart::stringValue(const QString &text)
{
    // A value's own escaping; a literal % only matters in Exec, where it is written %%.
    QString value;
    for (const QChar c : text) {
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
        default:
            value += c;
        }
    }
    return value;
}

QString XdgAutostart::execArgument(const QString &argument)
{
    // Inside quotes, " ` $ and \ take a backslash; the value's own escaping then
    // doubles every backslash.
    QString quoted;
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    return u'"' + stringValue(quoted).replace(u'%', QStringLiteral("%%")) + u'"';
}

QString XdgAutostart::entryText(const QString &executable) const
{
    // TryExec lets a session skip the entry once the program is gone.
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nIcon=%2\nExec=%3\nTryExec=%4\n")
        .arg(m_displayName, m_iconName, execArgument(executable), stringValue(executable));
}

QString XdgAutostart::hiddenEntryText() const
{
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nHidden=true\n").arg(m_displayName);
}

void XdgAutostart::writeEntry(const QString &name, const QString &executable)
{
    const QString file = name + QStringLiteral(".desktop");
    const QString userEntry = QDir(userFolder()).filePath(file);
    if (machineFolderWritable()) {
        m_files.replace(QDir(machineFolder()).filePath(file), entryText(executable).toUtf8());
        // A user entry of the same name would hide this one, or start something else in its place.
        m_files.remove(userEntry);
        return;
    }
    // Also replaces an opt-out left by an earlier untick. The user's own entry, even
    // beside a machine-wide one that starts the same, keeps the box true whatever
    // the administrator later does to that one.
    m_files.makePrivateFolder(userFolder());
    m_files.replace(userEntry, entryText(executable).toUtf8());
}

void XdgAutostart::removeEntry(const QString &name)
{
    const QString file = name + QStringLiteral(".desktop");
    const QString machineEntry = QDir(machineFolder()).filePath(file);
    if (m_files.exists(machineEntry) && !machineFolderWritable()) {
        // The XDG opt-out: a user entry of the same name with Hidden=true stops the
        // machine-wide one for this user alone.
        m_files.makePrivateFolder(userFolder());
        m_files.replace(QDir(userFolder()).filePath(file), hiddenEntryText().toUtf8());
        return;
    }
    // Both places: the one that was writable when the entry was made may not be now.
    for (const QString &entry : {machineEntry, QDir(userFolder()).filePath(file)})
        m_files.remove(entry);
}

bool XdgAutostart::machineFolderWritable() const
{
    return ::access(QFile::encodeName(machineFolder()).constData(), W_OK) == 0;
}
