#include "IniSettingsStore.h"

#include "app/Failure.h"
#include "app/Globals.h"

#include <QSettings>
#include <QStandardPaths>

IniSettingsStore::IniSettingsStore(QString path)
    : m_path(std::move(path))
{
}

QString IniSettingsStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + Globals::MakerName
        + u'/' + Globals::ProductName + QStringLiteral(".conf");
}

// A fresh QSettings per call: it reads the file as it is now, not as it was cached.
QString IniSettingsStore::read(const QString &key, const QString &fallback) const
{
    QSettings settings(m_path, QSettings::IniFormat);
    settings.beginGroup(Globals::ProductName);
    return settings.value(key, fallback).toString();
}

void IniSettingsStore::write(const QString &key, const QString &value)
{
    QSettings settings(m_path, QSettings::IniFormat);
    settings.beginGroup(Globals::ProductName);
    settings.setValue(key, value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw Failure(QStringLiteral("The setting \"%1\" could not be saved to %2.").arg(key, m_path));
}
