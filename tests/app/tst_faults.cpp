// Hostile files and failing disks, on real files, a real second user and real
// mounts. Every case checks what the user is told and that nothing of anyone's
// was changed. An ordinary user runs it as root of a user namespace of its own.
#include "app/GuardedApplication.h"
#include "memory/IntervalSave.h"
#include "platform/Failure.h"
#include "platform/linux/IniSettingsStore.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/ProcMemoryStatus.h"
#include "platform/linux/TerminationSignals.h"
#include "support/doubles/FakePlatform.h"
#include "support/linux/FileFixtures.h"
#include "ui/Form1.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>

#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A row that hangs (an open that blocks, a read without end) fails within seconds,
// named, instead of running into the harness's time-out.
char HungRow[256];
void onHang(int)
{
    const char what[] = "FAIL: this row hung: ";
    [[maybe_unused]] ssize_t n = ::write(2, what, sizeof what - 1);
    n = ::write(2, HungRow, std::strlen(HungRow));
    ::_exit(3);
}

mode_t modeOf(const QString &path)
{
    struct stat info { };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The window on a store over `path`, loaded: the boxes of start-up and of a tick of
// "Minimized" after it, and whether the tick was stored.
struct SettingsWindow {
    explicit SettingsWindow(const QString &path, const QString &temp)
        : store(path, QStringLiteral("Ramtidy"))
    {
        Platform services = platform.services();
        form = std::make_unique<Form1>(Platform{services.memory, services.msgBox, services.shell, services.clock, store,
                                                services.clipboard, services.tray, services.files, services.environment,
                                                services.random, services.process, services.autostart});
        platform.environment.values = {{"TEMP", temp}};
        form->Form_Load();
        for (const auto &box : platform.msgBox.shown)
            steps << box.text.section(QStringLiteral("Form_Load at line "), 1).section(u'\r', 0, 0).toInt();
    }
    QString told(qsizetype box = 0) const { return platform.msgBox.shown.value(box).text; }
    // Ticks "Minimized": whether it stayed ticked.
    bool tick()
    {
        platform.msgBox.shown.clear();
        auto *check8 = form->findChild<QCheckBox *>(QStringLiteral("Check8"));
        check8->setChecked(!check8->isChecked());
        return check8->isChecked();
    }
    int row() const
    {
        const auto *list = form->findChild<QTreeWidget *>(QStringLiteral("ListView1"));
        return list->indexOfTopLevelItem(list->currentItem());
    }

    IniSettingsStore store;
    FakePlatform platform;
    std::unique_ptr<Form1> form;
    QList<int> steps;
};

// Makes the settings file in a folder, beside another user's file; its path.
using Plant = std::function<QString(const QString &folder, const QString &victim)>;

// The longest (ms) the event loop went without serving a 5 ms timer while `work` ran, less the time it was crowded out.
qint64 worstDelay(const std::function<void()> &work)
{
    QElapsedTimer clock;
    qint64 worst = 0, last = 0, lastWait = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        QFile stats(QStringLiteral("/proc/thread-self/schedstat"));
        const qint64 wait = stats.open(QIODevice::ReadOnly) ? stats.readAll().split(' ').value(1).toLongLong() : 0;
        worst = std::max(worst, clock.restart() - (last ? (wait - lastWait) / 1000000 : 0));
        last = 1, lastWait = wait;
    });
    probe.start(5), clock.start();
    QTest::qWait(20), work(), QTest::qWait(120); // a retry or so of a waiting save
    return worst;
}

// A second copy saving OftenIndex = `value`, traced to the entry of its `call`th system call, or its end.
pid_t stoppedCopy(const QString &path, const QString &value, int call, bool &stopped)
{
    const QByteArray exe = QFile::encodeName(QCoreApplication::applicationFilePath()), file = QFile::encodeName(path),
                     text = value.toUtf8();
    const pid_t copy = ::fork(); // the child only calls exec
    if (copy == 0)
        ::_exit(
            ::execl(exe.constData(), exe.constData(), "--save-traced", file.constData(), text.constData(), nullptr));
    int status = 0, signal = 0;
    stopped = ::waitpid(copy, &status, 0) == copy && WIFSTOPPED(status)
        && ::ptrace(PTRACE_SETOPTIONS, copy, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL) == 0;
    for (int entered = 0; stopped && entered < call;) {
        stopped = ::ptrace(PTRACE_SYSCALL, copy, nullptr, signal) == 0 && ::waitpid(copy, &status, 0) == copy
            && WIFSTOPPED(status);
        signal = WSTOPSIG(status) == (SIGTRAP | 0x80) ? 0 : WSTOPSIG(status);
        __ptrace_syscall_info info{};
        entered += signal == 0 && ::ptrace(PTRACE_GET_SYSCALL_INFO, copy, sizeof info, &info) > 0
            && info.op == PTRACE_SYSCALL_INFO_ENTRY;
    }
    return copy;
}

} // namespace

Q_DECLARE_METATYPE(Plant)

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void hostileLog_data();
    void hostileLog();
    void writeCutShort_data();
    void writeCutShort();
    void clearThatFails();
    void settingsFile_data();
    void settingsFile();
    void newCauseIsTold_data();
    void newCauseIsTold();
    void interleavedSaves();
    void hostileMeminfo_data();
    void hostileMeminfo();
    void latin1ProgramFolder();
    void escapedFailure();

private:
    void click(const char *name)
    {
        QTest::mouseClick(m_form->findChild<QWidget *>(QLatin1String(name)), Qt::LeftButton);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_log;
    QString m_victim;
    QByteArray m_victimBytes;
    mode_t m_victimMode = 0;
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<Mount> m_mount; // a row's, unmounted when it ends
};

void TestFaults::init()
{
    std::snprintf(HungRow, sizeof HungRow, "%s(%s)\n", QTest::currentTestFunction(),
                  QTest::currentDataTag() ? QTest::currentDataTag() : "");
    std::signal(SIGALRM, onHang);
    ::alarm(20);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_log = m_dir->filePath(QStringLiteral("Ramtidy.txt"));
    m_victim = plantAnotherUsersFile(m_dir->filePath(QStringLiteral("victim.txt")));
    QVERIFY(!m_victim.isEmpty());
    m_victimBytes = bytesOf(m_victim);
    m_victimMode = modeOf(m_victim);
    m_platform = std::make_unique<FakePlatform>();
    m_platform->environment.values = {{"TEMP", m_dir->path()}};
    m_form = std::make_unique<Form1>(m_platform->services());
    m_form->Form_Load();
    QCOMPARE(Globals::HistoryLogPath, m_log);
}

void TestFaults::cleanup()
{
    ::alarm(0);
    m_mount.reset();
    m_form.reset();
    m_platform.reset();
    m_dir.reset();
}

void TestFaults::hostileLog_data()
{
    // clang-format off
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("planted");
    QTest::addColumn<QString>("told"); // a word of what the user is told; empty for nothing
    QTest::addColumn<QString>("clipboard"); // what the clipboard holds afterwards
    const QString untouched = QStringLiteral("<untouched>");
    QTest::newRow("copy: link to another's file") << "PushButton2" << "link" << "symbolic link" << untouched;
    QTest::newRow("copy: link to /dev/zero") << "PushButton2" << "zero" << "symbolic link" << untouched;
    QTest::newRow("copy: another user's file") << "PushButton2" << "theirs" << "another user" << untouched;
    QTest::newRow("copy: FIFO with no writer") << "PushButton2" << "fifo" << "not a regular" << untouched;
    QTest::newRow("copy: 1 TiB log") << "PushButton2" << "huge" << "bytes" << untouched;
    QTest::newRow("copy: invalid UTF-8") << "PushButton2" << "latin1" << "not UTF-8" << QStringLiteral("caf\uFFFD\r\n");
    QTest::newRow("copy: own log") << "PushButton2" << "own" << "" << QStringLiteral("RAM Memory was freed\r\n");
    QTest::newRow("view: link to another's file") << "PushButton1" << "link" << "symbolic link" << untouched;
    QTest::newRow("view: another user's file") << "PushButton1" << "theirs" << "another user" << untouched;
    QTest::newRow("clear: link in the log's place") << "PushButton12" << "link" << "" << untouched;
    QTest::newRow("copy: dangling link") << "PushButton2" << "dangling" << "symbolic link" << untouched;
    // Refused as root for its owner, as a user by the system: either way named.
    QTest::newRow("free: another user's file") << "PushButton6" << "theirs" << "Ramtidy.txt" << untouched;
    QTest::newRow("free: device in the log's place") << "PushButton6" << "device" << "not a regular" << untouched;
    // clang-format on
}

void TestFaults::hostileLog()
{
    QFETCH(QString, button);
    QFETCH(QString, planted);
    QFETCH(QString, told);
    QFETCH(QString, clipboard);
    const QByteArray log = QFile::encodeName(m_log);
    std::unique_ptr<Mount> theirs;
    if (planted == u"link") {
        QVERIFY(QFile::link(m_victim, m_log));
    } else if (planted == u"zero") {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), m_log));
    } else if (planted == u"theirs" || planted == u"device") {
        QVERIFY(writeFile(m_log, {}));
        theirs = std::make_unique<Mount>(m_log, nullptr, planted == u"device" ? QStringLiteral("/dev/null") : m_victim);
        QVERIFY(theirs->ok());
    } else if (planted == u"dangling") {
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("gone")), m_log));
    } else if (planted == u"fifo") {
        QCOMPARE(::mkfifo(log.constData(), 0600), 0);
    } else if (planted == u"huge") {
        QVERIFY(writeFile(m_log, {}));
        QCOMPARE(::truncate(log.constData(), qint64(1) << 40), 0); // sparse: costs no disk, nor memory
    } else if (planted == u"latin1") {
        QVERIFY(writeFile(m_log, "caf\xe9\r\n"));
    } else {
        QVERIFY(writeFile(m_log, "RAM Memory was freed\r\n"));
    }
    m_platform->msgBox.answer = vbYes;
    click(button.toLatin1().constData()); // a FIFO must not block: the watchdog names a row that hangs

    QStringList texts;
    for (const auto &box : m_platform->msgBox.shown)
        texts << box.text;
    if (button == u"PushButton12")
        texts.removeFirst(); // the question
    QCOMPARE(texts.size(), told.isEmpty() ? 0 : 1);
    if (!told.isEmpty())
        QVERIFY2(texts[0].contains(told), qPrintable(texts[0]));
    QCOMPARE(m_platform->clipboard.text, clipboard);
    QVERIFY(m_platform->shell.opened.isEmpty() || planted == u"own");
    // Whatever the case, the other file is as it was, mode included.
    QCOMPARE(bytesOf(m_victim), m_victimBytes);
    QCOMPARE(modeOf(m_victim), m_victimMode);
    if (button == u"PushButton12")
        QVERIFY(!QFileInfo(m_log).isSymLink() && !QFileInfo::exists(m_log)); // the link itself went
}

void TestFaults::writeCutShort_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("file size limit") << "rlimit";
    QTest::newRow("full file system") << "tmpfs";
    QTest::newRow("read-only folder: the create's own reason") << "read-only";
    QTest::newRow("read-only home: the state folder's own reason") << "read-only home";
}

void TestFaults::writeCutShort()
{
    QFETCH(QString, how);
    QByteArray before = "RAM Memory was freed at 12/6/2026 5:30:12 PM\r\n";
    std::unique_ptr<Mount> mount;
    if (how.startsWith(u"read-only")) {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("ro")));
        mount = std::make_unique<Mount>(m_dir->filePath(QStringLiteral("ro")), "size=8k");
        QVERIFY(mount->ok() && mount->makeReadOnly());
        Globals::HistoryLogPath = m_dir->filePath(QStringLiteral("ro/Ramtidy.txt"));
        m_platform->environment.values = {{"XDG_STATE_HOME", m_dir->filePath(QStringLiteral("ro/state"))}};
        if (how == u"read-only home")
            Globals::HistoryLogPath = IntervalSave::HistoryLogPathFor(m_platform->environment);
        before = "<missing>";
    } else if (how == u"tmpfs") {
        const QString small = m_dir->filePath(QStringLiteral("small"));
        QVERIFY(QDir().mkdir(small));
        mount = std::make_unique<Mount>(small, "size=8k");
        QVERIFY(mount->ok());
        Globals::HistoryLogPath = small + QStringLiteral("/Ramtidy.txt");
        // A log 20 bytes short of a whole page, and no page left for more: the next
        // line fits only in part.
        before = QByteArray(4096 - 20 - 2, 'x') + "\r\n";
        QVERIFY(writeFile(Globals::HistoryLogPath, before));
        QFile filler(small + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) > 0) { }
    } else {
        QVERIFY(writeFile(m_log, before));
    }
    const QString path = Globals::HistoryLogPath;
    struct rlimit old { };
    ::getrlimit(RLIMIT_FSIZE, &old);
    TerminationSignals::prepareProcess(); // as the program starts
    if (how == u"rlimit") {
        const struct rlimit limit = {rlim_t(before.size() + 10), old.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    QTest::mouseClick(m_form->findChild<QWidget *>(QStringLiteral("PushButton6")), Qt::LeftButton);
    ::setrlimit(RLIMIT_FSIZE, &old);

    QCOMPARE(m_platform->msgBox.shown.size(), 1);
    QVERIFY(m_platform->msgBox.shown[0].text.contains(QStringLiteral("FreeMemoryNow at line 106")));
    QVERIFY(!how.startsWith(u"read-only")
            || m_platform->msgBox.shown[0].text.contains(QStringLiteral("Read-only file")));
    // The file still ends on a whole line, so the next line is not glued to a piece.
    QCOMPARE(bytesOf(path), before);
}

void TestFaults::clearThatFails()
{
    const QString folder = m_dir->filePath(QStringLiteral("ro"));
    QVERIFY(QDir().mkdir(folder));
    Mount mount(folder, "size=64k");
    QVERIFY(mount.ok());
    Globals::HistoryLogPath = folder + QStringLiteral("/Ramtidy.txt");
    QVERIFY(writeFile(Globals::HistoryLogPath, "RAM Memory was freed\r\n"));
    QCOMPARE(::chmod(QFile::encodeName(Globals::HistoryLogPath).constData(), 0444), 0);
    QVERIFY(mount.makeReadOnly());
    m_platform->msgBox.answer = vbYes;
    click("PushButton12");
    QCOMPARE(m_platform->msgBox.shown.size(), 2);
    QVERIFY2(m_platform->msgBox.shown[1].text.contains(QStringLiteral("not cleared")),
             qPrintable(m_platform->msgBox.shown[1].text));
    QCOMPARE(bytesOf(Globals::HistoryLogPath), QByteArray("RAM Memory was freed\r\n"));
    QCOMPARE(modeOf(Globals::HistoryLogPath), mode_t(0444));
}

void TestFaults::settingsFile_data()
{
    // clang-format off
    QTest::addColumn<Plant>("plant");
    QTest::addColumn<QList<int>>("boxes"); // steps of start-up that report
    QTest::addColumn<QString>("told"); // in the first box
    QTest::addColumn<QString>("saveTold"); // in the box of a later save; empty for none
    QTest::addColumn<QByteArray>("ends"); // how the file ends after the save; empty: not read
    QTest::addColumn<QStringList>("beside"); // what the save left beside the file
    const auto file = [](const QByteArray &bytes) {
        return Plant([bytes](const QString &d, const QString &) { writeFile(d + "/Ramtidy.conf", bytes); return d + "/Ramtidy.conf"; });
    };
    const auto made = [](auto make) {
        return Plant([make](const QString &d, const QString &v) { make(d + "/Ramtidy.conf", v); return d + "/Ramtidy.conf"; });
    };
    // An unreadable file is told at start, with what to do; a first start's defaults apply; a click is told too.
    const QList<int> once{156}, none{}, index{156, 158};
    QTest::newRow("unreadable") << made([](const QString &p, auto) { QDir().mkdir(p); }) << once << "move the file out of the way" << "could not be saved" << QByteArray() << QStringList();
    QTest::newRow("a file where its folder would be") << Plant([](const QString &, const QString &v) { return v + "/Ramtidy.conf"; }) << once << "Not a directory" << "could not be saved" << QByteArray("<missing>") << QStringList();
    // Lines that are not settings: the value is written, and nothing claims otherwise.
    QTest::newRow("binary garbage") << file(QByteArray("\x00\xff[\x01garbage\n=\xfe\n", 14)) << none << "" << "" << QByteArray("=\xfe\n\n[Ramtidy]\nMinimized=On\n") << QStringList();
    // Refused without a wait, a 1 TiB read, or a write through the link.
    QTest::newRow("FIFO") << made([](const QString &p, auto) { ::mkfifo(QFile::encodeName(p), 0600); }) << once << "not a regular file" << "could not be saved" << QByteArray() << QStringList();
    QTest::newRow("1 TiB") << made([](const QString &p, auto) { writeFile(p, {}), ::truncate(QFile::encodeName(p), qint64(1) << 40); }) << once << "bytes" << "could not be saved" << QByteArray() << QStringList();
    QTest::newRow("link to another's file") << made([](const QString &p, const QString &v) { QFile::link(v, p); }) << once << "belongs to another user" << "could not be saved" << QByteArray() << QStringList();
    // A dotfile manager's link is read and written through; the link, the mode and other groups stay.
    QTest::newRow("stow link") << made([](const QString &p, auto) {
        QDir().mkdir(QFileInfo(p).path() + "/dotfiles");
        writeFile(QFileInfo(p).path() + "/dotfiles/Ramtidy.conf", "# mine\n[Ramtidy]\nOftenIndex=5\nMinimized=Off\nMinimized=Off\nMinimized=Off\n# theirs\n[Other]\nOftenIndex=9\n");
        ::chmod(QFile::encodeName(QFileInfo(p).path() + "/dotfiles/Ramtidy.conf"), 0600), QFile::link("dotfiles/Ramtidy.conf", p);
    }) << none << "" << "" << QByteArray("Minimized=On\n# theirs\n[Other]\nOftenIndex=9\n") << QStringList();
    // Nothing beside the file is opened: a lock in the way blocks nothing, and the
    // copies a killed save left go; a running save's copy and the user's own stay.
    QTest::newRow("FIFO as the lock, leftovers") << made([](const QString &p, auto) {
        ::mkfifo(QFile::encodeName(p) + ".lock", 0600);
        writeFile(p + ".Xk3pQz", "[Ramtidy]\n"), writeFile(p + ".new-999999999", {}), writeFile(p + ".new-1", {}), writeFile(p + ".backup", {});
    }) << none << "" << "" << QByteArray("[Ramtidy]\nMinimized=On\n") << QStringList({"Ramtidy.conf.backup", "Ramtidy.conf.lock", "Ramtidy.conf.new-1", "Ramtidy.conf.Xk3pQz"});
    QTest::newRow("read-only mount: the reason") << Plant([this](const QString &d, auto) {
        QDir().mkdir(d + "/ro");
        m_mount = std::make_unique<Mount>(d + "/ro", "size=8k");
        m_mount->makeReadOnly();
        return d + "/ro/Ramtidy.conf";
    }) << none << "" << "Read-only file system" << QByteArray("<missing>") << QStringList();
    // Stored values are the text as it stands, quoted visibly and briefly.
    QTest::newRow("NUL in the value") << file("[Ramtidy]\nOftenIndex=3\\0junk") << index << "\"3\\0junk\"" << "" << QByteArray("\nMinimized=On\n") << QStringList();
    QTest::newRow("40 characters, all shown") << file("[Ramtidy]\nOftenIndex=" + QByteArray(40, '7')) << index << "\"" + QString(40, u'7') + "\"" << "" << QByteArray("\nMinimized=On\n") << QStringList();
    // A file at its bound is read; a save that would take it past is refused.
    QTest::newRow("a million digits") << file("[Ramtidy]\nOftenIndex=" + QByteArray((1 << 20) - 21, '7')) << index << "7\u2026\"" << "longer than" << QByteArray("777") << QStringList();
    QTest::newRow("read as a list") << file("[Ramtidy]\nOftenIndex=5, 6\n#Minimized=Off") << index << "\"5, 6\"" << "" << QByteArray("\nMinimized=On\n#Minimized=Off\n") << QStringList();
    QTest::newRow("not decoded") << file("[Ramtidy]\nOftenIndex=@Rect(1 2 3 4)") << index << "\"@Rect(1 2 3 4)\"" << "" << QByteArray("\nMinimized=On\n") << QStringList();
    // clang-format on
}

void TestFaults::settingsFile()
{
    QFETCH(Plant, plant);
    QFETCH(QList<int>, boxes);
    QFETCH(QString, told);
    QFETCH(QString, saveTold);
    QFETCH(QByteArray, ends);
    QFETCH(QStringList, beside);
    m_form.reset(); // one window, one tray icon
    const QString path = plant(m_dir->path(), m_victim);
    const bool link = QFileInfo(path).isSymLink();
    const mode_t mode = modeOf(path);
    SettingsWindow window(path, m_dir->path());
    QCOMPARE(window.steps, boxes);
    QVERIFY2(window.told().contains(told), qPrintable(window.told()));
    if (boxes == QList<int>{156}) // as a first start
        QCOMPARE(window.row(), 1);
    const bool stored = boxes != QList<int>{156} && saveTold.isEmpty();
    QMap<QString, QString> values = stored ? window.store.readAll() : QMap<QString, QString>();
    QCOMPARE(window.tick(), stored);
    QCOMPARE(window.platform.msgBox.shown.size(), saveTold.isEmpty() ? 0 : 1);
    QVERIFY(window.told().contains(saveTold));
    if (stored) // the one value, and every other as it was
        QCOMPARE(window.store.readAll(), (values.insert(QStringLiteral("Minimized"), QStringLiteral("On")), values));
    QVERIFY(ends.isEmpty() || bytesOf(path).endsWith(ends)); // a FIFO is never opened
    QCOMPARE(QFileInfo(path).isSymLink(), link);
    QVERIFY(mode == 0 || modeOf(path) == mode); // a file made by the save has the umask's
    QCOMPARE(QDir(m_dir->path()).entryList({QStringLiteral("Ramtidy.conf.*")}, QDir::Files | QDir::System), beside);
    QCOMPARE(bytesOf(m_victim), m_victimBytes);
}

// A click whose save fails is told every time, whatever was told before.
void TestFaults::newCauseIsTold_data()
{
    QTest::addColumn<bool>("becomesFolder");
    QTest::addColumn<QString>("told"); // empty: nothing
    QTest::newRow("same cause") << false << "belongs to another user";
    QTest::newRow("another user's, then a folder") << true << "not a regular file";
}

void TestFaults::newCauseIsTold()
{
    QFETCH(bool, becomesFolder);
    QFETCH(QString, told);
    m_form.reset();
    const QString path = m_dir->filePath(QStringLiteral("Ramtidy.conf"));
    QVERIFY(QFile::link(m_victim, path));
    SettingsWindow window(path, m_dir->path());
    QVERIFY(window.told().contains(QStringLiteral("belongs to another user")));
    QVERIFY(!becomesFolder || (QFile::remove(path) && QDir().mkdir(path)));
    QVERIFY(!window.tick());
    QCOMPARE(window.platform.msgBox.shown.size(), told.isEmpty() ? 0 : 1);
    QVERIFY2(window.told().contains(told), qPrintable(window.told()));
    window.tick(); // the same cause again: a click is answered again
    QCOMPARE(window.platform.msgBox.shown.size(), 1);
    QCOMPARE(bytesOf(m_victim), m_victimBytes);
}

// Two copies' saves in every interleaving: a second copy stopped before each system call of its save while the
// window saves. Both keys stay, as QSettings reads them, and the event loop is never held up. A save kept waiting
// is told after seconds, and again when closing cannot save it. A save goes where the path leads: link, move.
void TestFaults::interleavedSaves()
{
    ::alarm(90); // some thirty interleavings, each a second copy started anew
    m_form.reset();
    // On a tmpfs: what is measured is the lock, not the disk's flush.
    const QString folder = m_dir->filePath(QStringLiteral("tmpfs")), path = folder + "/Corvane/Ramtidy.conf";
    m_mount = std::make_unique<Mount>((QDir().mkdir(folder), folder), "size=1m");
    QVERIFY(m_mount->ok() && QDir(folder).mkpath("dotfiles") && QDir(folder).mkpath("Corvane")
            && QFile::link(folder + "/dotfiles/a.ini", path)); // a dotfile manager's link
    SettingsWindow window(path, m_dir->path());
    auto *onOff = window.form->findChild<QPushButton *>(QStringLiteral("PushButton5"));
    const auto clicked = [&] { return onOff->text().contains(u"Off") ? "On" : "Off"; };
    const auto stored = [&](const char *key) { return QSettings(path, QSettings::IniFormat).value(key); };
    bool stopped = true;
    int call = 1, held = 0; // held: a call the second copy holds the lock at
    for (; stopped; ++call) {
        const QString index = QString::number(call % 11 + 1);
        const pid_t copy = stoppedCopy(path, index, call, stopped);
        const auto click = [&] { QTest::mouseClick(onOff, Qt::LeftButton); };
        const qint64 delay = std::min(worstDelay(click), worstDelay(click)); // a lock waits for both; noise, one
        held = window.store.waitingKeys().isEmpty() ? held : call;
        QVERIFY(!stopped || (::ptrace(PTRACE_DETACH, copy, nullptr, 0) == 0 && ::waitpid(copy, nullptr, 0) == copy));
        QTRY_VERIFY(window.store.waitingKeys().isEmpty());
        QVERIFY2(delay < 50 && stored("Ramtidy/OftenIndex") == index && stored("Ramtidy/StartStopState") == clicked(),
                 qPrintable(QStringLiteral("stopped at call %1, the window waited %2 ms").arg(call).arg(delay)));
    }
    QVERIFY(call > 10 && held > 0 && window.platform.msgBox.shown.isEmpty());
    const pid_t copy = stoppedCopy(path, QStringLiteral("1"), held, stopped);
    window.platform.clock.time = QDateTime(QDate(2026, 12, 6), QTime(17, 30, 12));
    QTest::mouseClick(onOff, Qt::LeftButton);
    window.platform.clock.time = window.platform.clock.time.addSecs(3);
    QTest::qWait(300);
    window.form->Form_Unload();
    QVERIFY(stopped && ::ptrace(PTRACE_DETACH, copy, nullptr, 0) == 0 && ::waitpid(copy, nullptr, 0) == copy);
    QVERIFY(window.told(0).contains(u"not saved yet") && window.told(1).contains(u"could not be saved"));
    QTRY_VERIFY(window.store.waitingKeys().isEmpty()); // nothing was dropped
    const QByteArray before = bytesOf(folder + "/dotfiles/a.ini");
    QVERIFY(QFile::remove(path) && QFile::link(folder + "/dotfiles/b.ini", path));
    onOff->click();
    QCOMPARE(stored("Ramtidy/StartStopState"), clicked());
    QVERIFY(QDir(folder).rename("Corvane", "Corvane.old"));
    onOff->click();
    QCOMPARE(stored("Ramtidy/StartStopState"), clicked());
    QVERIFY(bytesOf(folder + "/dotfiles/a.ini") == before && !bytesOf(folder + "/dotfiles/b.ini").contains(clicked()));
}

// The memory figures of a file that is not the system's: silent zeros, at once, as
// for an unreadable file.
void TestFaults::hostileMeminfo_data()
{
    QTest::addColumn<bool>("fifo");
    QTest::newRow("meminfo: FIFO") << true;
    QTest::newRow("meminfo of another user") << false;
}

void TestFaults::hostileMeminfo()
{
    QFETCH(bool, fifo);
    const QByteArray scratch = QFile::encodeName(m_dir->path());
    QByteArray path = scratch + "/fifo";
    if (fifo) {
        QCOMPARE(::mkfifo(path, 0600), 0);
    } else if (m_victim == u"/etc/passwd") { // in a user namespace the real file is another user's
        path = "/proc/meminfo";
    } else { // root's copy of the real figures, given away
        path = scratch + "/meminfo";
        QVERIFY(writeFile(QString::fromUtf8(path), bytesOf(QStringLiteral("/proc/meminfo"))));
        QCOMPARE(::chown(path, Nobody, Nobody), 0);
    }
    MEMORYSTATUS status{0, 1, 1};
    ProcMemoryStatus(path.toStdString()).GlobalMemoryStatus(status); // returns at once
    QCOMPARE(status.dwTotalPhys, 0u);
    QCOMPARE(bytesOf(m_victim), m_victimBytes);
}

void TestFaults::latin1ProgramFolder()
{
    const QByteArray scratch = QFile::encodeName(m_dir->path());
    QVERIFY(QFile::copy(qEnvironmentVariable("RAMTIDY_CURSOR"), m_dir->filePath(QStringLiteral("cursor"))));
    const QByteArray latin1 = scratch + "/caf\xe9";
    QCOMPARE(::mkdir(latin1, 0700) | ::rename(scratch + "/cursor", latin1 + "/HAND-M.CUR"), 0);
    const auto tidy = qScopeGuard([&] { ::unlink(latin1 + "/HAND-M.CUR"), ::rmdir(latin1); });
    m_platform->process.folder = PosixFileSystem::decodePath(latin1);
    m_form = std::make_unique<Form1>(m_platform->services());
    m_form->Form_Load();
    m_form->setMousePointer(Form1::vbCustom);
    QCOMPARE(m_form->cursor().shape(), Qt::BitmapCursor); // found where it is
    m_form->findChild<QCheckBox *>(QStringLiteral("Check4"))->setChecked(true); // no entry can name the path
    QCOMPARE(m_platform->msgBox.shown.size(), 1);
    QVERIFY(!m_platform->settings.values.contains(QStringLiteral("Windows Startup"))); // a refused tick stores nothing
    QCOMPARE(bytesOf(m_victim), m_victimBytes);
}

// A handler that lets a failure through: the error box at the event loop, and the
// program goes on.
void TestFaults::escapedFailure()
{
    auto *app = static_cast<GuardedApplication *>(QCoreApplication::instance());
    app->setMessageBoxes(&m_platform->msgBox);
    QTimer thrower;
    thrower.setObjectName(QStringLiteral("Thrower"));
    thrower.setSingleShot(true);
    connect(&thrower, &QTimer::timeout, [] { throw Failure(QStringLiteral("Escaped.")); });
    thrower.start(0);
    QTRY_COMPARE(m_platform->msgBox.shown.size(), 1);
    app->setMessageBoxes(nullptr);
    QVERIFY(m_platform->msgBox.shown[0].text.startsWith(u"Escaped.\r\nin Memvane2021/08/31.Thrower at line 0"));
}

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--save-traced") == 0) { // the second copy of interleavedSaves
        IniSettingsStore store(QFile::decodeName(argv[2]), QStringLiteral("Ramtidy"));
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0 && ::raise(SIGSTOP) == 0)
            store.write(QStringLiteral("OftenIndex"), QString::fromUtf8(argv[3]));
        ::_exit(store.flush(std::chrono::seconds(5)) ? 0 : 1);
    }
    becomeNamespaceRoot(); // before any thread starts
    GuardedApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestFaults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_faults.moc"
