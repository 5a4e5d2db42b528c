#pragma once

#include "platform/SettingsStore.h"

struct HKEY__; // a registry key handle, as the system declares it

// The choices as string values under HKEY_CURRENT_USER\Software\VB and VBA
// Program Settings\<maker>\<product>, where earlier versions of the program kept
// them, so that a user's choices carry over.
class RegistrySettingsStore : public SettingsStore {
public:
    // Under HKEY_CURRENT_USER, or under `root` (tests).
    RegistrySettingsStore(const QString &maker, const QString &product, HKEY__ *root = nullptr);

    QMap<QString, QString> readAll() const override;
    void write(const QString &key, const QString &value) override;
    QString leftAsItIs() const override;

private:
    HKEY__ *m_root;
    QString m_path;
};
