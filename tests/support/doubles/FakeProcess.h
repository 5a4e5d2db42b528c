#pragma once

#include "platform/ProcessService.h"

#include <functional>

class FakeProcess : public ProcessService {
public:
    QString executablePath() const override { return folder + QStringLiteral("/ramtidy"); }
    QString programFolder() const override { return folder; }
    void EndProgram() override { ++ended, onEnd ? onEnd() : void(); }
    void releaseUnusedMemory() override { }

    QString folder = QStringLiteral("/nonexistent/program");
    int ended = 0;
    std::function<void()> onEnd; // a look at the program as it would end
};
