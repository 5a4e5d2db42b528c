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
    // The entry first: it is what the box shows at the next start. A refused tick
    // stores nothing and is taken back before the message, which runs the event loop,
    // so the box never shows it.
    try {
        if (on)
            mStartUp::AddToStartup(m_platform.process, m_platform.autostart);
        else
            mStartUp::RemoveFromStartup(m_platform.process, m_platform.autostart);
    } catch (const std::exception &e) {
        const QSignalBlocker blocker(m_check4);
        m_check4->setChecked(!on);
        m_platform.msgBox.MsgBox(QString::fromUtf8(e.what()), vbExclamation, Globals::AppTitle);
        return;
    }
    m_check8->setVisible(on);
    if (!on)
        m_check8->setChecked(false); // its own handler stores "Minimized"
    // A settings file that cannot be written (told by saveSetting) does not undo the
    // entry that was written.
    saveSetting(SettingsValues::Key::WindowsStartup, SettingsValues::Word(on));
}
