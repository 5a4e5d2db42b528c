#pragma once

#include "platform/MemoryStatusService.h"

#include <string>
#include <string_view>

// Memory status read from a meminfo file (normally /proc/meminfo), afresh on each query.
class ProcMemoryStatus : public MemoryStatusService {
public:
    explicit ProcMemoryStatus(std::string path = "/proc/meminfo");
    ~ProcMemoryStatus() override;
    ProcMemoryStatus(const ProcMemoryStatus &) = delete;
    ProcMemoryStatus &operator=(const ProcMemoryStatus &) = delete;

    void GlobalMemoryStatus(MEMORYSTATUS &status) override;

    // The figures of a meminfo text; public for the fuzz target.
    static void parse(std::string_view text, MEMORYSTATUS &status);

private:
    std::string m_path;
    int m_fd = -1;
};
