#include "platform/linux/QtMessageBox.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QWindow>

// The real dialog, answered the way a user would answer it.
class TestQtMessageBox : public QObject {
    Q_OBJECT

private slots:
    void styles_data();
    void styles();
    void shownWhole_data();
    void shownWhole();
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

void TestQtMessageBox::shownWhole_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lines"); // as shown, scrolled or not
    QTest::addColumn<bool>("scrolled");
    QStringList many;
    for (int i = 1; i <= 60; ++i)
        many << QStringLiteral("The file /tmp/x/m%1.png could not be opened.").arg(i);
    QTest::newRow("an address kept on its line")
        << QStringLiteral("Questions? Please contact Team Corvane at https://corvane.example/contact") << 1 << false;
    QTest::newRow("three lines") << many.first(3).join(u'\n') << 3 << false;
    QTest::newRow("sixty lines, scrolled") << many.join(u'\n') << 60 << true;
}

// Text, copy and screen reader get the text as given; the box and its button stay on the screen.
void TestQtMessageBox::shownWhole()
{
    QFETCH(QString, text);
    QFETCH(int, lines);
    QFETCH(bool, scrolled);
    QString seenText, selected, spoken;
    int seenLines = 0;
    bool seenScrolled = false, onScreen = false;
    QTimer::singleShot(0, Qt::CoarseTimer, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        QVERIFY(label);
        seenText = box->text();
        label->setSelection(0, int(text.size()));
        QTest::keySequence(label, QKeySequence::Copy);
        selected = QApplication::clipboard()->text();
        spoken = QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
        seenLines = qRound(label->height() / double(label->fontMetrics().lineSpacing()));
        seenScrolled = qobject_cast<QScrollArea *>(label->parentWidget()->parentWidget());
        const QRect screen = box->screen()->availableGeometry();
        QAbstractButton *ok = box->button(QMessageBox::Ok);
        onScreen =
            screen.contains(box->frameGeometry()) && screen.contains(QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size()));
        ok->click();
    });
    QtMessageBox msgBox;
    QCOMPARE(msgBox.MsgBox(text, 0, QStringLiteral("Ramtidy")), int(vbOK));
    QCOMPARE(seenText, text);
    QCOMPARE(selected, text);
    QCOMPARE(spoken, text);
    QCOMPARE(seenLines, lines);
    QCOMPARE(seenScrolled, scrolled);
    QVERIFY(onScreen);
}

QTEST_MAIN(TestQtMessageBox)
#include "tst_qtmessagebox.moc"
