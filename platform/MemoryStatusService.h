#pragma once

#include <cstdint>

// The memory-status record, with 64-bit byte counts so that machines with more
// than 4 GiB report their real figures.
struct MEMORYSTATUS {
    std::uint32_t dwLength = 0;
    std::uint64_t dwTotalPhys = 0;
    std::uint64_t dwAvailPhys = 0;
};

class MemoryStatusService {
public:
    virtual ~MemoryStatusService() = default;
    // Fills total and available physical memory in bytes. Never fails: figures
    // that cannot be read stay zero.
    virtual void GlobalMemoryStatus(MEMORYSTATUS &status) = 0;
};
