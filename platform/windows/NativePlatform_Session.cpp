#include "platform/NativePlatform.h"

#include <windows.h>
// These build on windows.h.
#include <shobjidl.h>

// A crash shows no dialog that would keep a logon waiting: Windows reports it
// through its error reporting instead.
void NativePlatform::prepareProcess()
{
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

// A service's window station has no desktop anyone sees.
QString NativePlatform::displayUnavailableReason()
{
    USEROBJECTFLAGS flags{};
    if (GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, nullptr)
        && !(flags.dwFlags & WSF_VISIBLE))
        return QStringLiteral("this session has no visible desktop (the program runs as a service); start it "
                              "from a user's logon.");
    return QString();
}

// The taskbar groups the window and the tray icon's notifications under the
// program's own id, not under whatever started it.
void NativePlatform::beforeApplication()
{
    SetCurrentProcessExplicitAppUserModelID(L"Corvane.Ramtidy");
}
