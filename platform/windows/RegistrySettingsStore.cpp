#include "RegistrySettingsStore.h"

#include "platform/windows/RegistryKey.h"

#include <windows.h>

RegistrySettingsStore::RegistrySettingsStore(const QString &maker, const QString &product, HKEY root)
    : m_root(root ? root : HKEY_CURRENT_USER)
    , m_path(QStringLiteral("Software\\VB and VBA Program Settings\\") + maker + u'\\' + product)
{
}

QMap<QString, QString> RegistrySettingsStore::readAll() const
{
    QMap<QString, QString> values;
    const std::optional<RegistryKey> key = RegistryKey::open(m_root, m_path, KEY_READ);
    if (!key)
        return values;
    for (const QString &name : key->valueNames()) {
        if (const std::optional<QString> text = key->text(name))
            values.insert(name, *text);
    }
    return values;
}

// The registry writes one value whole, and another copy's writes to other values
// stay as they are: no lock and no re-read are needed.
void RegistrySettingsStore::write(const QString &key, const QString &value)
{
    RegistryKey::create(m_root, m_path, KEY_SET_VALUE).setText(key, value);
}
