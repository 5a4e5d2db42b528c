#include "QtTrayService.h"

#include "platform/linux/SessionBus.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QWidget>
#include <qpa/qplatformnativeinterface.h>

#include <cstdlib>
#include <utility>

#include <xcb/xcb.h>

namespace {

const QString NotificationsService = QStringLiteral("org.freedesktop.Notifications");
const QString NotificationsPath = QStringLiteral("/org/freedesktop/Notifications");
const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

// The balloon text comes with CR LF line ends; the desktop's notifications and
// Qt's balloon break lines at LF and would show the CR.
QString withLfLineEnds(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

// The program's themed icon (named after its desktop entry) where the icon theme
// has it, so that a StatusNotifierItem host can draw it at its own size; else the
// drawn one. An XEmbed tray paints the picture it is given, and the lookup would
// parse the icon theme and have the first paint read a PNG, which loads every
// image-format plugin: some 6 ms before the window maps.
QIcon themed(const QIcon &drawn)
{
    const QString name = QGuiApplication::desktopFileName();
    return name.isEmpty() ? drawn : QIcon::fromTheme(name, drawn);
}

// Qt makes the icon a StatusNotifierItem exactly when a host has registered with
// the watcher on the session bus. Without a bus address nothing is asked: that
// would have the D-Bus library launch a bus nobody stops.
bool statusNotifierHostRegistered()
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") || SessionBus::autoLaunchPrevented())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage get =
        QDBusMessage::createMethodCall(WatcherService, QStringLiteral("/StatusNotifierWatcher"),
                                       QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << WatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
        && qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
}

} // namespace

QtTrayService::QtTrayService()
{
    m_embedWait.setInterval(100);
    m_embedWait.setTimerType(Qt::CoarseTimer);
    connect(&m_embedWait, &QTimer::timeout, this, &QtTrayService::showPendingBalloon);
    // The X11 platform reports when the tray host comes or goes; other platforms
    // have no such signal and keep whatever they had.
    if (QGuiApplication::platformName() == u"xcb")
        connect(QGuiApplication::platformNativeInterface(), SIGNAL(systemTrayWindowChanged(QScreen *)), this,
                SLOT(onTrayHostChanged()), Qt::QueuedConnection);
}

QtTrayService::~QtTrayService() = default;

void QtTrayService::added(const NotifyIconData &data)
{
    // Asked once Qt has chosen the kind of icon, as Qt asks it.
    m_statusNotifierItem = statusNotifierHostRegistered();
    if (m_statusNotifierItem) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.connect(NotificationsService, NotificationsPath, NotificationsService, QStringLiteral("NotificationClosed"),
                    this, SLOT(onNotificationClosed(uint, uint)));
    }
    apply(data);
}

void QtTrayService::modify(const NotifyIconData &data)
{
    apply(data);
    if (!(data.uFlags & NIF_INFO))
        return;
    endBalloon();
    if (data.szInfo.isEmpty() && data.szInfoTitle.isEmpty()) {
        // Empty title and text take the balloon away.
        if (m_statusNotifierItem)
            closeNotification();
        else
            m_icon->showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 1);
        return;
    }
    const int timeout = data.uTimeout > 0 ? int(qMin<std::uint32_t>(data.uTimeout, INT_MAX)) : 10000;
    m_pendingBalloon = Balloon{withLfLineEnds(data.szInfoTitle), withLfLineEnds(data.szInfo), timeout, std::nullopt};
    // The time-out counts from the request, as the caller's wait does.
    m_balloonTimer.start(timeout);
    showPendingBalloon();
}

void QtTrayService::showPendingBalloon()
{
    if (!m_pendingBalloon || !m_icon)
        return;
    if (m_statusNotifierItem) {
        // A notification does not point at the icon: it goes at once.
        sendNotification(m_pendingBalloon->title, m_pendingBalloon->text, m_pendingBalloon->timeout);
        m_pendingBalloon.reset();
        return;
    }
    // Shown before the tray host has taken the icon, it would point at the screen's
    // corner; shown while the host still makes room for it (a panel that grows
    // with its icons moves them), it would point where the icon was. So it waits
    // until the icon stands still, and follows it if it moves while shown.
    const QRect where = m_icon->geometry();
    const bool settled = iconEmbedded() && where == m_iconWhere;
    m_iconWhere = where;
    if (!m_embedWait.isActive())
        m_embedWait.start();
    if (!settled || m_pendingBalloon->shownAt == where)
        return;
    const int left = m_balloonTimer.isActive() ? m_balloonTimer.remainingTime() : m_pendingBalloon->timeout;
    m_icon->showMessage(m_pendingBalloon->title, m_pendingBalloon->text, QSystemTrayIcon::NoIcon, qMax(left, 1));
    m_pendingBalloon->shownAt = where;
}

void QtTrayService::balloonGone()
{
    m_embedWait.stop();
    m_pendingBalloon.reset();
}

bool QtTrayService::iconEmbedded() const
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return true;
    // Qt's XEmbed icon is a top-level widget of its own until the tray host
    // reparents it; with a StatusNotifierItem there is no such widget.
    for (const QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() != u"QSystemTrayIconSys")
            continue;
        if (!widget->isVisible() || !widget->internalWinId())
            return false;
        xcb_connection_t *connection = x11->connection();
        xcb_query_tree_reply_t *tree = xcb_query_tree_reply(
            connection, xcb_query_tree(connection, xcb_window_t(widget->internalWinId())), nullptr);
        const bool embedded = tree && tree->parent != tree->root;
        std::free(tree);
        return embedded;
    }
    return true;
}

void QtTrayService::onTrayHostChanged()
{
    availabilityChanged(isAvailable());
}

void QtTrayService::removing()
{
    closeNotification();
}

void QtTrayService::apply(const NotifyIconData &data)
{
    if (data.uFlags & NIF_ICON)
        m_icon->setIcon(m_statusNotifierItem ? themed(data.hIcon) : data.hIcon);
    if (data.uFlags & NIF_TIP)
        m_icon->setToolTip(data.szTip);
}

void QtTrayService::sendNotification(const QString &title, const QString &text, int timeout)
{
    const QString appId = QGuiApplication::desktopFileName();
    const QString appName = QGuiApplication::applicationDisplayName();
    QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}};
    if (!appId.isEmpty())
        hints.insert(QStringLiteral("desktop-entry"), appId);
    QDBusMessage message = QDBusMessage::createMethodCall(NotificationsService, NotificationsPath, NotificationsService,
                                                          QStringLiteral("Notify"));
    // No actions: a balloon click does nothing but close it, and servers such as
    // xfce4-notifyd would show even the default action as a button.
    message << appName << m_notificationId << appId << title << text << QStringList() << hints << timeout;
    auto *call = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(message), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        const QDBusPendingReply<uint> reply = *finished;
        if (reply.isValid())
            m_notificationId = reply.value();
        finished->deleteLater();
    });
}

void QtTrayService::closeNotification()
{
    if (m_notificationId == 0)
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(NotificationsService, NotificationsPath, NotificationsService,
                                                          QStringLiteral("CloseNotification"));
    message << std::exchange(m_notificationId, 0u);
    QDBusConnection::sessionBus().asyncCall(message);
}

void QtTrayService::onNotificationClosed(uint id, uint reason)
{
    if (id == 0 || id != m_notificationId)
        return;
    m_notificationId = 0;
    // Reason 2: dismissed by the user, which is what a click on it does.
    if (reason == 2)
        balloonClicked();
}
