#pragma once

#include "platform/MemoryStatus.h"

// Reports fixed byte counts and counts the queries.
class FakeMemoryStatus : public MemoryStatusService {
public:
    void GlobalMemoryStatus(MEMORYSTATUS &status) override
    {
        ++queries;
        status.dwTotalPhys = total;
        status.dwAvailPhys = avail;
    }

    std::uint64_t total = 0;
    std::uint64_t avail = 0;
    int queries = 0;
};
