#include "app/Globals.h"
#include "support/doubles/FakePlatform.h"
#include "ui/Form1.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cmath>

namespace {

// WCAG relative luminance and contrast ratio.
double luminance(QColor colour)
{
    auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

double contrast(QColor a, QColor b)
{
    const double la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

// The most common colour of the area is its background; the pixel that stands out
// most from it is the core of a glyph (the edges are anti-aliased).
double textContrast(const QImage &image, const QRect &area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb background = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most)
            most = it.value(), background = it.key();
    double best = 1.0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        best = qMax(best, contrast(QColor(it.key()), QColor(background)));
    return best;
}

// A dark desktop scheme, the kind qt6ct or a dark KDE theme gives. Its selection
// text is itself below 4.5:1 on its selection colour.
QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::AlternateBase, QColor(0x42, 0x42, 0x42));
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    dark.setColor(QPalette::Midlight, QColor(0x42, 0x42, 0x42));
    dark.setColor(QPalette::Mid, QColor(0x25, 0x25, 0x25));
    dark.setColor(QPalette::Dark, QColor(0x19, 0x19, 0x19));
    dark.setColor(QPalette::Shadow, Qt::black);
    return dark;
}

} // namespace

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
    void refusedPictures_data();
    void refusedPictures();
    void darkPaletteContrast_data();
    void darkPaletteContrast();
    void captionOnScreen();

private:
    template <typename T> T *control(const char *name) { return m_form->findChild<T *>(QLatin1String(name)); }

    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<Form1> m_form;
};

void TestForm1::init()
{
    m_platform = std::make_unique<FakePlatform>();
    m_form = std::make_unique<Form1>(m_platform->services());
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
    // clang-format off
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("accessibleName");
    QTest::newRow("Frame2") << "Frame2" << "Next free will occur in" << QRect(8, 8, 520, 57) << true
        << "Next free will occur in";
    QTest::newRow("ProgressBar1") << "ProgressBar1" << "Progress Bar" << QRect(16, 19, 488, 27) << true
        << "Progress to the next free";
    QTest::newRow("Frame1") << "Frame1" << "RAM Information" << QRect(8, 71, 520, 47) << true
        << "RAM Information";
    QTest::newRow("Frame3") << "Frame3" << "Startup Option" << QRect(8, 240, 520, 47) << true
        << "Startup Option";
    QTest::newRow("Check4") << "Check4" << "Load this software on Windows startup" << QRect(16, 20, 246, 17) << true
        << "Load this software on Windows startup";
    QTest::newRow("Check8") << "Check8" << "Minimized to system tray" << QRect(287, 20, 172, 17) << false
        << "Minimized to system tray";
    QTest::newRow("PushButton5") << "PushButton5" << "Turn On Auto Free" << QRect(8, 296, 256, 27) << true
        << "Turn On Auto Free";
    QTest::newRow("PushButton6") << "PushButton6" << "Free Memory Now (Test)" << QRect(272, 296, 256, 27) << true
        << "Free Memory Now (Test)";
    QTest::newRow("PushButton1") << "PushButton1" << "View History Log" << QRect(8, 330, 256, 27) << true
        << "View History Log";
    QTest::newRow("PushButton2") << "PushButton2" << "Copy History To Clipboard" << QRect(272, 330, 256, 27) << true
        << "Copy History To Clipboard";
    QTest::newRow("PushButton11") << "PushButton11" << "Help" << QRect(8, 364, 256, 27) << true
        << "Help";
    QTest::newRow("PushButton12") << "PushButton12" << "Clear History Log" << QRect(272, 364, 256, 27) << true
        << "Clear History Log";
    QTest::newRow("ListView1") << "ListView1" << "" << QRect(8, 127, 520, 109) << true
        << "";
    // clang-format on
}

void TestForm1::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QFETCH(bool, visible);
    QFETCH(QString, accessibleName);
    m_form->show();
    QWidget *widget = m_form->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), accessibleName);
    QCOMPARE(widget->isVisible(), visible);
    // What a screen reader names a control follows its caption.
    if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        QCOMPARE(button->text(), caption);
        button->setText(QStringLiteral("Changed"));
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Changed"));
    }
    if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
        QCOMPARE(frame->title(), caption);
        frame->setTitle(QStringLiteral("Changed"));
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Changed"));
    }
    if (auto *bar = qobject_cast<QProgressBar *>(widget))
        QCOMPARE(bar->text(), caption);

    if (!visible || !(widget->focusPolicy() & Qt::TabFocus) || qobject_cast<QPushButton *>(widget))
        return; // a button's focus mark is the style's own
    QApplication::setActiveWindow(m_form.get());
    widget->clearFocus();
    const QImage before = m_form->grab().toImage();
    widget->setFocus(Qt::TabFocusReason);
    m_form->setAttribute(Qt::WA_KeyboardFocusChange); // the focus shows plainly: 3:1 against what was there
    const QImage after = m_form->grab().toImage();
    double shown = 1.0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            shown = qMax(shown, contrast(before.pixelColor(x, y), after.pixelColor(x, y)));
    QVERIFY2(shown >= 3.0, qPrintable(QString::number(shown)));
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
    QCOMPARE(chain,
             QStringList({"ListView1", "PushButton5", "PushButton6", "PushButton1", "PushButton2", "Check8", "Check4",
                          "PushButton11", "PushButton12"}));
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

    m_platform->memory.total = 2147483647ULL;
    m_platform->memory.avail = 1073741824ULL;
    m_platform->memory.queries = 0;
    m_form->Timer2_Timer();
    QCOMPARE(m_platform->memory.queries, 3);
    QCOMPARE(total->text(), QStringLiteral("Total RAM: 2097151"));
    QCOMPARE(free->text(), QStringLiteral("Free RAM: 1048576"));
    QCOMPARE(used->text(), QStringLiteral("Used RAM: 1048575"));
    // The labels grow with their text instead of clipping it.
    QVERIFY(total->width() >= total->sizeHint().width());

    // The real timer drives the same refresh.
    m_platform->memory.total = 8ULL << 30;
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
    QVERIFY(m_platform->msgBox.shown.isEmpty());
}

void TestForm1::help()
{
    m_form->Form_Load();
    QTest::mouseClick(control<QPushButton>("PushButton11"), Qt::LeftButton);
    QCOMPARE(m_platform->msgBox.shown.size(), 1);
    QCOMPARE(m_platform->msgBox.shown[0].text,
             QStringLiteral("Questions? Please contact Team Corvane at ") + Globals::ContactPageUrl);
    QCOMPARE(m_platform->msgBox.shown[0].style, 0);
    QCOMPARE(m_platform->msgBox.shown[0].title, Globals::AppTitle);
    QTest::keyClick(control<QPushButton>("PushButton11"), Qt::Key_Return); // as Space does, and keypad Enter
    QTest::keyClick(control<QPushButton>("PushButton11"), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(m_platform->msgBox.shown.size(), 3);
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
    QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor); // no cursor file: the default pointer
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
    // clang-format off
    QTest::addColumn<QString>("skin"); // a file's contents, "<folder>", "<link>" or "" for none
    QTest::addColumn<QString>("cursor"); // "<real>", "<file of the cursor seeds>", other contents, or "" for none
    QTest::addColumn<double>("draw");
    QTest::addColumn<bool>("launchFails");
    QTest::addColumn<QList<int>>("boxes");
    QTest::addColumn<bool>("recoloured");
    QTest::addColumn<bool>("homePage");
    QTest::addColumn<QString>("worn"); // the style sheet worn, a pattern; "" for none
    const QString sample = QStringLiteral("<sample>");
    // The focus rings of the buttons and the list.
    const QString focusRing = QStringLiteral(
        "QPushButton:focus \\{ border: 2px solid #f2b134; \\}\n(.*\n)*QTreeWidget:focus \\{ border: 2px solid #f2b134; \\}");
    QTest::newRow("nothing there, draw 51") << "" << "" << 0.5 << false << QList<int>{} << false << false << "";
    QTest::newRow("sample skin and cursor") << sample << "<real>" << 0.5 << false << QList<int>{} << true << false << focusRing;
    QTest::newRow("sample skin, no cursor") << sample << "" << 0.5 << false << QList<int>{} << true << false << focusRing;
    QTest::newRow("skin name is a folder") << "<folder>" << "" << 0.5 << false << QList<int>{} << false << false << "";
    QTest::newRow("skin name is a link") << "<link>" << "" << 0.5 << false << QList<int>{100} << true << false << "";
    QTest::newRow("cursor picture of 256 by 256") << "" << "<png-256x256.cur>" << 0.5 << false << QList<int>{} << false << false << "";
    QTest::newRow("cursor hotspot just outside") << "" << "<hotspot-at-width>" << 0.5 << false << QList<int>{128} << false << false << "";
    QTest::newRow("cursor picture of 2100 by 2100") << "" << "<png-2100x2100.cur>" << 0.5 << false << QList<int>{128} << false << false << "";
    QTest::newRow("cursor file not a cursor") << "" << "MZ not a cursor" << 0.5 << false << QList<int>{128} << false << false << "";
    QTest::newRow("draw 7 opens the home page") << "" << "" << 0.06 << false << QList<int>{} << false << true << "";
    QTest::newRow("draw 8 does not") << "" << "" << 0.07 << false << QList<int>{} << false << false << "";
    QTest::newRow("draw 6 does not") << "" << "" << 0.059 << false << QList<int>{} << false << false << "";
    QTest::newRow("home page that cannot open") << "" << "" << 0.06 << true << QList<int>{108} << false << false << "";
    // clang-format on
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
    QFETCH(QString, worn);
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
    if (cursor.startsWith(u'<')) {
        QVERIFY(QFile::copy(cursor == u"<real>" ? qEnvironmentVariable("RAMTIDY_CURSOR")
                                                : qEnvironmentVariable("RAMTIDY_FIXTURES")
                                    + "/../../../fuzz/corpus/fuzz_cursor/" + cursor.mid(1).chopped(1),
                            cursorPath));
    } else if (!cursor.isEmpty()) {
        QFile file(cursorPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(cursor.toUtf8());
    }
    m_platform->process.folder = folder.path();
    m_platform->random.next = draw;
    m_platform->shell.fail = launchFails;
    m_platform->clock.time = QDateTime(QDate(2026, 12, 7), QTime(1, 2, 3));

    m_form->Form_Load();

    QList<int> shown;
    for (const auto &box : m_platform->msgBox.shown)
        shown << box.text.section(QStringLiteral("Form_Load at line "), 1).section(u'\r', 0, 0).toInt();
    QCOMPARE(shown, boxes);
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Ramtidy")); // start-up went on
    QCOMPARE(m_platform->random.seed, 3723.0); // seconds since midnight
    QCOMPARE(m_platform->shell.opened,
             homePage ? QStringList{QStringLiteral("url:") + Globals::HomePageUrl} : QStringList{});

    const QColor face = QApplication::palette().color(QPalette::Button);
    const QColor expected = recoloured ? face : QColor(Qt::white);
    for (const char *name : {"Frame1", "Frame2", "Frame3", "lblTotalRAM", "lblUsedRAM", "Check4", "Check8"}) {
        QWidget *widget = m_form->findChild<QWidget *>(QLatin1String(name));
        QCOMPARE(widget->palette().color(QPalette::Window), expected);
        // The RAM labels always paint their own background, so that a new figure
        // repaints the label alone.
        QCOMPARE(widget->autoFillBackground(), recoloured || QByteArray(name).startsWith("lbl"));
    }
    QCOMPARE(m_form->palette().color(QPalette::Button), QColor(Qt::white)); // a skin may style the buttons over it
    // The colour really shows: a blank spot of the window, between the frames.
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QCOMPARE(m_form->grab().toImage().pixelColor(QPoint(4, 4)), expected);
    QVERIFY2(worn.isEmpty() ? m_form->styleSheet().isEmpty() : m_form->styleSheet().contains(QRegularExpression(worn)),
             qPrintable(m_form->styleSheet()));
    QVERIFY(!m_form->styleSheet().contains(QRegularExpression(QStringLiteral("(qproperty-|padding|margin)[a-z-]*:"))));
    for (const auto &box : m_platform->msgBox.shown) // each names the file, and what to do
        QVERIFY2(!box.text.contains(QStringLiteral("line 100")) || box.text.contains(folder.path()),
                 qPrintable(box.text));
    QCOMPARE(control<QPushButton>("PushButton5")->text(), QStringLiteral("Turn Off Auto Free"));

    // Over a button: the file's pointer, or without one the default pointer.
    QTest::mouseMove(m_form->windowHandle(), QPoint(1, 1)); // a move onto the same spot is no move
    QTest::mouseMove(m_form->windowHandle(), control<QPushButton>("PushButton5")->geometry().center());
    QCOMPARE(m_form->cursor().shape(), cursor.startsWith(u'<') && boxes.isEmpty() ? Qt::BitmapCursor : Qt::ArrowCursor);
    if (cursor == u"<real>") {
        QCOMPARE(m_form->cursor().hotSpot(), QPoint(6, 0));
        QCOMPARE(m_form->cursor().pixmap().size(), QSize(32, 32));
        QImageReader qt(cursorPath, "ico"); // the picture as Qt's own reader has it
        QCOMPARE(m_form->cursor().pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
                 qt.read().convertToFormat(QImage::Format_ARGB32));
    }
}

void TestForm1::refusedPictures_data()
{
    QTest::addColumn<int>("missing"); // pictures the skin names that are not there
    QTest::addColumn<QString>("last"); // the last line of the reasons
    QTest::newRow("3, each named") << 3 << "m3.png";
    QTest::newRow("4, the last counted") << 4 << "And 1 more picture was left out.";
    QTest::newRow("60, all but 3 counted") << 60 << "And 57 more pictures were left out.";
}

void TestForm1::refusedPictures()
{
    QFETCH(int, missing);
    QFETCH(QString, last);
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("x")));
    QFile skin(folder.filePath(QStringLiteral("x/o.cjs")));
    QVERIFY(skin.open(QIODevice::WriteOnly));
    for (int i = 1; i <= missing; ++i)
        skin.write(QStringLiteral("QLabel#m%1 { image: url(m%1.png) }\n").arg(i).toUtf8());
    skin.close();
    m_platform->process.folder = folder.path();
    m_form->Form_Load();
    const QStringList reasons = m_platform->msgBox.shown.value(0).text.section(u'\r', 0, 0).split(u'\n');
    QCOMPARE(reasons.size(), qMin(missing, 4));
    QVERIFY2(reasons.last().contains(last), qPrintable(reasons.last()));
}

void TestForm1::darkPaletteContrast_data()
{
    // clang-format off
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("part"); // which text of the control
    QTest::addColumn<bool>("skinned"); // wearing the sample skin
    for (const bool skinned : {false, true}) {
        const auto row = [&](const QString &name) -> QTestData & { return QTest::newRow(qPrintable((skinned ? "skinned " : "") + name)); };
        for (const char *frame : {"Frame1", "Frame2", "Frame3"})
            row(frame) << frame << "title" << skinned;
        for (const char *label : {"lblTotalRAM", "lblFreeRAM", "lblUsedRAM"})
            row(label) << label << "text" << skinned;
        for (const char *box : {"Check4", "Check8"})
            row(box) << box << "text" << skinned;
        for (const char *button : {"PushButton5", "PushButton6", "PushButton1", "PushButton2", "PushButton11", "PushButton12"})
            row(button) << button << "text" << skinned;
        row("ProgressBar1 empty") << "ProgressBar1" << "empty" << skinned;
        row("ProgressBar1 full") << "ProgressBar1" << "full" << skinned;
        row("ListView1 header") << "ListView1" << "header" << skinned;
        row("ListView1 row") << "ListView1" << "row" << skinned;
        row("ListView1 selected row") << "ListView1" << "selected" << skinned;
        // An inactive window is drawn with colours of its own.
        row("Frame1, window inactive") << "Frame1" << "title" << skinned;
        row("Check4, window inactive") << "Check4" << "text" << skinned;
    }
    // clang-format on
}

// Whatever the desktop's colours, every text stays readable on its own background.
void TestForm1::darkPaletteContrast()
{
    QFETCH(QString, name);
    QFETCH(QString, part);
    QFETCH(bool, skinned);
    const QPalette saved = QApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(saved); });
    QApplication::setPalette(darkPalette());

    QTemporaryDir folder;
    if (skinned) {
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("x")));
        QVERIFY(QFile::copy(qEnvironmentVariable("RAMTIDY_SAMPLE_SKIN"), folder.filePath(QStringLiteral("x/o.cjs"))));
        m_platform->process.folder = folder.path();
    }
    m_form->Form_Load();
    m_form->Timer2_Timer();
    control<QCheckBox>("Check8")->show();
    auto *bar = control<QProgressBar>("ProgressBar1");
    if (part == u"full")
        bar->setValue(bar->maximum());
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QWidget other;
    if (QByteArray(QTest::currentDataTag()).endsWith("inactive")) {
        other.show();
        other.activateWindow();
        QTRY_VERIFY(!m_form->isActiveWindow());
    }
    // The scheme changed while the window was open, and the window took it. A skin
    // gives the window and the list faces of its own (white among them, where the
    // style's face is as dark as the scheme's).
    if (!skinned) {
        QCOMPARE(m_form->palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(control<QTreeWidget>("ListView1")->palette().color(QPalette::Base),
                 darkPalette().color(QPalette::Base));
    }

    QWidget *widget = m_form->findChild<QWidget *>(name);
    QVERIFY(widget);
    QRect area; // in the widget's coordinates
    if (part == u"title") {
        const QFontMetrics metrics(widget->font());
        area = QRect(0, 0, metrics.horizontalAdvance(static_cast<QGroupBox *>(widget)->title()) + 16, metrics.height());
    } else if (auto *box = qobject_cast<QCheckBox *>(widget)) {
        const int indicator = box->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box)
            + box->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box);
        area = box->rect().adjusted(indicator, 0, 0, 0);
    } else if (part == u"text") {
        area = qobject_cast<QLabel *>(widget) ? widget->rect() : widget->rect().adjusted(4, 4, -4, -4);
    } else if (part == u"empty" || part == u"full") {
        area = widget->rect().adjusted(3, 3, -3, -3);
    } else {
        auto *list = static_cast<QTreeWidget *>(widget);
        if (part == u"header") {
            widget = list->header();
            area = QRect(0, 0, list->columnWidth(0), widget->height()).adjusted(3, 2, -3, -2);
        } else {
            QTreeWidgetItem *selected = list->currentItem();
            QVERIFY(selected && selected->isSelected());
            QTreeWidgetItem *item = part == u"selected" ? selected : list->itemBelow(selected);
            widget = list->viewport();
            area = list->visualItemRect(item).adjusted(1, 1, -1, -1);
        }
    }
    const QImage image = m_form->grab().toImage();
    const QRect inWindow(widget->mapTo(m_form.get(), area.topLeft()), area.size());
    const double ratio = textContrast(image, inWindow & image.rect());
    if (ratio < 4.5)
        image.copy(inWindow).save(QDir::temp().filePath(QStringLiteral("contrast-%1-%2.png").arg(name, part)));
    QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("contrast %1:1").arg(ratio, 0, 'f', 2)));
}

// The countdown repaints only the caption's strip: what the screen shows must still be
// what a full repaint draws, also when the caption gets shorter.
void TestForm1::captionOnScreen()
{
    m_form->Form_Load();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    auto *list = control<QTreeWidget>("ListView1");
    auto *frame = control<QGroupBox>("Frame2");
    auto *bar = control<QProgressBar>("ProgressBar1");
    QTreeWidgetItem *chosen = list->currentItem();
    QVERIFY(chosen);
    const auto check = [&](const QString &caption) {
        QCOMPARE(frame->title(), caption);
        QCoreApplication::processEvents();
        // The caption's strip, the frame's top edge included. The bar below is left
        // out: Windows' theme draws its text a shade differently on screen than in a grab.
        const qreal ratio = m_form->devicePixelRatioF();
        const QRect strip =
            QRectF(QPointF(frame->mapTo(m_form.get(), QPoint(0, 0))) * ratio, QSizeF(frame->width(), bar->y()) * ratio)
                .toRect();
        const QImage shown =
            m_form->screen()->grabWindow(m_form->winId()).toImage().copy(strip).convertToFormat(QImage::Format_RGB32);
        const QImage drawn = m_form->grab().toImage().copy(strip).convertToFormat(QImage::Format_RGB32);
        if (shown != drawn) {
            shown.save(QDir::temp().filePath(QStringLiteral("caption-shown.png")));
            drawn.save(QDir::temp().filePath(QStringLiteral("caption-drawn.png")));
        }
        QVERIFY2(shown == drawn, qPrintable(caption));
    };
    m_form->Timer1_Timer();
    check(QStringLiteral("Next free will occur in 00:09:59"));
    list->clearSelection();
    m_form->Timer1_Timer();
    check(QStringLiteral("Choose how often to free memory in the list below."));
    list->setCurrentItem(chosen);
    m_form->Timer1_Timer();
    check(QStringLiteral("Next free will occur in 00:09:59"));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
