// The start-at-logon option and its companion, starting hidden in the tray.
#include "app/Globals.h"
#include "app/SettingsValues.h"
#include "platform/AutostartService.h"
#include "platform/MessageBoxService.h"
#include "platform/mStartUp.h"
#include "ui/Form1.h"

#include <QCheckBox>
#include <QSignalBlocker>

void Form1::Check4_Click()
{
    if (m_isLoading)
        return; // restoring the box at start-up changes nothing outside the window
    const bool on = m_check4->isChecked();
    const auto tell = [this](const std::exception &e) {
        m_platform.msgBox.MsgBox(QString::fromUtf8(e.what()), vbExclamation, Globals::AppTitle);
    };
    // After a failure the boxes and the stored choices say what is, not what was
    // clicked: "Minimized" too, which the untick turned off.
    const bool minimized = m_check8->isChecked();
    const auto undoClick = [this, on, minimized] {
        const QSignalBlocker blocker(m_check4);
        m_check4->setChecked(!on);
        m_check8->setVisible(!on);
        m_check8->setChecked(minimized); // its own handler stores it again
    };
    if (on) {
        m_check8->setVisible(true);
    } else {
        m_check8->setChecked(false);
        m_check8->setVisible(false);
    }
    // The entry first: it is what the box shows at the next start, so a settings
    // file that cannot be written (told by saveSetting) does not undo the click.
    try {
        if (on)
            mStartUp::AddToStartup(m_platform.process, m_platform.autostart);
        else
            mStartUp::RemoveFromStartup(m_platform.process, m_platform.autostart);
    } catch (const std::exception &e) {
        tell(e);
        undoClick();
        saveSetting(SettingsValues::Key::WindowsStartup, SettingsValues::Word(!on));
        return;
    }
    saveSetting(SettingsValues::Key::WindowsStartup, SettingsValues::Word(on));
}
