#include "platform/linux/QtTrayService.h"

#include <QTest>

// The real tray layer: what it makes of Qt's reports. (The tray host itself is
// exercised end to end.)
class Receiver : public QObject {
public:
    bool event(QEvent *event) override
    {
        if (event->type() != TrayCallbackEvent::type())
            return QObject::event(event);
        const auto *callback = static_cast<TrayCallbackEvent *>(event);
        received
            << QStringLiteral("%1/%2/%3").arg(callback->uMsg, 0, 16).arg(callback->wParam).arg(callback->lParam, 0, 16);
        return true;
    }
    QStringList received;
};

class TestQtTrayService : public QObject {
    Q_OBJECT

private slots:
    void activationsInOrder();
    void balloonNotifications();
    void oneIconOnly();

private:
    NotifyIconData addRecord(Receiver &receiver);
};

NotifyIconData TestQtTrayService::addRecord(Receiver &receiver)
{
    NotifyIconData data;
    data.hWnd = &receiver;
    data.uFlags = NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = TrayCallbackMessage;
    data.szTip = QStringLiteral("Ramtidy");
    return data;
}

void TestQtTrayService::activationsInOrder()
{
    QtTrayService tray;
    Receiver receiver;
    QVERIFY(tray.ShellNotifyIcon(NIM_ADD, addRecord(receiver)));
    QCOMPARE(tray.icon()->toolTip(), QStringLiteral("Ramtidy"));
    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Context,
                        QSystemTrayIcon::DoubleClick})
        emit tray.icon()->activated(reason);
    QTRY_COMPARE(receiver.received,
                 QStringList({"465/0/201", "465/0/202", "465/0/204", "465/0/205", "465/0/203", "465/0/202"}));
    QVERIFY(tray.ShellNotifyIcon(NIM_DELETE, addRecord(receiver)));
    QVERIFY(!tray.icon());
}

void TestQtTrayService::balloonNotifications()
{
    QtTrayService tray;
    Receiver receiver;
    tray.ShellNotifyIcon(NIM_ADD, addRecord(receiver));
    NotifyIconData balloon = addRecord(receiver);
    balloon.uFlags = NIF_INFO;
    balloon.szInfoTitle = QStringLiteral("Ramtidy");
    balloon.szInfo = QStringLiteral("text");
    balloon.uTimeout = 200;
    QVERIFY(tray.ShellNotifyIcon(NIM_MODIFY, balloon));
    QTRY_COMPARE(receiver.received, QStringList{"465/0/404"}); // timed out

    receiver.received.clear();
    tray.ShellNotifyIcon(NIM_MODIFY, balloon);
    emit tray.icon()->messageClicked();
    QTest::qWait(400);
    QCOMPARE(receiver.received, QStringList{"465/0/405"}); // clicked, and no time-out after it

    receiver.received.clear();
    tray.ShellNotifyIcon(NIM_MODIFY, balloon);
    balloon.szInfo.clear();
    balloon.szInfoTitle.clear();
    tray.ShellNotifyIcon(NIM_MODIFY, balloon); // taken away: no time-out follows
    QTest::qWait(400);
    QVERIFY(receiver.received.isEmpty());
}

void TestQtTrayService::oneIconOnly()
{
    QtTrayService tray;
    Receiver receiver;
    NotifyIconData data = addRecord(receiver);
    QVERIFY(!tray.ShellNotifyIcon(NIM_MODIFY, data)); // nothing added yet
    QVERIFY(tray.ShellNotifyIcon(NIM_ADD, data));
    QVERIFY(!tray.ShellNotifyIcon(NIM_ADD, data));
    data.uID = 1;
    QVERIFY(!tray.ShellNotifyIcon(NIM_DELETE, data));
}

QTEST_MAIN(TestQtTrayService)
#include "tst_qttrayservice.moc"
