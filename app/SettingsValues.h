#pragma once

#include <QString>

#include <optional>

// Conversions of the values read back from the settings file, which anyone may have edited.
namespace SettingsValues {

// "OftenIndex" as a 16-bit integer; nothing when the text is not one.
std::optional<qint16> OftenIndex(const QString &stored);

// The on/off words, exact and case-sensitive: any other text is neither.
bool IsOn(const QString &stored);
bool IsOff(const QString &stored);

// A stored value as a message quotes it: in double quotes, control characters
// (a NUL among them) as visible escapes, and a long value cut with an ellipsis, so
// that a box stays short and shows what was stored.
QString Quoted(const QString &stored);

} // namespace SettingsValues
