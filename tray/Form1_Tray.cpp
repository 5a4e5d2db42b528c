// The main window hidden into the notification area and brought back.
#include "app/Globals.h"
#include "app/SettingsValues.h"
#include "platform/ClockService.h"
#include "platform/TrayService.h"
#include "tray/cSysTray.h"
#include "ui/Form1.h"

#include <QCheckBox>
#include <QEvent>
#include <QSignalBlocker>
#include <QTimer>

namespace {

// How long a start into the tray waits for a tray host that is not there yet.
constexpr int TrayWaitAtStart = 30 * 1000;

} // namespace

void Form1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void Form1::Form_Resize()
{
    if (!(windowState() & Qt::WindowMinimized) || Globals::HiddenInTray)
        return;
    // Without a notification area a hidden window could not be brought back:
    // it stays minimized where the desktop keeps minimized windows.
    if (!m_platform.tray.isAvailable())
        return;
    // Hidden still minimized: on X11, leaving the minimized state maps the window
    // again at once, which would undo the hide. The state goes back to normal on
    // the way back, before the window is shown.
    hideInTray();
}

void Form1::minimizeAtStart()
{
    if (!m_platform.tray.isAvailable()) {
        // Started at logon, the panel with its tray often comes up after us: stay
        // minimized where the desktop keeps minimized windows, and move into the
        // tray if one appears soon.
        setWindowState(windowState() | Qt::WindowMinimized);
        m_trayWaitFrom = m_platform.clock.now();
        return;
    }
    // A window that has never been shown goes to the tray directly: given the
    // minimized state first, X11 would map it minimized again when it comes back.
    hide();
    Globals::HiddenInTray = true;
    // The balloon waits with events running; start-up finishes first, so that
    // nothing the user does meanwhile finds it half done.
    QTimer::singleShot(0, Qt::CoarseTimer, this, &Form1::showTrayBalloon);
}

void Form1::trayAvailabilityChanged(bool available)
{
    if (!available) {
        // The icon that would bring the window back is gone with the tray host.
        if (Globals::HiddenInTray) {
            Globals::HiddenInTray = false;
            setWindowState(windowState() & ~Qt::WindowMinimized);
            show();
        }
        return;
    }
    // A clock set back ends the wait too, so that it never lasts longer.
    const qint64 waited = m_trayWaitFrom ? m_trayWaitFrom->msecsTo(m_platform.clock.now()) : -1;
    if (waited >= 0 && waited < TrayWaitAtStart && (windowState() & Qt::WindowMinimized) && !Globals::HiddenInTray) {
        m_trayWaitFrom.reset();
        hideInTray();
    }
}

void Form1::hideInTray()
{
    hide();
    Globals::HiddenInTray = true;
    showTrayBalloon();
}

void Form1::showTrayBalloon()
{
    m_cSysTray1->ShowBalloon(QStringLiteral("has been minimized to the system tray.\r\n"
                                            "Click on the blue 'C' icon (C for Corvane) to bring the software back."),
                             Globals::ProductName, 5, true);
}

void Form1::cSysTray1_MouseUp(std::int16_t, std::int32_t)
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    Globals::HiddenInTray = false;
}

void Form1::Check8_Click()
{
    const bool on = m_check8->isChecked();
    // The box says what is stored, as the start-at-logon box does. Start-up's own
    // tick writes the value it just read, so that one stands whatever the write did.
    saveSetting(SettingsValues::Key::Minimized, SettingsValues::Word(on), [this, on] {
        if (m_isLoading)
            return;
        const QSignalBlocker blocker(m_check8);
        m_check8->setChecked(!on);
    });
}
