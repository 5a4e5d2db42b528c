#pragma once

#include "platform/SettingsStore.h"
#include "platform/linux/PosixFileSystem.h"

// Settings in an INI file, one group; each write is on disk before it returns, so
// another running copy reads it at once.
class IniSettingsStore : public SettingsStore {
public:
    IniSettingsStore(QString path, QString group);

    QString read(const QString &key, const QString &fallback) const override;
    void write(const QString &key, const QString &value) override;

private:
    PosixFileSystem m_files; // the rule every file is read and written by
    QString m_path;
    QString m_group;
};
