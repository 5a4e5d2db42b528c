#pragma once

#include "platform/AutostartService.h"

class EnvironmentService;
class FileService;

// Autostart entries of the XDG desktops: `<name>.desktop` in the machine-wide
// autostart folder where the user may write there, else in the user's own. A
// machine-wide entry the user may not delete is hidden for that user instead.
class XdgAutostart : public AutostartService {
public:
    XdgAutostart(const EnvironmentService &environment, FileService &files, QString displayName, QString iconName);

    void writeEntry(const QString &name, const QString &executable) override;
    void removeEntry(const QString &name) override;

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

    const EnvironmentService &m_environment;
    FileService &m_files;
    QString m_displayName;
    QString m_iconName;
};
