#include "memory/mMemory.h"
#include "platform/linux/ProcMemoryStatus.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

// The floor: what the kernel costs to produce the file, with no parsing at all.
static void BM_BareReadProcMeminfo(benchmark::State &state)
{
    char buffer[8192];
    for (auto _ : state) {
        const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
        ssize_t total = 0, n;
        while ((n = ::read(fd, buffer + total, sizeof buffer - total)) > 0)
            total += n;
        ::close(fd);
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_BareReadProcMeminfo);

static void BM_GlobalMemoryStatus(benchmark::State &state)
{
    ProcMemoryStatus source;
    for (auto _ : state) {
        MEMORYSTATUS status;
        source.GlobalMemoryStatus(status);
        benchmark::DoNotOptimize(status);
    }
}
BENCHMARK(BM_GlobalMemoryStatus);

// One RAM-panel refresh: three queries and their texts.
static void BM_RamPanelFigures(benchmark::State &state)
{
    ProcMemoryStatus source;
    for (auto _ : state) {
        benchmark::DoNotOptimize(mMemory::TotalRAM(source));
        benchmark::DoNotOptimize(mMemory::FreeRAM(source));
        benchmark::DoNotOptimize(mMemory::UsedRAM(source));
    }
}
BENCHMARK(BM_RamPanelFigures);

BENCHMARK_MAIN();
