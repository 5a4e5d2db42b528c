#pragma once

#include "platform/qt/QtTrayIcon.h"

#include <QRect>
#include <QTimer>

#include <optional>

// The notification area through Qt's tray icon (StatusNotifierItem or XEmbed, as
// the desktop offers).
// A balloon waits until the icon is embedded, so that it points at the icon.
// Where the icon is a StatusNotifierItem, balloons are desktop notifications sent
// here: Qt's own carry neither the program's icon nor its desktop entry. Only
// there does the icon go by its name in the icon theme.
class QtTrayService : public QtTrayIcon {
    Q_OBJECT

public:
    QtTrayService();
    ~QtTrayService() override;

private slots:
    void onTrayHostChanged();
    void onNotificationClosed(uint id, uint reason);

private:
    void added(const NotifyIconData &data) override;
    void modify(const NotifyIconData &data) override;
    void removing() override;
    void balloonGone() override;
    void apply(const NotifyIconData &data);
    bool iconEmbedded() const;
    void showPendingBalloon();
    void sendNotification(const QString &title, const QString &text, int timeout);
    void closeNotification();

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
