#include "platform/qt/QtMessageBox.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <QWindow>

// The real dialog, answered the way a user would answer it.
class TestQtMessageBox : public QObject {
    Q_OBJECT

private slots:
    void styles_data();
    void styles();
    void longWordsStayOnScreen_data();
    void longWordsStayOnScreen();
    void qtInternals();
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
    // Windows copies the whole box, framed line by line; elsewhere the selection alone.
    QVERIFY2(copied == text || copied.contains(u'\n' + text + u'\n'), qPrintable(copied));
    QCOMPARE(spoken, text);
    QCOMPARE(seenLines, text.count(u'\n') + 1);
    QVERIFY(onScreen);
    QCOMPARE(seenIcon, icon);
    QCOMPARE(seenButtons, buttons);
}

// Words up to beyond the small screen, some of them pushed off it by the window frame alone.
void TestQtMessageBox::longWordsStayOnScreen_data()
{
    QTest::addColumn<QString>("word");
    const QFontMetrics metrics(QApplication::font());
    for (QString word; metrics.horizontalAdvance(word) < 660; word += u'i') {
        if (metrics.horizontalAdvance(word) > 560)
            QTest::addRow("%d pixels", metrics.horizontalAdvance(word)) << word;
    }
}

void TestQtMessageBox::longWordsStayOnScreen()
{
    QFETCH(QString, word);
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QLabel *label = QtMessageBoxInternals::label(*box);
        QEvent request(QEvent::LayoutRequest); // as Qt sends when the window system resizes it
        QCoreApplication::sendEvent(box, &request);
        label->repaint();
        box->button(QMessageBox::Ok)->click();
        QVERIFY(box->screen()->availableGeometry().contains(box->frameGeometry()));
        const int lines = qRound(label->height() / double(label->fontMetrics().lineSpacing()));
        const int width = label->geometry().intersected(box->contentsRect()).width();
        QVERIFY(lines * width >= label->fontMetrics().horizontalAdvance(word)); // no letter cut off
    });
    QtMessageBox().MsgBox(word, vbExclamation, QStringLiteral("Application Error"));
}

// Qt's own box sizes itself on each screen as QtMessageBoxInternals says.
void TestQtMessageBox::qtInternals()
{
    for (QScreen *screen : QGuiApplication::screens()) {
        for (const bool oneWord : {false, true}) { // else many short words: the soft limit
            QMessageBox box;
            box.setText(oneWord ? QString(400, u'x') : QStringLiteral("word ").repeated(200));
            box.setScreen(screen);
            box.move(screen->geometry().topLeft());
            box.show();
            const QLabel *label = QtMessageBoxInternals::label(box);
            QVERIFY(label && QtMessageBoxInternals::document(*label) && QtMessageBoxInternals::buttonBox(box));
            const auto limit = oneWord ? QtMessageBoxInternals::hardLimit : QtMessageBoxInternals::softLimit;
            QCOMPARE(box.width(), limit(screen->availableGeometry()));
        }
    }
}

// Framed windows on a small screen, where Qt lets a box take it all, and a large one.
int main(int argc, char *argv[])
{
    const QByteArray config =
        R"({"windowFrameMargins": true, "screens": [{"name": "large", "x": 640, "width": 1400, "height": 1000}, {"name": "small", "width": 640, "height": 480}]})";
    // Named relative to the working folder: the platform's arguments are split at
    // colons, and a Windows path has one after its drive.
    QTemporaryFile screens(QStringLiteral("screens-XXXXXX.json"));
    if (screens.open() && screens.write(config) == config.size() && screens.flush())
        qputenv("QT_QPA_PLATFORM",
                "offscreen:configfile=" + QFile::encodeName(QDir::current().relativeFilePath(screens.fileName())));
    QApplication app(argc, argv);
    TestQtMessageBox test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_qtmessagebox.moc"
