#pragma once

#include "platform/ProcessService.h"

class WindowsProcess : public ProcessService {
public:
    WindowsProcess();

    QString executablePath() const override;
    QString programFolder() const override;
    [[noreturn]] void EndProgram() override;
    void releaseUnusedMemory() override;

private:
    QString m_executablePath;
};
