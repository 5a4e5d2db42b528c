#pragma once

#include "platform/MemoryStatusService.h"

// The memory status as Windows reports it, with 64-bit counts: the older
// GlobalMemoryStatus saturates at 4 GiB.
class Win32MemoryStatus : public MemoryStatusService {
public:
    void GlobalMemoryStatus(MEMORYSTATUS &status) override;
};
