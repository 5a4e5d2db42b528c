#include "platform/Failure.h"
#include "platform/linux/IniSettingsStore.h"
#include "platform/linux/LinuxPlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The real INI store on real files.
class TestSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void configHome_data();
    void configHome();
    void readOfAbsentKeyCreatesNothing();
    void writeIsOnDiskAtOnce();
    void lastWriteWins();
    void unwritableStoreFails();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestSettingsStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("Corvane/Ramtidy.conf"));
}

// Where the program's own store keeps the file (the account's home, taken when HOME
// is unset, is tested with the log's folder).
void TestSettingsStore::configHome_data()
{
    // clang-format off
    QTest::addColumn<QString>("configHome");
    QTest::addColumn<QString>("file"); // under the scratch folder, which is HOME
    QTest::newRow("XDG_CONFIG_HOME") << "@/cfg" << "cfg/Corvane/Ramtidy.conf";
    QTest::newRow("unset: under HOME") << QString() << ".config/Corvane/Ramtidy.conf";
    // A relative value would make the file follow the working folder.
    QTest::newRow("relative XDG_CONFIG_HOME ignored") << "cfg" << ".config/Corvane/Ramtidy.conf";
    // clang-format on
}

void TestSettingsStore::configHome()
{
    QFETCH(QString, configHome);
    QFETCH(QString, file);
    QVERIFY(QDir::setCurrent(m_dir->path())); // a file that follows the working folder lands in scratch too
    qputenv("HOME", QFile::encodeName(m_dir->path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.replace(u'@', m_dir->path())));
    LinuxPlatform platform(QStringLiteral("Corvane"), QStringLiteral("Ramtidy"), QStringLiteral("ramtidy"));
    platform.services().settings.write(QStringLiteral("OftenIndex"), QStringLiteral("3"));
    QVERIFY(QFile::exists(m_dir->filePath(file)));
}

void TestSettingsStore::readOfAbsentKeyCreatesNothing()
{
    IniSettingsStore store(m_path, QStringLiteral("Ramtidy"));
    QCOMPARE(store.read(QStringLiteral("OftenIndex"), QStringLiteral("2")), QStringLiteral("2"));
    QVERIFY(!QFile::exists(m_path));
    store.write(QStringLiteral("Minimized"), QStringLiteral("Off"));
    QCOMPARE(store.read(QStringLiteral("StartStopState"), QStringLiteral("On")), QStringLiteral("On"));
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains("StartStopState"));
}

void TestSettingsStore::writeIsOnDiskAtOnce()
{
    IniSettingsStore store(m_path, QStringLiteral("Ramtidy"));
    store.write(QStringLiteral("OftenIndex"), QStringLiteral("11"));
    store.write(QStringLiteral("Windows Startup"), QStringLiteral("On"));
    // What another process sees is the file itself.
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.startsWith("[Ramtidy]\n"));
    QVERIFY(text.contains("OftenIndex=11\n"));
    QVERIFY(text.contains("Windows%20Startup=On\n"));
    QCOMPARE(IniSettingsStore(m_path, QStringLiteral("Ramtidy")).read(QStringLiteral("Windows Startup"), QString()),
             QStringLiteral("On"));
}

void TestSettingsStore::lastWriteWins()
{
    IniSettingsStore first(m_path, QStringLiteral("Ramtidy"));
    IniSettingsStore second(m_path, QStringLiteral("Ramtidy"));
    first.write(QStringLiteral("StartStopState"), QStringLiteral("On"));
    QCOMPARE(second.read(QStringLiteral("StartStopState"), QString()), QStringLiteral("On"));
    second.write(QStringLiteral("StartStopState"), QStringLiteral("Off"));
    QCOMPARE(first.read(QStringLiteral("StartStopState"), QString()), QStringLiteral("Off"));
}

void TestSettingsStore::unwritableStoreFails()
{
    // A folder that cannot exist: its parent is a plain file (holds for root too).
    QFile blocker(m_dir->filePath(QStringLiteral("Corvane")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    IniSettingsStore store(m_path, QStringLiteral("Ramtidy"));
    QVERIFY_THROWS_EXCEPTION(Failure, store.write(QStringLiteral("OftenIndex"), QStringLiteral("3")));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
