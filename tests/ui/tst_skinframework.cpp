#include "platform/Failure.h"
#include "platform/linux/PosixFileSystem.h"
#include "support/doubles/FakePlatform.h"
#include "ui/Contrast.h"
#include "ui/Form1.h"
#include "ui/FrameStyle.h"
#include "ui/QtCss.h"
#include "ui/SkinFramework.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>

class TestSkinFramework : public QObject {
    Q_OBJECT

private slots:
    void wear_data();
    void wear();
    void qtCss_data();
    void qtCss();
    void skinnedWindow_data();
    void skinnedWindow();
};

// A skin as the window wears it: the messages, the sheet worn, and what Qt makes of it.
void TestSkinFramework::wear_data()
{
    // clang-format off
    QTest::addColumn<QString>("sheet"); // url(WxH[_bytes][_tag].png), url(fifo) and url(link.png) name pictures made beside it
    QTest::addColumn<QString>("told"); // a pattern of the messages; "" for none
    QTest::addColumn<QString>("worn"); // the style sheet worn, a pattern; "" for none
    QTest::addColumn<int>("descriptors"); // the process's limit while it loads and draws; 0 as it is
    const auto skin = [](const char *name, const QString &sheet, const char *told, const char *worn, int descriptors = 0) {
        QTest::newRow(name) << sheet << QString::fromUtf8(told) << QString::fromUtf8(worn) << descriptors;
    };
    const auto pictures = [](int count) { // a rule and a picture of 1 by 1 each
        QString sheet; for (int i = 1; i <= count; ++i) sheet += QStringLiteral("#p%1 { image: url(1x1_p%1.png) }\n").arg(i); return sheet; };
    skin("300 pictures under 128 descriptors", pictures(300), "1x1_p65\\.png and those named after it .* at most 64 pictures", "#p64 \\{ image: url\\(/proc/self/fd/\\d+\\); \\}\n#p65 \\{ \\}\n", 128);
    skin("a large picture, then a small one", "QLabel { image: url(1000x600.png) } QFrame { image: url(8x8.png) }", "", "^QLabel \\{ image: url\\(/proc/self/fd/\\d+\\); \\}\nQFrame \\{ image: url\\(/proc/self/fd/\\d+\\); \\}\n$");
    skin("escape before a quote", "QPushButton { color: \\\"; qproperty-text: Pwned; background: \"a\\\"b\"; } QLabel { color: \\'; font: 30px; background: 'a\\'b'; }", "\"qproperty-text\" at line 1(.*\n)+.*\"font\" at line 1", "^QPushButton \\{ color: \\\\\"; background: \"a\\\\\"b\"; \\}\nQLabel \\{ color: \\\\'; background: 'a\\\\'b'; \\}\n$");
    skin("comment inside quotes", "QPushButton { background: \"/*\"; min-height: 120px; border-color: '*/'; color:/**/navy }", "\"min-height\" at line 1", "^QPushButton \\{ background: \"/\\*\"; border-color: '\\*/'; color: navy; \\}\n$");
    skin("character code in quotes", "QPushButton { x: \"\\22; qproperty-text: Pwned; y: \\22\" }", "line 1: a \"\\\\\" before a hex digit", "");
    skin("character code in a comment", "QLabel { color: navy }\n/* \\2a/ QPushButton { qproperty-text: Pwned } */", "line 2: a \"\\\\\" before a hex digit", "");
    skin("escape before a blank", "QPushButton { color: navy\\ ; }", "line 1: a \"\\\\\" is followed by nothing", "");
    skin("escape at the end", "QPushButton { color: navy }\\", "line 1: a \"\\\\\" is followed by nothing", "");
    skin("escaped line end in quotes", "QLabel { background: \"a\\\nb\"; color: navy }", "", "^QLabel \\{ background: \"a\\\\\nb\"; color: navy; \\}\n$");
    skin("line end in quotes", "QLabel { color: navy }\nQLabel { x: \"a\nb\" }", "line 2: a quoted text runs past", "");
    skin("carriage return in quotes", "QLabel { x: 'a\rb' }", "line 1: a quoted text runs past", "");
    skin("form feed in quotes", "QLabel { x: 'a\fb' }", "line 1: a quoted text runs past", "");
    skin("quotes not closed", "QLabel { x: 'a }", "line 1: a quoted text is not closed", "");
    skin("comment not closed", "QLabel { color: navy }\n/* x", "line 2: a comment is not closed", "");
    skin("rule Qt cannot read", "QLabel { color: navy }\n\nQLabel!x { color: red }\nQFrame { color: red }", "line 3: Qt cannot read this rule", "");
    skin("names as Qt folds them", "QCheckBox { \u017Fpacing: 300px; FONT-size: 30px; MIN-HEIGHT: 9px; color: navy }", "\"spacing\" at line 1(.*\n)+.*\"font-size\"(.*\n)+.*\"min-height\"", "^QCheckBox \\{ color: navy; \\}\n$");
    skin("border widths as Qt reads them", "QPushButton { border-width: medium +5px 50% 1.5pt; border-top: +5e1px solid; border: 1px/9px solid rgb(9, 9, 9); " "border-left: 1.6pt solid; border-right: 0em solid; border-bottom: .1em solid; border-top: -5px }", "", "^QPushButton \\{ border-width: 2px 2px 2px 1.5pt; " "border-top: 2px solid; border: 1px/2px solid rgb\\(9, 9, 9\\); border-left: 2px solid; border-right: 0em solid; border-bottom: 2px solid; border-top: 2px; \\}\n$");
    skin("selector without a rule", "QLabel { color: navy }\nQLabel;", "line 2: a selector is not followed by", "");
    skin("rule without a selector", "{ color: navy }", "line 1: a rule has no selector", "");
    skin("rule opened twice", "QLabel { color: navy {", "the rule for \"QLabel\" is not closed", "");
    skin("declaration without a colon", "QLabel { navy }", "\"navy\" is not a property", "");
    skin("declaration without a name", "QLabel { : navy }", "\": navy\" is not a property", "");
    skin("escape in a name", "QLabel { qpropert\\y-text: navy }", "is not a property", "");
    skin("declaration without a value", "QLabel { color: }", "\"color:\" is not a property", "");
    skin("empty declarations", "QLabel { ; color: navy;; }", "", "^QLabel \\{ color: navy; \\}\n$");
    skin("parenthesis not opened", "QLabel { color: rgb(0, 0, 0)) }", "a \"\\)\" has no", "");
    skin("parenthesis not closed", "QLabel { color: rgb(0; 0, 0 }", "a \"\\(\" is not closed", "");
    skin("url with escapes", "QLabel { image: u\\rl(8x8.png); color: navy }", "cannot read the file name", "^QLabel \\{ color: navy; \\}\n$");
    skin("picture too high", "QLabel { image: url(8x1025.png) }", "8 × 1025 pixels", "^QLabel \\{ \\}\n$");
    skin("pictures a pixel too many together", "QLabel { image: url(1024x1024.png) } QFrame { image: url(1x1.png) }", "more than 1048576 pixels", "^QLabel \\{ image: url\\(/proc/self/fd/\\d+\\); \\}\nQFrame \\{ \\}\n$");
    skin("part pictures a pixel too wide or high", "QCheckBox::indicator { image: url(17x16.png) } QCheckBox::indicator:checked { image: url(16x17.png) } " "QCheckBox::indicator:hover { background-image: url(40x40.png) }", "", "^QCheckBox::indicator \\{ \\}\nQCheckBox::indicator:checked \\{ \\}\n" "QCheckBox::indicator:hover \\{ background-image: url\\(/proc/self/fd/\\d+\\); \\}\n$");
    skin("picture of 8 MiB and one byte more", "QLabel { image: url(8x8_8388608.png) } QFrame { image: url(8x8_8388609.png) }", "8x8_8388609\\.png", "^QLabel \\{ image: url\\(/proc/self/fd/\\d+\\); \\}\nQFrame \\{ \\}\n$");
    skin("skin of 256 KiB and one byte", "QLabel { color: navy } /*" + QString(256 * 1024 - 26, u' ') + "*/", "o\\.cjs", "");
    skin("skin sets a caption and room", "QPushButton { qproperty-text: \"Pause\"; padding: 40px; margin: 9px; border-left: 5px solid red; color: red; }", "\"qproperty-text\"(.*\n)+.*\"padding\"(.*\n)+.*\"margin\"", "^QPushButton \\{ border-left: 2px solid red; color: red; \\}\n$");
    skin("skin moves captions", "QCheckBox { spacing: 300px; padding-left: 9px; color: navy } QGroupBox::title { left: 400px; top: 9px; " "margin-top: 9px } QPushButton { border: dashed 9pt blue; border-width: 1px 0.5em; icon-size: 90px; min-height: 90px }", "\"spacing\"(.*\n)+.*\"left\" at line 1(.*\n)+.*\"margin-top\"(.*\n)+.*\"icon-size\"", "^QCheckBox \\{ color: navy; \\}\nQGroupBox::title \\{ \\}\nQPushButton \\{ border: dashed 2px blue; border-width: 1px 2px; \\}\n$");
    skin("malformed skin", "QLabel { color: red", "malformed at line 1: the rule for \"QLabel\" is not closed", "");
    skin("skin of comments only", "/* nothing */", "holds no rule", "");
    skin("skin picture on the buttons", "QPushButton { background-image: url(600x400.png) } QPushButton:hover { background: url(\"600x400.png\") }", "", "^QPushButton \\{ background-image: url\\(/proc/self/fd/(\\d+)\\); \\}\nQPushButton:hover \\{ background: url\\(/proc/self/fd/\\1\\); \\}\n$");
    skin("skin picture sizes a part", "QCheckBox::indicator { image: url(300x17.png) } QCheckBox::indicator:checked { image: url(16x16.png) }", "", "^QCheckBox::indicator \\{ \\}\nQCheckBox::indicator:checked \\{ image: url\\(/proc/self/fd/\\d+\\); \\}\n$");
    skin("skin picture too large", "QPushButton { background-image: url(1025x8.png); color: red } QLabel { image: url(1024x1024.png) }", "1025 × 8 pixels", "^QPushButton \\{ color: red; \\}\nQLabel \\{ image: url\\(/proc/self/fd/\\d+\\); \\}\n$");
    skin("skin of 256 KiB", "QLabel { color: navy } /*" + QString(256 * 1024 - 27, u' ') + "*/", "", "^QLabel \\{ color: navy; \\}\n$");
    skin("skin pictures too large together", "QLabel { image: url(1000x600.png) } QPushButton { image: url(1000x600.png) }", "more than 1048576 pixels", "^QLabel \\{ image: url\\(/proc/self/fd/\\d+\\); \\}\nQPushButton \\{ \\}");
    skin("skin picture a FIFO", "QLabel { image: url(fifo); color: navy }", "fifo", "^QLabel \\{ color: navy; \\}\n$");
    skin("skin picture a link", "QLabel { image: url('link.png') }", "link.png", "^QLabel \\{ \\}\n$");
    skin("skin picture outside its folder", "QLabel { image: url(../x/8x8.png) } QFrame { image: url(/8x8.png) } QMenu { image: url(8x8 .png) }", "\\.\\./x/8x8\\.png", "^QLabel \\{ \\}\nQFrame \\{ \\}\nQMenu \\{ \\}\n$");
    // clang-format on
}

void TestSkinFramework::wear()
{
    QFETCH(QString, sheet);
    QFETCH(QString, told);
    QFETCH(QString, worn);
    QFETCH(int, descriptors);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile file(folder.filePath(QStringLiteral("o.cjs")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(sheet.toUtf8()) == sheet.toUtf8().size());
    file.close();
    const QRegularExpression named(QStringLiteral("url\\(['\"]?((\\d+)x(\\d+)(?:_(\\d+))?\\w*|fifo|link)"));
    for (const QRegularExpressionMatch &picture : named.globalMatch(sheet + QStringLiteral("url(8x8"))) {
        const QString name = folder.filePath(picture.captured(1));
        if (name.endsWith(u"fifo"))
            QCOMPARE(mkfifo(QFile::encodeName(name).constData(), 0600), 0);
        else if (name.endsWith(u"link"))
            QVERIFY(QFile::link(folder.filePath(QStringLiteral("8x8.png")), name + QStringLiteral(".png")));
        else
            QVERIFY(QImage(picture.captured(2).toInt(), picture.captured(3).toInt(), QImage::Format_RGB32)
                        .save(name + QStringLiteral(".png")));
        if (!picture.captured(4).isEmpty())
            QVERIFY(QFile::resize(name + QStringLiteral(".png"), picture.captured(4).toLongLong()));
    }
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
    const auto restore = qScopeGuard([&] { setrlimit(RLIMIT_NOFILE, &saved); });
    const rlimit lowered = {descriptors > 0 ? rlim_t(descriptors) : saved.rlim_cur, saved.rlim_max};
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &lowered), 0);

    PosixFileSystem files;
    SkinFramework skin;
    QWidget window;
    QPushButton button(QStringLiteral("Turn Off Auto Free"), &window);
    QStringList messages;
    try {
        skin.LoadSkin(files, file.fileName(), QString());
        skin.setOptions(SkinFramework::WindowOnly);
        skin.ApplyWindow(&window);
        messages = skin.leftOut();
    } catch (const Failure &failure) {
        messages.append(QString::fromStdString(failure.what()));
    }
    const QString text = messages.join(u'\n');
    QVERIFY2(told.isEmpty() ? text.isEmpty() : text.contains(QRegularExpression(told)), qPrintable(text));
    for (const QString &message : std::as_const(messages)) // each names the file, and what to do
        QVERIFY2(message.contains(folder.path()), qPrintable(message));
    QVERIFY2(worn.isEmpty() ? window.styleSheet().isEmpty() : window.styleSheet().contains(QRegularExpression(worn)),
             qPrintable(window.styleSheet()));
    QVERIFY(!window.styleSheet().contains(QRegularExpression(QStringLiteral("(qproperty-|padding|margin)[a-z-]*:"))));
    // What Qt makes of it: the caption, the font and the room stay; each picture kept is drawn.
    button.ensurePolished();
    QCOMPARE(button.text(), QStringLiteral("Turn Off Auto Free"));
    QCOMPARE(button.font(), QApplication::font(&button));
    QCOMPARE(button.minimumSize(), QSize(0, 0));
    for (const QRegularExpressionMatch &kept :
         QRegularExpression(QStringLiteral("url\\((/proc/self/fd/\\d+)\\)")).globalMatch(window.styleSheet()))
        QVERIFY2(!QPixmap(kept.captured(1)).isNull(), qPrintable(kept.captured(1)));
}

// What the skin check relies on of Qt's private style-sheet parser: the property Qt
// reads from a name, and the colour from a value (where QColor reads it too, the same).
void TestSkinFramework::qtCss_data()
{
    // clang-format off
    QTest::addColumn<QString>("declaration");
    QTest::addColumn<int>("kind"); // QtCss::Kind: 0 refused, 1 allowed, 2 border width
    QTest::addColumn<QColor>("colour"); // as Qt reads the value, palette(button) being #123456
    const QStringList rows = {"color: rgb(255, 255, 255)|1|#ffffff", "COLOR: transparent|1|#00000000", "background-color: rgba(0, 0, 0, 0)|1|#00000000",
        "selection-color: hsl(120, 100%, 25%)|1|#008000", "color: palette(button)|1|#123456", "alternate-background-color: navy|1|#000080",
        "background: qlineargradient(x1: 0, y1: 0, x2: 1, y2: 0, stop: 0 red, stop: 1 blue)|1|", "image: url(a.png)|1|", "background-image: url(a.png)|1|",
        "border: 9px solid red|2|", "border-left-width: 9px|2|", "border-top-color: red|1|#ff0000", "border-top-left-radius: 4px|1|",
        "text-transform: uppercase|0|", "text-decoration: line-through|0|", "letter-spacing: 8px|0|", "word-spacing: 20px|0|", "FONT-size: 30px|0|",
        "qproperty-text: Pwned|0|", "padding: 9px|0|", "left: 9px|0|", "text-align: left|0|", "x: 1|0|"};
    for (const QString &row : rows)
        QTest::newRow(qPrintable(row.section(u'|', 0, 0))) << row.section(u'|', 0, 0) << row.section(u'|', 1, 1).toInt() << QColor::fromString(row.section(u'|', 2));
    // clang-format on
}

void TestSkinFramework::qtCss()
{
    QFETCH(QString, declaration);
    QFETCH(int, kind);
    QFETCH(QColor, colour);
    QCOMPARE(int(QtCss::kindOf(declaration.section(u':', 0, 0))), kind);
    const QString value = declaration.section(u':', 1).trimmed();
    const QColor qt = QtCss::colour(value, QPalette(QColor(0x12, 0x34, 0x56))); // its button and window colour
    QCOMPARE(qt.name(QColor::HexArgb), colour.name(QColor::HexArgb)); // both invalid are named alike
    QCOMPARE(qt.isValid(), colour.isValid());
    if (QColor::fromString(value).isValid())
        QCOMPARE(qt, QColor::fromString(value));
}

// A sheet of rules drawn from what a skin could hold, seeded by its number.
static QString generatedSheet(quint32 seed)
{
    // clang-format off
    const QStringList selectors = QStringLiteral("*|QWidget|QPushButton|QPushButton:hover|QLabel|#lblFreeRAM|QCheckBox|QCheckBox::indicator|QGroupBox|QGroupBox::title|QProgressBar|QProgressBar::chunk|#Form1|QMainWindow|QFrame").split(u'|');
    const QStringList colours = QStringLiteral("#1f3a5a|#fff|white|black|navy|transparent|rgb(255,255,255)|rgba(0,0,0,0)|rgba(0, 0, 0, 120)|hsl(210, 50%, 25%)|hsla(0, 0%, 100%, 0.5)|palette(window)|palette(button-text)|palette(base)|#808080|rgb(40,40,40)|qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #fff, stop:1 #000)").split(u'|');
    const QStringList pictures = QStringLiteral("url(noise.png)|url(sub/noise.png)|url(plain.png)").split(u'|');
    const QStringList properties = QStringLiteral("color|color|background|background-image|text-transform: uppercase|text-decoration: line-through|text-decoration: underline|letter-spacing: 8px|word-spacing: 20px|font: bold 20px|padding: 9px|margin-top: 12px|min-height: 60px|qproperty-text: Pwned|spacing: 40px|left: 30px|subcontrol-origin: margin|text-align: left|border: 9px solid red|border-width: 1px 5px|border-radius: 6px|image-position: right").split(u'|');
    // clang-format on
    QRandomGenerator random(seed);
    const auto pick = [&](const QStringList &from) { return from[random.bounded(qsizetype(from.size()))]; };
    QString sheet;
    for (int rule = 0, rules = 1 + random.bounded(5); rule < rules; ++rule) {
        sheet += pick(selectors) + u'{';
        for (int i = 0, n = 1 + random.bounded(4); i < n; ++i) {
            const QString property = pick(properties);
            sheet += property.contains(u':')
                ? property + u';'
                : property + u':' + pick(property.endsWith(u"image") ? pictures : colours) + u';';
        }
        sheet += QStringLiteral("}\n");
    }
    return sheet;
}

static QImage rendered(QWidget *window)
{
    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    window->render(&image);
    return image;
}

// Each text of the window as drawn: the pixels it covers at least half, from its
// top-left one, and its least contrast, in the colour of the pixel it covers most,
// against what is drawn behind each pixel it touches (1 where it shows nowhere).
struct DrawnText {
    QSet<QPoint> shape;
    double contrast = 1;
};
static QHash<QString, DrawnText> drawnTexts(QWidget *window)
{
    const QImage withText = rendered(window);
    const FrameStyle::Withheld withheld;
    const QImage behind = rendered(window);
    const auto distance = [](const QColor &a, const QColor &b) {
        return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
    };
    QHash<QString, DrawnText> texts;
    for (const FrameStyle::Text &text : withheld.texts()) {
        QList<QPoint> touched, covered;
        QColor drawn;
        QRect bounds;
        DrawnText &seen = texts[text.text];
        for (int y = text.area.top(); y <= text.area.bottom(); ++y)
            for (int x = text.area.left(); x <= text.area.right(); ++x)
                if (behind.valid(x, y) && withText.pixel(x, y) != behind.pixel(x, y)) {
                    touched.append({x, y});
                    if (const double ratio = Contrast::ratio(withText.pixelColor(x, y), behind.pixelColor(x, y));
                        ratio > seen.contrast)
                        seen.contrast = ratio, drawn = withText.pixelColor(x, y);
                }
        for (const QPoint &pixel : std::as_const(touched)) {
            const QColor under = behind.pixelColor(pixel);
            seen.contrast = std::min(seen.contrast, Contrast::ratio(drawn, under));
            if (2 * distance(withText.pixelColor(pixel), under) >= distance(drawn, under))
                covered.append(pixel), bounds |= QRect(pixel, QSize(1, 1));
        }
        for (const QPoint &pixel : std::as_const(covered))
            seen.shape.insert(pixel - bounds.topLeft());
    }
    return texts;
}

// The sample skin, the fuzzer's seeds and generated sheets, each worn by the window.
void TestSkinFramework::skinnedWindow_data()
{
    QTest::addColumn<QString>("sheet");
    QDir corpus(qEnvironmentVariable("RAMTIDY_FIXTURES") + QStringLiteral("/../../../fuzz/corpus/fuzz_skin"));
    const QStringList files = corpus.entryList(QDir::Files) << qEnvironmentVariable("RAMTIDY_SAMPLE_SKIN");
    for (const QString &name : files) {
        QFile file(corpus.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTest::newRow(qPrintable(name)) << QString::fromUtf8(file.readAll());
    }
    for (quint32 seed = 1; seed <= 40; ++seed)
        QTest::newRow(qPrintable(QStringLiteral("generated %1").arg(seed))) << generatedSheet(seed);
}

// Worn or refused, a skin leaves every control its text, as a screen reader reads it
// and as drawn, its place and whether it shows; every text stands out 4.5:1 from the
// pixels behind it, and no picture outside the skin's folder (9 by 9, through the link
// x/sub) is worn.
void TestSkinFramework::skinnedWindow()
{
    QFETCH(QString, sheet);
    QTemporaryDir folder;
    const QDir program(folder.path());
    QVERIFY(program.mkpath(QStringLiteral("x")) && program.mkpath(QStringLiteral("outside")));
    QImage noise(64, 64, QImage::Format_RGB32), plain(8, 8, QImage::Format_RGB32);
    for (int at = 0; at < 64 * 64; ++at)
        noise.setPixel(at % 64, at / 64, QRandomGenerator(at).generate() | 0xff000000);
    plain.fill(QColor(0xee, 0xee, 0xee));
    QVERIFY(noise.save(program.filePath(QStringLiteral("x/noise.png")))
            && plain.save(program.filePath(QStringLiteral("x/plain.png")))
            && QImage(9, 9, QImage::Format_RGB32).save(program.filePath(QStringLiteral("outside/noise.png")))
            && QFile::link(program.filePath(QStringLiteral("outside")), program.filePath(QStringLiteral("x/sub"))));
    QFile file(program.filePath(QStringLiteral("x/o.cjs")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(sheet.toUtf8()) == sheet.toUtf8().size() && file.flush());
    FakePlatform platform;
    Form1 plainWindow(platform.services());
    platform.process.folder = folder.path();
    Form1 skinned(platform.services());
    for (QWidget *control : plainWindow.findChildren<QWidget *>() + skinned.findChildren<QWidget *>())
        if (qobject_cast<QLabel *>(control) || qobject_cast<QPushButton *>(control)) // as when skinned
            control->setStyle(FrameStyle::instance());
    try {
        skinned.ApplySkin();
    } catch (const Failure &) {
    }
    for (const QRegularExpressionMatch &worn :
         QRegularExpression(QStringLiteral("url\\((/proc/self/fd/\\d+)\\)")).globalMatch(skinned.styleSheet()))
        QVERIFY(QImage(worn.captured(1)).size() != QSize(9, 9));
    if (sheet.startsWith(QStringLiteral("#Form1 { background-image: url(plain.png)"))) // shows between the frames
        QCOMPARE(rendered(&skinned).pixelColor(4, 4), plain.pixelColor(0, 0));
    for (QWidget *control : skinned.findChildren<QWidget *>(QRegularExpression(QStringLiteral("^(?!qt_).")))) {
        QWidget *original = plainWindow.findChild<QWidget *>(control->objectName());
        QCOMPARE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name),
                 QAccessible::queryAccessibleInterface(original)->text(QAccessible::Name));
        QCOMPARE(control->geometry(), original->geometry());
        QCOMPARE(control->isHidden(), original->isHidden());
        if (control->objectName() == u"Check8")
            control->show(), original->show();
    }
    const QHash<QString, DrawnText> before = drawnTexts(&plainWindow), after = drawnTexts(&skinned);
    // The same glyphs in the same places, but for at most an eighth of their edges: a
    // title placed half a pixel over is drawn with other edges, so a pixel with one of
    // the other beside it matches.
    const auto unmatched = [](const QSet<QPoint> &a, const QSet<QPoint> &b) {
        return std::count_if(a.cbegin(), a.cend(), [&](const QPoint &p) {
            return !b.contains(p) && !b.contains(p + QPoint(1, 0)) && !b.contains(p - QPoint(1, 0));
        });
    };
    for (auto text = before.cbegin(); text != before.cend(); ++text) {
        const DrawnText &worn = after[text.key()];
        const qsizetype differing = unmatched(text->shape, worn.shape) + unmatched(worn.shape, text->shape);
        QVERIFY2(differing * 8 <= text->shape.size(),
                 qPrintable(text.key() + QStringLiteral(" drawn otherwise in ") + skinned.styleSheet()));
        // Drawn in 8-bit colours, a ratio is measured to about a hundredth.
        QVERIFY2(worn.contrast >= Contrast::MinimumForText - 0.02,
                 qPrintable(QStringLiteral("%1 at %2:1").arg(text.key()).arg(worn.contrast)));
    }
}

QTEST_MAIN(TestSkinFramework)
#include "tst_skinframework.moc"
