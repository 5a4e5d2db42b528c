#include "mStartUp.h"

#include "platform/ProcessService.h"
#include "platform/RegStuff.h"

#include <QFileInfo>

namespace {

QString executableName(const ProcessService &process)
{
    return QFileInfo(process.executablePath()).fileName();
}

} // namespace

namespace mStartUp {

void AddToStartup(ProcessService &process, AutostartService &entries)
{
    const QString name = executableName(process);
    if (!name.isEmpty())
        SetRunValue(process, entries, name);
}

void RemoveFromStartup(ProcessService &process, AutostartService &entries)
{
    const QString name = executableName(process);
    if (!name.isEmpty())
        DeleteRunValue(entries, name);
}

void SetRunValue(ProcessService &process, AutostartService &entries, const QString &FileName)
{
    QString path = process.programFolder();
    if (!path.endsWith(u'/'))
        path += u'/';
    path += FileName;
    RegStuff::SetKeyValue(entries, RegStuff::HKEY_LOCAL_MACHINE, RegStuff::RunKey, FileName, path, RegStuff::REG_SZ);
}

void DeleteRunValue(AutostartService &entries, const QString &FileName)
{
    RegStuff::DeleteValue(entries, RegStuff::HKEY_LOCAL_MACHINE, RegStuff::RunKey, FileName);
}

} // namespace mStartUp
