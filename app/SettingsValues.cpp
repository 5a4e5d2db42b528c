#include "SettingsValues.h"

namespace SettingsValues {

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
    return stored == u"On";
}

bool IsOff(const QString &stored)
{
    return stored == u"Off";
}

} // namespace SettingsValues
