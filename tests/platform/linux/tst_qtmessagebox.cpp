#include "platform/linux/QtMessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>

// The real dialog, answered the way a user would answer it.
class TestQtMessageBox : public QObject {
    Q_OBJECT

private slots:
    void styles_data();
    void styles();
};

void TestQtMessageBox::styles_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("answer");
    QTest::newRow("OK only") << 0 << int(QMessageBox::Ok) << int(QMessageBox::NoIcon) << 1 << int(vbOK);
    QTest::newRow("exclamation") << 48 << int(QMessageBox::Ok) << int(QMessageBox::Warning) << 1 << int(vbOK);
    QTest::newRow("yes/no answered Yes") << 4 << int(QMessageBox::Yes) << int(QMessageBox::NoIcon) << 2 << int(vbYes);
    QTest::newRow("yes/no answered No") << 4 << int(QMessageBox::No) << int(QMessageBox::NoIcon) << 2 << int(vbNo);
}

void TestQtMessageBox::styles()
{
    QFETCH(int, style);
    QFETCH(int, press);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    QFETCH(int, answer);

    // A window wearing a style sheet (a skin) is active: the box stays over it, without its look.
    QWidget owner;
    owner.setStyleSheet(QStringLiteral("QPushButton { color: red; }"));
    owner.show();
    owner.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&owner));
    QString seenTitle, seenText;
    int seenIcon = -1, seenButtons = -1;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->windowHandle()->transientParent(), owner.windowHandle());
        QVERIFY(box->button(QMessageBox::StandardButton(press))->palette().color(QPalette::ButtonText) != Qt::red);
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenIcon = box->icon();
        seenButtons = int(box->buttons().size());
        box->button(QMessageBox::StandardButton(press))->click();
    });
    QtMessageBox msgBox;
    QCOMPARE(msgBox.MsgBox(QStringLiteral("Are you sure?"), style, QStringLiteral("Ramtidy")), answer);
    QCOMPARE(seenTitle, QStringLiteral("Ramtidy"));
    QCOMPARE(seenText, QStringLiteral("Are you sure?"));
    QCOMPARE(seenIcon, icon);
    QCOMPARE(seenButtons, buttons);
}

QTEST_MAIN(TestQtMessageBox)
#include "tst_qtmessagebox.moc"
