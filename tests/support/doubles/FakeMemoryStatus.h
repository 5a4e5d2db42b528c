#pragma once

#include "platform/MemoryStatusService.h"

#include <functional>

// Reports fixed byte counts and counts the queries.
class FakeMemoryStatus : public MemoryStatusService {
public:
    void GlobalMemoryStatus(MEMORYSTATUS &status) override
    {
        ++queries;
        if (onQuery)
            onQuery();
        status.dwTotalPhys = total;
        status.dwAvailPhys = avail;
    }

    std::uint64_t total = 0;
    std::uint64_t avail = 0;
    int queries = 0;
    std::function<void()> onQuery;
};
