#pragma once

#include <QString>

// The per-user store of the program's choices: one text value per key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored value, or `fallback` when the key is absent. Never creates a key.
    virtual QString read(const QString &key, const QString &fallback) const = 0;
    // Stores the value at once; throws Failure when it cannot be stored.
    virtual void write(const QString &key, const QString &value) = 0;
};
