#include "app/ErrorTrap.h"
#include "app/Globals.h"
#include "platform/Failure.h"
#include "support/doubles/FakeMessageBox.h"

#include <QTest>

class TestErrorTrap : public QObject {
    Q_OBJECT

private slots:
    void boxTextAndStyle();
    void resumesWithNextStatement();
    void failingTestEntersFirstBranch();
    void stepNumberBeforeFirstStep();
};

void TestErrorTrap::boxTextAndStyle()
{
    FakeMessageBox box;
    ErrorTrap trap(QStringLiteral("in Memvane2021/08/31.Form1.Form_Load "), box);
    trap.step(158, [] { throw Failure(QStringLiteral("Invalid property value")); });
    QCOMPARE(box.shown.size(), 1);
    QCOMPARE(box.shown[0].text,
             QStringLiteral("Invalid property value\r\nin Memvane2021/08/31.Form1.Form_Load at line 158\r\r"
                            "Please email screenshot of this message to ")
                 + Globals::SupportEmail);
    QCOMPARE(box.shown[0].style, int(vbExclamation));
    QCOMPARE(box.shown[0].title, QStringLiteral("Application Error"));
}

void TestErrorTrap::resumesWithNextStatement()
{
    FakeMessageBox box;
    ErrorTrap trap(QStringLiteral("in Memvane2021/08/31.Form1.Timer1 "), box);
    QStringList ran;
    trap.step(100, [&] { ran << "100"; });
    trap.step(102, [&] {
        throw Failure(QStringLiteral("first"));
        ran << "102 after throw";
    });
    trap.step(104, [&] { ran << "104"; });
    trap.step(106, [&] { throw std::runtime_error("second"); });
    trap.step(108, [&] { ran << "108"; });
    QCOMPARE(ran, QStringList({"100", "104", "108"}));
    QCOMPARE(box.shown.size(), 2); // one box per failing step, the handler stays armed
    QVERIFY(box.shown[0].text.startsWith("first\r\n"));
    QVERIFY(box.shown[0].text.contains("at line 102\r\r"));
    QVERIFY(box.shown[1].text.contains("at line 106\r\r"));
    QCOMPARE(trap.StepNumber(), 108);
}

void TestErrorTrap::failingTestEntersFirstBranch()
{
    FakeMessageBox box;
    ErrorTrap trap(QStringLiteral("in Memvane2021/08/31.Form1.Form_Load "), box);
    QVERIFY(trap.test(162, []() -> bool { throw Failure(QStringLiteral("bad")); }));
    QVERIFY(box.shown[0].text.contains("at line 162"));
    QVERIFY(!trap.test(170, [] { return false; }));
    QCOMPARE(box.shown.size(), 1);
}

void TestErrorTrap::stepNumberBeforeFirstStep()
{
    FakeMessageBox box;
    ErrorTrap trap(QStringLiteral("in Memvane2021/08/31.Form1.PushButton11_Click "), box);
    QCOMPARE(trap.StepNumber(), 0);
    QVERIFY(ErrorTrap::errorText(QStringLiteral("x"), QStringLiteral("in here "), 0).contains("in here at line 0\r\r"));
}

QTEST_APPLESS_MAIN(TestErrorTrap)
#include "tst_errortrap.moc"
