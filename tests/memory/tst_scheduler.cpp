#include "app/Globals.h"
#include "app/Main.h"
#include "memory/IntervalSave.h"
#include "support/doubles/FakePlatform.h"
#include "ui/Form1.h"

#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

class TestScheduler : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void firstStartDefaults();
    void countdownAndFree_data();
    void countdownAndFree();
    void offAndOnKeepsTheCount();
    void listClickRestarts();
    void clicksWithMouseAndKeyboard();
    void startsOff();
    void oddStartStopState_data();
    void oddStartStopState();
    void oddOftenIndex_data();
    void oddOftenIndex();
    void countAboveIntervalRestarts();
    void tickWhileOff();
    void storeFailureIsReported();
    void everyRowsInterval_data();
    void everyRowsInterval();
    void pendingEventsRun_data();
    void pendingEventsRun();

private:
    void load();
    void ticks(int count);
    QString status() const { return m_form->findChild<QGroupBox *>(QStringLiteral("Frame2"))->title(); }
    QProgressBar *bar() const { return m_form->findChild<QProgressBar *>(QStringLiteral("ProgressBar1")); }
    QTreeWidget *list() const { return m_form->findChild<QTreeWidget *>(QStringLiteral("ListView1")); }
    QPushButton *onOff() const { return m_form->findChild<QPushButton *>(QStringLiteral("PushButton5")); }
    int logLines();
    QList<int> boxSteps() const;

    QTemporaryDir m_temp;
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<Form1> m_form;
};

void TestScheduler::initTestCase()
{
    QVERIFY(m_temp.isValid());
    qputenv("TEMP", m_temp.path().toUtf8());
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
}

void TestScheduler::init()
{
    QFile::remove(m_temp.filePath(QStringLiteral("Ramtidy.txt")));
    m_platform = std::make_unique<FakePlatform>();
    m_platform->clock.time = QDateTime(QDate(2026, 12, 6), QTime(17, 30, 12));
    m_form = std::make_unique<Form1>(m_platform->services());
    // The panel refresh would add its own queries; these tests count the free's.
    m_form->findChild<QTimer *>(QStringLiteral("Timer2"))->stop();
}

void TestScheduler::cleanup()
{
    m_form.reset();
}

void TestScheduler::load()
{
    m_form->Form_Load();
    m_platform->settings.writes = 0;
}

void TestScheduler::ticks(int count)
{
    for (int i = 0; i < count; ++i)
        m_form->Timer1_Timer();
}

int TestScheduler::logLines()
{
    QFile file(Globals::HistoryLogPath);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return int(file.readAll().count("\r\n"));
}

QList<int> TestScheduler::boxSteps() const
{
    QList<int> steps;
    for (const FakeMessageBox::Shown &box : m_platform->msgBox.shown)
        steps << box.text.section(QStringLiteral("at line "), 1).section(u'\r', 0, 0).toInt();
    return steps;
}

void TestScheduler::firstStartDefaults()
{
    load();
    QCOMPARE(list()->selectedItems().size(), 1);
    QCOMPARE(list()->selectedItems()[0]->text(0), QStringLiteral("Free every 10 minutes"));
    QCOMPARE(onOff()->text(), QStringLiteral("Turn Off Auto Free"));
    QCOMPARE(m_form->Timer1Interval(), 1000);
    QCOMPARE(status(), QStringLiteral("Next free will occur in"));
    QVERIFY(m_platform->settings.values.isEmpty());
    QVERIFY(m_platform->msgBox.shown.isEmpty());
    QCOMPARE(Globals::HistoryLogPath, m_temp.filePath(QStringLiteral("Ramtidy.txt")));
}

void TestScheduler::countdownAndFree_data()
{
    QTest::addColumn<QString>("oftenIndex");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("firstTick");
    QTest::newRow("5 minutes") << "1" << 300 << "00:04:59";
    QTest::newRow("10 minutes") << "2" << 600 << "00:09:59";
    QTest::newRow("1 hour") << "6" << 3600 << "00:59:59";
}

void TestScheduler::countdownAndFree()
{
    QFETCH(QString, oftenIndex);
    QFETCH(int, seconds);
    QFETCH(QString, firstTick);
    m_platform->settings.values.insert(QStringLiteral("OftenIndex"), oftenIndex);
    load();

    ticks(1);
    QCOMPARE(status(), QStringLiteral("Next free will occur in ") + firstTick);
    QCOMPARE(bar()->maximum(), seconds);
    QCOMPARE(bar()->value(), 1);

    ticks(seconds - 2);
    QCOMPARE(m_platform->memory.queries, 0);
    QCOMPARE(logLines(), 0);

    // The last tick frees, paints the completion text, then puts the countdown back.
    QStringList captions;
    m_platform->memory.onQuery = [&] { captions << status(); };
    ticks(1);
    QCOMPARE(captions, QStringList({QStringLiteral("Freeing memory is running in background...")}));
    QCOMPARE(m_platform->memory.queries, 1);
    QCOMPARE(logLines(), 1);
    QCOMPARE(status(), QStringLiteral("Next free will occur in 00:00:00"));
    QCOMPARE(bar()->value(), seconds);
    QCOMPARE(m_form->autoFreeCounter(), 0);
    QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor); // the automatic free keeps the pointer

    ticks(1);
    QCOMPARE(status(), QStringLiteral("Next free will occur in ") + firstTick);
    QCOMPARE(bar()->value(), 1);
    QVERIFY(m_platform->msgBox.shown.isEmpty());
}

void TestScheduler::offAndOnKeepsTheCount()
{
    load();
    ticks(5);
    QTest::mouseClick(onOff(), Qt::LeftButton);
    QCOMPARE(onOff()->text(), QStringLiteral("Turn On Auto Free"));
    QCOMPARE(m_form->Timer1Interval(), 0);
    QCOMPARE(m_platform->settings.values.value(QStringLiteral("StartStopState")), QStringLiteral("Off"));
    QCOMPARE(status(), QStringLiteral("Next free will occur in 00:09:55")); // frozen, not reset
    QCOMPARE(bar()->value(), 5);

    QTest::mouseClick(onOff(), Qt::LeftButton);
    QCOMPARE(onOff()->text(), QStringLiteral("Turn Off Auto Free"));
    QCOMPARE(m_form->Timer1Interval(), 1000);
    QCOMPARE(m_platform->settings.values.value(QStringLiteral("StartStopState")), QStringLiteral("On"));
    ticks(1);
    QCOMPARE(status(), QStringLiteral("Next free will occur in 00:09:54"));
    QCOMPARE(m_form->autoFreeCounter(), 6);
}

void TestScheduler::listClickRestarts()
{
    load();
    ticks(42);
    list()->setCurrentItem(list()->topLevelItem(10)); // as a user's choice would
    QCOMPARE(m_platform->settings.values.value(QStringLiteral("OftenIndex")), QStringLiteral("11"));
    QCOMPARE(m_form->autoFreeCounter(), 0);
    ticks(1);
    QCOMPARE(status(), QStringLiteral("Next free will occur in 23:59:59"));
    QCOMPARE(bar()->maximum(), 86400);
    QCOMPARE(bar()->value(), 1);
}

void TestScheduler::clicksWithMouseAndKeyboard()
{
    load();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    auto clickRow = [&](int row) {
        const QRect rect = list()->visualItemRect(list()->topLevelItem(row));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
    };
    ticks(3);
    clickRow(0);
    QCOMPARE(m_platform->settings.values.value(QStringLiteral("OftenIndex")), QStringLiteral("1"));
    QCOMPARE(m_platform->settings.writes, 1); // one click, one write
    QCOMPARE(m_form->autoFreeCounter(), 0);

    ticks(3);
    clickRow(0); // the row already chosen: restarts and writes again
    QCOMPARE(m_platform->settings.writes, 2);
    QCOMPARE(m_form->autoFreeCounter(), 0);

    ticks(3);
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Down);
    QCOMPARE(m_platform->settings.values.value(QStringLiteral("OftenIndex")), QStringLiteral("2"));
    QCOMPARE(m_platform->settings.writes, 3);
    QCOMPARE(m_form->autoFreeCounter(), 0);
}

void TestScheduler::startsOff()
{
    m_platform->settings.values.insert(QStringLiteral("StartStopState"), QStringLiteral("Off"));
    load();
    QCOMPARE(status(), QStringLiteral("Auto Free is Turned Off."));
    QCOMPARE(onOff()->text(), QStringLiteral("Turn On Auto Free"));
    QCOMPARE(m_form->Timer1Interval(), 0);
    QTest::mouseClick(onOff(), Qt::LeftButton);
    QCOMPARE(m_form->Timer1Interval(), 1000);
    ticks(1);
    QCOMPARE(status(), QStringLiteral("Next free will occur in 00:09:59"));
}

void TestScheduler::oddStartStopState_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("lower-case on") << "on";
    QTest::newRow("lower-case off") << "off";
    QTest::newRow("empty") << "";
    QTest::newRow("blank around") << " On ";
}

void TestScheduler::oddStartStopState()
{
    QFETCH(QString, value);
    m_platform->settings.values.insert(QStringLiteral("StartStopState"), value);
    load();
    QCOMPARE(onOff()->text(), QStringLiteral("Turn On Auto Free"));
    QCOMPARE(status(), QStringLiteral("Next free will occur in"));
    QCOMPARE(m_form->Timer1Interval(), 0);
    QVERIFY(m_platform->msgBox.shown.isEmpty());
}

void TestScheduler::oddOftenIndex_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QList<int>>("steps");
    QTest::newRow("not a number") << "abc" << QList<int>{156, 158};
    QTest::newRow("empty") << "" << QList<int>{156, 158};
    QTest::newRow("above 16 bits") << "40000" << QList<int>{156, 158};
    QTest::newRow("a number, a NUL, more") << QString::fromUtf16(u"3\0x", 3) << QList<int>{156, 158};
    QTest::newRow("zero") << "0" << QList<int>{158};
    QTest::newRow("twelve") << "12" << QList<int>{158};
    QTest::newRow("negative") << "-3" << QList<int>{158};
}

void TestScheduler::oddOftenIndex()
{
    QFETCH(QString, value);
    QFETCH(QList<int>, steps);
    m_platform->settings.values.insert(QStringLiteral("OftenIndex"), value);
    load();
    QCOMPARE(boxSteps(), steps);
    QVERIFY(m_platform->msgBox.shown[0].text.contains(QStringLiteral("in Memvane2021/08/31.Form1.Form_Load at line")));
    QVERIFY(list()->selectedItems().isEmpty());
    QCOMPARE(m_platform->settings.values.value(QStringLiteral("OftenIndex")), value); // kept until a click

    // Every tick: no box, no free, and the status line says what to do.
    m_platform->msgBox.shown.clear();
    ticks(700);
    QVERIFY(m_platform->msgBox.shown.isEmpty());
    QCOMPARE(m_platform->memory.queries, 0);
    QCOMPARE(status(), QStringLiteral("Choose how often to free memory in the list below."));
    list()->setCurrentItem(list()->topLevelItem(0));
    ticks(1);
    QCOMPARE(status(), QStringLiteral("Next free will occur in 00:04:59"));
}

void TestScheduler::countAboveIntervalRestarts()
{
    m_platform->settings.values.insert(QStringLiteral("OftenIndex"), QStringLiteral("11"));
    load();
    ticks(400);
    // A new row chosen without a click (here: in code) is shorter than the count.
    const QSignalBlocker blocker(list());
    list()->setCurrentItem(list()->topLevelItem(0));
    ticks(1);
    QCOMPARE(m_form->autoFreeCounter(), 1);
    QCOMPARE(status(), QStringLiteral("Next free will occur in 00:04:59"));
    QCOMPARE(bar()->maximum(), 300);
    QCOMPARE(bar()->value(), 1);
    ticks(299);
    QCOMPARE(m_platform->memory.queries, 1);
}

void TestScheduler::tickWhileOff()
{
    m_platform->settings.values.insert(QStringLiteral("StartStopState"), QStringLiteral("Off"));
    load();
    bar()->setValue(7);
    ticks(1);
    QCOMPARE(status(), QStringLiteral("Auto Free is Off."));
    QCOMPARE(m_form->autoFreeCounter(), 0);
    QCOMPARE(bar()->value(), 7);
}

void TestScheduler::storeFailureIsReported()
{
    load();
    m_platform->settings.failWrites = true;
    QTest::mouseClick(onOff(), Qt::LeftButton);
    QCOMPARE(boxSteps(), QList<int>{114});
    QCOMPARE(m_form->Timer1Interval(), 0); // the switch itself still took effect
    // Every click is answered, the same cause as often as met (the list's box has no step).
    QTest::mouseClick(onOff(), Qt::LeftButton);
    list()->setCurrentItem(list()->topLevelItem(3));
    QCOMPARE(boxSteps(), (QList<int>{114, 106, 0}));
    QCOMPARE(m_form->Timer1Interval(), 1000);
    m_platform->settings.failWrites = false;
    QTest::mouseClick(onOff(), Qt::LeftButton);
    m_platform->settings.failWrites = true;
    QTest::mouseClick(onOff(), Qt::LeftButton);
    QCOMPARE(boxSteps(), (QList<int>{114, 106, 0, 106}));
}

void TestScheduler::everyRowsInterval_data()
{
    QTest::addColumn<QString>("oftenIndex");
    QTest::addColumn<int>("seconds");
    const int seconds[] = {300, 600, 900, 1200, 1800, 3600, 7200, 14400, 28800, 57600, 86400};
    for (int row = 1; row <= 11; ++row)
        QTest::addRow("row %d", row) << QString::number(row) << seconds[row - 1];
}

void TestScheduler::everyRowsInterval()
{
    QFETCH(QString, oftenIndex);
    QFETCH(int, seconds);
    m_platform->settings.values.insert(QStringLiteral("OftenIndex"), oftenIndex);
    load();
    ticks(1);
    QCOMPARE(bar()->maximum(), seconds);
    QCOMPARE(status(), QStringLiteral("Next free will occur in ") + Main::FormatSeconds(seconds - 1));
}

// Where a handler lets pending events run, another handler can run in the middle
// of it: a call queued before the handler shows what it saw each time.
void TestScheduler::pendingEventsRun_data()
{
    // clang-format off
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("seen");
    QTest::newRow("free button, after its first caption") << "free" << QStringList{"Freeing Memory..."};
    QTest::newRow("the tick that frees, at its three points")
        << "tick" << QStringList{"Next free will occur in 00:00:00", "Freeing memory is running in background...",
                                 "Auto Free Memory Complete at 12/6/2026 5:30:12 PM"};
    QTest::newRow("clear, before the file goes") << "clear" << QStringList{"log present"};
    // clang-format on
}

void TestScheduler::pendingEventsRun()
{
    QFETCH(QString, action);
    QFETCH(QStringList, seen);
    m_platform->settings.values.insert(QStringLiteral("OftenIndex"), QStringLiteral("1"));
    load();
    QStringList recorded;
    std::function<void()> record = [&] {
        recorded << (action == u"clear" ? (QFile::exists(Globals::HistoryLogPath) ? QStringLiteral("log present")
                                                                                  : QStringLiteral("log gone"))
                                        : status());
        if (recorded.size() < seen.size())
            QMetaObject::invokeMethod(m_form.get(), record, Qt::QueuedConnection);
    };
    if (action == u"tick") {
        ticks(299);
        QMetaObject::invokeMethod(m_form.get(), record, Qt::QueuedConnection);
        ticks(1);
    } else if (action == u"free") {
        QMetaObject::invokeMethod(m_form.get(), record, Qt::QueuedConnection);
        QTest::mouseClick(m_form->findChild<QPushButton *>(QStringLiteral("PushButton6")), Qt::LeftButton);
    } else {
        IntervalSave::FreeMemoryNow(m_platform->services());
        m_platform->msgBox.answer = vbYes;
        QMetaObject::invokeMethod(m_form.get(), record, Qt::QueuedConnection);
        QTest::mouseClick(m_form->findChild<QPushButton *>(QStringLiteral("PushButton12")), Qt::LeftButton);
        QVERIFY(!QFile::exists(Globals::HistoryLogPath));
    }
    QCOMPARE(recorded, seen);
}

QTEST_MAIN(TestScheduler)
#include "tst_scheduler.moc"
