#include "platform/windows/RunKeyAutostart.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTest>

#include <windows.h>
//
#include <sddl.h>

// Ticks and unticks against Wine's registry, in a run key of the test's own under
// each root, read back with reg.exe; Task Manager's switch written as it writes it.
class TestRunKeyAutostart : public QObject {
    Q_OBJECT

private slots:
    void tickAndUntick_data();
    void tickAndUntick();
};

namespace {

const QString Exe = QStringLiteral("C:\\Program Files\\Ramtidy\\ramtidy.exe");
const QString Name = QStringLiteral("ramtidy.exe");
const QString Base = QStringLiteral("Software\\Ramtidy tests %1").arg(QRandomGenerator::global()->generate());

QString regData(const QString &root)
{
    QProcess reg;
    reg.start(QStringLiteral("reg"),
              {QStringLiteral("query"), root + u'\\' + Base + QStringLiteral("\\Run"), QStringLiteral("/v"), Name});
    if (!reg.waitForFinished(30000) || reg.exitCode() != 0)
        return QString();
    const QString out = QString::fromLocal8Bit(reg.readAllStandardOutput());
    return out.mid(out.indexOf(QLatin1String("REG_SZ")) + 6).section(u'\n', 0, 0).trimmed();
}

} // namespace

void TestRunKeyAutostart::tickAndUntick_data()
{
    QTest::addColumn<bool>("user");
    QTest::addColumn<QString>("data"); // what is there before; empty: nothing
    QTest::addColumn<int>("switchByte"); // Task Manager's first byte, odd while off; 0: no switch
    QTest::addColumn<bool>("shownBefore");
    QTest::addColumn<bool>("locked"); // the machine's key as a standard user finds it: read only
    QTest::newRow("nothing there") << false << "" << 0 << false << false;
    QTest::newRow("turned off in Task Manager") << false << Exe << 3 << false << false;
    QTest::newRow("the user's own, turned on again") << true << Exe << 2 << true << false;
    QTest::newRow("another program under the name") << false << "C:\\Other\\ramtidy.exe" << 0 << false << false;
    QTest::newRow("the machine's key read only") << false << "" << 0 << false << true;
}

void TestRunKeyAutostart::tickAndUntick()
{
    QFETCH(bool, user);
    QFETCH(QString, data);
    QFETCH(int, switchByte);
    QFETCH(bool, shownBefore);
    QFETCH(bool, locked);
    const HKEY root = user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const auto cleanup = qScopeGuard([] {
        // A read-only key is deleted with its own right: QSettings asks for more.
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t *>((Base + QStringLiteral("\\Run")).utf16()));
        for (const char *name : {"HKEY_LOCAL_MACHINE\\", "HKEY_CURRENT_USER\\"})
            QSettings(QLatin1String(name) + Base, QSettings::NativeFormat).clear();
    });
    if (!data.isEmpty())
        QSettings((user ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\") + Base + QStringLiteral("\\Run"),
                  QSettings::NativeFormat)
            .setValue(Name, data);
    if (switchByte) {
        HKEY approved = nullptr;
        const QString path = Base + QStringLiteral("\\Explorer\\StartupApproved\\Run");
        RegCreateKeyExW(root, reinterpret_cast<const wchar_t *>(path.utf16()), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &approved, nullptr);
        const BYTE state[12] = {BYTE(switchByte)};
        RegSetValueExW(approved, L"ramtidy.exe", 0, REG_BINARY, state, sizeof state);
        RegCloseKey(approved);
    }
    if (locked) { // Wine checks a key's access list as Windows does; deleting it stays allowed, to clean up
        HKEY run = nullptr;
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        const QString path = Base + QStringLiteral("\\Run");
        QCOMPARE(RegCreateKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t *>(path.utf16()), 0, nullptr, 0,
                                 WRITE_DAC, nullptr, &run, nullptr),
                 ERROR_SUCCESS);
        QVERIFY(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KRSD;;;WD)", SDDL_REVISION_1, &readOnly,
                                                                     nullptr));
        QCOMPARE(RegSetKeySecurity(run, DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
        LocalFree(readOnly);
        RegCloseKey(run);
    }
    RunKeyAutostart entries(Base + QStringLiteral("\\Run"), HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER);
    QCOMPARE(entries.startsAtLogon(Name, Exe), shownBefore);
    entries.writeEntry(Name, Exe);
    QVERIFY(entries.startsAtLogon(Name, Exe));
    QCOMPARE(regData(QLatin1String(locked ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE")), u'"' + Exe + u'"');
    entries.removeEntry(Name);
    QVERIFY(!entries.startsAtLogon(Name, Exe));
    QCOMPARE(regData(QStringLiteral("HKEY_LOCAL_MACHINE")) + regData(QStringLiteral("HKEY_CURRENT_USER")), QString());
}

QTEST_GUILESS_MAIN(TestRunKeyAutostart)
#include "tst_runkeyautostart.moc"
