#include "mStartUp.h"

#include "platform/AutostartService.h"
#include "platform/Failure.h"
#include "platform/ProcessService.h"
#include "platform/RegStuff.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString executableName(const ProcessService &process)
{
    return QFileInfo(process.executablePath()).fileName();
}

} // namespace

namespace mStartUp {

// With no entry written the box must not say there is one, so what the entry
// cannot name is a failure here, not a silent stop.
void AddToStartup(ProcessService &process, AutostartService &entries)
{
    const QString name = executableName(process);
    if (name.isEmpty())
        throw Failure(
            QStringLiteral("The program's own file could not be found, so no start-at-logon entry was written."));
    // Desktop entries are UTF-8 text; a path with bytes that are not cannot be named there.
    if (!process.executablePath().isValidUtf16())
        throw Failure(QStringLiteral("The program's path %1 is not UTF-8 text, which a start-at-logon entry needs, "
                                     "so none was written.")
                          .arg(process.executablePath()));
    SetRunValue(process, entries, name);
}

void RemoveFromStartup(ProcessService &process, AutostartService &entries)
{
    const QString name = executableName(process);
    if (!name.isEmpty())
        DeleteRunValue(entries, name);
}

bool IsInStartup(const ProcessService &process, const AutostartService &entries)
{
    const QString name = executableName(process);
    return !name.isEmpty() && entries.startsAtLogon(name, process.executablePath());
}

void SetRunValue(ProcessService &process, AutostartService &entries, const QString &FileName)
{
    // The folder as the system spells it; a root already ends with its separator.
    QString path = process.programFolder();
    if (!path.endsWith(u'/') && !path.endsWith(QDir::separator()))
        path += QDir::separator();
    path += FileName;
    RegStuff::SetKeyValue(entries, RegStuff::HKEY_LOCAL_MACHINE, RegStuff::RunKey, FileName, path, RegStuff::REG_SZ);
}

void DeleteRunValue(AutostartService &entries, const QString &FileName)
{
    RegStuff::DeleteValue(entries, RegStuff::HKEY_LOCAL_MACHINE, RegStuff::RunKey, FileName);
}

} // namespace mStartUp
