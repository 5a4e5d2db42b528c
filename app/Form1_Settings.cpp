// The stored choices: read once at start, and a save that fails told once per cause.
#include "app/Globals.h"
#include "app/SettingsValues.h"
#include "platform/Failure.h"
#include "platform/MessageBoxService.h"
#include "platform/SettingsStore.h"
#include "ui/Form1.h"

QMap<QString, QString> Form1::readSettingsAtStart()
{
    try {
        return m_platform.settings.readAll();
    } catch (const std::exception &e) {
        // Every save that follows meets the same file; the user hears of it here.
        m_settingsFailureTold = QString::fromUtf8(e.what());
        throw Failure(m_settingsFailureTold
                      + QStringLiteral(" Ramtidy has started with its default choices and leaves that file as it is. "
                                       "To keep your choices, move the file out of the way or make it a file of "
                                       "your own, then start Ramtidy again."));
    }
}

bool Form1::storeSetting(const SettingsValues::Setting &setting, const QString &value)
{
    try {
        m_platform.settings.write(setting.key, value);
        m_settingsFailureTold.clear();
        return true;
    } catch (const std::exception &e) {
        const QString cause = QString::fromUtf8(e.what());
        if (cause == m_settingsFailureTold)
            return false; // told already, and a box on every click would tell nothing new
        m_settingsFailureTold = cause;
        throw Failure(QStringLiteral("The setting \"%1\" could not be saved. %2").arg(setting.key, cause));
    }
}

bool Form1::saveSetting(const SettingsValues::Setting &setting, const QString &value)
{
    try {
        return storeSetting(setting, value);
    } catch (const std::exception &e) {
        m_platform.msgBox.MsgBox(QString::fromUtf8(e.what()), vbExclamation, Globals::AppTitle);
        return false;
    }
}
