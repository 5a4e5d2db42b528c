#include "app/Globals.h"
#include "memory/IntervalSave.h"
#include "platform/Failure.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/doubles/FakePlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestHistoryLog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void logPath_data();
    void logPath();
    void stateFolderIsPrivate();
    void appendsWholeLines();
    void refusesUnsafeTargets_data();
    void refusesUnsafeTargets();
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

void TestHistoryLog::refusesUnsafeTargets_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to a file") << "link";
    QTest::newRow("dangling link") << "dangling";
    QTest::newRow("directory named Ramtidy.txt") << "directory";
    QTest::newRow("FIFO without a reader") << "fifo";
    QTest::newRow("FIFO with a reader") << "fifo with reader";
    QTest::newRow("folder missing") << "missing";
    QTest::newRow("folder is a file") << "notdir";
    QTest::newRow("read-only folder") << "readonly";
}

void TestHistoryLog::refusesUnsafeTargets()
{
    QFETCH(QString, kind);
    const QString victim = m_dir->filePath(QStringLiteral("victim.txt"));
    QString path = m_log;
    QFile reader;
    if (kind == "link" || kind == "dangling") {
        if (kind == "link") {
            QFile file(victim);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("precious\n");
        }
        QVERIFY(QFile::link(victim, m_log));
    } else if (kind == "directory") {
        QVERIFY(QDir().mkdir(m_log));
    } else if (kind.startsWith("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(m_log).constData(), 0600), 0);
        if (kind == "fifo with reader") // the open succeeds: only the file-type check refuses
            QVERIFY(reader.open(::open(QFile::encodeName(m_log).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC),
                                QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    } else if (kind == "missing") {
        path = m_dir->filePath(QStringLiteral("gone/Ramtidy.txt"));
    } else if (kind == "readonly") {
        if (::geteuid() == 0)
            QSKIP("root writes into read-only folders");
        const QString folder = m_dir->filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        path = folder + QStringLiteral("/Ramtidy.txt");
    } else if (kind == "notdir") {
        QFile file(m_dir->filePath(QStringLiteral("plain")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        path = m_dir->filePath(QStringLiteral("plain/Ramtidy.txt"));
    }
    try {
        IntervalSave::AppendHistoryLine(m_files, path, QStringLiteral("line"));
        QFAIL("the line was written");
    } catch (const Failure &failure) {
        QVERIFY2(QString::fromUtf8(failure.what()).contains(path), failure.what());
        // Refused as a link, not because the file it names is missing.
        if (kind == "link" || kind == "dangling")
            QVERIFY2(QByteArray(failure.what()).contains("symbolic link"), failure.what());
    }
    if (kind == "link")
        QCOMPARE(contents(victim), QByteArray("precious\n"));
    if (kind == "dangling")
        QVERIFY(!QFile::exists(victim));
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
