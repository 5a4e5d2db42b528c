#include "platform/Failure.h"
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
    void openerThatFailsIsReported_data();
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

void TestDesktopShell::openerThatFailsIsReported_data()
{
    QTest::addColumn<QByteArray>("status"); // as xdg-open ends
    QTest::addColumn<QString>("expected");
    QTest::newRow("no working program") << QByteArray("4")
                                        << "Install a text editor, or choose the one to use with "
                                           "the command \"xdg-mime default <editor>.desktop text/plain\".";
    QTest::newRow("another failure") << QByteArray("1") << "(exit status 1).";
}

void TestDesktopShell::openerThatFailsIsReported()
{
    QFETCH(QByteArray, status);
    QFETCH(QString, expected);
    QFile script(m_opener);
    QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
    script.write("#!/bin/sh\nexit " + status + "\n");
    script.close();
    DesktopShell shell(m_opener);
    QString told;
    shell.openTextFile(QStringLiteral("/tmp/100%2 x.txt"), [&](const QString &why) { told = why; });
    QTRY_VERIFY(!told.isEmpty());
    QVERIFY2(told.contains(expected) && told.contains(QStringLiteral("\"/tmp/100%2 x.txt\" (")), qPrintable(told));
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
}

// The user's entry (a link into a dotfiles folder) and the machine-wide one, before and after
// a click; "ours" and "opt-out" stand for what the program writes, @ for the program.
void TestDesktopShell::autostartEntries_data()
{
    // clang-format off
    QTest::addColumn<bool>("tick");
    QTest::addColumn<QByteArrayList>("before");
    QTest::addColumn<QByteArrayList>("after");
    const QByteArray none, ours = "ours";
    const QByteArray own = "# mine\n[Desktop Entry]\nName=Tidy\nName[de]=Aufr\xc3\xa4umen\nType=Application\n"
                           "Exec=\"@\" --quiet %U\nX-GNOME-Autostart-Delay=30\nOnlyShowIn=XFCE;GNOME;\n\n[A]\nExec=b\nTryExec=/nonexistent\n";
    const QByteArray hidden = QByteArray(own).replace(";\n\n", ";\nHidden=true\n\n");
    QTest::newRow("tick: our opt-out goes") << true << QByteArrayList{"opt-out", ours} << QByteArrayList{none, ours};
    QTest::newRow("untick: ours goes") << false << QByteArrayList{ours, none} << QByteArrayList{none, none};
    QTest::newRow("untick: the user's own hidden") << false << QByteArrayList{own, ours} << QByteArrayList{hidden, none};
    QTest::newRow("tick: the user's own shown") << true << QByteArrayList{hidden, none} << QByteArrayList{own, none};
    QTest::newRow("tick: the user's own, program moved") << true << QByteArrayList{QByteArray(own).replace("\"@\"", "/opt/old/ramtidy"), none} << QByteArrayList{own, none};
    // clang-format on
}

void TestDesktopShell::autostartEntries()
{
    QFETCH(bool, tick);
    QFETCH(QByteArrayList, before);
    QFETCH(QByteArrayList, after);
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
    const QStringList paths{autostart.userFolder() + QStringLiteral("/ramtidy.desktop"),
                            autostart.machineFolder() + QStringLiteral("/ramtidy.desktop")};
    const QString dotfile = m_dir->filePath(QStringLiteral("dotfiles.desktop"));
    QVERIFY(QDir().mkpath(autostart.userFolder()) && QDir().mkpath(autostart.machineFolder()));
    QVERIFY(QFile::link(dotfile, paths[0]));
    files.replace(dotfile, text(before[0]));
    if (!before[1].isEmpty())
        files.replace(paths[1], text(before[1]));
    tick ? autostart.writeEntry(QStringLiteral("ramtidy"), m_opener) : autostart.removeEntry(QStringLiteral("ramtidy"));
    for (int i : {0, 1})
        QCOMPARE(files.readOwnConfig(paths[i], 1 << 16).value_or(QByteArray()), text(after[i]));
    QCOMPARE(QFileInfo(paths[0]).isSymLink(), !after[0].isEmpty()); // written through, not replaced
    QCOMPARE(autostart.startsAtLogon(QStringLiteral("ramtidy"), m_opener), tick);
}

QTEST_GUILESS_MAIN(TestDesktopShell)
#include "tst_desktopshell.moc"
