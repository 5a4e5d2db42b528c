#include "memory/mMemory.h"
#include "platform/linux/LinuxProcess.h"
#include "platform/linux/ProcMemoryStatus.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <cstring>
#include <vector>

class TestProcMemoryStatus : public QObject {
    Q_OBJECT

private slots:
    void captures_data();
    void captures();
    void missingFileGivesZeros();
    void eachQueryReadsAfresh();
    void agreesWithFree();
    void freedHeapGoesBack();
};

static QString fixture(const QString &name)
{
    return QDir(qEnvironmentVariable("RAMTIDY_FIXTURES")).filePath(QStringLiteral("meminfo/") + name);
}

void TestProcMemoryStatus::captures_data()
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
    QTest::newRow("available equal to total is taken")
        << "avail-equals-total.txt" << "2097152" << "2097152" << "0";
    QTest::newRow("free above total too: free is total") << "free-above-total.txt" << "16384000" << "16384000" << "0";
    QTest::newRow("2^53 KiB: beyond the bound") << "at-the-bound.txt" << "0" << "0" << "0";
    QTest::newRow("truncated: what is there counts") << "truncated.txt" << "8000000" << "0" << "8000000";
    // clang-format on
}

void TestProcMemoryStatus::captures()
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

void TestProcMemoryStatus::missingFileGivesZeros()
{
    ProcMemoryStatus source("/nonexistent/meminfo");
    MEMORYSTATUS status;
    status.dwTotalPhys = 99;
    source.GlobalMemoryStatus(status);
    QCOMPARE(status.dwTotalPhys, 0ULL);
    QCOMPARE(status.dwAvailPhys, 0ULL);
}

// The file is kept open between queries; each one must still see what it says now.
void TestProcMemoryStatus::eachQueryReadsAfresh()
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
void TestProcMemoryStatus::agreesWithFree()
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
void TestProcMemoryStatus::freedHeapGoesBack()
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

QTEST_APPLESS_MAIN(TestProcMemoryStatus)
#include "tst_procmemorystatus.moc"
