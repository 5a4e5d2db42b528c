#pragma once

#include <QDateTime>
#include <QLocale>

// A date and time as the user's locale writes it: the short date with a four-digit
// year, a blank, the long time without a time zone. Midnight gives the date alone.
QString DateTimeText(const QDateTime &when, const QLocale &locale = QLocale());
