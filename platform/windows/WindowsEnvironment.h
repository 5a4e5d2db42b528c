#pragma once

#include "platform/EnvironmentService.h"

class WindowsEnvironment : public EnvironmentService {
public:
    QString variable(const char *name) const override;
    // The profile folder the account was given, whatever USERPROFILE says.
    QString accountHome() const override;
};
