#include "platform/Failure.h"
#include "support/doubles/FakeTrayService.h"
#include "tray/cSysTray.h"
#include "tray/mSysTray.h"
#include "ui/ProgramIcon.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// Records every event that reaches an object after the hook has seen it.
class EventRecorder : public QObject {
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == TrayCallbackEvent::type())
            callbacks << static_cast<TrayCallbackEvent *>(event)->lParam;
        else if (event->type() == QEvent::User)
            ++userEvents;
        return false;
    }
    QList<std::uint32_t> callbacks;
    int userEvents = 0;
};

class TestSysTray : public QObject {
    Q_OBJECT

private slots:
    void addFlags_data();
    void addFlags();
    void sameValueSendsNothing();
    void valuesWaitForTheNextAdd();
    void bitmapKeepsTheIcon();
    void textLimits_data();
    void textLimits();
    void showOnce();
    void balloonRecordAndRemoval();
    void balloonClosedEarlyEndsTheWait_data();
    void balloonClosedEarlyEndsTheWait();
    void balloonOverflow();
    void notificationsBecomeEvents();
    void hookPassesEverythingOnAndGoes();
    void oneControlInTheTray();
    void endOfInstanceLeavesTheTray();
    void icon();
};

static Picture programIcon()
{
    return Picture::icon(ProgramIcon::application());
}

void TestSysTray::addFlags_data()
{
    QTest::addColumn<bool>("withIcon");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<std::uint32_t>("flags");
    QTest::newRow("neither") << false << "" << std::uint32_t(0x1);
    QTest::newRow("icon") << true << "" << std::uint32_t(0x3);
    QTest::newRow("tip") << false << "Ramtidy" << std::uint32_t(0x5);
    QTest::newRow("both") << true << "Ramtidy" << std::uint32_t(0x7);
}

void TestSysTray::addFlags()
{
    QFETCH(bool, withIcon);
    QFETCH(QString, tip);
    QFETCH(std::uint32_t, flags);
    FakeTrayService tray;
    cSysTray control(tray);
    if (withIcon)
        control.setTrayIcon(programIcon());
    control.setText(tip);
    QVERIFY(tray.sent.isEmpty());
    control.setInTray(true);
    QCOMPARE(tray.sent.size(), 1);
    const auto &add = tray.sent[0];
    QCOMPARE(add.message, std::uint32_t(NIM_ADD));
    QCOMPARE(add.data.uFlags, flags);
    QCOMPARE(add.data.cbSize, 488u);
    QCOMPARE(add.data.uID, 0u);
    QCOMPARE(add.data.uCallbackMessage, 0x465u);
    QCOMPARE(add.data.hWnd.data(), &control);
    QCOMPARE(add.data.szTip, tip);
    QCOMPARE(add.data.hIcon.isNull(), !withIcon);
    control.setInTray(false);
    QCOMPARE(tray.sent.last().message, std::uint32_t(NIM_DELETE));
    QCOMPARE(tray.sent.last().data.uFlags, 0u);
}

void TestSysTray::sameValueSendsNothing()
{
    FakeTrayService tray;
    cSysTray control(tray);
    control.setInTray(false);
    QVERIFY(tray.sent.isEmpty());
    control.setInTray(true);
    control.setInTray(true);
    QCOMPARE(tray.sent.size(), 1);
    control.setInTray(false);
    control.setInTray(false);
    QCOMPARE(tray.sent.size(), 2);
}

void TestSysTray::valuesWaitForTheNextAdd()
{
    FakeTrayService tray;
    cSysTray control(tray);
    control.setTrayTip(QStringLiteral("first"));
    control.setTrayIcon(programIcon());
    QVERIFY(tray.sent.isEmpty());
    QCOMPARE(control.Text(), QStringLiteral("first"));

    control.setInTray(true);
    control.setTrayTip(QStringLiteral("second"));
    QCOMPARE(tray.sent.last().message, std::uint32_t(NIM_MODIFY));
    QCOMPARE(tray.sent.last().data.uFlags, std::uint32_t(NIF_TIP));
    QCOMPARE(tray.sent.last().data.szTip, QStringLiteral("second"));
    control.setTrayTip(QString()); // an empty tip clears the tooltip
    QCOMPARE(tray.sent.last().data.uFlags, std::uint32_t(NIF_TIP));
    QCOMPARE(tray.sent.last().data.szTip, QString());
    control.setTrayIcon(programIcon());
    QCOMPARE(tray.sent.last().data.uFlags, std::uint32_t(NIF_ICON));

    control.setInTray(false);
    const qsizetype before = tray.sent.size();
    control.setTrayTip(QStringLiteral("third"));
    QCOMPARE(tray.sent.size(), before);
    control.setInTray(true);
    QCOMPARE(tray.sent.last().data.szTip, QStringLiteral("third"));
}

void TestSysTray::bitmapKeepsTheIcon()
{
    FakeTrayService tray;
    cSysTray control(tray);
    const Picture original = programIcon();
    control.setTrayIcon(original);
    control.setInTray(true);
    const qsizetype before = tray.sent.size();
    control.setTrayIcon(Picture::bitmap(QPixmap(16, 16)));
    control.setTrayIcon(Picture{});
    QCOMPARE(tray.sent.size(), before);
    QCOMPARE(control.TrayIcon().Type, Picture::vbPicTypeIcon);
    QCOMPARE(control.TrayIcon().Handle.cacheKey(), original.Handle.cacheKey());
}

void TestSysTray::textLimits_data()
{
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("field");
    QTest::newRow("tip fits") << QString(127, u'a') << 128 << QString(127, u'a');
    QTest::newRow("tip cut") << QString(200, u'a') << 128 << QString(127, u'a');
    QTest::newRow("info cut") << QString(300, u'b') << 256 << QString(255, u'b');
    QTest::newRow("title cut") << QString(70, u'c') << 64 << QString(63, u'c');
    // Two-byte characters: 63 of them make 126 bytes; the 64th would split.
    QTest::newRow("umlauts never split") << QString(100, u'ü') << 128 << QString(63, u'ü');
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // four bytes, two UTF-16 units
    QTest::newRow("emoji never split") << QString(32, u'x') + emoji.repeated(10) << 64 << QString(32, u'x') + emoji.repeated(7);
    // clang-format on
}

void TestSysTray::textLimits()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QString, field);
    QCOMPARE(NotifyIconData::fitField(text, width), field);
    QVERIFY(field.toUtf8().size() < width);

    // And as the control sends it.
    FakeTrayService tray;
    cSysTray control(tray);
    control.setInTray(true);
    if (width == NotifyIconData::TipWidth) {
        control.setTrayTip(text);
        QCOMPARE(tray.sent.last().data.szTip, field);
    } else {
        control.ShowBalloon(width == NotifyIconData::InfoWidth ? text : QString(),
                            width == NotifyIconData::InfoTitleWidth ? text : QString(), 0, false);
        QCOMPARE(width == NotifyIconData::InfoWidth ? tray.sent.last().data.szInfo : tray.sent.last().data.szInfoTitle,
                 field);
    }
}

void TestSysTray::showOnce()
{
    FakeTrayService tray;
    cSysTray control(tray);
    control.setInTray(true);
    control.ShowBalloon(QStringLiteral("once"), QStringLiteral("Ramtidy"), 0, true);
    QCOMPARE(tray.sent.size(), 2);
    QCOMPARE(control.onceCount(), 1);
    control.ShowBalloon(QStringLiteral("again"), QStringLiteral("Ramtidy"), 0, true);
    QCOMPARE(tray.sent.size(), 2);
    control.ShowBalloon(QStringLiteral("always"), QStringLiteral("Ramtidy"), 0, false);
    control.ShowBalloon(QStringLiteral("always"), QStringLiteral("Ramtidy"), 0, false);
    QCOMPARE(tray.sent.size(), 4);
    QCOMPARE(control.onceCount(), 1);
}

void TestSysTray::balloonRecordAndRemoval()
{
    FakeTrayService tray;
    cSysTray control(tray);
    // Not in the tray: no notification comes, so the whole time passes, then removal.
    control.ShowBalloon(QStringLiteral("text"), QStringLiteral("title"), 1, false);
    QCOMPARE(tray.sent.size(), 2);
    const NotifyIconData &shown = tray.sent[0].data;
    QCOMPARE(tray.sent[0].message, std::uint32_t(NIM_MODIFY));
    QCOMPARE(shown.uFlags, std::uint32_t(NIF_INFO));
    QCOMPARE(shown.szInfo, QStringLiteral("text"));
    QCOMPARE(shown.szInfoTitle, QStringLiteral("title"));
    QCOMPARE(shown.uTimeout, 1000u);
    QCOMPARE(shown.dwInfoFlags, 0u);
    const NotifyIconData &removal = tray.sent[1].data;
    QCOMPARE(removal.uFlags, std::uint32_t(NIF_INFO));
    QVERIFY(removal.szInfo.isEmpty() && removal.szInfoTitle.isEmpty());
    QCOMPARE(removal.uTimeout, 1000u);
    QVERIFY(control.balloonShowing());

    control.ShowBalloon(QStringLiteral("text"), QStringLiteral("title"), -5, false);
    QCOMPARE(tray.sent.last().data.uTimeout, 0u);
    QCOMPARE(tray.sent.size(), 3); // no wait, no removal
}

void TestSysTray::balloonClosedEarlyEndsTheWait_data()
{
    QTest::addColumn<std::uint32_t>("notification");
    QTest::newRow("hidden") << std::uint32_t(NIN_BALLOONHIDE);
    QTest::newRow("timed out") << std::uint32_t(NIN_BALLOONTIMEOUT);
    QTest::newRow("clicked") << std::uint32_t(NIN_BALLOONUSERCLICK);
}

void TestSysTray::balloonClosedEarlyEndsTheWait()
{
    QFETCH(std::uint32_t, notification);
    FakeTrayService tray;
    cSysTray control(tray);
    control.setInTray(true);
    QSignalSpy ups(&control, &cSysTray::MouseUp);
    QSignalSpy downs(&control, &cSysTray::MouseDown);
    QTimer::singleShot(50, [&] { tray.inject(notification); });
    QElapsedTimer clock;
    clock.start();
    control.ShowBalloon(QStringLiteral("text"), QStringLiteral("title"), 2147483, false); // the longest
    QVERIFY2(clock.elapsed() < 30000, "the wait ran its whole time");
    QVERIFY(!control.balloonShowing());
    QCOMPARE(tray.sent.last().data.szInfo, QStringLiteral("text")); // no removal sent
    QCOMPARE(ups.size() + downs.size(), 0); // a balloon click is no mouse event
}

void TestSysTray::balloonOverflow()
{
    FakeTrayService tray;
    cSysTray control(tray);
    QVERIFY_THROWS_EXCEPTION(Failure, control.ShowBalloon(QStringLiteral("t"), QStringLiteral("t"), 2147484, false));
    QVERIFY(tray.sent.isEmpty());
    QVERIFY(!control.balloonShowing());
}

void TestSysTray::notificationsBecomeEvents()
{
    FakeTrayService tray;
    cSysTray control(tray);
    control.setInTray(true);
    QList<QString> events;
    connect(&control, &cSysTray::MouseMove, [&](std::int32_t id) { events << QStringLiteral("move %1").arg(id); });
    connect(&control, &cSysTray::MouseDown,
            [&](std::int16_t b, std::int32_t id) { events << QStringLiteral("down %1 %2").arg(b).arg(id); });
    connect(&control, &cSysTray::MouseUp,
            [&](std::int16_t b, std::int32_t id) { events << QStringLiteral("up %1 %2").arg(b).arg(id); });
    connect(&control, &cSysTray::MouseDblClick,
            [&](std::int16_t b, std::int32_t id) { events << QStringLiteral("dbl %1 %2").arg(b).arg(id); });
    for (std::uint32_t message : {0x200u, 0x201u, 0x202u, 0x203u, 0x204u, 0x205u, 0x206u, 0x207u, 0x208u, 0x402u})
        tray.inject(message);
    QCoreApplication::processEvents();
    QCOMPARE(events, QStringList({"move 0", "down 1 0", "up 1 0", "dbl 1 0", "down 2 0", "up 2 0", "dbl 2 0"}));
}

void TestSysTray::hookPassesEverythingOnAndGoes()
{
    FakeTrayService tray;
    cSysTray control(tray);
    EventRecorder after; // installed first, so it sees events after the hook
    control.installEventFilter(&after);
    QSignalSpy ups(&control, &cSysTray::MouseUp);

    control.setInTray(true);
    QVERIFY(mSysTray::isInstalled());
    tray.inject(WM_LBUTTONUP);
    QCoreApplication::postEvent(&control, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    QCOMPARE(ups.size(), 1);
    QCOMPARE(after.callbacks, QList<std::uint32_t>{WM_LBUTTONUP});
    QCOMPARE(after.userEvents, 1);

    control.setInTray(false);
    QVERIFY(!mSysTray::isInstalled());
    QCoreApplication::postEvent(&control, new TrayCallbackEvent(TrayCallbackMessage, 0, WM_LBUTTONUP));
    QCoreApplication::processEvents();
    QCOMPARE(ups.size(), 1); // no hook, no event
    QCOMPARE(after.callbacks.size(), 2);
}

void TestSysTray::oneControlInTheTray()
{
    FakeTrayService tray;
    cSysTray first(tray);
    cSysTray second(tray);
    first.setInTray(true);
    QVERIFY_THROWS_EXCEPTION(Failure, second.setInTray(true));
    QCOMPARE(tray.sent.size(), 1); // nothing added for the second
    QVERIFY(!second.InTray());
    first.setInTray(false);
    second.setInTray(true);
    QVERIFY(second.InTray());
    second.setInTray(false);
}

void TestSysTray::endOfInstanceLeavesTheTray()
{
    FakeTrayService tray;
    {
        cSysTray control(tray);
        control.setInTray(true);
    }
    QCOMPARE(tray.sent.last().message, std::uint32_t(NIM_DELETE));
    QVERIFY(!mSysTray::isInstalled());
}

void TestSysTray::icon()
{
    const QImage small = ProgramIcon::render(16);
    QCOMPARE(small.size(), QSize(16, 16));
    QVERIFY(!small.hasAlphaChannel());
    for (const QPoint corner : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15), QPoint(7, 0)})
        QCOMPARE(small.pixelColor(corner), QColor(Qt::black));
    QCOMPARE(small.pixelColor(1, 1), QColor(177, 255, 255));
    int blue = 0, blackInside = 0;
    for (int y = 1; y < 15; ++y) {
        for (int x = 1; x < 15; ++x) {
            blue += small.pixelColor(x, y) == QColor(7, 162, 254);
            blackInside += small.pixelColor(x, y) == QColor(Qt::black);
        }
    }
    QVERIFY2(blue >= 8, "the letter is blue");
    QVERIFY2(blackInside >= 8, "the letter is outlined");
    // Drawn afresh for larger sizes, so it stays sharp on HiDPI screens.
    const QIcon icon = ProgramIcon::application();
    QCOMPARE(icon.availableSizes().first(), QSize(32, 32));
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
    QVERIFY(icon.availableSizes().contains(QSize(64, 64)));
    QCOMPARE(ProgramIcon::render(64).pixelColor(0, 0), QColor(Qt::black));
    QCOMPARE(ProgramIcon::render(64).pixelColor(5, 5), QColor(177, 255, 255));
    // Painted as a tray host paints 11 pixels at QT_SCALE_FACTOR=2: the icon drawn at 22.
    QImage device(22, 22, QImage::Format_RGB32);
    device.setDevicePixelRatio(2);
    QPainter painter(&device);
    icon.paint(&painter, QRect(0, 0, 11, 11));
    painter.end();
    device.setDevicePixelRatio(1);
    QCOMPARE(device, icon.pixmap(22).toImage().convertToFormat(QImage::Format_RGB32));
}

QTEST_MAIN(TestSysTray)
#include "tst_systray.moc"
