#include "DateTimeText.h"

#include <QRegularExpression>

namespace {

QString fourDigitYear(QString format)
{
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}

QString withoutTimeZone(QString format)
{
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    format.replace(zone, QStringLiteral(" "));
    return format.trimmed();
}

} // namespace

QString DateTimeText(const QDateTime &when, const QLocale &locale)
{
    QString text = locale.toString(when.date(), fourDigitYear(locale.dateFormat(QLocale::ShortFormat)));
    const QTime time = when.time();
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0)
        text += u' ' + locale.toString(time, withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
    // Newer locale data puts a narrow no-break space before AM/PM; a log is plain text.
    text.replace(QChar(0x202F), u' ');
    return text;
}
