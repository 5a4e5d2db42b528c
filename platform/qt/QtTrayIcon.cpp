#include "QtTrayIcon.h"

#include <QCoreApplication>

#include <vector>

namespace {

// The mouse messages the notification area sends for what Qt reports, in their
// order: a click comes as down then up, a double click as its own message then up.
std::vector<std::uint32_t> trayMouseMessages(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return {WM_LBUTTONDOWN, WM_LBUTTONUP};
    case QSystemTrayIcon::Context:
        return {WM_RBUTTONDOWN, WM_RBUTTONUP};
    case QSystemTrayIcon::DoubleClick:
        return {WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
    return {};
}

} // namespace

QtTrayIcon::QtTrayIcon()
{
    m_balloonTimer.setSingleShot(true);
    m_balloonTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_balloonTimer, &QTimer::timeout, this, [this] {
        endBalloon();
        notify(NIN_BALLOONTIMEOUT);
    });
}

QtTrayIcon::~QtTrayIcon() = default;

bool QtTrayIcon::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtTrayIcon::ShellNotifyIcon(std::uint32_t message, const NotifyIconData &data)
{
    if (message == NIM_ADD) {
        if (m_icon)
            return false; // one icon only
        m_icon = std::make_unique<QSystemTrayIcon>();
        m_owner = data.hWnd;
        m_id = data.uID;
        m_callbackMessage = (data.uFlags & NIF_MESSAGE) ? data.uCallbackMessage : 0;
        connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            for (const std::uint32_t mouse : trayMouseMessages(reason))
                notify(mouse);
        });
        connect(m_icon.get(), &QSystemTrayIcon::messageClicked, this, &QtTrayIcon::balloonClicked);
        added(data);
        m_icon->show();
        return true;
    }
    if (!m_icon || data.uID != m_id || (message != NIM_MODIFY && message != NIM_DELETE))
        return false;
    if (message == NIM_MODIFY) {
        modify(data);
        return true;
    }
    endBalloon();
    removing();
    m_icon->hide();
    m_icon.reset();
    m_owner.clear();
    return true;
}

void QtTrayIcon::notify(std::uint32_t message)
{
    if (m_owner && m_callbackMessage != 0)
        QCoreApplication::postEvent(m_owner, new TrayCallbackEvent(m_callbackMessage, m_id, message));
}

void QtTrayIcon::endBalloon()
{
    m_balloonTimer.stop();
    balloonGone();
}

// A notification server that broadcasts its signals reaches Qt's tray icon too.
void QtTrayIcon::balloonClicked()
{
    if (!m_balloonTimer.isActive())
        return;
    endBalloon();
    notify(NIN_BALLOONUSERCLICK);
}
