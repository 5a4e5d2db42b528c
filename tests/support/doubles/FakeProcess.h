#pragma once

#include "platform/ProcessService.h"

class FakeProcess : public ProcessService {
public:
    QString executablePath() const override { return folder + QStringLiteral("/ramtidy"); }
    QString programFolder() const override { return folder; }
    void EndProgram() override { ++ended; }
    void releaseUnusedMemory() override { }

    QString folder = QStringLiteral("/nonexistent/program");
    int ended = 0;
};
