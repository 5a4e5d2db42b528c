#include "Win32MemoryStatus.h"

// windows.h has a MEMORYSTATUS record of its own, which ours stands in for.
#define MEMORYSTATUS Win32MEMORYSTATUS
#include <windows.h>
#undef MEMORYSTATUS

void Win32MemoryStatus::GlobalMemoryStatus(MEMORYSTATUS &status)
{
    MEMORYSTATUSEX figures{};
    figures.dwLength = sizeof figures;
    if (!GlobalMemoryStatusEx(&figures))
        return;
    status.dwTotalPhys = figures.ullTotalPhys;
    status.dwAvailPhys = figures.ullAvailPhys;
}
