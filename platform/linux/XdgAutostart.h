#pragma once

#include "platform/AutostartService.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <optional>

class DesktopEntry;
class EnvironmentService;
class FileService;

// Autostart entries of the XDG desktops: `<name>.desktop` in the machine-wide
// autostart folder where the user may write there, else in the user's own. The
// entry in effect is the first of the name in the user's folder, then in each
// machine-wide folder in turn, read as the session named by XDG_CURRENT_DESKTOP
// reads it. A machine-wide entry the user may not delete is hidden for that user
// instead. An entry the program did not write, or a link at the entry's path, is
// edited in place, never replaced whole or removed.
class XdgAutostart : public AutostartService {
public:
    XdgAutostart(const EnvironmentService &environment, FileService &files, QString displayName, QString iconName);

    void writeEntry(const QString &name, const QString &executable) override;
    void removeEntry(const QString &name) override;
    bool startsAtLogon(const QString &name, const QString &executable) const override;

    // The most important machine-wide folder, where a new entry goes.
    QString machineFolder() const;
    // Every machine-wide folder, the most important first.
    QStringList machineFolders() const;
    QString userFolder() const;
    // The entry's text, with the executable quoted for the Exec key.
    QString entryText(const QString &executable) const;
    // The user's entry that hides machine-wide entries of the same name.
    QString hiddenEntryText() const;
    // One argument of an Exec key, quoted and escaped so that any path survives.
    static QString execArgument(const QString &argument);
    // Text escaped for a key of type string.
    static QString stringValue(const QString &text);

    // The program a command line starts, looked up as the session and `env` would:
    // `word` is the index of its word, -1 when `env` would start nothing or is
    // used in a way not read here; `words` and `ends` as DesktopEntry::words gives them.
    struct Command {
        QString program;
        qsizetype word = -1;
        QStringList words;
        QList<qsizetype> ends;
    };
    Command command(const QString &exec) const;

    // Whose rules read an entry: each session's own autostart, else the freedesktop rules.
    enum class Session { Freedesktop, Gnome, Xfce, Plasma };

private:
    Session session() const;
    // The desktop names the session matches against OnlyShowIn and NotShowIn.
    QStringList sessionDesktops() const;
    bool shownInSession(const DesktopEntry &entry) const;
    bool hiddenInSession(const DesktopEntry &entry) const;
    bool switchedOffInSession(const DesktopEntry &entry) const;
    void showInSession(DesktopEntry &entry) const;

    static bool folderWritable(const QString &folder);
    bool isLink(const QString &path) const;
    std::optional<QByteArray> readUserEntry(const QString &file) const;
    // Whether the bytes are exactly what this program writes.
    bool isOurs(const QByteArray &bytes) const;
    bool starts(const DesktopEntry &entry, const QString &executable) const;
    bool sameProgram(const QString &command, const QString &executable) const;
    QString findExecutable(const QString &name, const QStringList &path) const;
    // The entry at `path` changed so that this session starts `executable` from it, and only that changed.
    QByteArray startingEntry(const QString &path, const QByteArray &bytes, const QString &executable) const;
    void startExecutable(const QString &path, DesktopEntry &entry, const QString &executable) const;
    // Writes the user's entry when it changed; a link that cannot be written through is told with what to do.
    void replaceUserEntry(const QString &path, const QByteArray &before, const QByteArray &after);

    const EnvironmentService &m_environment;
    FileService &m_files;
    QString m_displayName;
    QString m_iconName;
};
