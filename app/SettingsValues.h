#pragma once

#include <QMap>
#include <QString>

#include <optional>

// The program's four stored choices, and the conversions of what is read back from
// the settings file, which anyone may have edited.
namespace SettingsValues {

struct Setting {
    QString key;
    QString defaultValue; // what a missing key reads as
};

// The one table of the settings keys and their defaults.
namespace Key {
inline const Setting OftenIndex{QStringLiteral("OftenIndex"), QStringLiteral("2")};
inline const Setting StartStopState{QStringLiteral("StartStopState"), QStringLiteral("On")};
inline const Setting WindowsStartup{QStringLiteral("Windows Startup"), QStringLiteral("Off")};
inline const Setting Minimized{QStringLiteral("Minimized"), QStringLiteral("Off")};
} // namespace Key

// The stored on/off words.
inline const QString OnWord = QStringLiteral("On");
inline const QString OffWord = QStringLiteral("Off");

// The stored word for a choice that is on or off.
QString Word(bool on);

// The value of `setting` among the stored ones, or its default when it is absent.
QString value(const QMap<QString, QString> &stored, const Setting &setting);

// The interval position as a 16-bit integer; nothing when the text is not one.
std::optional<qint16> OftenIndex(const QString &stored);

// The on/off words, exact and case-sensitive: any other text is neither.
bool IsOn(const QString &stored);
bool IsOff(const QString &stored);

// A stored value as a message quotes it: in double quotes, control characters
// (a NUL among them) as visible escapes, and a long value cut with an ellipsis, so
// that a box stays short and shows what was stored.
QString Quoted(const QString &stored);

} // namespace SettingsValues
