#pragma once

#include "platform/Failure.h"
#include "platform/SettingsStore.h"

#include <QMap>

class FakeSettingsStore : public SettingsStore {
public:
    QMap<QString, QString> readAll() const override { return values; }
    void write(const QString &key, const QString &value) override
    {
        if (failWrites)
            throw Failure(QStringLiteral("store is read-only"));
        values.insert(key, value);
        ++writes;
    }

    QMap<QString, QString> values;
    int writes = 0;
    bool failWrites = false;
};
