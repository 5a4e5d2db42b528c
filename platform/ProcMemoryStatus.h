#pragma once

#include "MemoryStatus.h"

#include <string>

// Memory status read from a meminfo file (normally /proc/meminfo), once per query.
class ProcMemoryStatus : public MemoryStatusService {
public:
    explicit ProcMemoryStatus(std::string path = "/proc/meminfo");

    void GlobalMemoryStatus(MEMORYSTATUS &status) override;

private:
    std::string m_path;
};
