#pragma once

#include "platform/ProcessService.h"

class LinuxProcess : public ProcessService {
public:
    // Reads the program's own path: make it first thing, before an upgrade can
    // replace the file under the running program.
    LinuxProcess();

    QString executablePath() const override;
    QString programFolder() const override;
    [[noreturn]] void EndProgram() override;
    void releaseUnusedMemory() override;

private:
    QString m_executablePath;
};
