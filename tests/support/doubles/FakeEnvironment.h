#pragma once

#include "platform/EnvironmentService.h"

#include <QMap>

// The process's own environment, with the values a test sets on top.
class FakeEnvironment : public EnvironmentService {
public:
    QString variable(const char *name) const override
    {
        return values.contains(name) ? values.value(name) : qEnvironmentVariable(name);
    }
    QString accountHome() const override { return account; }

    QMap<QByteArray, QString> values; // a null value stands for an unset variable
    QString account = QStringLiteral("/home/account");
};
