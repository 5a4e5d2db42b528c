#include "app/Globals.h"
#include "support/doubles/FakePlatform.h"
#include "ui/Form1.h"

#include <QDir>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestHistoryButtons : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void freeNowDuringCountdown();
    void freeNowThatFails();
    void view();
    void copy();
    void copyUnreadableLogLeavesClipboard();
    void clear_data();
    void clear();
    void clearedLogStartsAfresh();

private:
    void click(const char *name)
    {
        QTest::mouseClick(m_form->findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
    }
    void writeLog(const QByteArray &bytes);
    QString status() const { return m_form->findChild<QGroupBox *>(QStringLiteral("Frame2"))->title(); }

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<Form1> m_form;
};

void TestHistoryButtons::init()
{
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    m_temp = std::make_unique<QTemporaryDir>();
    qputenv("TEMP", m_temp->path().toUtf8());
    m_platform = std::make_unique<FakePlatform>();
    m_platform->clock.time = QDateTime(QDate(2026, 12, 6), QTime(17, 30, 12));
    m_form = std::make_unique<Form1>(m_platform->services());
    m_form->findChild<QTimer *>(QStringLiteral("Timer2"))->stop();
    m_form->Form_Load();
}

void TestHistoryButtons::cleanup()
{
    m_form.reset();
}

void TestHistoryButtons::writeLog(const QByteArray &bytes)
{
    QFile file(Globals::HistoryLogPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void TestHistoryButtons::freeNowDuringCountdown()
{
    for (int i = 0; i < 10; ++i)
        m_form->Timer1_Timer();
    const QString countdown = status();
    QList<int> pointers;
    QStringList captions;
    m_platform->memory.onQuery = [&] {
        pointers << m_form->mousePointer();
        captions << status();
    };
    click("PushButton6");
    QCOMPARE(pointers, QList<int>{Form1::vbHourglass});
    QCOMPARE(captions, QStringList{QStringLiteral("Freeing Memory...")});
    QCOMPARE(m_form->mousePointer(), Form1::vbDefault);
    QCOMPARE(status(), countdown);
    auto *bar = m_form->findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->text(), QStringLiteral("Progress Bar"));
    QCOMPARE(m_form->autoFreeCounter(), 10); // the countdown goes on from where it was

    QFile log(Globals::HistoryLogPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("RAM Memory was freed at 12/6/2026 5:30:12 PM\r\n"));
    m_form->Timer1_Timer();
    QCOMPARE(bar->value(), 11);
}

void TestHistoryButtons::freeNowThatFails()
{
    Globals::HistoryLogPath = m_temp->filePath(QStringLiteral("missing/Ramtidy.txt"));
    click("PushButton6");
    QCOMPARE(m_platform->msgBox.shown.size(), 1);
    QVERIFY(m_platform->msgBox.shown[0].text.contains(QStringLiteral("IntervalSave.FreeMemoryNow at line 106")));
    QCOMPARE(m_form->mousePointer(), Form1::vbDefault);
    QCOMPARE(status(), QStringLiteral("Next free will occur in"));
}

void TestHistoryButtons::view()
{
    click("PushButton1");
    QCOMPARE(m_platform->msgBox.shown.size(), 1);
    QCOMPARE(m_platform->msgBox.shown[0].text,
             QStringLiteral("There isn't a history to view because actions have not been performed yet."));
    QCOMPARE(m_platform->msgBox.shown[0].style, 0);
    QCOMPARE(m_platform->msgBox.shown[0].title, Globals::AppTitle);
    QVERIFY(m_platform->shell.opened.isEmpty());

    writeLog("line\r\n");
    click("PushButton1");
    QCOMPARE(m_platform->shell.opened, QStringList{QStringLiteral("file:") + Globals::HistoryLogPath});

    m_platform->shell.fail = true;
    click("PushButton1");
    QCOMPARE(m_platform->msgBox.shown.size(), 2);
    QVERIFY(m_platform->msgBox.shown[1].text.contains(QStringLiteral("Form1.PushButton1_Click at line 102")));
}

void TestHistoryButtons::copy()
{
    click("PushButton2");
    QCOMPARE(m_platform->clipboard.sets, 0);
    QVERIFY(m_platform->msgBox.shown.isEmpty());

    writeLog("RAM Memory was freed at 06.12.2026 17:30:12\r\nGr\xc3\xbc\xc3\x9f\x65\r\n");
    click("PushButton2");
    QCOMPARE(m_platform->clipboard.text, QStringLiteral("RAM Memory was freed at 06.12.2026 17:30:12\r\nGrüße\r\n"));
    QVERIFY(m_platform->msgBox.shown.isEmpty());
}

void TestHistoryButtons::copyUnreadableLogLeavesClipboard()
{
    QVERIFY(QDir().mkdir(Globals::HistoryLogPath)); // exists, but is no file to read
    click("PushButton2");
    QCOMPARE(m_platform->msgBox.shown.size(), 1);
    QVERIFY(m_platform->msgBox.shown[0].text.contains(QStringLiteral("Form1.PushButton2_Click at line 102")));
    QCOMPARE(m_platform->clipboard.sets, 0);
}

void TestHistoryButtons::clear_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("remains");
    QTest::newRow("no keeps the log") << true << int(vbNo) << true;
    QTest::newRow("yes deletes it") << true << int(vbYes) << false;
    QTest::newRow("yes without a log") << false << int(vbYes) << false;
}

void TestHistoryButtons::clear()
{
    QFETCH(bool, exists);
    QFETCH(int, answer);
    QFETCH(bool, remains);
    if (exists)
        writeLog("line\r\n");
    m_platform->msgBox.answer = answer;
    click("PushButton12");
    QCOMPARE(m_platform->msgBox.shown.size(), 1); // the question, nothing after it
    QCOMPARE(m_platform->msgBox.shown[0].text,
             QStringLiteral("Are you sure you want to delete the history log and start over?"));
    QCOMPARE(m_platform->msgBox.shown[0].style, 4);
    QCOMPARE(QFile::exists(Globals::HistoryLogPath), remains);
}

void TestHistoryButtons::clearedLogStartsAfresh()
{
    writeLog("old\r\nolder\r\n");
    m_platform->msgBox.answer = vbYes;
    click("PushButton12");
    click("PushButton6");
    QFile log(Globals::HistoryLogPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("RAM Memory was freed at 12/6/2026 5:30:12 PM\r\n"));
}

QTEST_MAIN(TestHistoryButtons)
#include "tst_historybuttons.moc"
