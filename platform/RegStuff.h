#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>

class AutostartService;

// The machine-wide list of programs started at logon, kept as named values under
// a key. The one key there is maps onto the desktop's autostart entries: a value
// is an entry named after the value, starting the program its data names.
namespace RegStuff {

using HKEY = std::uint32_t;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr std::int32_t REG_SZ = 1;
inline constexpr std::int32_t REG_DWORD = 4;
inline const QString RunKey = QStringLiteral("SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\");

// An open key: the autostart entries, when Root and SubKey name the run key.
struct OpenKey {
    AutostartService &entries;
};

// Opens the key, writes one value and closes it. Throws Failure when the key is
// not the run key or the value cannot be written.
void SetKeyValue(AutostartService &entries, HKEY Root, const QString &SubKey, const QString &ValueName,
                 const QVariant &Value, std::int32_t ValueType);
// Writes one value; 0 when nothing was written (a type other than a string:
// an entry can only start a program).
std::int32_t WriteValue(OpenKey &key, const QString &ValueName, std::int32_t ValueType, const QVariant &Value);
// Opens the key, deletes one value and closes it.
void DeleteValue(AutostartService &entries, HKEY Root, const QString &SubKey, const QString &ValueName);

} // namespace RegStuff
