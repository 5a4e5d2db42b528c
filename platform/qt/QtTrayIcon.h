#pragma once

#include "platform/TrayService.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>

// The notification area through Qt's tray icon: one icon, its mouse messages
// posted to the record's window, and a balloon timed by a timer of ours, since Qt
// reports no balloon time-out. Each system adds what its own tray needs.
class QtTrayIcon : public QObject, public TrayService {
    Q_OBJECT

public:
    QtTrayIcon();
    ~QtTrayIcon() override;

    bool ShellNotifyIcon(std::uint32_t message, const NotifyIconData &data) override;
    bool isAvailable() const override;

    QSystemTrayIcon *icon() const { return m_icon.get(); }

protected:
    // The icon has been made and its clicks connected; it is shown after this.
    virtual void added(const NotifyIconData &data) = 0;
    virtual void modify(const NotifyIconData &data) = 0;
    // Before the icon goes.
    virtual void removing() { }
    // The balloon is gone, timed out or clicked; the timer has stopped.
    virtual void balloonGone() { }

    void notify(std::uint32_t message);
    // A click reported once, and only while the balloon is up.
    void balloonClicked();
    void endBalloon();

    std::unique_ptr<QSystemTrayIcon> m_icon;
    QTimer m_balloonTimer;

private:
    QPointer<QObject> m_owner;
    std::uint32_t m_id = 0;
    std::uint32_t m_callbackMessage = 0;
};
