#pragma once

#include <QString>

// The process environment and the user's account.
class EnvironmentService {
public:
    virtual ~EnvironmentService() = default;
    // The variable's value; empty when it is unset.
    virtual QString variable(const char *name) const = 0;
    // The user's home folder from the account database, for when HOME is unusable.
    virtual QString accountHome() const = 0;
};
