#include "IniSettingsStore.h"

#include "platform/Failure.h"

#include <QSettings>

namespace {

// Four short values; a larger file is not ours, and QSettings would hold it whole
// (twice over) on every read and write.
constexpr qint64 MaxSettingsBytes = 1024 * 1024;

} // namespace

IniSettingsStore::IniSettingsStore(QString path, QString group)
    : m_path(std::move(path))
    , m_group(std::move(group))
{
}

// A fresh QSettings per call: it reads the file as it is now, not as it was cached.
// QSettings follows links and blocks on a FIFO, so the path is checked before each
// use, for reading and writing alike.
QString IniSettingsStore::read(const QString &key, const QString &fallback) const
{
    if (!m_files.checkOwnFileIfPresent(m_path, MaxSettingsBytes))
        return fallback;
    QSettings settings(m_path, QSettings::IniFormat);
    // A file that exists but cannot be read must not pass for an empty one: its
    // defaults would replace the user's choices.
    if (settings.status() == QSettings::AccessError)
        throw Failure(QStringLiteral("The settings file %1 could not be read.").arg(m_path));
    settings.beginGroup(m_group);
    const QVariant value = settings.value(key, fallback);
    // An unquoted comma makes QSettings read a list; the text stored is what counts.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void IniSettingsStore::write(const QString &key, const QString &value)
{
    m_files.checkOwnFileIfPresent(m_path, MaxSettingsBytes);
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
