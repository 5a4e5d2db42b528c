#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <chrono>

// The per-user store of the program's choices: one text value per key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Every stored value, read at once; throws Failure, naming the file and the
    // reason, when the store cannot be read. Never creates a key.
    virtual QMap<QString, QString> readAll() const = 0;
    // Stores the value, together with any that still wait, or, while another
    // program holds the store for a moment, keeps them waiting: a write never waits
    // itself. Throws Failure, naming the file and the reason, when they cannot be
    // stored; they wait no more then.
    virtual void write(const QString &key, const QString &value) = 0;
    // The keys whose values wait; none in a store a write never finds busy.
    virtual QStringList waitingKeys() const { return {}; }
    // Tries the waiting values again, for at most `patience` while the store stays
    // busy: whether none waits any more. Throws as write() does.
    virtual bool flush(std::chrono::milliseconds patience = std::chrono::milliseconds(0))
    {
        Q_UNUSED(patience);
        return true;
    }

    // How the user is told, after a failed read, that the store is left as it is and
    // how to keep their choices: the end of "Ramtidy has started with its default
    // choices and …".
    virtual QString leftAsItIs() const = 0;

    // The stored value, or `fallback` when the key is absent.
    QString read(const QString &key, const QString &fallback) const { return readAll().value(key, fallback); }
};
