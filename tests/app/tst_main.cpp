#include "app/Main.h"
#include "platform/linux/PosixFileSystem.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestMain : public QObject {
    Q_OBJECT

private slots:
    void formatSeconds_data();
    void formatSeconds();
    void makeAppTitle_data();
    void makeAppTitle();
    void dropLastWord_data();
    void dropLastWord();
    void stripFileNameChars_data();
    void stripFileNameChars();
    void deleteFileForced();
};

void TestMain::formatSeconds_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << "00:00:00";
    QTest::newRow("59") << 59 << "00:00:59";
    QTest::newRow("3661") << 3661 << "01:01:01";
    QTest::newRow("last second of a day") << 86399 << "23:59:59";
    QTest::newRow("whole day dropped") << 86400 << "00:00:00";
    QTest::newRow("day and more") << 90061 << "01:01:01";
    QTest::newRow("negative by magnitude") << -61 << "00:01:01";
    QTest::newRow("10 minutes less one") << 599 << "00:09:59";
    QTest::newRow("largest") << 2147483647 << "03:14:07";
    QTest::newRow("smallest, no overflow") << (-2147483647 - 1) << "03:14:08";
}

void TestMain::formatSeconds()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(Main::FormatSeconds(seconds), text);
}

void TestMain::makeAppTitle_data()
{
    // clang-format off
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::newRow("no space: the name itself") << "Ramtidy" << "Ramtidy";
    QTest::newRow("short name still loses its last word") << "Ramtidy Memory Tool" << "Ramtidy Memory";
    const QString forty = QStringLiteral("Aaaaaaa Bbbbbbb Ccccccc Ddddddd Eeeeeeee");
    QVERIFY(forty.size() == 40);
    QTest::newRow("40 characters, five words") << forty << "Aaaaaaa Bbbbbbb Ccccccc Ddddddd";
    // 44 characters before the last space, so the next word goes too.
    const QString fifty = QStringLiteral("Aaaaaaaaa Bbbbbbbbb Cccccccccc Ddddddddd Xxx Fffff");
    QVERIFY(fifty.size() == 50);
    QTest::newRow("50 characters cut twice") << fifty << "Aaaaaaaaa Bbbbbbbbb Cccccccccc Ddddddddd";
    QTest::newRow("long word left with no space to cut") << QString(45, u'x') + " tail" << QString(45, u'x');
    // clang-format on
}

void TestMain::makeAppTitle()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QCOMPARE(Main::MakeAppTitle(name), title);
}

void TestMain::dropLastWord_data()
{
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("result");
    QTest::newRow("no space") << "Ramtidy" << "Software" << "Ramtidy";
    QTest::newRow("last word matches") << "Ramtidy Software" << "Software" << "Ramtidy";
    QTest::newRow("case-sensitive") << "Ramtidy software" << "Software" << "Ramtidy software";
    QTest::newRow("space after the word") << "Ramtidy Software " << "Software" << "Ramtidy Software ";
    QTest::newRow("empty word drops any last word") << "Ramtidy Memory" << "" << "Ramtidy";
    QTest::newRow("blanks trimmed") << "  Ramtidy   Software" << "Software" << "Ramtidy";
    QTest::newRow("other last word") << "Ramtidy Tools" << "Software" << "Ramtidy Tools";
    // clang-format on
}

void TestMain::dropLastWord()
{
    QFETCH(QString, text);
    QFETCH(QString, word);
    QFETCH(QString, result);
    QCOMPARE(Main::DropLastWord(text, word), result);
}

void TestMain::stripFileNameChars_data()
{
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    QTest::newRow("example") << "A (b) c-d.e" << "Abcde";
    QTest::newRow("all 25 removed") << " \t$/\\*:?<>|#'.,\"()-+=%;{}" << "";
    QTest::newRow("others kept in order") << "a_1~!@^&[]`é" << "a_1~!@^&[]`é";
    QTest::newRow("product name") << "Ramtidy" << "Ramtidy";
    // clang-format on
}

void TestMain::stripFileNameChars()
{
    QFETCH(QString, text);
    QFETCH(QString, result);
    QCOMPARE(Main::StripFileNameChars(text), result);
}

void TestMain::deleteFileForced()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    PosixFileSystem files;
    QCOMPARE(Main::DeleteFileForced(files, path), QString()); // missing: nothing happens

    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();
    QVERIFY(file.setPermissions(QFileDevice::ReadOwner));
    QCOMPARE(Main::DeleteFileForced(files, path), QString());
    QVERIFY(!QFile::exists(path));
}

QTEST_APPLESS_MAIN(TestMain)
#include "tst_main.moc"
