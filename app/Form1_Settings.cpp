// The stored choices: read once at start, and saved at every change. A save that
// another program keeps waiting is tried again from the event loop; a failure is
// told at every click, and once per cause where nobody clicked.
#include "app/Globals.h"
#include "app/SettingsValues.h"
#include "platform/ClockService.h"
#include "platform/Failure.h"
#include "platform/MessageBoxService.h"
#include "platform/SettingsStore.h"
#include "ui/Form1.h"

#include <QTimer>

#include <chrono>

namespace {

// How often a waiting save is tried again, how long it waits before the user hears
// of it, and how long the last try at closing may wait.
constexpr int RetryMilliseconds = 100;
constexpr qint64 TellAfterMilliseconds = 3000;
constexpr std::chrono::milliseconds PatienceAtQuit(2000);

QString named(const QStringList &keys)
{
    return (keys.size() == 1 ? QStringLiteral("The setting \"") : QStringLiteral("The settings \""))
        + keys.join(QStringLiteral("\", \"")) + u'"';
}

QString notSaved(const QStringList &keys, const char *cause)
{
    return named(keys) + QStringLiteral(" could not be saved. ") + QString::fromUtf8(cause);
}

} // namespace

QMap<QString, QString> Form1::readSettingsAtStart()
{
    try {
        return m_platform.settings.readAll();
    } catch (const std::exception &e) {
        // Start-up's own save meets the same file; the user hears of it here.
        m_settingsFailureTold = QString::fromUtf8(e.what());
        throw Failure(m_settingsFailureTold + QStringLiteral(" Ramtidy has started with its default choices and ")
                      + m_platform.settings.leftAsItIs());
    }
}

bool Form1::trySaving(const SettingsValues::Setting &setting, const QString &value, bool asked, QString &tell)
{
    QStringList keys = m_platform.settings.waitingKeys();
    if (!keys.contains(setting.key))
        keys << setting.key;
    try {
        m_platform.settings.write(setting.key, value);
    } catch (const std::exception &e) {
        followWaitingSettings();
        noteFailure(e, keys, asked, tell);
        return false;
    }
    if (m_platform.settings.waitingKeys().isEmpty())
        m_settingsFailureTold.clear();
    followWaitingSettings();
    return true;
}

void Form1::noteFailure(const std::exception &e, const QStringList &keys, bool asked, QString &tell)
{
    const QString cause = QString::fromUtf8(e.what());
    // A click is always answered; a repeat nobody asked for tells only what is new.
    if (asked || cause != m_settingsFailureTold)
        tell = notSaved(keys, e.what());
    m_settingsFailureTold = cause;
}

void Form1::storeSetting(const SettingsValues::Setting &setting, const QString &value)
{
    QString tell;
    if (!trySaving(setting, value, true, tell))
        throw Failure(tell);
}

bool Form1::saveSetting(const SettingsValues::Setting &setting, const QString &value, const std::function<void()> &undo)
{
    QString tell;
    if (trySaving(setting, value, !m_isLoading, tell))
        return true;
    if (undo)
        undo(); // before the box: the window never shows what was refused
    if (!tell.isEmpty())
        m_platform.msgBox.MsgBox(tell, vbExclamation, Globals::AppTitle);
    return false;
}

void Form1::followWaitingSettings()
{
    if (m_platform.settings.waitingKeys().isEmpty()) {
        m_settingsWaitingSince = QDateTime();
        m_settingsWaitTold = false;
        return;
    }
    if (!m_settingsWaitingSince.isValid())
        m_settingsWaitingSince = m_platform.clock.now();
    if (!m_settingsRetryArmed) {
        m_settingsRetryArmed = true;
        QTimer::singleShot(RetryMilliseconds, Qt::CoarseTimer, this, &Form1::retryWaitingSettings);
    }
}

void Form1::retryWaitingSettings()
{
    m_settingsRetryArmed = false;
    const QStringList keys = m_platform.settings.waitingKeys();
    QString tell;
    try {
        if (!keys.isEmpty() && m_platform.settings.flush())
            m_settingsFailureTold.clear();
    } catch (const std::exception &e) {
        noteFailure(e, keys, false, tell);
    }
    if (tell.isEmpty() && !m_settingsWaitTold && !m_platform.settings.waitingKeys().isEmpty()
        && m_settingsWaitingSince.msecsTo(m_platform.clock.now()) >= TellAfterMilliseconds) {
        m_settingsWaitTold = true;
        tell = named(keys)
            + QStringLiteral(" is not saved yet: another program has kept the settings file busy for a few seconds. "
                             "Ramtidy goes on trying, and tries once more when it closes.");
    }
    followWaitingSettings(); // before the box, whose own event loop goes on retrying
    if (!tell.isEmpty())
        m_platform.msgBox.MsgBox(tell, vbExclamation, Globals::AppTitle);
}

void Form1::saveWaitingAtQuit()
{
    const QStringList keys = m_platform.settings.waitingKeys();
    if (keys.isEmpty())
        return;
    QString tell;
    try {
        if (m_platform.settings.flush(PatienceAtQuit))
            return;
        tell = named(keys)
            + QStringLiteral(" could not be saved: another program kept the settings file busy until Ramtidy "
                             "closed. The next start will not have this choice.");
    } catch (const std::exception &e) {
        tell = notSaved(keys, e.what());
    }
    m_platform.msgBox.MsgBox(tell, vbExclamation, Globals::AppTitle);
}
