#include "WindowsTray.h"

#include <climits>

void WindowsTray::added(const NotifyIconData &data)
{
    modify(data);
}

void WindowsTray::modify(const NotifyIconData &data)
{
    if (data.uFlags & NIF_ICON)
        m_icon->setIcon(data.hIcon);
    if (data.uFlags & NIF_TIP)
        m_icon->setToolTip(data.szTip);
    if (!(data.uFlags & NIF_INFO))
        return;
    endBalloon();
    // Empty title and text take the balloon away, as the shell does.
    if (data.szInfo.isEmpty() && data.szInfoTitle.isEmpty()) {
        m_icon->showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 1);
        return;
    }
    const int timeout = data.uTimeout > 0 ? int(qMin<std::uint32_t>(data.uTimeout, INT_MAX)) : 10000;
    m_icon->showMessage(data.szInfoTitle, data.szInfo, QSystemTrayIcon::NoIcon, timeout);
    m_balloonTimer.start(timeout);
}
