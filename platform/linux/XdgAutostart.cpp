#include "XdgAutostart.h"

#include "platform/EnvironmentService.h"
#include "platform/Failure.h"
#include "platform/FileService.h"
#include "platform/XdgFolders.h"
#include "platform/linux/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// Entries are a few hundred bytes; this bounds what a stray file can cost.
constexpr qint64 MaxEntryBytes = 64 * 1024;

QByteArray hidden(const QByteArray &bytes)
{
    DesktopEntry entry(bytes);
    entry.setValue(QStringLiteral("Hidden"), QStringLiteral("true"));
    return entry.bytes();
}

} // namespace

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
    const std::optional<QByteArray> own = readUserEntry(file);
    if (own && !written(*own)) {
        // The user's own entry is what their session reads, root's too.
        m_files.replace(userEntry, starting(*own, executable));
        return;
    }
    if (machineFolderWritable()) {
        const QString machineEntry = QDir(machineFolder()).filePath(file);
        const std::optional<QByteArray> machine = readMachineEntry(file);
        m_files.replace(machineEntry, machine ? starting(*machine, executable) : entryText(executable).toUtf8());
        // One of ours of the same name would hide this one, or start something else in its place.
        if (own)
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
    const QString userEntry = QDir(userFolder()).filePath(file);
    const QString machineEntry = QDir(machineFolder()).filePath(file);
    const std::optional<QByteArray> own = readUserEntry(file);
    bool machineStays = m_files.exists(machineEntry);
    if (machineStays && machineFolderWritable()) {
        const QByteArray machine = m_files.readProgramFile(machineEntry, MaxEntryBytes);
        if (written(machine))
            m_files.remove(machineEntry);
        else
            m_files.replace(machineEntry, hidden(machine));
        machineStays = false;
    }
    if (own && !written(*own)) {
        m_files.replace(userEntry, hidden(*own));
    } else if (machineStays) {
        // The XDG opt-out: a user entry of the same name with Hidden=true stops the
        // machine-wide one for this user alone.
        m_files.makePrivateFolder(userFolder());
        m_files.replace(userEntry, hiddenEntryText().toUtf8());
    } else if (own) {
        m_files.remove(userEntry);
    }
}

bool XdgAutostart::startsAtLogon(const QString &name, const QString &executable) const
{
    const QString file = name + QStringLiteral(".desktop");
    if (const std::optional<QByteArray> own = readUserEntry(file))
        return starts(DesktopEntry(*own), executable);
    const std::optional<QByteArray> machine = readMachineEntry(file);
    return machine && starts(DesktopEntry(*machine), executable);
}

std::optional<QByteArray> XdgAutostart::readUserEntry(const QString &file) const
{
    return m_files.readOwnConfig(QDir(userFolder()).filePath(file), MaxEntryBytes);
}

std::optional<QByteArray> XdgAutostart::readMachineEntry(const QString &file) const
{
    const QString path = QDir(machineFolder()).filePath(file);
    if (!m_files.exists(path))
        return std::nullopt;
    return m_files.readProgramFile(path, MaxEntryBytes);
}

bool XdgAutostart::written(const QByteArray &bytes) const
{
    const std::optional<QString> exec = DesktopEntry(bytes).value(QStringLiteral("Exec"));
    return bytes == hiddenEntryText().toUtf8() || (exec && bytes == entryText(DesktopEntry::program(*exec)).toUtf8());
}

bool XdgAutostart::starts(const DesktopEntry &entry, const QString &executable) const
{
    // OnlyShowIn and NotShowIn are left aside: an entry for some desktops is still the user's choice.
    const std::optional<QString> exec = entry.value(QStringLiteral("Exec"));
    const std::optional<QString> tryExec = entry.value(QStringLiteral("TryExec"));
    return entry.value(QStringLiteral("Hidden")) != u"true" && exec
        && sameProgram(DesktopEntry::program(*exec), executable)
        && (!tryExec || tryExec->isEmpty() || !QStandardPaths::findExecutable(*tryExec).isEmpty());
}

bool XdgAutostart::sameProgram(const QString &command, const QString &executable) const
{
    // A bare name is looked up as the session would; a link (bin/ramtidy) starts what it points at.
    const QString path = command.contains(u'/') ? command : QStandardPaths::findExecutable(command);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return path == executable || (!canonical.isEmpty() && canonical == QFileInfo(executable).canonicalFilePath());
}

QByteArray XdgAutostart::starting(const QByteArray &bytes, const QString &executable) const
{
    DesktopEntry entry(bytes);
    entry.remove(QStringLiteral("Hidden"));
    for (const auto &[key, value] : {std::pair{QStringLiteral("Type"), QStringLiteral("Application")},
                                     std::pair{QStringLiteral("Name"), stringValue(m_displayName)}}) {
        if (!entry.value(key))
            entry.setValue(key, value);
    }
    const QString exec = entry.value(QStringLiteral("Exec")).value_or(QString());
    qsizetype arguments = 0;
    if (!sameProgram(DesktopEntry::program(exec, &arguments), executable)) // its arguments stay
        entry.setValue(QStringLiteral("Exec"), execArgument(executable) + stringValue(exec.mid(arguments)));
    if (const std::optional<QString> tryExec = entry.value(QStringLiteral("TryExec"));
        tryExec && !sameProgram(*tryExec, executable))
        entry.setValue(QStringLiteral("TryExec"), stringValue(executable));
    return entry.bytes();
}

bool XdgAutostart::machineFolderWritable() const
{
    return ::access(QFile::encodeName(machineFolder()).constData(), W_OK) == 0;
}
