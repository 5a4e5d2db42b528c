#include "SettingsValues.h"

namespace {

// Enough for any value the program writes, and for a glance at one it did not.
constexpr qsizetype MaxQuotedChars = 40;

} // namespace

namespace SettingsValues {

QString Word(bool on)
{
    return on ? OnWord : OffWord;
}

QString value(const QMap<QString, QString> &stored, const Setting &setting)
{
    return stored.value(setting.key, setting.defaultValue);
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

QString Quoted(const QString &stored)
{
    QString shown;
    for (const QChar c : QStringView(stored).first(qMin(stored.size(), MaxQuotedChars))) {
        if (c == u'\0')
            shown += QStringLiteral("\\0");
        else if (!c.isPrint())
            shown += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    if (stored.size() > MaxQuotedChars)
        shown += QChar(0x2026); // …
    return u'"' + shown + u'"';
}

} // namespace SettingsValues
