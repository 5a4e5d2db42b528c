#include "app/Globals.h"
#include "support/doubles/FakePlatform.h"
#include "tray/cSysTray.h"
#include "tray/mSysTray.h"
#include "ui/Form1.h"

#include <QCheckBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestMinimizeToTray : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void firstStartPutsTheIconInTheTray();
    void minimizeHidesWithOneBalloon();
    void eitherButtonRestores_data();
    void eitherButtonRestores();
    void withoutNotificationAreaMinimizeStays();
    void check8StoresOnlyItsValue();
    void startHiddenInTray();
    void minimizedIgnoredWithoutStartup();
    void startMinimizedWithoutNotificationArea();
    void closingTakesTheIconAway();
    void startAtLogon_data();
    void startAtLogon();
    void trayHostGoesWhileHidden();
    void trayHostAfterStart_data();
    void trayHostAfterStart();

private:
    void load();
    // Ends a balloon's wait as the tray would when it times out.
    void balloonTimesOutSoon()
    {
        QTimer::singleShot(20, [this] { m_platform->tray.inject(NIN_BALLOONTIMEOUT); });
    }
    QList<FakeTrayService::Sent> balloons() const;
    QCheckBox *check(const char *name) { return m_form->findChild<QCheckBox *>(QLatin1String(name)); }

    QTemporaryDir m_temp;
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<Form1> m_form;
};

void TestMinimizeToTray::initTestCase()
{
    qputenv("TEMP", m_temp.path().toUtf8());
}

void TestMinimizeToTray::init()
{
    Globals::HiddenInTray = false;
    m_platform = std::make_unique<FakePlatform>();
    m_form = std::make_unique<Form1>(m_platform->services());
}

void TestMinimizeToTray::cleanup()
{
    m_form.reset();
}

void TestMinimizeToTray::load()
{
    m_form->Form_Load();
    m_form->showAfterLoad();
}

QList<FakeTrayService::Sent> TestMinimizeToTray::balloons() const
{
    QList<FakeTrayService::Sent> shown;
    for (const auto &sent : m_platform->tray.sent) {
        if (sent.message == NIM_MODIFY && (sent.data.uFlags & NIF_INFO) && !sent.data.szInfo.isEmpty())
            shown << sent;
    }
    return shown;
}

void TestMinimizeToTray::firstStartPutsTheIconInTheTray()
{
    load();
    QCOMPARE(m_platform->tray.sent.size(), 1);
    QCOMPARE(m_platform->tray.sent[0].message, std::uint32_t(NIM_ADD));
    QCOMPARE(m_platform->tray.sent[0].data.uFlags, 0x7u);
    QCOMPARE(m_platform->tray.sent[0].data.szTip, QStringLiteral("Ramtidy"));
    QVERIFY(m_form->trayControl()->InTray());
    QVERIFY(!check("Check4")->isChecked());
    QVERIFY(!check("Check8")->isChecked());
    QVERIFY(check("Check8")->isHidden());
    QVERIFY(m_form->isVisible());
    QCOMPARE(m_platform->settings.writes, 0);
}

void TestMinimizeToTray::minimizeHidesWithOneBalloon()
{
    load();
    balloonTimesOutSoon();
    m_form->setWindowState(Qt::WindowMinimized);
    QVERIFY(!m_form->isVisible());
    QVERIFY(Globals::HiddenInTray);
    QCOMPARE(balloons().size(), 1);
    const NotifyIconData balloon = balloons()[0].data;
    QCOMPARE(balloon.szInfoTitle, QStringLiteral("Ramtidy"));
    QCOMPARE(balloon.szInfo,
             QStringLiteral("has been minimized to the system tray.\r\n"
                            "Click on the blue 'C' icon (C for Corvane) to bring the software back."));
    QCOMPARE(balloon.uTimeout, 5000u);

    m_platform->tray.inject(WM_LBUTTONDOWN);
    m_platform->tray.inject(WM_LBUTTONUP);
    QTRY_VERIFY(m_form->isVisible());
    m_form->setWindowState(Qt::WindowMinimized);
    QVERIFY(!m_form->isVisible());
    QCOMPARE(balloons().size(), 1); // once per run
}

void TestMinimizeToTray::eitherButtonRestores_data()
{
    QTest::addColumn<std::uint32_t>("up");
    QTest::newRow("left") << std::uint32_t(WM_LBUTTONUP);
    QTest::newRow("right") << std::uint32_t(WM_RBUTTONUP);
}

void TestMinimizeToTray::eitherButtonRestores()
{
    QFETCH(std::uint32_t, up);
    load();
    balloonTimesOutSoon();
    m_form->setWindowState(Qt::WindowMinimized);
    QVERIFY(!m_form->isVisible());
    m_platform->tray.inject(up);
    QTRY_VERIFY(m_form->isVisible());
    QVERIFY(!(m_form->windowState() & Qt::WindowMinimized));
    QVERIFY(!Globals::HiddenInTray);
    // A double click or a press alone does not restore.
    balloonTimesOutSoon();
    m_form->setWindowState(Qt::WindowMinimized);
    m_platform->tray.inject(WM_LBUTTONDBLCLK);
    m_platform->tray.inject(WM_RBUTTONDOWN);
    QTest::qWait(50);
    QVERIFY(!m_form->isVisible());
}

void TestMinimizeToTray::withoutNotificationAreaMinimizeStays()
{
    m_platform->tray.available = false;
    load();
    m_form->setWindowState(Qt::WindowMinimized);
    QVERIFY(m_form->isVisible()); // minimized, still where the desktop keeps minimized windows
    QVERIFY(m_form->windowState() & Qt::WindowMinimized);
    QVERIFY(!Globals::HiddenInTray);
    QVERIFY(balloons().isEmpty());
}

void TestMinimizeToTray::check8StoresOnlyItsValue()
{
    load();
    check("Check8")->setChecked(true);
    QCOMPARE(m_platform->settings.values, (QMap<QString, QString>{{"Minimized", "On"}}));
    check("Check8")->setChecked(false);
    QCOMPARE(m_platform->settings.values, (QMap<QString, QString>{{"Minimized", "Off"}}));
    QVERIFY(m_form->isVisible());
    QCOMPARE(m_platform->tray.sent.size(), 1);
}

void TestMinimizeToTray::startHiddenInTray()
{
    m_platform->settings.values = {{"Windows Startup", "On"}, {"Minimized", "On"}};
    m_platform->autostart.entries = {{"ramtidy", "/nonexistent/program/ramtidy"}};
    load();
    balloonTimesOutSoon();
    QVERIFY(check("Check4")->isChecked());
    QVERIFY(check("Check8")->isChecked());
    QVERIFY(!check("Check8")->isHidden());
    QVERIFY(!m_form->isVisible());
    QVERIFY(Globals::HiddenInTray);
    // The icon is in the tray before the window goes there; the balloon follows
    // once start-up is complete.
    QCOMPARE(m_platform->tray.sent[0].message, std::uint32_t(NIM_ADD));
    QVERIFY(balloons().isEmpty());
    QVERIFY(!Globals::HistoryLogPath.isEmpty());
    QTRY_COMPARE(balloons().size(), 1);
    QCOMPARE(m_platform->settings.writes, 1); // Check8 saving the value it was given
    QCOMPARE(m_platform->settings.values.value("Minimized"), QStringLiteral("On"));

    m_platform->tray.inject(WM_LBUTTONUP);
    QTRY_VERIFY(m_form->isVisible());
    QVERIFY(!(m_form->windowState() & Qt::WindowMinimized));
}

void TestMinimizeToTray::minimizedIgnoredWithoutStartup()
{
    m_platform->settings.values = {{"Windows Startup", "Off"}, {"Minimized", "On"}};
    load();
    QVERIFY(check("Check8")->isChecked());
    QVERIFY(check("Check8")->isHidden());
    QVERIFY(m_form->isVisible());
    QVERIFY(!Globals::HiddenInTray);
}

void TestMinimizeToTray::startMinimizedWithoutNotificationArea()
{
    m_platform->tray.available = false;
    m_platform->settings.values = {{"Windows Startup", "On"}, {"Minimized", "On"}};
    m_platform->autostart.entries = {{"ramtidy", "/nonexistent/program/ramtidy"}};
    m_platform->settings.failWrites = true; // the stored choice stands even when start-up cannot write it back
    load();
    QVERIFY(m_form->isVisible());
    QVERIFY(m_form->windowState() & Qt::WindowMinimized);
    QVERIFY(!Globals::HiddenInTray);
    QVERIFY(balloons().isEmpty());
}

void TestMinimizeToTray::closingTakesTheIconAway()
{
    load();
    QVERIFY(mSysTray::isInstalled());
    m_form->show();
    // The end may wait on a clipboard manager: nothing of the program stays on screen meanwhile.
    m_platform->process.onEnd = [this] { QVERIFY(!m_form->isVisible() && !mSysTray::isInstalled()); };
    m_form->close();
    QCOMPARE(m_platform->process.ended, 1);
    QCOMPARE(m_form->Timer1Interval(), 0);
    QCOMPARE(m_platform->tray.sent.last().message, std::uint32_t(NIM_DELETE));
    QVERIFY(!mSysTray::isInstalled());
    QVERIFY(m_platform->msgBox.shown.isEmpty());
}

void TestMinimizeToTray::startAtLogon_data()
{
    QTest::addColumn<bool>("tick"); // else untick a ticked box
    QTest::addColumn<bool>("fails");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("entry");
    QTest::addColumn<bool>("storeFails");
    QTest::newRow("tick") << true << false << true << "On" << true << false;
    QTest::newRow("untick") << false << false << false << "Off" << false << false;
    // A failure is said, the boxes show what really is, and a refused tick stores nothing.
    QTest::newRow("tick, entry not written") << true << true << false << "" << false << false;
    QTest::newRow("untick, entry not removed") << false << true << true << "On" << true << false;
    // The entry, which the box shows at the next start, is written all the same.
    QTest::newRow("tick, settings not written") << true << false << true << "" << true << true;
}

void TestMinimizeToTray::startAtLogon()
{
    QFETCH(bool, tick);
    QFETCH(bool, fails);
    QFETCH(bool, ticked);
    QFETCH(QString, stored);
    QFETCH(bool, entry);
    QFETCH(bool, storeFails);
    m_platform->process.folder = QStringLiteral("/opt/tools mem");
    // A tick writes the folder and name joined by the system's separator.
    const QString program = tick ? m_platform->process.folder + QDir::separator() + QStringLiteral("ramtidy")
                                 : m_platform->process.executablePath();
    if (!tick) {
        m_platform->settings.values = {{"Windows Startup", "On"}, {"Minimized", "Off"}};
        m_platform->autostart.entries = {{"ramtidy", program}};
    }
    load();
    QCOMPARE(m_platform->settings.writes, 0); // restoring the box wrote nothing
    m_platform->autostart.fail = fails;
    m_platform->settings.failWrites = storeFails;
    if (!tick)
        check("Check8")->setChecked(true);
    check("Check4")->click();
    QCOMPARE(check("Check4")->isChecked(), ticked);
    QCOMPARE(check("Check8")->isHidden(), !ticked);
    if (!tick) { // an undone untick puts "Minimized" back too
        QCOMPARE(check("Check8")->isChecked(), ticked);
        QCOMPARE(m_platform->settings.values.value("Minimized"), QLatin1String(ticked ? "On" : "Off"));
    }
    QCOMPARE(m_platform->settings.values.value("Windows Startup"), stored);
    QCOMPARE(m_platform->autostart.entries.contains("ramtidy"), entry);
    if (entry)
        QCOMPARE(m_platform->autostart.entries.value("ramtidy"), program);
    QCOMPARE(m_platform->msgBox.shown.size(), fails || storeFails ? 1 : 0);
    if (fails)
        QVERIFY(m_platform->msgBox.shown[0].text.contains(QStringLiteral("ramtidy")));
}

void TestMinimizeToTray::trayHostGoesWhileHidden()
{
    load();
    balloonTimesOutSoon();
    m_form->setWindowState(Qt::WindowMinimized);
    QVERIFY(!m_form->isVisible());
    m_platform->tray.setAvailable(false);
    QVERIFY(m_form->isVisible()); // never left unreachable
    QVERIFY(!Globals::HiddenInTray);
    // Without a host a minimize stays a minimize; with one back it hides again.
    m_form->setWindowState(Qt::WindowMinimized);
    QVERIFY(m_form->isVisible());
    m_form->setWindowState(Qt::WindowNoState);
    m_platform->tray.setAvailable(true);
    QVERIFY(m_form->isVisible());
    m_form->setWindowState(Qt::WindowMinimized);
    QVERIFY(!m_form->isVisible());
}

// Started at logon before the panel: a tray host that comes within 30 s takes the window.
void TestMinimizeToTray::trayHostAfterStart_data()
{
    QTest::addColumn<int>("after"); // milliseconds
    QTest::newRow("at once") << 0;
    QTest::newRow("last moment of the wait") << 29999;
    QTest::newRow("wait over") << 30000;
    QTest::newRow("clock set back") << -60000;
}

void TestMinimizeToTray::trayHostAfterStart()
{
    QFETCH(int, after);
    const bool taken = after >= 0 && after < 30000;
    m_platform->tray.available = false;
    m_platform->settings.values = {{"Windows Startup", "On"}, {"Minimized", "On"}};
    m_platform->autostart.entries = {{"ramtidy", "/nonexistent/program/ramtidy"}};
    m_platform->clock.time = QDateTime(QDate(2026, 12, 8), QTime(8, 0));
    load();
    QVERIFY(m_form->isVisible());
    QVERIFY(m_form->windowState() & Qt::WindowMinimized);
    if (taken)
        balloonTimesOutSoon();
    m_platform->clock.time = m_platform->clock.time.addMSecs(after);
    m_platform->tray.setAvailable(true);
    QCOMPARE(m_form->isVisible(), !taken);
    QCOMPARE(Globals::HiddenInTray, taken);
    QCOMPARE(balloons().size(), taken ? 1 : 0);
}

QTEST_MAIN(TestMinimizeToTray)
#include "tst_minimizetotray.moc"
