#include "memory/mMemory.h"
#include "platform/linux/LinuxProcess.h"
#include "platform/linux/ProcMemoryStatus.h"
#include "support/doubles/FakeMemoryStatus.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <cstring>
#include <vector>

class TestMemoryStatus : public QObject {
    Q_OBJECT

private slots:
    void captures_data();
    void captures();
    void arithmetic_data();
    void arithmetic();
    void oneQueryPerFigure();
    void missingFileGivesZeros();
    void eachQueryReadsAfresh();
    void agreesWithFree();
    void freedHeapGoesBack();
};

static QString fixture(const QString &name)
{
    return QDir(qEnvironmentVariable("RAMTIDY_FIXTURES")).filePath(QStringLiteral("meminfo/") + name);
}

void TestMemoryStatus::captures_data()
{
    // clang-format off
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("free");
    QTest::addColumn<QString>("used");
    QTest::newRow("24 GiB virtual machine") << "vm-24g-kernel6.txt" << "24683772" << "24438024" << "245748";
    QTest::newRow("old kernel: MemFree stands in")
        << "kernel3.10-no-memavailable.txt" << "3921880" << "242412" << "3679468";
    QTest::newRow("1 TiB server, beyond 32 bits") << "server-1t.txt" << "1056462748" << "981340108" << "75122640";
    QTest::newRow("available above total: MemFree stands in")
        << "container-avail-above-total.txt" << "2097152" << "1048576" << "1048576";
    QTest::newRow("truncated: what is there counts") << "truncated.txt" << "8000000" << "0" << "8000000";
    // clang-format on
}

void TestMemoryStatus::captures()
{
    QFETCH(QString, file);
    QFETCH(QString, total);
    QFETCH(QString, free);
    QFETCH(QString, used);
    ProcMemoryStatus source(fixture(file).toStdString());
    QCOMPARE(mMemory::TotalRAM(source), total);
    QCOMPARE(mMemory::FreeRAM(source), free);
    QCOMPARE(mMemory::UsedRAM(source), used);
}

void TestMemoryStatus::arithmetic_data()
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

void TestMemoryStatus::arithmetic()
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

void TestMemoryStatus::oneQueryPerFigure()
{
    FakeMemoryStatus source;
    mMemory::TotalRAM(source);
    QCOMPARE(source.queries, 1);
    mMemory::FreeRAM(source);
    QCOMPARE(source.queries, 2);
    mMemory::UsedRAM(source);
    QCOMPARE(source.queries, 3);
}

void TestMemoryStatus::missingFileGivesZeros()
{
    ProcMemoryStatus source("/nonexistent/meminfo");
    MEMORYSTATUS status;
    status.dwTotalPhys = 99;
    source.GlobalMemoryStatus(status);
    QCOMPARE(status.dwTotalPhys, 0ULL);
    QCOMPARE(status.dwAvailPhys, 0ULL);
}

// The file is kept open between queries; each one must still see what it says now.
void TestMemoryStatus::eachQueryReadsAfresh()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("meminfo"));
    const auto write = [&](const QByteArray &text) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    ProcMemoryStatus source(path.toStdString());
    QCOMPARE(mMemory::TotalRAM(source), QStringLiteral("0"));
    write("MemTotal:  8000000 kB\nMemAvailable:  6000000 kB\n");
    QCOMPARE(mMemory::FreeRAM(source), QStringLiteral("6000000"));
    write("MemTotal:  8000000 kB\nMemAvailable:  500 kB\n");
    QCOMPARE(mMemory::FreeRAM(source), QStringLiteral("500"));
}

// The real source against the system's own tool, read at nearly the same moment.
void TestMemoryStatus::agreesWithFree()
{
    ProcMemoryStatus source;
    QProcess free;
    free.start(QStringLiteral("free"), {QStringLiteral("-k")});
    const QString ourTotal = mMemory::TotalRAM(source);
    const QString ourFree = mMemory::FreeRAM(source);
    QVERIFY2(free.waitForFinished(10000), "free -k did not run");
    const QStringList lines = QString::fromLocal8Bit(free.readAllStandardOutput()).split(u'\n');
    QVERIFY(lines.size() >= 2);
    const QStringList header = lines[0].simplified().split(u' ');
    const QStringList mem = lines[1].simplified().split(u' ');
    QCOMPARE(mem.value(0), QStringLiteral("Mem:"));
    const qsizetype availColumn = header.indexOf(QStringLiteral("available"));
    QVERIFY(availColumn >= 0);
    QCOMPARE(ourTotal, mem.value(1));
    const qint64 drift = qAbs(ourFree.toLongLong() - mem.value(availColumn + 1).toLongLong());
    QVERIFY2(drift < 64 * 1024, qPrintable(QStringLiteral("available differs by %1 KiB").arg(drift)));
}

static qint64 rssAnonKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("RssAnon:"))
            return line.mid(8).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Freed blocks below one still in use stay resident until the program gives
// them back; the real service must do so.
void TestMemoryStatus::freedHeapGoesBack()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("AddressSanitizer keeps freed memory in its own quarantine.");
#endif
    constexpr int Blocks = 16 * 1024;
    constexpr std::size_t Size = 1024;
    std::vector<void *> blocks(Blocks);
    for (void *&block : blocks)
        block = std::memset(std::malloc(Size), 1, Size);
    void *keeper = std::memset(std::malloc(Size), 1, Size);
    for (void *block : blocks)
        std::free(block);
    const qint64 before = rssAnonKiB();
    LinuxProcess().releaseUnusedMemory();
    const qint64 after = rssAnonKiB();
    std::free(keeper);
    QVERIFY(before > 0 && after > 0);
    QVERIFY2(before - after >= 8 * 1024,
             qPrintable(QStringLiteral("RssAnon went from %1 to %2 KiB").arg(before).arg(after)));
}

QTEST_APPLESS_MAIN(TestMemoryStatus)
#include "tst_memorystatus.moc"
