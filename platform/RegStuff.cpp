#include "RegStuff.h"

#include "platform/AutostartService.h"
#include "platform/Failure.h"

namespace {

RegStuff::OpenKey open(AutostartService &entries, RegStuff::HKEY Root, const QString &SubKey)
{
    if (Root != RegStuff::HKEY_LOCAL_MACHINE || SubKey.compare(RegStuff::RunKey, Qt::CaseInsensitive) != 0)
        throw Failure(QStringLiteral("There is no key %1 here.").arg(SubKey));
    return {entries};
}

} // namespace

namespace RegStuff {

void SetKeyValue(AutostartService &entries, HKEY Root, const QString &SubKey, const QString &ValueName,
                 const QVariant &Value, std::int32_t ValueType)
{
    OpenKey key = open(entries, Root, SubKey);
    WriteValue(key, ValueName, ValueType, Value);
}

std::int32_t WriteValue(OpenKey &key, const QString &ValueName, std::int32_t ValueType, const QVariant &Value)
{
    if (ValueType != REG_SZ)
        return 0;
    key.entries.writeEntry(ValueName, Value.toString());
    return 1;
}

void DeleteValue(AutostartService &entries, HKEY Root, const QString &SubKey, const QString &ValueName)
{
    open(entries, Root, SubKey).entries.removeEntry(ValueName);
}

} // namespace RegStuff
