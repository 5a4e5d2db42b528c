#include "app/DateTimeText.h"

#include <QTest>

class TestDateTimeText : public QObject {
    Q_OBJECT

private slots:
    void locales_data();
    void locales();
};

void TestDateTimeText::locales_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("text");
    const QDateTime evening(QDate(2026, 12, 6), QTime(17, 30, 12));
    const QDateTime midnight(QDate(2026, 12, 6), QTime(0, 0, 0));
    const QDateTime justAfter(QDate(2026, 1, 9), QTime(0, 0, 1));
    QTest::newRow("en_US") << "en_US" << evening << "12/6/2026 5:30:12 PM";
    QTest::newRow("en_GB") << "en_GB" << evening << "06/12/2026 17:30:12";
    QTest::newRow("de_DE") << "de_DE" << evening << "06.12.2026 17:30:12";
    QTest::newRow("en_US midnight: date alone") << "en_US" << midnight << "12/6/2026";
    QTest::newRow("de_DE midnight: date alone") << "de_DE" << midnight << "06.12.2026";
    QTest::newRow("en_US one second after midnight") << "en_US" << justAfter << "1/9/2026 12:00:01 AM";
    QTest::newRow("de_DE morning") << "de_DE" << justAfter << "09.01.2026 00:00:01";
}

void TestDateTimeText::locales()
{
    QFETCH(QString, locale);
    QFETCH(QDateTime, when);
    QFETCH(QString, text);
    QCOMPARE(DateTimeText(when, QLocale(locale)), text);
}

QTEST_APPLESS_MAIN(TestDateTimeText)
#include "tst_datetimetext.moc"
