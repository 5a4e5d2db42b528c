#pragma once

#include <QString>

// The running program itself.
class ProcessService {
public:
    virtual ~ProcessService() = default;
    // Full path of the running executable, links resolved.
    virtual QString executablePath() const = 0;
    // The folder of the running executable, without a trailing separator.
    virtual QString programFolder() const = 0;
    // Ends the process at once with status 0. What the user put on the clipboard
    // is handed to the desktop's clipboard manager first; no handler runs after.
    virtual void EndProgram() = 0;
    // Gives the pages that freed memory left behind back to the system: start-up
    // frees more than the idle program keeps, and the allocator holds on to it.
    virtual void releaseUnusedMemory() = 0;
};
