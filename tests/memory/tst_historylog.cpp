#include "app/Globals.h"
#include "memory/IntervalSave.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/doubles/FakePlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestHistoryLog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void logPath_data();
    void logPath();
    void stateFolderIsPrivate();
    void appendsWholeLines();
    void freeIsOneQueryAndOneLine();
    void failedFreeReportsStep106();

private:
    QByteArray contents(const QString &path);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_log;
    PosixFileSystem m_files;
};

void TestHistoryLog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_log = m_dir->filePath(QStringLiteral("Ramtidy.txt"));
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
}

QByteArray TestHistoryLog::contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void TestHistoryLog::logPath_data()
{
    // clang-format off
    QTest::addColumn<QString>("temp");
    QTest::addColumn<QString>("stateHome");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("path");
    QTest::newRow("TEMP") << "/var/tmp/me" << "/s" << "/h" << "/var/tmp/me/Ramtidy.txt";
    QTest::newRow("TEMP with trailing slash") << "/var/tmp/me/" << "" << "/h" << "/var/tmp/me/Ramtidy.txt";
    QTest::newRow("TEMP empty: state folder") << "" << "@/state" << "/h" << "@/state/Corvane/Ramtidy.txt";
    QTest::newRow("no TEMP, no XDG_STATE_HOME") << QString() << QString() << "@" << "@/.local/state/Corvane/Ramtidy.txt";
    QTest::newRow("relative XDG_STATE_HOME ignored") << QString() << "rel" << "@" << "@/.local/state/Corvane/Ramtidy.txt";
    QTest::newRow("relative TEMP taken as unset") << "tmp" << QString() << "@" << "@/.local/state/Corvane/Ramtidy.txt";
    QTest::newRow("HOME unset: the account's home") << QString() << QString() << QString()
                                                    << "@/account/.local/state/Corvane/Ramtidy.txt";
    // clang-format on
}

void TestHistoryLog::logPath()
{
    QFETCH(QString, temp);
    QFETCH(QString, stateHome);
    QFETCH(QString, home);
    QFETCH(QString, path);
    const QString scratch = m_dir->path();
    FakeEnvironment env;
    env.values = {
        {"TEMP", temp}, {"XDG_STATE_HOME", stateHome.replace(u'@', scratch)}, {"HOME", home.replace(u'@', scratch)}};
    env.account = scratch + QStringLiteral("/account");
    QCOMPARE(IntervalSave::HistoryLogPathFor(env), path.replace(u'@', scratch));
    QCOMPARE(QDir(scratch).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void TestHistoryLog::stateFolderIsPrivate()
{
    FakePlatform platform;
    platform.environment.values = {{"HOME", m_dir->path()}, {"TEMP", QString()}, {"XDG_STATE_HOME", QString()}};
    Globals::HistoryLogPath = IntervalSave::HistoryLogPathFor(platform.environment);
    const QByteArray folder = QFile::encodeName(QFileInfo(Globals::HistoryLogPath).path());
    struct stat info { };
    QCOMPARE(::stat(folder.constData(), &info), -1); // made by the first free, not at start
    IntervalSave::FreeMemoryNow(platform.services());
    QCOMPARE(::stat(folder.constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0700u);
    // A folder that already exists keeps the mode its owner gave it.
    QCOMPARE(::chmod(folder.constData(), 0750), 0);
    IntervalSave::FreeMemoryNow(platform.services());
    QCOMPARE(::stat(folder.constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0750u);
    QCOMPARE(contents(Globals::HistoryLogPath).count("\r\n"), 2);
}

void TestHistoryLog::appendsWholeLines()
{
    IntervalSave::AppendHistoryLine(m_files, m_log, QStringLiteral("RAM Memory was freed at 12/6/2026 5:30:12 PM"));
    IntervalSave::AppendHistoryLine(m_files, m_log, QStringLiteral("zweite Zeile ü"));
    QCOMPARE(contents(m_log), QByteArray("RAM Memory was freed at 12/6/2026 5:30:12 PM\r\nzweite Zeile \xc3\xbc\r\n"));
    struct stat info { };
    QCOMPARE(::stat(QFile::encodeName(m_log).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0600u);
}

void TestHistoryLog::freeIsOneQueryAndOneLine()
{
    FakePlatform platform;
    platform.clock.time = QDateTime(QDate(2026, 12, 6), QTime(17, 30, 12));
    Globals::HistoryLogPath = m_log;
    IntervalSave::FreeMemoryNow(platform.services());
    QCOMPARE(platform.memory.queries, 1);
    QCOMPARE(contents(m_log), QByteArray("RAM Memory was freed at 12/6/2026 5:30:12 PM\r\n"));
    QVERIFY(platform.msgBox.shown.isEmpty());
}

void TestHistoryLog::failedFreeReportsStep106()
{
    FakePlatform platform;
    Globals::HistoryLogPath = m_dir->filePath(QStringLiteral("gone/Ramtidy.txt"));
    IntervalSave::FreeMemoryNow(platform.services());
    QCOMPARE(platform.memory.queries, 1);
    QCOMPARE(platform.msgBox.shown.size(), 1);
    QVERIFY(platform.msgBox.shown[0].text.contains(
        QStringLiteral("\r\nin Memvane2021/08/31.IntervalSave.FreeMemoryNow at line 106\r\r")));
    QCOMPARE(platform.msgBox.shown[0].title, QStringLiteral("Application Error"));
}

QTEST_APPLESS_MAIN(TestHistoryLog)
#include "tst_historylog.moc"
