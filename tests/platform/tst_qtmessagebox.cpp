#include "platform/qt/QtMessageBox.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
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
    QTest::addColumn<QString>("text"); // its lines shown whole and on the screen
    const QString sure = QStringLiteral("Are you sure?");
    QTest::newRow("OK only") << 0 << int(QMessageBox::Ok) << int(QMessageBox::NoIcon) << 1 << int(vbOK) << sure;
    QTest::newRow("exclamation") << 48 << int(QMessageBox::Ok) << int(QMessageBox::Warning) << 1 << int(vbOK) << sure;
    QTest::newRow("yes/no answered Yes") << 4 << int(QMessageBox::Yes) << int(QMessageBox::NoIcon) << 2 << int(vbYes)
                                         << sure;
    QTest::newRow("yes/no answered No") << 4 << int(QMessageBox::No) << int(QMessageBox::NoIcon) << 2 << int(vbNo)
                                        << sure;
    QStringList lines(60, QStringLiteral("The file /tmp/x/m.png could not be opened."));
    const auto ok = [](const char *name) -> QTestData & { return QTest::newRow(name) << 0 << 0x400 << 0 << 1 << 1; };
    ok("an address kept on its line") << "Questions? Please contact Team Corvane at https://corvane.example/contact";
    ok("three lines, in the box") << lines.first(3).join(u'\n');
    ok("sixty lines, scrolled") << lines.join(u'\n');
}

void TestQtMessageBox::styles()
{
    QFETCH(int, style);
    QFETCH(int, press);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    QFETCH(int, answer);
    QFETCH(QString, text);

    // A window wearing a style sheet (a skin) is active: the box stays over it, without its look.
    QWidget owner;
    owner.setStyleSheet(QStringLiteral("QPushButton { color: red; }"));
    owner.show();
    owner.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&owner));
    QString seenTitle, seenText, copied, spoken;
    int seenIcon = -1, seenButtons = -1, seenLines = 0;
    bool onScreen = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->windowHandle()->transientParent(), owner.windowHandle());
        QVERIFY(box->button(QMessageBox::StandardButton(press))->palette().color(QPalette::ButtonText) != Qt::red);
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenIcon = box->icon();
        seenButtons = int(box->buttons().size());
        auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        label->setSelection(0, int(text.size()));
        QTest::keySequence(label, QKeySequence::Copy);
        copied = QApplication::clipboard()->text();
        spoken = QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
        seenLines = qRound(label->height() / double(label->fontMetrics().lineSpacing()));
        onScreen = box->screen()->availableGeometry().contains(box->frameGeometry());
        box->button(QMessageBox::StandardButton(press))->click();
    });
    QtMessageBox msgBox;
    QCOMPARE(msgBox.MsgBox(text, style, QStringLiteral("Ramtidy")), answer);
    QCOMPARE(seenTitle, QStringLiteral("Ramtidy"));
    QCOMPARE(seenText, text);
    QCOMPARE(copied, text);
    QCOMPARE(spoken, text);
    QCOMPARE(seenLines, text.count(u'\n') + 1);
    QVERIFY(onScreen);
    QCOMPARE(seenIcon, icon);
    QCOMPARE(seenButtons, buttons);
}

QTEST_MAIN(TestQtMessageBox)
#include "tst_qtmessagebox.moc"
