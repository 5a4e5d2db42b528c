#include "TrayMouseMessages.h"

#include "platform/NotifyIconData.h"

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
