#include "RegistrySettingsStore.h"

#include "platform/Failure.h"
#include "platform/windows/RegistryKey.h"

#include <windows.h>

namespace {

// Far more than any choice the program writes; bounds what a stray value can cost.
constexpr DWORD MaxValueBytes = 64 * 1024;

QString typeName(DWORD type)
{
    switch (type) {
    case REG_NONE:
        return QStringLiteral("REG_NONE");
    case REG_BINARY:
        return QStringLiteral("REG_BINARY");
    case REG_DWORD:
        return QStringLiteral("REG_DWORD");
    case REG_QWORD:
        return QStringLiteral("REG_QWORD");
    case REG_MULTI_SZ:
        return QStringLiteral("REG_MULTI_SZ");
    default:
        return QStringLiteral("type %1").arg(type);
    }
}

// The key is used only while every value in it is text within bounds, as a settings
// file is only while every line of it reads: a value that is not is named, and
// neither read nor written over, nor are the others, which the start would
// otherwise overwrite with defaults.
QList<RegistryKey::Value> checkedValues(const RegistryKey &key)
{
    const QList<RegistryKey::Value> values = key.values();
    for (const RegistryKey::Value &value : values) {
        if (value.type != REG_SZ && value.type != REG_EXPAND_SZ)
            throw Failure(QStringLiteral("The registry key %1 was not used: its value \"%2\" holds %3 data, where "
                                         "Ramtidy keeps text.")
                              .arg(key.name(), value.name, typeName(value.type)));
        if (value.bytes > MaxValueBytes)
            throw Failure(QStringLiteral("The registry key %1 was not used: its value \"%2\" is longer than the %3 "
                                         "bytes Ramtidy reads.")
                              .arg(key.name(), value.name)
                              .arg(MaxValueBytes));
    }
    return values;
}

} // namespace

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
    for (const RegistryKey::Value &value : checkedValues(*key)) {
        if (const std::optional<QString> text = key->text(value.name))
            values.insert(value.name, *text);
    }
    return values;
}

// The registry writes one value whole, and another copy's writes to other values
// stay as they are: no lock and no re-read are needed.
void RegistrySettingsStore::write(const QString &key, const QString &value)
{
    RegistryKey stored = RegistryKey::create(m_root, m_path, KEY_QUERY_VALUE | KEY_SET_VALUE);
    checkedValues(stored);
    stored.setText(key, value);
}

QString RegistrySettingsStore::leftAsItIs() const
{
    return QStringLiteral("leaves that key as it is. To keep your choices, put it right in the Registry Editor, then "
                          "start Ramtidy again.");
}
