#pragma once

#include "platform/TrayService.h"

#include <QCoreApplication>
#include <QList>

// Records what the control sends and lets a test play the tray's callbacks.
class FakeTrayService : public TrayService {
public:
    struct Sent {
        std::uint32_t message;
        NotifyIconData data;
    };

    bool ShellNotifyIcon(std::uint32_t message, const NotifyIconData &data) override
    {
        sent.append({message, data});
        if (message == NIM_ADD)
            owner = data.hWnd;
        return true;
    }
    bool isAvailable() const override { return available; }

    // Posts a callback to the icon's owner, as the tray would.
    void inject(std::uint32_t trayMessage, std::uint32_t id = 0)
    {
        QCoreApplication::postEvent(owner, new TrayCallbackEvent(TrayCallbackMessage, id, trayMessage));
    }

    // The tray host comes or goes.
    void setAvailable(bool value)
    {
        available = value;
        availabilityChanged(value);
    }

    QList<Sent> sent;
    QPointer<QObject> owner;
    bool available = true;
};
