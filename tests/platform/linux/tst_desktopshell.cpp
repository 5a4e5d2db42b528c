#include "platform/Failure.h"
#include "platform/linux/DesktopEntry.h"
#include "platform/linux/DesktopShell.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/XdgAutostart.h"
#include "support/doubles/FakeEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The real launcher, with a recording script standing in for the desktop's opener.
class TestDesktopShell : public QObject {
    Q_OBJECT

private slots:
    void init();
    void passesOneArgumentWithoutShell_data();
    void passesOneArgumentWithoutShell();
    void missingOpenerFails();
    void openerThatFailsIsReported();
    void autostartExec_data();
    void autostartExec();
    void autostartEntries_data();
    void autostartEntries();

private:
    QString recorded();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_opener;
};

void TestDesktopShell::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_opener = m_dir->filePath(QStringLiteral("opener"));
    QFile script(m_opener);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"$0.args.tmp\" && mv \"$0.args.tmp\" \"$0.args\"\n");
    script.close();
    QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
}

QString TestDesktopShell::recorded()
{
    QFile args(m_opener + QStringLiteral(".args"));
    if (!QTest::qWaitFor([&] { return args.exists(); }, 10000))
        return QStringLiteral("<opener never ran>");
    if (!args.open(QIODevice::ReadOnly))
        return QStringLiteral("<unreadable>");
    return QString::fromUtf8(args.readAll());
}

void TestDesktopShell::passesOneArgumentWithoutShell_data()
{
    QTest::addColumn<bool>("url");
    QTest::addColumn<QString>("argument");
    QTest::newRow("url") << true << "https://corvane.example/ramtidy";
    QTest::newRow("path with blanks") << false << "/tmp/My Logs/Ramtidy.txt";
    QTest::newRow("shell syntax stays text") << false << "/tmp/a\"; touch pwned; echo \"$(id)`x`.txt";
}

void TestDesktopShell::passesOneArgumentWithoutShell()
{
    QFETCH(bool, url);
    QFETCH(QString, argument);
    DesktopShell shell(m_opener);
    if (url)
        shell.openUrl(argument, {});
    else
        shell.openTextFile(argument, {});
    QCOMPARE(recorded(), QStringLiteral("1|") + argument);
    QVERIFY(!QFile::exists(QStringLiteral("pwned")));
}

void TestDesktopShell::missingOpenerFails()
{
    DesktopShell shell(m_dir->filePath(QStringLiteral("no-such-opener")));
    QVERIFY_THROWS_EXCEPTION(Failure, shell.openTextFile(QStringLiteral("/tmp/x.txt"), {}));
}

void TestDesktopShell::openerThatFailsIsReported()
{
    // As xdg-open does when no program handles the file.
    QFile script(m_opener);
    QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
    script.write("#!/bin/sh\nexit 3\n");
    script.close();
    DesktopShell shell(m_opener);
    QString told;
    shell.openTextFile(QStringLiteral("/tmp/x.txt"), [&](const QString &why) { told = why; });
    QTRY_VERIFY(!told.isEmpty());
    QVERIFY2(told.contains(QStringLiteral("exit status 3")), qPrintable(told));
}

void TestDesktopShell::autostartExec_data()
{
    // clang-format off
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << "/usr/lib/ramtidy/ramtidy" << "\"/usr/lib/ramtidy/ramtidy\"";
    QTest::newRow("blanks") << "/opt/my tools/ramtidy" << "\"/opt/my tools/ramtidy\"";
    QTest::newRow("quote, dollar, backtick") << "/o/\"$(x)`y`/r" << "\"/o/\\\\\"\\\\$(x)\\\\`y\\\\`/r\"";
    QTest::newRow("backslash") << "/o/a\\b/r" << "\"/o/a\\\\\\\\b/r\"";
    QTest::newRow("percent") << "/o/100%/r" << "\"/o/100%%/r\"";
    // clang-format on
}

void TestDesktopShell::autostartExec()
{
    QFETCH(QString, path);
    QFETCH(QString, exec);
    QCOMPARE(XdgAutostart::execArgument(path), exec);
    const QByteArray entry = "[Desktop Entry]\nExec=" + exec.toUtf8() + " --x\n";
    QCOMPARE(DesktopEntry::program(*DesktopEntry(entry).value(QStringLiteral("Exec"))), path); // read back
}

// The user's and the machine-wide folder (writable here) before and after a click;
// "ours" and "opt-out" stand for what the program writes, @ for the program.
void TestDesktopShell::autostartEntries_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("machine");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<QByteArray>("userAfter");
    QTest::addColumn<QByteArray>("machineAfter");
    QTest::addColumn<bool>("linked"); // the user's entry a link into a dotfiles folder
    const QByteArray none, ours = "ours";
    const QByteArray own = "# mine\n[Desktop Entry]\nName=Tidy\nName[de]=Aufr\xc3\xa4umen\nType=Application\n"
                           "Exec=\"@\" --quiet %U\nX-GNOME-Autostart-Delay=30\nOnlyShowIn=XFCE;GNOME;\n\n[A]\nExec=b\n";
    const QByteArray hidden = QByteArray(own).replace(";\n\n", ";\nHidden=true\n\n");
    const QByteArray moved = QByteArray(own).replace("\"@\"", "/opt/old/ramtidy");
    QTest::newRow("tick: machine-wide") << none << none << true << none << ours << false;
    QTest::newRow("tick: our opt-out goes") << QByteArray("opt-out") << ours << true << none << ours << false;
    QTest::newRow("untick: ours goes") << ours << ours << false << none << none << false;
    QTest::newRow("untick: the user's own hidden") << own << ours << false << hidden << none << false;
    QTest::newRow("tick: the user's own shown") << hidden << none << true << own << none << false;
    QTest::newRow("tick: the user's own, program moved") << moved << none << true << own << none << false;
    QTest::newRow("tick: through a dotfiles link") << hidden << none << true << own << none << true;
    QTest::newRow("untick: through a dotfiles link") << own << none << false << hidden << none << true;
    // clang-format on
}

void TestDesktopShell::autostartEntries()
{
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, machine);
    QFETCH(bool, tick);
    QFETCH(QByteArray, userAfter);
    QFETCH(QByteArray, machineAfter);
    QFETCH(bool, linked);
    FakeEnvironment environment;
    environment.values = {{"XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("home"))},
                          {"XDG_CONFIG_DIRS", m_dir->filePath(QStringLiteral("xdg"))}};
    PosixFileSystem files;
    XdgAutostart autostart(environment, files, QStringLiteral("Ramtidy"), QStringLiteral("ramtidy"));
    const auto text = [&](QByteArray bytes) {
        return bytes == "ours"   ? autostart.entryText(m_opener).toUtf8()
            : bytes == "opt-out" ? autostart.hiddenEntryText().toUtf8()
                                 : bytes.replace('@', m_opener.toUtf8());
    };
    const QString userEntry = autostart.userFolder() + QStringLiteral("/ramtidy.desktop");
    const QString target = linked ? m_dir->filePath(QStringLiteral("dotfiles.desktop")) : userEntry;
    const QString machineEntry = autostart.machineFolder() + QStringLiteral("/ramtidy.desktop");
    QVERIFY(QDir().mkpath(autostart.userFolder()) && QDir().mkpath(autostart.machineFolder()));
    QVERIFY(!linked || QFile::link(target, userEntry));
    for (const auto &[path, bytes] : {std::pair{target, user}, std::pair{machineEntry, machine}}) {
        QFile file(path);
        QVERIFY(bytes.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(text(bytes)) == text(bytes).size()));
    }
    tick ? autostart.writeEntry(QStringLiteral("ramtidy"), m_opener) : autostart.removeEntry(QStringLiteral("ramtidy"));
    for (const auto &[path, bytes] : {std::pair{target, userAfter}, std::pair{machineEntry, machineAfter}}) {
        QFile file(path);
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), text(bytes));
    }
    QCOMPARE(QFileInfo(userEntry).isSymLink(), linked);
    QCOMPARE(autostart.startsAtLogon(QStringLiteral("ramtidy"), m_opener), tick);
}

QTEST_GUILESS_MAIN(TestDesktopShell)
#include "tst_desktopshell.moc"
