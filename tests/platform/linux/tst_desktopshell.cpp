#include "platform/Failure.h"
#include "platform/linux/DesktopShell.h"

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

QTEST_GUILESS_MAIN(TestDesktopShell)
#include "tst_desktopshell.moc"
