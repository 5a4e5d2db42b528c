#include "cSysTray.h"

#include "platform/Failure.h"
#include "platform/TrayService.h"
#include "tray/mSysTray.h"

#include <QEventLoop>
#include <QTimer>

cSysTray::cSysTray(TrayService &tray, QObject *parent)
    : QObject(parent)
    , m_tray(tray)
{
    setObjectName(QStringLiteral("cSysTray1"));
}

cSysTray::~cSysTray()
{
    if (m_inTrayValue)
        setInTray(false);
}

NotifyIconData cSysTray::record(QObject *window, std::uint32_t id)
{
    NotifyIconData data;
    data.hWnd = window;
    data.uID = id;
    return data;
}

void cSysTray::setInTray(bool show)
{
    if (show == m_inTrayValue)
        return;
    if (show) {
        mSysTray::install(m_windowHandle, this);
        AddIcon(m_windowHandle, m_iconId, TrayTip(), TrayIcon());
        m_iconAdded = true;
    } else if (m_iconAdded) {
        DeleteIcon(m_windowHandle, m_iconId);
        mSysTray::remove(m_windowHandle);
        m_iconAdded = false;
    }
    m_inTrayValue = show;
}

void cSysTray::setTrayIcon(const Picture &icon)
{
    if (icon.Type != Picture::vbPicTypeIcon)
        return;
    if (m_iconAdded) {
        NotifyIconData data = record(m_windowHandle, m_iconId);
        data.uFlags = NIF_ICON;
        data.hIcon = icon.Handle;
        m_tray.ShellNotifyIcon(NIM_MODIFY, data);
    }
    m_icon = icon;
}

void cSysTray::setTrayTip(const QString &tip)
{
    if (m_iconAdded) {
        NotifyIconData data = record(m_windowHandle, m_iconId);
        data.uFlags = NIF_TIP;
        data.szTip = NotifyIconData::fitField(tip, NotifyIconData::TipWidth);
        m_tray.ShellNotifyIcon(NIM_MODIFY, data);
    }
    m_tip = tip;
}

void cSysTray::ShowBalloon(const QString &tip, const QString &title, std::int32_t showTimer, bool showOnce)
{
    if (showOnce && m_onceCount >= 1)
        return;
    if (showTimer > 2147483)
        throw Failure(QStringLiteral("Overflow: a balloon cannot be kept %1 seconds.").arg(showTimer));
    NotifyIconData data = record(m_windowHandle, m_iconId);
    data.uFlags = NIF_INFO;
    data.szInfoTitle = NotifyIconData::fitField(title, NotifyIconData::InfoTitleWidth);
    data.szInfo = NotifyIconData::fitField(tip, NotifyIconData::InfoWidth);
    data.uTimeout = showTimer > 0 ? std::uint32_t(showTimer) * 1000 : 0;
    data.dwInfoFlags = NIIF_NONE;
    m_tray.ShellNotifyIcon(NIM_MODIFY, data);
    m_balloonShowing = true;
    if (showOnce)
        ++m_onceCount;
    if (showTimer <= 0)
        return;

    // Wait with events running, until the time is up or the tray reports the
    // balloon gone; the loop sleeps in between.
    QEventLoop wait;
    QTimer timeUp;
    timeUp.setSingleShot(true);
    timeUp.setTimerType(Qt::CoarseTimer);
    connect(&timeUp, &QTimer::timeout, &wait, &QEventLoop::quit);
    connect(this, &cSysTray::balloonGone, &wait, &QEventLoop::quit);
    timeUp.start(showTimer * 1000);
    wait.exec();

    if (m_balloonShowing) {
        data.szInfoTitle.clear();
        data.szInfo.clear();
        m_tray.ShellNotifyIcon(NIM_MODIFY, data);
    }
}

void cSysTray::AddIcon(QObject *window, std::uint32_t id, const QString &tip, const Picture &icon)
{
    NotifyIconData data = record(window, id);
    if (!icon.isEmpty()) {
        data.hIcon = icon.Handle;
        data.uFlags |= NIF_ICON;
    }
    if (!tip.isEmpty()) {
        data.szTip = NotifyIconData::fitField(tip, NotifyIconData::TipWidth);
        data.uFlags |= NIF_TIP;
    }
    data.uCallbackMessage = TrayCallbackMessage;
    data.uFlags |= NIF_MESSAGE;
    m_tray.ShellNotifyIcon(NIM_ADD, data);
}

void cSysTray::DeleteIcon(QObject *window, std::uint32_t id)
{
    m_tray.ShellNotifyIcon(NIM_DELETE, record(window, id));
}

void cSysTray::TrayNotify(std::uint32_t message, std::uint32_t id)
{
    const auto iconId = static_cast<std::int32_t>(id);
    switch (message) {
    case WM_MOUSEMOVE:
        emit MouseMove(iconId);
        break;
    case WM_LBUTTONDOWN:
        emit MouseDown(1, iconId);
        break;
    case WM_LBUTTONUP:
        emit MouseUp(1, iconId);
        break;
    case WM_LBUTTONDBLCLK:
        emit MouseDblClick(1, iconId);
        break;
    case WM_RBUTTONDOWN:
        emit MouseDown(2, iconId);
        break;
    case WM_RBUTTONUP:
        emit MouseUp(2, iconId);
        break;
    case WM_RBUTTONDBLCLK:
        emit MouseDblClick(2, iconId);
        break;
    case NIN_BALLOONHIDE:
    case NIN_BALLOONTIMEOUT:
    case NIN_BALLOONUSERCLICK:
        m_balloonShowing = false;
        emit balloonGone();
        break;
    default:
        break;
    }
}
