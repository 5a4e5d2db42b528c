// The file rule on real files, a real second user and real mounts: what is refused is
// named, and nothing of anyone's is changed. An ordinary user runs it as root of a
// user namespace of its own.
#include "platform/Failure.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/linux/FileFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestPosixFileSystem : public QObject {
    Q_OBJECT

public:
    static void initMain() { becomeNamespaceRoot(); } // before any thread starts

private slots:
    void init();
    void appendRefusesUnsafeTargets_data();
    void appendRefusesUnsafeTargets();
    void replaceThroughLinkToAnothersFile();
    void anotherUsersProgramFile();
    void sealedMemoryFile();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_log;
    QString m_victim;
    QByteArray m_victimBytes;
    PosixFileSystem m_files;
};

void TestPosixFileSystem::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_log = m_dir->filePath(QStringLiteral("Ramtidy.txt"));
    m_victim = plantAnotherUsersFile(m_dir->filePath(QStringLiteral("theirs.txt")));
    QVERIFY(!m_victim.isEmpty());
    m_victimBytes = bytesOf(m_victim);
}

void TestPosixFileSystem::appendRefusesUnsafeTargets_data()
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

void TestPosixFileSystem::appendRefusesUnsafeTargets()
{
    QFETCH(QString, kind);
    const QString victim = m_dir->filePath(QStringLiteral("victim.txt"));
    QString path = m_log;
    QFile reader;
    std::unique_ptr<Mount> mount;
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
        // A read-only mount: root, as the test runs, writes into a folder of mode 0500.
        const QString folder = m_dir->filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkdir(folder));
        mount = std::make_unique<Mount>(folder, "size=8k");
        QVERIFY(mount->ok() && mount->makeReadOnly());
        path = folder + QStringLiteral("/Ramtidy.txt");
    } else if (kind == "notdir") {
        QFile file(m_dir->filePath(QStringLiteral("plain")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        path = m_dir->filePath(QStringLiteral("plain/Ramtidy.txt"));
    }
    try {
        m_files.append(path, "line\r\n");
        QFAIL("the line was written");
    } catch (const Failure &failure) {
        QVERIFY2(QString::fromUtf8(failure.what()).contains(path), failure.what());
        // Refused as a link, not because the file it names is missing.
        if (kind == "link" || kind == "dangling")
            QVERIFY2(QByteArray(failure.what()).contains("symbolic link"), failure.what());
    }
    if (kind == "link")
        QCOMPARE(bytesOf(victim), QByteArray("precious\n"));
    if (kind == "dangling")
        QVERIFY(!QFile::exists(victim));
}

void TestPosixFileSystem::replaceThroughLinkToAnothersFile()
{
    QVERIFY(QFile::link(m_victim, m_log)); // as ramtidy.desktop, replaced whole
    try {
        m_files.replace(m_log, "[Desktop Entry]\n");
        QFAIL("replaced");
    } catch (const Failure &e) { // for its owner, not for a folder the user may not write
        QVERIFY2(QByteArray(e.what()).contains("another user"), e.what());
    }
    QCOMPARE(bytesOf(m_victim), m_victimBytes);
}

// A skin, cursor or entry of another user, not root's as an installed program's
// files are: refused for its owner, not for the mount under it.
void TestPosixFileSystem::anotherUsersProgramFile()
{
    QVERIFY(writeFile(m_log, {}));
    Mount theirs(m_log, nullptr, m_victim);
    QVERIFY(theirs.ok());
    QVERIFY_THROWS_EXCEPTION(Failure, m_files.readProgramFile(m_log, 1 << 20));
    try {
        m_files.replace(m_log, {});
        QFAIL("replaced");
    } catch (const Failure &e) {
        QVERIFY2(QByteArray(e.what()).contains("another user"), e.what());
    }
    QCOMPARE(bytesOf(m_victim), m_victimBytes);
}

// The checked copy in memory cannot be cut or written to.
void TestPosixFileSystem::sealedMemoryFile()
{
    const QByteArray path = QFile::encodeName(m_files.memoryFile("checked"));
    const int fd = ::open(path, O_WRONLY); // no O_TRUNC, whose refusal would keep the write from being tried
    QVERIFY(fd >= 0);
    const bool refused = ::write(fd, "x", 1) < 0 && ::ftruncate(fd, 0) < 0;
    QVERIFY(::close(fd) == 0 && refused);
    QCOMPARE(bytesOf(QFile::decodeName(path)), QByteArray("checked"));
    QCOMPARE(bytesOf(m_victim), m_victimBytes);
}

QTEST_GUILESS_MAIN(TestPosixFileSystem)
#include "tst_posixfilesystem.moc"
