#include "platform/HistoryFolder.h"

#include "platform/EnvironmentService.h"

#include <QDir>

#include <windows.h>

namespace HistoryFolder {

// Windows always has a temporary folder: TEMP when it names one, else the one
// the system gives (TMP, the profile's, the Windows folder's), as Windows' own
// programs find it.
QString temp(const EnvironmentService &environment)
{
    const QString named = environment.variable("TEMP");
    if (QDir::isAbsolutePath(named))
        return QDir::cleanPath(QDir::fromNativeSeparators(named));
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH)
        return QString();
    return QDir::cleanPath(QDir::fromNativeSeparators(QString::fromWCharArray(buffer, length)));
}

QString privateFolder(const EnvironmentService &, const QString &)
{
    return QString();
}

} // namespace HistoryFolder
