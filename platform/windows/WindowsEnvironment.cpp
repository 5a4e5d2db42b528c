#include "WindowsEnvironment.h"

#include <QDir>

#include <windows.h>
// These build on windows.h.
#include <shlobj.h>

QString WindowsEnvironment::variable(const char *name) const
{
    return qEnvironmentVariable(name);
}

QString WindowsEnvironment::accountHome() const
{
    wchar_t *path = nullptr;
    QString home;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Profile, KF_FLAG_DONT_VERIFY, nullptr, &path)))
        home = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    return home;
}
