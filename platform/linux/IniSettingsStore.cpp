#include "IniSettingsStore.h"

#include "platform/Failure.h"

#include <QSettings>

IniSettingsStore::IniSettingsStore(QString path, QString group)
    : m_path(std::move(path))
    , m_group(std::move(group))
{
}

// A fresh QSettings per call: it reads the file as it is now, not as it was cached.
QString IniSettingsStore::read(const QString &key, const QString &fallback) const
{
    QSettings settings(m_path, QSettings::IniFormat);
    // A file that exists but cannot be read must not pass for an empty one: its
    // defaults would replace the user's choices.
    if (settings.status() == QSettings::AccessError)
        throw Failure(QStringLiteral("The settings file %1 could not be read.").arg(m_path));
    settings.beginGroup(m_group);
    return settings.value(key, fallback).toString();
}

void IniSettingsStore::write(const QString &key, const QString &value)
{
    {
        QSettings settings(m_path, QSettings::IniFormat);
        settings.beginGroup(m_group);
        settings.setValue(key, value);
        settings.sync();
        if (settings.status() == QSettings::AccessError)
            throw Failure(QStringLiteral("The setting \"%1\" could not be saved to %2.").arg(key, m_path));
    }
    // A file that held lines Qt could not parse reports a format error even when
    // the value was written; only what reads back counts.
    QSettings check(m_path, QSettings::IniFormat);
    check.beginGroup(m_group);
    if (check.value(key).toString() != value)
        throw Failure(QStringLiteral("The setting \"%1\" could not be saved to %2.").arg(key, m_path));
}
