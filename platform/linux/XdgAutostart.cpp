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

#include <algorithm>

#include <unistd.h>

namespace {

// Entries are a few hundred bytes; this bounds what a stray file can cost.
constexpr qint64 MaxEntryBytes = 64 * 1024;

const QString OnlyShowIn = QStringLiteral("OnlyShowIn");
const QString NotShowIn = QStringLiteral("NotShowIn");
const QString GnomeEnabled = QStringLiteral("X-GNOME-Autostart-enabled");

// The session whose own autostart reads entries, by a name in XDG_CURRENT_DESKTOP.
struct SessionName {
    QLatin1String desktop;
    XdgAutostart::Session session;
};
const SessionName SessionNames[] = {{QLatin1String("GNOME"), XdgAutostart::Session::Gnome},
                                    {QLatin1String("Unity"), XdgAutostart::Session::Gnome},
                                    {QLatin1String("XFCE"), XdgAutostart::Session::Xfce},
                                    {QLatin1String("KDE"), XdgAutostart::Session::Plasma}};

// The words a session's reader takes for true, where it is not GLib's boolean.
const QStringList XfceTrue{QStringLiteral("true"), QStringLiteral("on"), QStringLiteral("yes")};
const QStringList KConfigFalse{QStringLiteral("false"), QStringLiteral("no"), QStringLiteral("off"),
                               QStringLiteral("0")};

// Arguments the session expands to nothing at logon, when no file or URL is given.
const QStringList EmptyFieldCodes{QStringLiteral("%f"), QStringLiteral("%F"), QStringLiteral("%u"),
                                  QStringLiteral("%U")};

// env's options as coreutils reads them: its long name, its letter, whether it takes an argument.
struct EnvOption {
    QLatin1String name;
    char16_t letter;
    bool argument;
};
const EnvOption EnvOptions[] = {{QLatin1String("ignore-environment"), u'i', false},
                                {QLatin1String("unset"), u'u', true},
                                {QLatin1String("chdir"), u'C', true},
                                {QLatin1String("debug"), u'v', false},
                                {QLatin1String("block-signal"), 0, false},
                                {QLatin1String("default-signal"), 0, false},
                                {QLatin1String("ignore-signal"), 0, false},
                                {QLatin1String("list-signal-handling"), 0, false}};

// Reads `env [options] [-] [NAME=VALUE]... COMMAND` far enough to know which word
// is the command and where env looks it up.
class EnvCall {
public:
    explicit EnvCall(const QStringList &words)
        : m_words(words)
    {
    }
    // The command's word; -1 when env would start nothing or is used in a way not read here.
    qsizetype command();

    QStringList path; // empty: the session's PATH
    QString folder; // -C's
private:
    bool option();
    bool apply(const EnvOption &option, const QString &attached);

    const QStringList &m_words;
    qsizetype m_at = 1;
};

const QStringList DefaultPath{QStringLiteral("/bin"), QStringLiteral("/usr/bin")}; // execvp's without PATH

qsizetype EnvCall::command()
{
    for (; m_at < m_words.size() && m_words[m_at].startsWith(u'-') && m_words[m_at] != u"-"; ++m_at) {
        if (m_words[m_at] == u"--") {
            ++m_at;
            break;
        }
        if (!option())
            return -1;
    }
    if (m_at < m_words.size() && m_words[m_at] == u"-") {
        path = DefaultPath;
        ++m_at;
    }
    for (; m_at < m_words.size() && m_words[m_at].contains(u'='); ++m_at) {
        if (m_words[m_at].startsWith(u'='))
            return -1;
        if (m_words[m_at].startsWith(QStringLiteral("PATH=")))
            path = m_words[m_at].mid(5).split(u':', Qt::SkipEmptyParts);
    }
    return m_at < m_words.size() ? m_at : -1;
}

// One word of options; false where env stops with an error, or splits a string (-S), not read here.
bool EnvCall::option()
{
    const QString &word = m_words[m_at];
    if (word.startsWith(QStringLiteral("--"))) {
        const QString name = word.mid(2).section(u'=', 0, 0);
        const EnvOption *found = nullptr;
        int matches = 0;
        for (const EnvOption &known : EnvOptions) {
            if (known.name == name)
                return apply(known, word.contains(u'=') ? word.section(u'=', 1) : QString());
            if (known.name.startsWith(name)) { // getopt takes a prefix that names one option
                found = &known;
                ++matches;
            }
        }
        return matches == 1 && apply(*found, word.contains(u'=') ? word.section(u'=', 1) : QString());
    }
    for (qsizetype j = 1; j < word.size(); ++j) {
        const auto known = std::find_if(std::begin(EnvOptions), std::end(EnvOptions),
                                        [&](const EnvOption &option) { return option.letter == word[j]; });
        if (known == std::end(EnvOptions))
            return false; // -0 with a command, -S, or one env does not know: nothing starts
        if (known->argument)
            return apply(*known, word.mid(j + 1));
        apply(*known, {});
    }
    return true;
}

bool EnvCall::apply(const EnvOption &option, const QString &attached)
{
    QString value = attached;
    if (option.argument && value.isEmpty()) {
        if (m_at + 1 == m_words.size())
            return false; // no argument, so no command either
        value = m_words[++m_at];
    }
    if (option.letter == u'i' || (option.letter == u'u' && value == u"PATH"))
        path = DefaultPath;
    if (option.letter == u'C')
        folder = value;
    return true;
}

// GLib's show-in rule: the first of `desktops` that an entry names decides; else
// only an entry without OnlyShowIn shows.
bool shownIn(const DesktopEntry &entry, const QStringList &desktops, Qt::CaseSensitivity names)
{
    const std::optional<QStringList> only = entry.list(OnlyShowIn), never = entry.list(NotShowIn);
    for (const QString &desktop : desktops) {
        if (only && only->contains(desktop, names))
            return true;
        if (never && never->contains(desktop, names))
            return false;
    }
    return !only;
}

QString listValue(const QStringList &items)
{
    QString value;
    for (const QString &item : items)
        value += XdgAutostart::stringValue(item).replace(u';', QStringLiteral("\\;")) + u';';
    return value;
}

QByteArray withHiddenSet(const QByteArray &bytes)
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
    if (own && (!isOurs(*own) || isLink(userEntry))) {
        // The user's own entry is what their session reads, root's too; a link (a
        // dotfile manager's) stays where it is.
        replaceUserEntry(userEntry, *own, startingEntry(userEntry, *own, executable));
        return;
    }
    for (const QString &folder : machineFolders()) {
        const QString machineEntry = QDir(folder).filePath(file);
        if (!m_files.exists(machineEntry))
            continue;
        if (!folderWritable(folder))
            break;
        const QByteArray machine = m_files.readProgramFile(machineEntry, MaxEntryBytes);
        if (const QByteArray edited = startingEntry(machineEntry, machine, executable); edited != machine)
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
        if (isOurs(machine))
            m_files.remove(machineEntry);
        else if (const QByteArray hiddenMachine = withHiddenSet(machine); hiddenMachine != machine)
            m_files.replace(machineEntry, hiddenMachine);
    }
    if (own && (!isOurs(*own) || isLink(userEntry))) {
        replaceUserEntry(userEntry, *own, withHiddenSet(*own));
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

bool XdgAutostart::isOurs(const QByteArray &bytes) const
{
    const std::optional<QString> exec = DesktopEntry(bytes).value(QStringLiteral("Exec"));
    return bytes == hiddenEntryText().toUtf8() || (exec && bytes == entryText(DesktopEntry::program(*exec)).toUtf8());
}

bool XdgAutostart::starts(const DesktopEntry &entry, const QString &executable) const
{
    const std::optional<QString> exec = entry.value(QStringLiteral("Exec"));
    const std::optional<QString> tryExec = entry.value(QStringLiteral("TryExec"));
    // xfce4-session looks an empty TryExec up, and finds nothing.
    const bool tryExecFails =
        tryExec && (!tryExec->isEmpty() || session() == Session::Xfce) && findExecutable(*tryExec, {}).isEmpty();
    if (!entry.isValid() || entry.value(QStringLiteral("Type")) != u"Application" || hiddenInSession(entry)
        || switchedOffInSession(entry) || !shownInSession(entry) || !exec || tryExecFails)
        return false;
    const Command started = command(*exec);
    // The program takes no arguments: any it is given ends it at once.
    const QStringList arguments = started.words.mid(started.word + 1);
    return started.word >= 0 && sameProgram(started.program, executable)
        && std::all_of(arguments.begin(), arguments.end(),
                       [](const QString &argument) { return EmptyFieldCodes.contains(argument); });
}

XdgAutostart::Session XdgAutostart::session() const
{
    const QStringList desktops = m_environment.variable("XDG_CURRENT_DESKTOP").split(u':');
    for (const SessionName &known : SessionNames) {
        if (desktops.contains(known.desktop))
            return known.session;
    }
    return Session::Freedesktop;
}

QStringList XdgAutostart::sessionDesktops() const
{
    // GLib, and so gnome-session and systemd's generator, split the variable as it is.
    QStringList desktops = m_environment.variable("XDG_CURRENT_DESKTOP").split(u':');
    if (desktops == QStringList{QString()})
        desktops.clear();
    switch (session()) {
    case Session::Xfce:
        return {QStringLiteral("XFCE")}; // xfce4-session's own name, whatever the variable holds
    case Session::Plasma:
        // Plasma's own start-up asks for KDE, its systemd start-up for the variable's names.
        return desktops.contains(u"KDE") ? desktops : desktops << QStringLiteral("KDE");
    default:
        return desktops;
    }
}

bool XdgAutostart::shownInSession(const DesktopEntry &entry) const
{
    switch (session()) {
    case Session::Xfce: {
        // xfce4-session: X-XFCE-Autostart-Override passes OnlyShowIn, not NotShowIn; names in any case.
        const std::optional<QString> override = entry.value(QStringLiteral("X-XFCE-Autostart-Override"));
        const std::optional<QStringList> only = entry.list(OnlyShowIn), never = entry.list(NotShowIn);
        const bool overridden = override && XfceTrue.contains(override->trimmed(), Qt::CaseInsensitive);
        return (overridden || !only || only->contains(u"XFCE", Qt::CaseInsensitive))
            && !(never && never->contains(u"XFCE", Qt::CaseInsensitive));
    }
    case Session::Plasma:
        return shownIn(entry, sessionDesktops(), Qt::CaseSensitive)
            && shownIn(entry, {QStringLiteral("KDE")}, Qt::CaseSensitive);
    default:
        return shownIn(entry, sessionDesktops(), Qt::CaseSensitive);
    }
}

bool XdgAutostart::hiddenInSession(const DesktopEntry &entry) const
{
    const QString hidden = entry.value(QStringLiteral("Hidden")).value_or(QString()).trimmed();
    switch (session()) {
    case Session::Xfce:
        return XfceTrue.contains(hidden, Qt::CaseInsensitive);
    case Session::Plasma: // KConfig takes any word but its four for true
        return entry.boolean(QStringLiteral("Hidden")) == true
            || (!hidden.isEmpty() && !KConfigFalse.contains(hidden, Qt::CaseInsensitive));
    default:
        return entry.boolean(QStringLiteral("Hidden")) == true;
    }
}

bool XdgAutostart::switchedOffInSession(const DesktopEntry &entry) const
{
    // gnome-session reads GNOME's switch, and so does systemd's generator, which starts Plasma's entries.
    const Session reader = session();
    return (reader == Session::Gnome || reader == Session::Plasma) && entry.value(GnomeEnabled)
        && entry.boolean(GnomeEnabled) != true;
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
    EnvCall env(found.words);
    const bool throughEnv =
        QFileInfo(found.words[0]).fileName() == u"env" && !findExecutable(found.words[0], {}).isEmpty();
    const qsizetype at = throughEnv ? env.command() : 0;
    if (at < 0)
        return found;
    // GLib looks the program up before it turns %% into %, so one with a % never starts.
    QString program = found.words[at].contains(u'%') ? QString() : found.words[at];
    if (!program.contains(u'/'))
        program = findExecutable(program, env.path);
    else if (!env.folder.isEmpty() && QDir::isRelativePath(program))
        program = QDir(env.folder).filePath(program);
    found.program = program;
    found.word = at;
    return found;
}

bool XdgAutostart::sameProgram(const QString &command, const QString &executable) const
{
    // A bare name is looked up as the session would; a link (bin/ramtidy) starts what it points at.
    const QString path = command.contains(u'/') ? command : findExecutable(command, {});
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return path == executable || (!canonical.isEmpty() && canonical == QFileInfo(executable).canonicalFilePath());
}

QByteArray XdgAutostart::startingEntry(const QString &path, const QByteArray &bytes, const QString &executable) const
{
    DesktopEntry entry(bytes);
    if (!entry.isKeyFile())
        throw Failure(QStringLiteral("The start-at-logon entry %1 has a line that is neither a group, a key nor a "
                                     "comment, so desktops do not read it. Mend or remove that line, then try again.")
                          .arg(path));
    entry.remove(QStringLiteral("Hidden"));
    if (entry.value(GnomeEnabled) && entry.boolean(GnomeEnabled) != true)
        entry.setValue(GnomeEnabled, QStringLiteral("true"));
    if (entry.value(QStringLiteral("Type")) != u"Application")
        entry.setValue(QStringLiteral("Type"), QStringLiteral("Application"));
    if (!entry.value(QStringLiteral("Name")))
        entry.setValue(QStringLiteral("Name"), stringValue(m_displayName));
    showInSession(entry);
    startExecutable(path, entry, executable);
    if (const std::optional<QString> tryExec = entry.value(QStringLiteral("TryExec"));
        tryExec && !sameProgram(*tryExec, executable))
        entry.setValue(QStringLiteral("TryExec"), stringValue(executable));
    // A tick that leaves the box saying one thing and the session doing another is a failure.
    if (!starts(entry, executable))
        throw Failure(QStringLiteral("The start-at-logon entry %1 was left as it is: Ramtidy could not make it one "
                                     "this desktop starts. Change it by hand, or remove it and tick again.")
                          .arg(path));
    return entry.bytes();
}

// Takes this session's names out of NotShowIn, and adds them to an OnlyShowIn that leaves it out.
void XdgAutostart::showInSession(DesktopEntry &entry) const
{
    if (shownInSession(entry))
        return;
    const QStringList desktops = sessionDesktops();
    const Qt::CaseSensitivity names = session() == Session::Xfce ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (std::optional<QStringList> never = entry.list(NotShowIn)) {
        never->removeIf([&](const QString &desktop) { return desktops.contains(desktop, names); });
        never->isEmpty() ? entry.remove(NotShowIn) : entry.setValue(NotShowIn, listValue(*never));
    }
    if (std::optional<QStringList> only = entry.list(OnlyShowIn); only && !shownInSession(entry)) {
        for (const QString &desktop : desktops) {
            if (!only->contains(desktop, names))
                only->append(desktop);
        }
        // With no desktop named, only an entry for every desktop shows.
        desktops.isEmpty() ? entry.remove(OnlyShowIn) : entry.setValue(OnlyShowIn, listValue(*only));
    }
}

// Makes Exec start `executable` with no argument it refuses; what comes before the program
// (env and its settings) stays.
void XdgAutostart::startExecutable(const QString &path, DesktopEntry &entry, const QString &executable) const
{
    const QString exec = entry.value(QStringLiteral("Exec")).value_or(QString());
    const Command started = command(exec);
    if (started.word < 0 && !started.words.isEmpty())
        throw Failure(QStringLiteral("The start-at-logon entry %1 starts a program through env in a way Ramtidy does "
                                     "not read, so it was left as it is. Change its Exec line by hand.")
                          .arg(path));
    if (started.words.isEmpty()) {
        entry.setValue(QStringLiteral("Exec"), execArgument(executable));
        return;
    }
    const qsizetype at = started.word;
    QString line = sameProgram(started.program, executable)
        ? stringValue(exec.left(started.ends[at]))
        : (at > 0 ? stringValue(exec.left(started.ends[at - 1])) + u' ' : QString()) + execArgument(executable);
    const QStringList arguments = started.words.mid(at + 1);
    for (const QString &argument : arguments) {
        if (EmptyFieldCodes.contains(argument))
            line += u' ' + argument;
    }
    if (line != stringValue(exec))
        entry.setValue(QStringLiteral("Exec"), line);
}

void XdgAutostart::replaceUserEntry(const QString &path, const QByteArray &before, const QByteArray &after)
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
