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
    QString leftAsItIs() const override { return QStringLiteral("leaves it as it is."); }

    QMap<QString, QString> values;
    int writes = 0;
    bool failWrites = false;
};
