#include "SettingsValues.h"

#include "platform/SettingsStore.h"

namespace SettingsValues {

QString Word(bool on)
{
    return on ? OnWord : OffWord;
}

QString read(const SettingsStore &store, const Setting &setting)
{
    return store.read(setting.key, setting.defaultValue);
}

std::optional<qint16> OftenIndex(const QString &stored)
{
    // QString::toShort stops reading at a NUL, which would let "3\0junk" pass as 3.
    if (stored.contains(QChar(u'\0')))
        return std::nullopt;
    bool ok = false;
    const short value = stored.toShort(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

bool IsOn(const QString &stored)
{
    return stored == OnWord;
}

bool IsOff(const QString &stored)
{
    return stored == OffWord;
}

} // namespace SettingsValues
