#pragma once

#include <QString>

class MemoryStatusService;

// The RAM panel's figures in KiB, each from a memory-status query of its own.
namespace mMemory {

QString TotalRAM(MemoryStatusService &source);
QString FreeRAM(MemoryStatusService &source);
QString UsedRAM(MemoryStatusService &source);

} // namespace mMemory
