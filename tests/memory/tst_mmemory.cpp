#include "memory/mMemory.h"
#include "support/doubles/FakeMemoryStatus.h"

#include <QTest>

// The RAM panel's figures from what a memory-status query reports.
class TestMMemory : public QObject {
    Q_OBJECT

private slots:
    void arithmetic_data();
    void arithmetic();
    void usedFromOneReading();
};

void TestMMemory::arithmetic_data()
{
    // clang-format off
    QTest::addColumn<qulonglong>("totalBytes");
    QTest::addColumn<qulonglong>("availBytes");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("free");
    QTest::addColumn<QString>("used");
    QTest::newRow("2 GiB less a byte") << 2147483647ULL << 1073741824ULL << "2097151" << "1048576" << "1048575";
    QTest::newRow("divide before subtracting") << 4096000ULL << 1023ULL << "4000" << "0" << "4000";
    QTest::newRow("under one KiB") << 1023ULL << 0ULL << "0" << "0" << "0";
    // Where 32-bit figures went negative, 64-bit ones stay right.
    QTest::newRow("2 GiB exactly") << 2147483648ULL << 0ULL << "2097152" << "0" << "2097152";
    QTest::newRow("all 32 bits set") << 4294967295ULL << 4294967295ULL << "4194303" << "4194303" << "0";
    QTest::newRow("64 GiB") << 68719476736ULL << 17179869184ULL << "67108864" << "16777216" << "50331648";
    QTest::newRow("available above total never negative") << 1048576ULL << 2097152ULL << "1024" << "2048" << "0";
    // clang-format on
}

void TestMMemory::arithmetic()
{
    QFETCH(qulonglong, totalBytes);
    QFETCH(qulonglong, availBytes);
    QFETCH(QString, total);
    QFETCH(QString, free);
    QFETCH(QString, used);
    FakeMemoryStatus source;
    source.total = totalBytes;
    source.avail = availBytes;
    QCOMPARE(mMemory::TotalRAM(source), total);
    QCOMPARE(mMemory::FreeRAM(source), free);
    QCOMPARE(mMemory::UsedRAM(source), used);
}

// Memory changes between two readings: a figure made of two would match neither.
void TestMMemory::usedFromOneReading()
{
    FakeMemoryStatus source;
    source.total = 8192;
    source.onQuery = [&] { source.avail += 1024; };
    QCOMPARE(mMemory::UsedRAM(source), QStringLiteral("7"));
}

QTEST_APPLESS_MAIN(TestMMemory)
#include "tst_mmemory.moc"
