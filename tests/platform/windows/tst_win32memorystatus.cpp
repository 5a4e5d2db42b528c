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

// The total is the kernel's, to a page. Wine reckons what is available its own way,
// not as the kernel's MemAvailable, so that figure is held to what it must be: no
// less than the kernel's free memory and no more than the total.
void TestWin32MemoryStatus::agreesWithTheKernel()
{
    if (!QFile::exists(QStringLiteral("Z:/proc/meminfo")))
        QSKIP("not under Wine: no kernel figures to compare with");
    Win32MemoryStatus source;
    MEMORYSTATUS status;
    const quint64 freeBefore = kernelBytes("MemFree");
    source.GlobalMemoryStatus(status);
    const quint64 freeAfter = kernelBytes("MemFree");
    const quint64 total = kernelBytes("MemTotal");
    QVERIFY2(qMax(status.dwTotalPhys, total) - qMin(status.dwTotalPhys, total) <= Page,
             qPrintable(QStringLiteral("total %1, kernel %2").arg(status.dwTotalPhys).arg(total)));
    QVERIFY2(status.dwAvailPhys + Page >= qMin(freeBefore, freeAfter) && status.dwAvailPhys <= status.dwTotalPhys,
             qPrintable(QStringLiteral("available %1, kernel free %2 to %3, total %4")
                            .arg(status.dwAvailPhys)
                            .arg(freeBefore)
                            .arg(freeAfter)
                            .arg(status.dwTotalPhys)));
}

QTEST_GUILESS_MAIN(TestWin32MemoryStatus)
#include "tst_win32memorystatus.moc"
