#pragma once

#include "platform/ProcessService.h"

class LinuxProcess : public ProcessService {
public:
    QString executablePath() const override;
    QString programFolder() const override;
    [[noreturn]] void EndProgram() override;
    void releaseUnusedMemory() override;
};
