#pragma once

#include "platform/SettingsStore.h"

class FileService;

// Settings in an INI file, one group; each write is on disk before it returns, so
// another running copy reads it at once.
class IniSettingsStore : public SettingsStore {
public:
    IniSettingsStore(const FileService &files, QString path, QString group);

    QString read(const QString &key, const QString &fallback) const override;
    void write(const QString &key, const QString &value) override;

private:
    const FileService &m_files;
    QString m_path;
    QString m_group;
};
