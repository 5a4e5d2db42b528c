#include "platform/Failure.h"
#include "platform/NativePlatform.h"
#include "platform/linux/IniSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

#include <sys/wait.h>
#include <unistd.h>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every key as QSettings reads the whole file.
QMap<QString, QVariant> qtValues(const QString &path)
{
    QSettings settings(path, QSettings::IniFormat);
    QMap<QString, QVariant> values;
    for (const QString &key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

} // namespace

// The real INI store on real files.
class TestIniSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void configHome_data();
    void configHome();
    void readOfAbsentKeyCreatesNothing();
    void writeIsOnDiskAtOnce();
    void lastWriteWins();
    void unwritableStoreFails();
    void readsAsQSettings_data();
    void readsAsQSettings();
    void saveChangesOneValue_data();
    void saveChangesOneValue();
    void copiesBesideTheFile_data();
    void copiesBesideTheFile();
    void linkChain_data();
    void linkChain();
    void linkToMissingFolder();
    void twoCopiesKeepBothKeys();
    void saveCalls();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestIniSettingsStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("Corvane/Ramtidy.conf"));
}

// Where the program's own store keeps the file (the account's home, taken when HOME
// is unset, is tested with the log's folder).
void TestIniSettingsStore::configHome_data()
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

void TestIniSettingsStore::configHome()
{
    QFETCH(QString, configHome);
    QFETCH(QString, file);
    QVERIFY(QDir::setCurrent(m_dir->path())); // a file that follows the working folder lands in scratch too
    qputenv("HOME", QFile::encodeName(m_dir->path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.replace(u'@', m_dir->path())));
    NativePlatform platform(QStringLiteral("Corvane"), QStringLiteral("Ramtidy"), QStringLiteral("ramtidy"));
    platform.services().settings.write(QStringLiteral("OftenIndex"), QStringLiteral("3"));
    QVERIFY(QFile::exists(m_dir->filePath(file)));
}

void TestIniSettingsStore::readOfAbsentKeyCreatesNothing()
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

void TestIniSettingsStore::writeIsOnDiskAtOnce()
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

void TestIniSettingsStore::lastWriteWins()
{
    IniSettingsStore first(m_path, QStringLiteral("Ramtidy"));
    IniSettingsStore second(m_path, QStringLiteral("Ramtidy"));
    first.write(QStringLiteral("StartStopState"), QStringLiteral("On"));
    QCOMPARE(second.read(QStringLiteral("StartStopState"), QString()), QStringLiteral("On"));
    second.write(QStringLiteral("StartStopState"), QStringLiteral("Off"));
    QCOMPARE(first.read(QStringLiteral("StartStopState"), QString()), QStringLiteral("Off"));
}

void TestIniSettingsStore::unwritableStoreFails()
{
    // A folder that cannot exist: its parent is a plain file (holds for root too).
    QFile blocker(m_dir->filePath(QStringLiteral("Corvane")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    IniSettingsStore store(m_path, QStringLiteral("Ramtidy"));
    QVERIFY_THROWS_EXCEPTION(Failure, store.write(QStringLiteral("OftenIndex"), QStringLiteral("3")));
}

// What the program reads, beside what QSettings reads wherever QSettings reads plain text.
void TestIniSettingsStore::readsAsQSettings_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("read"); // null: absent; "<refused>": the file is not used
    QTest::newRow("byte-order mark, CR LF") << QByteArray("\xef\xbb\xbf[Ramtidy]\r\nOftenIndex=5\r\nStartStopState=Off\r\n") << "OftenIndex" << "5";
    QTest::newRow("CR line ends") << QByteArray("[Ramtidy]\rOftenIndex=5\rStartStopState=Off\r") << "StartStopState" << "Off";
    QTest::newRow("quoted") << QByteArray("[Ramtidy]\nStartStopState=\"Off\"") << "StartStopState" << "Off";
    QTest::newRow("quoted blanks stay") << QByteArray("[Ramtidy]\nOftenIndex=\" 5 \"  ") << "OftenIndex" << " 5 ";
    QTest::newRow("blanks after a quote stay") << QByteArray("[Ramtidy]\nStartStopState=\"O\" ff ") << "StartStopState" << "Off ";
    QTest::newRow("; and = inside quotes") << QByteArray("[Ramtidy]\nOftenIndex=\"5;6\"\n\"k=x\"=5") << "OftenIndex" << "5;6";
    QTest::newRow("comment after the value") << QByteArray("[Ramtidy]\nOftenIndex=5 ; the half-hour") << "OftenIndex" << "5";
    QTest::newRow("comment line") << QByteArray("[Ramtidy]\n  ; OftenIndex=5\n") << "OftenIndex" << QString();
    QTest::newRow("escaped key") << QByteArray("[Ramtidy]\nWindows%20Startup=On") << "Windows Startup" << "On";
    QTest::newRow("escaped wide key, cut escapes") << QByteArray("[Ramtidy]\n%U0057indows Startup=On\n%4=x\n%U12=y") << "Windows Startup" << "On";
    QTest::newRow("escaped group, no closing bracket") << QByteArray("[ Ram%74idy \nOftenIndex=5") << "OftenIndex" << "5";
    QTest::newRow("continued line") << QByteArray("[Ramtidy]\nMinimized=O\\\r\nn\n") << "Minimized" << "On";
    QTest::newRow("continued to the end") << QByteArray("[Ramtidy]\nOftenIndex=7 \\") << "OftenIndex" << "7 ";
    QTest::newRow("line end inside quotes") << QByteArray("[Ramtidy]\nx=\"a\nOftenIndex=5\n") << "OftenIndex" << QString();
    QTest::newRow("escapes") << QByteArray("[Ramtidy]\nStartStopState=O\\x66\\146\\q\\x") << "StartStopState" << "Off";
    QTest::newRow("escape ends the text") << QByteArray("[Ramtidy]\nStartStopState=Of\\x66") << "StartStopState" << "Off";
    QTest::newRow("octal at the end") << QByteArray("[Ramtidy]\nStartStopState=Of\\146") << "StartStopState" << "Off";
    QTest::newRow("repeated group merges") << QByteArray("[Ramtidy]\nOftenIndex=5\n[Other]\nOftenIndex=9\n[Ramtidy]\nMinimized=On\n") << "OftenIndex" << "5";
    QTest::newRow("repeated key: the last") << QByteArray("[Ramtidy]\nOftenIndex=5\nOftenIndex=6\n") << "OftenIndex" << "6";
    QTest::newRow("other group's key") << QByteArray("[General]\nOftenIndex=5\n[%General]\nOftenIndex=6\n") << "OftenIndex" << QString();
    QTest::newRow("@Rect stays text") << QByteArray("[Ramtidy]\nOftenIndex=\"@Rect(1 2 3 4)\"") << "OftenIndex" << "\"@Rect(1 2 3 4)\"";
    QTest::newRow("@String stays text") << QByteArray("[Ramtidy]\nStartStopState=@String(On)") << "StartStopState" << "@String(On)";
    QTest::newRow("list stays text") << QByteArray("[Ramtidy]\nOftenIndex=\"5\",6 ") << "OftenIndex" << "\"5\",6";
    QTest::newRow("1 MiB") << QByteArray("[Ramtidy]\nx=").leftJustified(1 << 20, '7') << "Minimized" << QString();
    QTest::newRow("1 MiB and a byte") << QByteArray("[Ramtidy]\nx=").leftJustified((1 << 20) + 1, '7') << "Minimized" << "<refused>";
    QTest::newRow("group inside ours") << QByteArray("[Ramtidy/x]\n[Ramtidy]\nOftenIndex=5") << "OftenIndex" << "<refused>";
    QTest::newRow("key naming our group") << QByteArray("Ramtidy\\OftenIndex=5") << "OftenIndex" << "<refused>";
    // clang-format on
}

void TestIniSettingsStore::readsAsQSettings()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QString, read);
    QVERIFY(QDir().mkpath(QFileInfo(m_path).path()) && writeFile(m_path, file));
    QMap<QString, QString> ours;
    try {
        ours = IniSettingsStore(m_path, QStringLiteral("Ramtidy")).readAll();
        QVERIFY(read != u"<refused>");
    } catch (const Failure &e) {
        QCOMPARE(read, QStringLiteral("<refused>"));
        return;
    }
    QCOMPARE(ours.value(key, QString()), read);
    QCOMPARE(ours.contains(key), !read.isNull());
    QSettings qt(m_path, QSettings::IniFormat);
    qt.beginGroup(QStringLiteral("Ramtidy"));
    QCOMPARE(qt.value(key).isValid(), !read.isNull());
    QCOMPARE(qt.childKeys(), ours.keys()); // and every other key
    for (const QString &name : ours.keys()) { // a value QSettings reads as text, the same text
        const QVariant value = qt.value(name);
        QVERIFY(value.typeId() != QMetaType::QString || ours[name].startsWith(u'@') || value.toString() == ours[name]);
    }
}

// A save changes one value, or adds one line, and every other key reads the same.
void TestIniSettingsStore::saveChangesOneValue_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("saved"); // empty: refused, the file as it was
    QTest::newRow("byte-order mark: into its group") << QByteArray("\xef\xbb\xbf[Ramtidy]\r\nOftenIndex=5\r\n") << "Minimized" << QByteArray("\xef\xbb\xbf[Ramtidy]\r\nOftenIndex=5\r\nMinimized=On\r\n");
    QTest::newRow("CR ends") << QByteArray("[Ramtidy]\rOftenIndex=5") << "Minimized" << QByteArray("[Ramtidy]\rOftenIndex=5\rMinimized=On\r");
    QTest::newRow("value ending in a backslash") << QByteArray("[Ramtidy]\nOftenIndex=5\\\n") << "Minimized" << QByteArray("[Ramtidy]\nOftenIndex=5\\\n\nMinimized=On\n");
    QTest::newRow("comment after the value stays") << QByteArray("[Ramtidy]\nOftenIndex = \"5\"  ; the half-hour\n") << "OftenIndex" << QByteArray("[Ramtidy]\nOftenIndex = 9  ; the half-hour\n");
    QTest::newRow("comment after the last key") << QByteArray("[Ramtidy]\nOftenIndex=5;x\n") << "Minimized" << QByteArray("[Ramtidy]\nOftenIndex=5;x\nMinimized=On\n");
    QTest::newRow("escaped key kept") << QByteArray("[Ramtidy]\nWindows%20Startup=Off\n") << "Windows Startup" << QByteArray("[Ramtidy]\nWindows%20Startup=On\n");
    QTest::newRow("repeated key: the last") << QByteArray("[Ramtidy]\nOftenIndex=5\nOftenIndex=6") << "OftenIndex" << QByteArray("[Ramtidy]\nOftenIndex=5\nOftenIndex=9\n");
    QTest::newRow("repeated group: beside the keys") << QByteArray("[Ramtidy]\nOftenIndex=5\n[Other]\n[Ramtidy]\n") << "Minimized" << QByteArray("[Ramtidy]\nOftenIndex=5\nMinimized=On\n[Other]\n[Ramtidy]\n");
    QTest::newRow("after the last key a person reads") << QByteArray("[Ramtidy]\nOftenIndex=5, 6\n#Minimized=Off") << "Minimized" << QByteArray("[Ramtidy]\nOftenIndex=5, 6\nMinimized=On\n#Minimized=Off\n");
    QTest::newRow("no group yet") << QByteArray("x=1") << "Minimized" << QByteArray("x=1\n\n[Ramtidy]\nMinimized=On\n");
    QTest::newRow("empty file") << QByteArray() << "OftenIndex" << QByteArray("[Ramtidy]\nOftenIndex=9\n");
    QTest::newRow("quote left open: group first") << QByteArray("x=\"a\n") << "Minimized" << QByteArray("[Ramtidy]\nMinimized=On\n[General]\nx=\"a\n");
    QTest::newRow("quote left open after a group") << QByteArray("[Other]\nx=\"a") << "Minimized" << QByteArray("[Ramtidy]\nMinimized=On\n[Other]\nx=\"a");
    QTest::newRow("quote left open in ours") << QByteArray("[Ramtidy]\nx=\"a") << "Minimized" << QByteArray("[Ramtidy]\nMinimized=On\nx=\"a");
    QTest::newRow("byte-order mark, quote left open") << QByteArray("\xef\xbb\xbfx=\"a") << "Minimized" << QByteArray("\xef\xbb\xbf[Ramtidy]\nMinimized=On\n[General]\nx=\"a");
    QTest::newRow("nowhere to go: refused") << QByteArray("\xef\xbb\xbf x=\"a") << "Minimized" << QByteArray();
    QTest::newRow("a file not read is not written") << QByteArray("[Ramtidy/x]\n") << "Minimized" << QByteArray();
    // clang-format on
}

void TestIniSettingsStore::saveChangesOneValue()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, key);
    QFETCH(QByteArray, saved);
    QVERIFY(QDir().mkpath(QFileInfo(m_path).path()) && writeFile(m_path, file));
    QMap<QString, QVariant> expected = qtValues(m_path);
    const QString value = key == u"OftenIndex" ? QStringLiteral("9") : QStringLiteral("On");
    try {
        IniSettingsStore(m_path, QStringLiteral("Ramtidy")).write(key, value);
    } catch (const Failure &) {
        QVERIFY(saved.isEmpty());
        QCOMPARE(bytesOf(m_path), file);
        return;
    }
    QCOMPARE(bytesOf(m_path), saved);
    expected.insert(QStringLiteral("Ramtidy/") + key, value);
    QVERIFY(writeFile(m_path + QStringLiteral(".read"), saved)); // QSettings keeps what it read by name
    QCOMPARE(qtValues(m_path + QStringLiteral(".read")), expected);
}

// A save takes away only the copies a killed save left: named after a process that
// is gone, regular files of the user's. The user's backups stay, also beside a
// dotfile the file links to.
void TestIniSettingsStore::copiesBesideTheFile_data()
{
    // clang-format off
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("linked");
    QTest::addColumn<bool>("stays");
    for (const char *own : {".Backup", ".OLD123", ".202401", ".new-draft", ".Xk3pQz", ".new-", ".new-0", ".new-02147483647", ".new-2147483648", ".new-1"})
        QTest::newRow(own) << QString::fromLatin1(own) << false << true;
    QTest::newRow("gone process, largest id") << ".new-2147483647" << false << false;
    QTest::newRow("dotfiles: backup") << ".Backup" << true << true;
    QTest::newRow("dotfiles: gone process") << ".new-2147483647" << true << false;
    QTest::newRow("a link named as a copy") << ".new-2147483647 link" << false << true;
    // clang-format on
}

void TestIniSettingsStore::copiesBesideTheFile()
{
    QFETCH(QString, suffix);
    QFETCH(bool, linked);
    QFETCH(bool, stays);
    QString target = m_path;
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("Corvane"))));
    if (linked) {
        QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("dotfiles"))));
        target = m_dir->filePath(QStringLiteral("dotfiles/ramtidy.ini"));
        QVERIFY(writeFile(target, "[Ramtidy]\n") && QFile::link(target, m_path));
    }
    const QString copy = target + suffix.section(u' ', 0, 0);
    QVERIFY(suffix.endsWith(u"link") ? QFile::link(m_path, copy) : writeFile(copy, "mine"));
    IniSettingsStore(m_path, QStringLiteral("Ramtidy")).write(QStringLiteral("Minimized"), QStringLiteral("On"));
    QCOMPARE(QFileInfo(copy).exists() || QFileInfo(copy).isSymLink(), stays);
    QCOMPARE(QFileInfo(m_path).isSymLink(), linked);
}

// Dotfile links are followed for eight hops, read and written through.
void TestIniSettingsStore::linkChain_data()
{
    QTest::addColumn<int>("links");
    QTest::newRow("8 links") << 8;
    QTest::newRow("9 links: refused") << 9;
}

void TestIniSettingsStore::linkChain()
{
    QFETCH(int, links);
    QVERIFY(QDir().mkpath(QFileInfo(m_path).path())
            && writeFile(m_path + QStringLiteral("0"), "[Ramtidy]\nOftenIndex=5\n"));
    for (int link = 1; link <= links; ++link)
        QVERIFY(
            QFile::link(m_path + QString::number(link - 1), link == links ? m_path : m_path + QString::number(link)));
    IniSettingsStore store(m_path, QStringLiteral("Ramtidy"));
    try {
        store.write(QStringLiteral("Minimized"), QStringLiteral("On"));
        QCOMPARE(store.readAll().value(QStringLiteral("OftenIndex")), QStringLiteral("5"));
        QVERIFY(links <= 8);
    } catch (const Failure &e) {
        QVERIFY2(links > 8 && QByteArray(e.what()).contains("many levels"), e.what());
    }
    QCOMPARE(bytesOf(m_path + QStringLiteral("0")).contains("Minimized=On"), links <= 8);
}

// Where a link leads is the user's to make (a drive not mounted): nothing is made there.
void TestIniSettingsStore::linkToMissingFolder()
{
    QVERIFY(QDir().mkpath(QFileInfo(m_path).path())
            && QFile::link(m_dir->filePath(QStringLiteral("usb/x.ini")), m_path));
    IniSettingsStore store(m_path, QStringLiteral("Ramtidy"));
    QVERIFY_THROWS_EXCEPTION(Failure, store.write(QStringLiteral("Minimized"), QStringLiteral("On")));
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("usb"))));
}

// Two copies that save different keys at the same moment keep both.
void TestIniSettingsStore::twoCopiesKeepBothKeys()
{
    const QString keys[] = {QStringLiteral("OftenIndex"), QStringLiteral("StartStopState")};
    int lost = 0;
    for (int round = 0; round < 20; ++round) {
        QVERIFY(!QFile::exists(m_path) || QFile::remove(m_path));
        int go[2];
        QCOMPARE(::pipe(go), 0);
        pid_t children[2];
        for (int copy = 0; copy < 2; ++copy) {
            children[copy] = ::fork();
            if (children[copy] == 0) { // both start saving when the pipe closes
                char byte;
                ::close(go[1]);
                [[maybe_unused]] const ssize_t n = ::read(go[0], &byte, 1);
                IniSettingsStore store(m_path, QStringLiteral("Ramtidy"));
                store.write(keys[copy], QString::number(round)); // waits while the other copy saves
                ::_exit(store.flush(std::chrono::seconds(5)) ? 0 : 1);
            }
        }
        ::close(go[0]);
        ::close(go[1]);
        for (const pid_t child : children) {
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        const QMap<QString, QString> stored = IniSettingsStore(m_path, QStringLiteral("Ramtidy")).readAll();
        lost += !stored.contains(keys[0]) || !stored.contains(keys[1]);
    }
    QCOMPARE(lost, 0);
}

// The system calls of one save, the second of a run, and of the read at start. A home
// that stalls (NFS, FUSE) stalls the window on each of them. A save opens the folder anew.
void TestIniSettingsStore::saveCalls()
{
    if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty())
        QSKIP("strace is not installed");
    QProcess strace;
    // LeakSanitizer cannot run under ptrace; the hardened pass runs this row too.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    strace.setProcessEnvironment(environment);
    const QString log = m_dir->filePath(QStringLiteral("calls"));
    strace.start(
        QStringLiteral("strace"),
        {"-f", "-qq", "-e", "trace=%file,%desc", "-o", log, QCoreApplication::applicationFilePath(), "--save", m_path});
    QVERIFY(strace.waitForFinished(20000) && strace.exitCode() == 0);
    // Between the marks the child leaves around the read and the second save.
    const QList<QByteArray> lines = bytesOf(log).split('\n');
    QList<int> counts{0, 0};
    int phase = -1;
    for (const QByteArray &line : lines) {
        if (line.contains("ramtidy-mark-"))
            phase = line.contains("ramtidy-mark-read") ? 0 : line.contains("ramtidy-mark-save") ? 1 : -1;
        else if (phase >= 0)
            ++counts[phase];
    }
    QVERIFY2(counts[0] <= 4 && counts[1] <= 12,
             qPrintable(QStringLiteral("read %1, save %2").arg(counts[0]).arg(counts[1])));
}

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--save") == 0) { // the child that saveCalls watches
        IniSettingsStore store(QString::fromLocal8Bit(argv[2]), QStringLiteral("Ramtidy"));
        store.write(QStringLiteral("OftenIndex"), QStringLiteral("3"));
        ::access("/ramtidy-mark-read", F_OK);
        store.readAll();
        ::access("/ramtidy-mark-save", F_OK);
        store.write(QStringLiteral("Minimized"), QStringLiteral("On"));
        ::access("/ramtidy-mark-end", F_OK);
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestIniSettingsStore test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_inisettingsstore.moc"
