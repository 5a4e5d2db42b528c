#pragma once

#include "platform/AutostartService.h"

#include <QByteArray>

#include <optional>

class DesktopEntry;
class EnvironmentService;
class FileService;

// Autostart entries of the XDG desktops: `<name>.desktop` in the machine-wide
// autostart folder where the user may write there, else in the user's own; an
// entry of the user's own name overrides the machine-wide one. A machine-wide
// entry the user may not delete is hidden for that user instead. An entry the
// program did not write is edited in place, never replaced whole.
class XdgAutostart : public AutostartService {
public:
    XdgAutostart(const EnvironmentService &environment, FileService &files, QString displayName, QString iconName);

    void writeEntry(const QString &name, const QString &executable) override;
    void removeEntry(const QString &name) override;
    bool startsAtLogon(const QString &name, const QString &executable) const override;

    QString machineFolder() const;
    QString userFolder() const;
    // The entry's text, with the executable quoted for the Exec key.
    QString entryText(const QString &executable) const;
    // The user's entry that hides machine-wide entries of the same name.
    QString hiddenEntryText() const;
    // One argument of an Exec key, quoted and escaped so that any path survives.
    static QString execArgument(const QString &argument);
    // Text escaped for a key of type string.
    static QString stringValue(const QString &text);

private:
    bool machineFolderWritable() const;
    std::optional<QByteArray> readUserEntry(const QString &file) const;
    std::optional<QByteArray> readMachineEntry(const QString &file) const;
    // Whether the bytes are exactly what this program writes.
    bool written(const QByteArray &bytes) const;
    bool starts(const DesktopEntry &entry, const QString &executable) const;
    bool sameProgram(const QString &command, const QString &executable) const;
    // The entry with what keeps it from starting `executable` changed, and only that.
    QByteArray starting(const QByteArray &bytes, const QString &executable) const;

    const EnvironmentService &m_environment;
    FileService &m_files;
    QString m_displayName;
    QString m_iconName;
};
