#pragma once

#include "SettingsStore.h"

// Settings in an INI file, group "Ramtidy"; each write is on disk before it returns,
// so another running copy reads it at once.
class IniSettingsStore : public SettingsStore {
public:
    // The file path; by default $XDG_CONFIG_HOME/Corvane/Ramtidy.conf.
    explicit IniSettingsStore(QString path = defaultPath());

    QString read(const QString &key, const QString &fallback) const override;
    void write(const QString &key, const QString &value) override;

    static QString defaultPath();

private:
    QString m_path;
};
