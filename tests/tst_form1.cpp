#include "app/Globals.h"
#include "doubles/FakePlatform.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void window();
    void controls_data();
    void controls();
    void fonts();
    void tabOrder();
    void ramPanel();
    void load();
    void help();
    void hoverPointer();
    void startUpFiles_data();
    void startUpFiles();

private:
    template <typename T> T *control(const char *name) { return m_form->findChild<T *>(QLatin1String(name)); }

    FakePlatform m_platform;
    std::unique_ptr<Form1> m_form;
};

void TestForm1::init()
{
    m_platform = {};
    m_form = std::make_unique<Form1>(m_platform.services());
}

void TestForm1::cleanup()
{
    m_form.reset();
}

void TestForm1::window()
{
    QCOMPARE(m_form->objectName(), QStringLiteral("Form1"));
    QCOMPARE(m_form->size(), QSize(536, 399));
    QCOMPARE(m_form->minimumSize(), QSize(536, 399));
    QCOMPARE(m_form->maximumSize(), QSize(536, 399));
    const Qt::WindowFlags flags = m_form->windowFlags();
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(m_form->palette().color(QPalette::Window), QColor(Qt::white));
    const QRect screen = m_form->screen()->availableGeometry();
    QVERIFY(qAbs(m_form->geometry().center().x() - screen.center().x()) <= 1);
}

void TestForm1::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("visible");
    QTest::newRow("Frame2") << "Frame2" << "Next free will occur in" << QRect(8, 8, 520, 57) << true;
    QTest::newRow("ProgressBar1") << "ProgressBar1" << "Progress Bar" << QRect(16, 19, 488, 27) << true;
    QTest::newRow("Frame1") << "Frame1" << "RAM Information" << QRect(8, 71, 520, 47) << true;
    QTest::newRow("Frame3") << "Frame3" << "Startup Option" << QRect(8, 240, 520, 47) << true;
    QTest::newRow("Check4") << "Check4" << "Load this software on Windows startup" << QRect(16, 20, 246, 17) << true;
    QTest::newRow("Check8") << "Check8" << "Minimized to system tray" << QRect(287, 20, 172, 17) << false;
    QTest::newRow("PushButton5") << "PushButton5" << "Turn On Auto Free" << QRect(8, 296, 256, 27) << true;
    QTest::newRow("PushButton6") << "PushButton6" << "Free Memory Now (Test)" << QRect(272, 296, 256, 27) << true;
    QTest::newRow("PushButton1") << "PushButton1" << "View History Log" << QRect(8, 330, 256, 27) << true;
    QTest::newRow("PushButton2") << "PushButton2" << "Copy History To Clipboard" << QRect(272, 330, 256, 27) << true;
    QTest::newRow("PushButton11") << "PushButton11" << "Help" << QRect(8, 364, 256, 27) << true;
    QTest::newRow("PushButton12") << "PushButton12" << "Clear History Log" << QRect(272, 364, 256, 27) << true;
    QTest::newRow("ListView1") << "ListView1" << "" << QRect(8, 127, 520, 109) << true;
}

void TestForm1::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QFETCH(bool, visible);
    m_form->show();
    QWidget *widget = m_form->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->accessibleName(), caption);
    QCOMPARE(widget->isVisible(), visible);
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        QCOMPARE(button->text(), caption);
    if (auto *frame = qobject_cast<QGroupBox *>(widget))
        QCOMPARE(frame->title(), caption);
    if (auto *bar = qobject_cast<QProgressBar *>(widget))
        QCOMPARE(bar->text(), caption);
}

void TestForm1::fonts()
{
    const QFont button = control<QPushButton>("PushButton6")->font();
    QCOMPARE(button.family(), QStringLiteral("Arial"));
    QCOMPARE(button.pointSizeF(), 11.25);
    QVERIFY(button.bold());
    const QFont label = control<QLabel>("lblTotalRAM")->font();
    QCOMPARE(label.pointSizeF(), 9.0);
    QVERIFY(label.bold());
    for (const char *name : {"Check4", "Check8", "Frame1", "Frame2", "Frame3", "ProgressBar1"}) {
        const QFont font = m_form->findChild<QWidget *>(QLatin1String(name))->font();
        QCOMPARE(font.family(), QStringLiteral("Arial"));
        QCOMPARE(font.pointSizeF(), 9.0);
        QVERIFY2(font.bold(), name);
    }
    const QFont list = control<QTreeWidget>("ListView1")->font();
    QCOMPARE(list.pointSizeF(), 9.0);
    QVERIFY(!list.bold());
}

void TestForm1::tabOrder()
{
    QStringList chain;
    QWidget *start = control<QTreeWidget>("ListView1");
    QWidget *w = start;
    do {
        if (w->focusPolicy() & Qt::TabFocus)
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != start);
    QCOMPARE(chain, QStringList({"ListView1", "PushButton5", "PushButton6", "PushButton1", "PushButton2", "Check8",
                                 "Check4", "PushButton11", "PushButton12"}));
}

void TestForm1::ramPanel()
{
    auto *total = control<QLabel>("lblTotalRAM");
    auto *free = control<QLabel>("lblFreeRAM");
    auto *used = control<QLabel>("lblUsedRAM");
    QCOMPARE(total->text(), QStringLiteral("Total Ram:"));
    QCOMPARE(free->text(), QStringLiteral("Free Ram:"));
    QCOMPARE(used->text(), QStringLiteral("Used Ram:"));

    auto *timer2 = m_form->findChild<QTimer *>(QStringLiteral("Timer2"));
    QVERIFY(timer2 && timer2->isActive());
    QCOMPARE(timer2->interval(), 400);

    m_platform.memory.total = 2147483647ULL;
    m_platform.memory.avail = 1073741824ULL;
    m_platform.memory.queries = 0;
    m_form->Timer2_Timer();
    QCOMPARE(m_platform.memory.queries, 3);
    QCOMPARE(total->text(), QStringLiteral("Total RAM: 2097151"));
    QCOMPARE(free->text(), QStringLiteral("Free RAM: 1048576"));
    QCOMPARE(used->text(), QStringLiteral("Used RAM: 1048575"));
    // The labels grow with their text instead of clipping it.
    QVERIFY(total->width() >= total->sizeHint().width());

    // The real timer drives the same refresh.
    m_platform.memory.total = 8ULL << 30;
    QTRY_COMPARE_WITH_TIMEOUT(total->text(), QStringLiteral("Total RAM: 8388608"), 2000);
}

void TestForm1::load()
{
    m_form->Form_Load();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Ramtidy"));
    QCOMPARE(Globals::AppTitle, QStringLiteral("Ramtidy"));
    QVERIFY(!m_form->windowIcon().isNull());
    auto *list = control<QTreeWidget>("ListView1");
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("How often would you like to free memory?"));
    QCOMPARE(list->accessibleName(), list->headerItem()->text(0));
    QCOMPARE(list->columnWidth(0), 427);
    QCOMPARE(list->topLevelItemCount(), 11);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("Free every 5 minutes"));
    QCOMPARE(list->topLevelItem(10)->text(0), QStringLiteral("Free every 24 hours"));
    QVERIFY(m_platform.msgBox.shown.isEmpty());
}

void TestForm1::help()
{
    m_form->Form_Load();
    QTest::mouseClick(control<QPushButton>("PushButton11"), Qt::LeftButton);
    QCOMPARE(m_platform.msgBox.shown.size(), 1);
    QCOMPARE(m_platform.msgBox.shown[0].text,
             QStringLiteral("Questions? Please contact Team Corvane at ") + Globals::ContactPageUrl);
    QCOMPARE(m_platform.msgBox.shown[0].style, 0);
    QCOMPARE(m_platform.msgBox.shown[0].title, Globals::AppTitle);
}

void TestForm1::hoverPointer()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    // Through the window, so that the toolkit finds the widget under the pointer itself.
    auto moveTo = [&](QPoint where) { QTest::mouseMove(m_form->windowHandle(), where); };
    auto moveOver = [&](QWidget *widget) { moveTo(widget->mapTo(m_form.get(), widget->rect().center())); };

    moveOver(control<QPushButton>("PushButton5"));
    QCOMPARE(m_form->mousePointer(), Form1::vbCustom);
    QCOMPARE(m_form->cursor().shape(), Qt::PointingHandCursor);
    // Straight from a button onto a label or a check box: the hand stays.
    moveOver(control<QLabel>("lblFreeRAM"));
    QCOMPARE(m_form->mousePointer(), Form1::vbCustom);
    moveOver(control<QCheckBox>("Check4"));
    QCOMPARE(m_form->mousePointer(), Form1::vbCustom);
    moveOver(control<QProgressBar>("ProgressBar1"));
    QCOMPARE(m_form->mousePointer(), Form1::vbCustom);
    // A frame, the list or the background: back to the arrow.
    auto *frame3 = control<QGroupBox>("Frame3");
    moveTo(frame3->mapTo(m_form.get(), QPoint(frame3->width() - 8, frame3->height() - 6)));
    QCOMPARE(m_form->mousePointer(), Form1::vbDefault);
    moveOver(control<QPushButton>("PushButton12"));
    moveOver(control<QTreeWidget>("ListView1")->viewport());
    QCOMPARE(m_form->mousePointer(), Form1::vbDefault);
    moveOver(control<QPushButton>("PushButton1"));
    moveTo(QPoint(532, 395));
    QCOMPARE(m_form->mousePointer(), Form1::vbDefault);

    // The hourglass is never replaced by hovering.
    m_form->setMousePointer(Form1::vbHourglass);
    for (const char *name : {"PushButton6", "Frame3", "ListView1"}) {
        moveOver(m_form->findChild<QWidget *>(QLatin1String(name)));
        QCOMPARE(m_form->mousePointer(), Form1::vbHourglass);
    }
    moveTo(QPoint(532, 395));
    QCOMPARE(m_form->cursor().shape(), Qt::WaitCursor);
    m_form->setMousePointer(Form1::vbDefault);
    moveOver(control<QPushButton>("PushButton6"));
    QCOMPARE(m_form->mousePointer(), Form1::vbCustom);

    // A cursor file replaces the hand.
    m_form->setMouseIcon(QCursor(Qt::CrossCursor));
    QCOMPARE(m_form->cursor().shape(), Qt::CrossCursor);
}

// What start-up takes from the program folder (skin, cursor) and the draw that
// decides on the home page, with the boxes each case gives.
void TestForm1::startUpFiles_data()
{
    QTest::addColumn<QString>("skin"); // a file's contents, "<folder>", "<link>" or "" for none
    QTest::addColumn<QString>("cursor"); // "<real>", other contents, or "" for none
    QTest::addColumn<double>("draw");
    QTest::addColumn<bool>("launchFails");
    QTest::addColumn<QList<int>>("boxes");
    QTest::addColumn<bool>("recoloured");
    QTest::addColumn<bool>("homePage");
    const QString sample = QStringLiteral("<sample>");
    QTest::newRow("nothing there, draw 51") << "" << "" << 0.5 << false << QList<int>{} << false << false;
    QTest::newRow("sample skin and cursor") << sample << "<real>" << 0.5 << false << QList<int>{} << true << false;
    QTest::newRow("skin name is a folder") << "<folder>" << "" << 0.5 << false << QList<int>{} << false << false;
    QTest::newRow("skin name is a link") << "<link>" << "" << 0.5 << false << QList<int>{} << false << false;
    QTest::newRow("malformed skin") << "QLabel { color: red" << "" << 0.5 << false << QList<int>{100} << true << false;
    QTest::newRow("skin of comments only") << "/* nothing */" << "" << 0.5 << false << QList<int>{100} << true << false;
    QTest::newRow("cursor file not a cursor") << "" << "MZ not a cursor" << 0.5 << false << QList<int>{128} << false
                                              << false;
    QTest::newRow("draw 7 opens the home page") << "" << "" << 0.06 << false << QList<int>{} << false << true;
    QTest::newRow("draw 8 does not") << "" << "" << 0.07 << false << QList<int>{} << false << false;
    QTest::newRow("draw 6 does not") << "" << "" << 0.059 << false << QList<int>{} << false << false;
    QTest::newRow("home page that cannot open") << "" << "" << 0.06 << true << QList<int>{108} << false << false;
}

void TestForm1::startUpFiles()
{
    QFETCH(QString, skin);
    QFETCH(QString, cursor);
    QFETCH(double, draw);
    QFETCH(bool, launchFails);
    QFETCH(QList<int>, boxes);
    QFETCH(bool, recoloured);
    QFETCH(bool, homePage);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("x")));
    const QString skinPath = folder.filePath(QStringLiteral("x/o.cjs"));
    if (skin == u"<folder>") {
        QVERIFY(QDir().mkdir(skinPath));
    } else if (skin == u"<link>") {
        QVERIFY(QFile::link(qEnvironmentVariable("RAMTIDY_SAMPLE_SKIN"), skinPath));
    } else if (skin == u"<sample>") {
        QVERIFY(QFile::copy(qEnvironmentVariable("RAMTIDY_SAMPLE_SKIN"), skinPath));
    } else if (!skin.isEmpty()) {
        QFile file(skinPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(skin.toUtf8());
    }
    const QString cursorPath = folder.filePath(QStringLiteral("HAND-M.CUR"));
    if (cursor == u"<real>") {
        QVERIFY(QFile::copy(qEnvironmentVariable("RAMTIDY_CURSOR"), cursorPath));
    } else if (!cursor.isEmpty()) {
        QFile file(cursorPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(cursor.toUtf8());
    }
    m_platform.process.folder = folder.path();
    m_platform.random.next = draw;
    m_platform.shell.fail = launchFails;
    m_platform.clock.time = QDateTime(QDate(2026, 12, 7), QTime(1, 2, 3));

    m_form->Form_Load();

    QList<int> shown;
    for (const auto &box : m_platform.msgBox.shown)
        shown << box.text.section(QStringLiteral("Form_Load at line "), 1).section(u'\r', 0, 0).toInt();
    QCOMPARE(shown, boxes);
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Ramtidy")); // start-up went on
    QCOMPARE(m_platform.random.seed, 3723.0); // seconds since midnight
    QCOMPARE(m_platform.shell.opened,
             homePage ? QStringList{QStringLiteral("url:") + Globals::HomePageUrl} : QStringList{});

    const QColor face = QApplication::palette().color(QPalette::Button);
    const QColor expected = recoloured ? face : QColor(Qt::white);
    for (const char *name : {"Frame1", "Frame2", "Frame3", "lblTotalRAM", "lblUsedRAM", "Check4", "Check8"}) {
        QWidget *widget = m_form->findChild<QWidget *>(QLatin1String(name));
        QCOMPARE(widget->palette().color(QPalette::Window), expected);
        QCOMPARE(widget->autoFillBackground(), recoloured);
    }
    QCOMPARE(control<QPushButton>("PushButton5")->palette().color(QPalette::Button), QColor(Qt::white));
    // The colour really shows: a blank spot of the window, between the frames.
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QCOMPARE(m_form->grab().toImage().pixelColor(QPoint(4, 4)), expected);
    QCOMPARE(m_form->styleSheet().isEmpty(), skin != u"<sample>");

    if (cursor == u"<real>") {
        m_form->setMousePointer(Form1::vbCustom);
        QCOMPARE(m_form->cursor().hotSpot(), QPoint(6, 0));
        QCOMPARE(m_form->cursor().pixmap().size(), QSize(32, 32));
    }
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
