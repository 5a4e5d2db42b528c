#include "platform/windows/RunKeyAutostart.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTest>

#include <windows.h>

// Ticks and unticks against Wine's registry, in a run key of the test's own under
// each root, read back with reg.exe; Task Manager's switch written as it writes it.
class TestRunKeyAutostart : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void tickAndUntick_data();
    void tickAndUntick();

private:
    QString path(const char *root, const QString &under = QString()) const;
    QString m_key;
};

namespace {

const QString Exe = QStringLiteral("C:\\Program Files\\Ramtidy\\ramtidy.exe");

QString regData(const QString &key, const QString &value)
{
    QProcess reg;
    reg.start(QStringLiteral("reg"), {QStringLiteral("query"), key, QStringLiteral("/v"), value});
    if (!reg.waitForFinished(30000) || reg.exitCode() != 0)
        return QString();
    const QString out = QString::fromLocal8Bit(reg.readAllStandardOutput());
    return out.mid(out.indexOf(QLatin1String("REG_SZ")) + 6).section(u'\n', 0, 0).trimmed();
}

} // namespace

void TestRunKeyAutostart::init()
{
    m_key = QStringLiteral("Software\\Ramtidy tests %1\\Run").arg(QRandomGenerator::global()->generate());
}

void TestRunKeyAutostart::cleanup()
{
    for (const char *root : {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"})
        QSettings(path(root, QStringLiteral("..")), QSettings::NativeFormat).clear();
}

QString TestRunKeyAutostart::path(const char *root, const QString &under) const
{
    QString key = m_key;
    if (under == u"..")
        key = key.section(u'\\', 0, 1);
    else if (!under.isEmpty())
        key = key.section(u'\\', 0, 1) + QStringLiteral("\\Explorer\\StartupApproved\\Run");
    return QLatin1String(root) + u'\\' + key;
}

void TestRunKeyAutostart::tickAndUntick_data()
{
    QTest::addColumn<QString>("before"); // "", "machine off", "user off", "machine other"
    QTest::addColumn<bool>("shownBefore");
    QTest::newRow("nothing there") << "" << false;
    QTest::newRow("turned off in Task Manager") << "machine off" << false;
    QTest::newRow("the user's own, turned on again") << "user on" << true;
    QTest::newRow("another program under the name") << "machine other" << false;
}

void TestRunKeyAutostart::tickAndUntick()
{
    QFETCH(QString, before);
    QFETCH(bool, shownBefore);
    const QString name = QStringLiteral("ramtidy.exe");
    const char *root = before.startsWith(u"user") ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
    if (!before.isEmpty()) {
        QSettings run(path(root), QSettings::NativeFormat);
        run.setValue(name, before.endsWith(u"other") ? QStringLiteral("C:\\Other\\ramtidy.exe") : Exe);
        // Task Manager's switch: twelve bytes, the first odd while the program is off.
        QByteArray state(12, '\0');
        state[0] = before.endsWith(u"off") ? 3 : 2;
        HKEY approved = nullptr;
        const QString approvedKey = path(root, QStringLiteral("approved")).section(u'\\', 1);
        RegCreateKeyExW(before.startsWith(u"user") ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                        reinterpret_cast<const wchar_t *>(approvedKey.utf16()), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &approved, nullptr);
        RegSetValueExW(approved, L"ramtidy.exe", 0, REG_BINARY, reinterpret_cast<const BYTE *>(state.constData()), 12);
        RegCloseKey(approved);
    }
    RunKeyAutostart entries(m_key, HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER);
    QCOMPARE(entries.startsAtLogon(name, Exe), shownBefore);

    entries.writeEntry(name, Exe);
    QVERIFY(entries.startsAtLogon(name, Exe));
    QCOMPARE(regData(path("HKEY_LOCAL_MACHINE"), name), Exe);

    entries.removeEntry(name);
    QVERIFY(!entries.startsAtLogon(name, Exe));
    QCOMPARE(regData(path("HKEY_LOCAL_MACHINE"), name), QString());
    QCOMPARE(regData(path("HKEY_CURRENT_USER"), name), QString());
}

QTEST_GUILESS_MAIN(TestRunKeyAutostart)
#include "tst_runkeyautostart.moc"
