#include "platform/windows/Win32MemoryStatus.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

// Wine answers from the Linux kernel's own figures, which serve as the oracle.
class TestWin32MemoryStatus : public QObject {
    Q_OBJECT

private slots:
    void agreesWithTheKernel();
};

namespace {

constexpr quint64 Page = 4096;

quint64 kernelBytes(const char *field)
{
    QFile meminfo(QStringLiteral("Z:/proc/meminfo"));
    if (!meminfo.open(QIODevice::ReadOnly))
        return 0;
    const QRegularExpression line(QStringLiteral("^%1:\\s+(\\d+) kB$").arg(QLatin1String(field)),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromLatin1(meminfo.readAll())).captured(1).toULongLong() * 1024;
}

} // namespace

// Available memory moves between two reads, so it must lie between the kernel's
// figures read just before and just after, give or take a page.
void TestWin32MemoryStatus::agreesWithTheKernel()
{
    if (!QFile::exists(QStringLiteral("Z:/proc/meminfo")))
        QSKIP("not under Wine: no kernel figures to compare with");
    Win32MemoryStatus source;
    MEMORYSTATUS status;
    const quint64 before = kernelBytes("MemAvailable");
    source.GlobalMemoryStatus(status);
    const quint64 after = kernelBytes("MemAvailable");
    QVERIFY(status.dwTotalPhys > quint64(4) << 30 || kernelBytes("MemTotal") <= quint64(4) << 30);
    QVERIFY2(qMax(status.dwTotalPhys, kernelBytes("MemTotal")) - qMin(status.dwTotalPhys, kernelBytes("MemTotal"))
                 <= Page,
             qPrintable(QStringLiteral("total %1, kernel %2").arg(status.dwTotalPhys).arg(kernelBytes("MemTotal"))));
    QVERIFY2(
        status.dwAvailPhys + Page > qMin(before, after) && status.dwAvailPhys < qMax(before, after) + Page,
        qPrintable(QStringLiteral("available %1, kernel %2 to %3").arg(status.dwAvailPhys).arg(before).arg(after)));
}

QTEST_GUILESS_MAIN(TestWin32MemoryStatus)
#include "tst_win32memorystatus.moc"
