#include "QtTrayService.h"

#include <QCoreApplication>

QtTrayService::QtTrayService()
{
    m_balloonTimer.setSingleShot(true);
    m_balloonTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_balloonTimer, &QTimer::timeout, this, [this] { notify(NIN_BALLOONTIMEOUT); });
}

QtTrayService::~QtTrayService() = default;

bool QtTrayService::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtTrayService::ShellNotifyIcon(std::uint32_t message, const NotifyIconData &data)
{
    switch (message) {
    case NIM_ADD:
        if (m_icon)
            return false; // one icon only
        add(data);
        return true;
    case NIM_MODIFY:
        if (!m_icon || data.uID != m_id)
            return false;
        modify(data);
        return true;
    case NIM_DELETE:
        if (!m_icon || data.uID != m_id)
            return false;
        remove();
        return true;
    }
    return false;
}

void QtTrayService::add(const NotifyIconData &data)
{
    m_icon = std::make_unique<QSystemTrayIcon>();
    m_owner = data.hWnd;
    m_id = data.uID;
    m_callbackMessage = (data.uFlags & NIF_MESSAGE) ? data.uCallbackMessage : 0;
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, &QtTrayService::onActivated);
    connect(m_icon.get(), &QSystemTrayIcon::messageClicked, this, [this] {
        m_balloonTimer.stop();
        notify(NIN_BALLOONUSERCLICK);
    });
    apply(data);
    m_icon->show();
}

void QtTrayService::modify(const NotifyIconData &data)
{
    apply(data);
    if (!(data.uFlags & NIF_INFO))
        return;
    m_balloonTimer.stop();
    if (data.szInfo.isEmpty() && data.szInfoTitle.isEmpty()) {
        // Empty title and text take the balloon away.
        m_icon->showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 1);
        return;
    }
    const int timeout = data.uTimeout > 0 ? int(qMin<std::uint32_t>(data.uTimeout, INT_MAX)) : 10000;
    m_icon->showMessage(data.szInfoTitle, data.szInfo, QSystemTrayIcon::NoIcon, timeout);
    m_balloonTimer.start(timeout);
}

void QtTrayService::remove()
{
    m_balloonTimer.stop();
    m_icon->hide();
    m_icon.reset();
    m_owner.clear();
}

void QtTrayService::apply(const NotifyIconData &data)
{
    if (data.uFlags & NIF_ICON)
        m_icon->setIcon(data.hIcon);
    if (data.uFlags & NIF_TIP)
        m_icon->setToolTip(data.szTip);
}

void QtTrayService::notify(std::uint32_t message)
{
    if (m_owner && m_callbackMessage != 0)
        QCoreApplication::postEvent(m_owner, new TrayCallbackEvent(m_callbackMessage, m_id, message));
}

void QtTrayService::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        notify(WM_LBUTTONDOWN);
        notify(WM_LBUTTONUP);
        break;
    case QSystemTrayIcon::Context:
        notify(WM_RBUTTONDOWN);
        notify(WM_RBUTTONUP);
        break;
    case QSystemTrayIcon::DoubleClick:
        notify(WM_LBUTTONDBLCLK);
        break;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
}
