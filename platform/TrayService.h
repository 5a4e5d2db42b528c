#pragma once

#include "platform/NotifyIconData.h"

#include <QEvent>

#include <functional>

// A callback from the tray: posted to the record's hWnd, in the order the tray
// reported, on the user-interface thread.
class TrayCallbackEvent : public QEvent {
public:
    TrayCallbackEvent(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam)
        : QEvent(type())
        , uMsg(message)
        , wParam(wParam)
        , lParam(lParam)
    {
    }

    static QEvent::Type type()
    {
        static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
        return registered;
    }

    const std::uint32_t uMsg;
    const std::uint32_t wParam; // the icon's id
    const std::uint32_t lParam; // the mouse or balloon message
};

// The notification area: one icon with a tooltip, balloons, and callbacks.
class TrayService {
public:
    virtual ~TrayService() = default;
    // Adds, modifies or deletes the icon; false when the tray refused.
    virtual bool ShellNotifyIcon(std::uint32_t message, const NotifyIconData &data) = 0;
    // Whether the desktop has a notification area to hide a window into.
    virtual bool isAvailable() const = 0;

    // Called with the new answer of isAvailable() when a notification area comes
    // or goes (a panel restarting, or starting after the program).
    void setAvailabilityHandler(std::function<void(bool)> handler) { m_availabilityHandler = std::move(handler); }

protected:
    void availabilityChanged(bool available)
    {
        if (m_availabilityHandler)
            m_availabilityHandler(available);
    }

private:
    std::function<void(bool)> m_availabilityHandler;
};
