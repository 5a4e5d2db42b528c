#pragma once

#include "platform/EnvironmentService.h"

class ProcessEnvironment : public EnvironmentService {
public:
    QString variable(const char *name) const override;
    QString accountHome() const override;
};
