#include "platform/windows/Win32MemoryStatus.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

// Wine answers from the Linux kernel's /proc/meminfo, which is the oracle. It
// reckons what is available its own way, so that figure is held to its bounds:
// no less than the kernel's free memory, no more than the total.
class TestWin32MemoryStatus : public QObject {
    Q_OBJECT

private slots:
    void agreesWithTheKernel()
    {
        QFile meminfo(QStringLiteral("Z:/proc/meminfo"));
        if (!meminfo.open(QIODevice::ReadOnly))
            QSKIP("not under Wine: no kernel figures to compare with");
        const QString text = QString::fromLatin1(meminfo.readAll());
        const auto kernel = [&](const char *field) {
            const QRegularExpression line(QStringLiteral("^%1:\\s+(\\d+) kB$").arg(QLatin1String(field)),
                                          QRegularExpression::MultilineOption);
            return line.match(text).captured(1).toULongLong() * 1024;
        };
        MEMORYSTATUS status;
        Win32MemoryStatus().GlobalMemoryStatus(status);
        const quint64 page = 4096;
        QVERIFY2(qMax(status.dwTotalPhys, kernel("MemTotal")) - qMin(status.dwTotalPhys, kernel("MemTotal")) <= page,
                 qPrintable(QString::number(status.dwTotalPhys)));
        QVERIFY(status.dwAvailPhys + 64 * page >= kernel("MemFree") && status.dwAvailPhys <= status.dwTotalPhys);
    }
};

QTEST_GUILESS_MAIN(TestWin32MemoryStatus)
#include "tst_win32memorystatus.moc"
