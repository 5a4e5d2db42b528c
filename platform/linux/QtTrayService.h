#pragma once

#include "platform/TrayService.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>
#include <optional>

// The notification area through Qt's tray icon (StatusNotifierItem or XEmbed, as
// the desktop offers). Qt reports no balloon time-out, so a timer of our own does.
// A balloon waits until the icon is embedded, so that it points at the icon.
// Where the icon is a StatusNotifierItem, balloons are desktop notifications sent
// here: Qt's own carry neither the program's icon nor its desktop entry. Only
// there does the icon go by its name in the icon theme.
class QtTrayService : public QObject, public TrayService {
    Q_OBJECT

public:
    QtTrayService();
    ~QtTrayService() override;

    bool ShellNotifyIcon(std::uint32_t message, const NotifyIconData &data) override;
    bool isAvailable() const override;

    QSystemTrayIcon *icon() const { return m_icon.get(); }

private slots:
    void onTrayHostChanged();
    void onNotificationClosed(uint id, uint reason);

private:
    void add(const NotifyIconData &data);
    void modify(const NotifyIconData &data);
    void remove();
    void apply(const NotifyIconData &data);
    void notify(std::uint32_t message);
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    bool iconEmbedded() const;
    void showPendingBalloon();
    void balloonGone();
    void balloonClicked();
    void sendNotification(const QString &title, const QString &text, int timeout);
    void closeNotification();

    std::unique_ptr<QSystemTrayIcon> m_icon;
    QPointer<QObject> m_owner;
    std::uint32_t m_id = 0;
    std::uint32_t m_callbackMessage = 0;
    QTimer m_balloonTimer;
    QTimer m_embedWait;
    struct Balloon {
        QString title;
        QString text;
        int timeout = 0;
        std::optional<QRect> shownAt; // where the icon was when the balloon was shown
    };
    std::optional<Balloon> m_pendingBalloon;
    QRect m_iconWhere; // where the icon was at the last look, to see it has settled
    bool m_statusNotifierItem = false; // as Qt chose when the icon was made
    uint m_notificationId = 0; // the desktop notification showing, or 0
};
