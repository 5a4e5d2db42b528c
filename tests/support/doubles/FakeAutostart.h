#pragma once

#include "platform/AutostartService.h"
#include "platform/Failure.h"

#include <QMap>

class FakeAutostart : public AutostartService {
public:
    void writeEntry(const QString &name, const QString &executable) override
    {
        if (fail)
            throw Failure(QStringLiteral("cannot write %1").arg(name));
        entries.insert(name, executable);
    }
    void removeEntry(const QString &name) override
    {
        if (fail)
            throw Failure(QStringLiteral("cannot remove %1").arg(name));
        entries.remove(name);
    }
    bool startsAtLogon(const QString &name, const QString &executable) const override
    {
        return entries.value(name) == executable;
    }

    QMap<QString, QString> entries;
    bool fail = false;
};
