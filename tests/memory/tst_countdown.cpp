#include "memory/Countdown.h"
#include "platform/Failure.h"

#include <QTest>

#include <limits>

class TestCountdown : public QObject {
    Q_OBJECT

private slots:
    void ticks_data();
    void ticks();
};

// From a count and an interval, one tick: the count after it, the time left, and
// whether it is the tick that frees.
void TestCountdown::ticks_data()
{
    QTest::addColumn<int>("counter");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<bool>("fits"); // the count fits the bar before the tick
    QTest::addColumn<int>("after");
    QTest::addColumn<int>("left");
    QTest::addColumn<bool>("due");

    QTest::newRow("first second") << 0 << 300 << true << 1 << 299 << false;
    QTest::newRow("last second frees") << 299 << 300 << true << 300 << 0 << true;
    QTest::newRow("interval shortened below the count") << 500 << 300 << false << 1 << 299 << false;
    QTest::newRow("one-second interval frees every tick") << 1 << 1 << true << 1 << 0 << true;
}

void TestCountdown::ticks()
{
    QFETCH(int, counter);
    QFETCH(int, seconds);
    Countdown countdown;
    countdown.setSeconds(std::numeric_limits<int>::max());
    for (int i = 0; i < counter; ++i)
        countdown.tick();
    countdown.setSeconds(seconds);
    QTEST(countdown.withinInterval(), "fits");
    countdown.tick();
    QTEST(int(countdown.counter()), "after");
    QTEST(int(countdown.secondsLeft()), "left");
    QTEST(countdown.isDue(), "due");
}

QTEST_APPLESS_MAIN(TestCountdown)
#include "tst_countdown.moc"
