#include "XdgAutostart.h"

#include "platform/EnvironmentService.h"
#include "platform/Failure.h"
#include "platform/FileService.h"
#include "platform/linux/DesktopEntry.h"
#include "platform/linux/XdgFolders.h"

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
    return machineFolders().first();
}

QStringList XdgAutostart::machineFolders() const
{
    QStringList folders;
    for (const QString &dir : XdgFolders::configDirs(m_environment))
        folders.append(QDir(dir).filePath(QStringLiteral("autostart")));
    return folders;
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
    if (own && (!written(*own) || isLink(userEntry))) {
        // The user's own entry is what their session reads, root's too; a link (a
        // dotfile manager's) stays where it is.
        edit(userEntry, *own, starting(userEntry, *own, executable));
        return;
    }
    for (const QString &folder : machineFolders()) {
        const QString machineEntry = QDir(folder).filePath(file);
        if (!m_files.exists(machineEntry))
            continue;
        if (!folderWritable(folder))
            break;
        const QByteArray machine = m_files.readProgramFile(machineEntry, MaxEntryBytes);
        if (const QByteArray edited = starting(machineEntry, machine, executable); edited != machine)
            m_files.replace(machineEntry, edited);
        // One of ours of the same name would hide this one, or start something else in its place.
        if (own)
            m_files.remove(userEntry);
        return;
    }
    if (folderWritable(machineFolder()) && !m_files.exists(QDir(machineFolder()).filePath(file))) {
        m_files.replace(QDir(machineFolder()).filePath(file), entryText(executable).toUtf8());
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
    const std::optional<QByteArray> own = readUserEntry(file);
    bool machineStays = false;
    for (const QString &folder : machineFolders()) {
        const QString machineEntry = QDir(folder).filePath(file);
        if (!m_files.exists(machineEntry))
            continue;
        if (!folderWritable(folder)) {
            machineStays = true;
            continue;
        }
        const QByteArray machine = m_files.readProgramFile(machineEntry, MaxEntryBytes);
        if (written(machine))
            m_files.remove(machineEntry);
        else if (const QByteArray hiddenMachine = hidden(machine); hiddenMachine != machine)
            m_files.replace(machineEntry, hiddenMachine);
    }
    if (own && (!written(*own) || isLink(userEntry))) {
        edit(userEntry, *own, hidden(*own));
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
    // The first of the name wins, as sessions read the folders.
    for (const QString &folder : machineFolders()) {
        const QString path = QDir(folder).filePath(file);
        if (m_files.exists(path))
            return starts(DesktopEntry(m_files.readProgramFile(path, MaxEntryBytes)), executable);
    }
    return false;
}

std::optional<QByteArray> XdgAutostart::readUserEntry(const QString &file) const
{
    // A configuration manager's store (root's, read-only) behind the user's own link is read too.
    return m_files.readOwnConfig(QDir(userFolder()).filePath(file), MaxEntryBytes, true);
}

bool XdgAutostart::isLink(const QString &path) const
{
    return m_files.exists(path) && !m_files.isRegularFile(path) && !m_files.isFolder(path);
}

bool XdgAutostart::written(const QByteArray &bytes) const
{
    const std::optional<QString> exec = DesktopEntry(bytes).value(QStringLiteral("Exec"));
    return bytes == hiddenEntryText().toUtf8() || (exec && bytes == entryText(DesktopEntry::program(*exec)).toUtf8());
}

bool XdgAutostart::starts(const DesktopEntry &entry, const QString &executable) const
{
    // What GLib's sessions ask of an entry. OnlyShowIn and NotShowIn are left
    // aside: an entry for some desktops is still the user's choice.
    const std::optional<QString> exec = entry.value(QStringLiteral("Exec"));
    const std::optional<QString> tryExec = entry.value(QStringLiteral("TryExec"));
    const QString enabled = QStringLiteral("X-GNOME-Autostart-enabled");
    if (!entry.isValid() || entry.value(QStringLiteral("Type")) != u"Application"
        || entry.boolean(QStringLiteral("Hidden")) == true || (entry.value(enabled) && entry.boolean(enabled) != true)
        || !exec || (tryExec && !tryExec->isEmpty() && findExecutable(*tryExec, {}).isEmpty()))
        return false;
    const Command started = command(*exec);
    return started.word >= 0 && sameProgram(started.program, executable);
}

QString XdgAutostart::findExecutable(const QString &name, const QStringList &path) const
{
    if (name.contains(u'/'))
        return QFileInfo(name).isExecutable() && QFileInfo(name).isFile() ? name : QString();
    return QStandardPaths::findExecutable(
        name, path.isEmpty() ? m_environment.variable("PATH").split(u':', Qt::SkipEmptyParts) : path);
}

XdgAutostart::Command XdgAutostart::command(const QString &exec) const
{
    Command found;
    const std::optional<QStringList> words = DesktopEntry::words(exec, &found.ends);
    if (!words)
        return found;
    found.words = *words;
    const QStringList &w = found.words;
    const auto startsHere = [&](qsizetype at, const QStringList &path, const QString &folder) {
        // GLib looks the program up before it turns %% into %, so one with a % never starts.
        QString program = w[at].contains(u'%') ? QString() : w[at];
        if (!program.contains(u'/'))
            program = findExecutable(program, path);
        else if (!folder.isEmpty() && QDir::isRelativePath(program))
            program = QDir(folder).filePath(program);
        found.program = program;
        found.word = at;
        return found;
    };
    if (QFileInfo(w[0]).fileName() != u"env" || findExecutable(w[0], {}).isEmpty())
        return startsHere(0, {}, {});
    // env [options] [-] [NAME=VALUE]... COMMAND, as coreutils reads it.
    static const QStringList Plain{QStringLiteral("ignore-environment"), QStringLiteral("debug"),
                                   QStringLiteral("block-signal"),       QStringLiteral("default-signal"),
                                   QStringLiteral("ignore-signal"),      QStringLiteral("list-signal-handling")};
    static const QStringList WithArgument{QStringLiteral("unset"), QStringLiteral("chdir")};
    const QStringList defaultPath{QStringLiteral("/bin"), QStringLiteral("/usr/bin")}; // execvp's without PATH
    QStringList path;
    QString folder;
    qsizetype i = 1;
    // An option's argument; none at the end, where no command follows either.
    const auto argument = [&](const QString &attached) {
        return !attached.isEmpty() ? attached : i + 1 < w.size() ? w[++i] : QString();
    };
    for (; i < w.size() && w[i].startsWith(u'-') && w[i] != u"-"; ++i) {
        if (w[i] == u"--") {
            ++i;
            break;
        }
        QString value;
        if (w[i].startsWith(QStringLiteral("--"))) {
            const QString option = w[i].mid(2).section(u'=', 0, 0);
            QStringList matches;
            for (const QString &known : Plain + WithArgument) {
                if (known == option) {
                    matches = {known};
                    break;
                }
                if (known.startsWith(option))
                    matches.append(known); // getopt takes a prefix that names one option
            }
            if (matches.size() != 1)
                return found; // env stops with an error, or splits a string (-S), not read here
            if (matches[0] == u"ignore-environment")
                path = defaultPath;
            if (WithArgument.contains(matches[0]))
                value = argument(w[i].contains(u'=') ? w[i].section(u'=', 1) : QString());
            if (matches[0] == u"unset" && value == u"PATH")
                path = defaultPath;
            if (matches[0] == u"chdir")
                folder = value;
            continue;
        }
        for (qsizetype j = 1; j < w[i].size(); ++j) {
            const QChar option = w[i][j];
            if (option == u'i') {
                path = defaultPath;
            } else if (option == u'u' || option == u'C') {
                value = argument(w[i].mid(j + 1));
                if (option == u'u' && value == u"PATH")
                    path = defaultPath;
                if (option == u'C')
                    folder = value;
                break;
            } else if (option != u'v') {
                return found; // -0 with a command, -S, or one env does not know: nothing starts
            }
        }
    }
    if (i < w.size() && w[i] == u"-") {
        path = defaultPath;
        ++i;
    }
    for (; i < w.size() && w[i].contains(u'='); ++i) {
        if (w[i].startsWith(u'='))
            return found;
        if (w[i].startsWith(QStringLiteral("PATH=")))
            path = w[i].mid(5).split(u':', Qt::SkipEmptyParts);
    }
    return i < w.size() ? startsHere(i, path, folder) : found;
}

bool XdgAutostart::sameProgram(const QString &command, const QString &executable) const
{
    // A bare name is looked up as the session would; a link (bin/ramtidy) starts what it points at.
    const QString path = command.contains(u'/') ? command : findExecutable(command, {});
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return path == executable || (!canonical.isEmpty() && canonical == QFileInfo(executable).canonicalFilePath());
}

QByteArray XdgAutostart::starting(const QString &path, const QByteArray &bytes, const QString &executable) const
{
    DesktopEntry entry(bytes);
    if (!entry.isKeyFile())
        throw Failure(QStringLiteral("The start-at-logon entry %1 has a line that is neither a group, a key nor a "
                                     "comment, so desktops do not read it. Mend or remove that line, then try again.")
                          .arg(path));
    entry.remove(QStringLiteral("Hidden"));
    const QString enabled = QStringLiteral("X-GNOME-Autostart-enabled");
    if (entry.value(enabled) && entry.boolean(enabled) != true)
        entry.setValue(enabled, QStringLiteral("true"));
    if (entry.value(QStringLiteral("Type")) != u"Application")
        entry.setValue(QStringLiteral("Type"), QStringLiteral("Application"));
    if (!entry.value(QStringLiteral("Name")))
        entry.setValue(QStringLiteral("Name"), stringValue(m_displayName));
    const QString exec = entry.value(QStringLiteral("Exec")).value_or(QString());
    const Command started = command(exec);
    if (started.word < 0 && !started.words.isEmpty())
        throw Failure(QStringLiteral("The start-at-logon entry %1 starts a program through env in a way Ramtidy does "
                                     "not read, so it was left as it is. Change its Exec line by hand.")
                          .arg(path));
    if (started.words.isEmpty()) {
        entry.setValue(QStringLiteral("Exec"), execArgument(executable));
    } else if (!sameProgram(started.program, executable)) {
        // What comes before the program (env and its settings) and its arguments stay.
        const qsizetype at = started.word;
        const QString before = at > 0 ? exec.left(started.ends[at - 1]) + u' ' : QString();
        entry.setValue(QStringLiteral("Exec"),
                       stringValue(before) + execArgument(executable) + stringValue(exec.mid(started.ends[at])));
    }
    if (const std::optional<QString> tryExec = entry.value(QStringLiteral("TryExec"));
        tryExec && !sameProgram(*tryExec, executable))
        entry.setValue(QStringLiteral("TryExec"), stringValue(executable));
    return entry.bytes();
}

void XdgAutostart::edit(const QString &path, const QByteArray &before, const QByteArray &after)
{
    if (after == before)
        return;
    try {
        m_files.replace(path, after);
    } catch (const Failure &e) {
        if (!isLink(path))
            throw;
        throw Failure(QString::fromUtf8(e.what())
                      + QStringLiteral(" The entry is a link into files another program manages (a dotfile or "
                                       "configuration manager): change it where that configuration is managed, "
                                       "then apply it."));
    }
}

bool XdgAutostart::folderWritable(const QString &folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}
