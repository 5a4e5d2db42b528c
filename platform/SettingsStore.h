#pragma once

#include <QMap>
#include <QString>

// The per-user store of the program's choices: one text value per key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Every stored value, read at once; throws Failure, naming the file and the
    // reason, when the store cannot be read. Never creates a key.
    virtual QMap<QString, QString> readAll() const = 0;
    // Stores the value at once; throws Failure, naming the file and the reason,
    // when it cannot be stored.
    virtual void write(const QString &key, const QString &value) = 0;

    // The stored value, or `fallback` when the key is absent.
    QString read(const QString &key, const QString &fallback) const { return readAll().value(key, fallback); }
};
