#include "mMemory.h"

#include "platform/MemoryStatusService.h"

namespace {

MEMORYSTATUS query(MemoryStatusService &source)
{
    MEMORYSTATUS status;
    source.GlobalMemoryStatus(status);
    return status;
}

} // namespace

namespace mMemory {

QString TotalRAM(MemoryStatusService &source)
{
    return QString::number(query(source).dwTotalPhys / 1024);
}

QString FreeRAM(MemoryStatusService &source)
{
    return QString::number(query(source).dwAvailPhys / 1024);
}

QString UsedRAM(MemoryStatusService &source)
{
    const MEMORYSTATUS status = query(source);
    // Each count is divided before the subtraction; a source that reports more
    // available than total memory must not give a wrapped-around figure.
    const std::uint64_t total = status.dwTotalPhys / 1024;
    const std::uint64_t avail = status.dwAvailPhys / 1024;
    return QString::number(total > avail ? total - avail : 0);
}

} // namespace mMemory
