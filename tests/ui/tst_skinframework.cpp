#include "platform/Failure.h"
#include "platform/linux/PosixFileSystem.h"
#include "ui/SkinFramework.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
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
    skin("escape before a quote", "QPushButton { color: \\\"; qproperty-text: Pwned; x: \"a\\\"b\"; } QLabel { color: \\'; font: 30px; x: 'a\\'b'; }", "", "^QPushButton \\{ color: \\\\\"; x: \"a\\\\\"b\"; \\}\nQLabel \\{ color: \\\\'; x: 'a\\\\'b'; \\}\n$");
    skin("comment inside quotes", "QPushButton { x: \"/*\"; min-height: 120px; y: '*/'; color:/**/navy }", "", "^QPushButton \\{ x: \"/\\*\"; y: '\\*/'; color: navy; \\}\n$");
    skin("character code in quotes", "QPushButton { x: \"\\22; qproperty-text: Pwned; y: \\22\" }", "line 1: a \"\\\\\" before a hex digit", "");
    skin("character code in a comment", "QLabel { color: navy }\n/* \\2a/ QPushButton { qproperty-text: Pwned } */", "line 2: a \"\\\\\" before a hex digit", "");
    skin("escape before a blank", "QPushButton { color: navy\\ ; }", "line 1: a \"\\\\\" is followed by nothing", "");
    skin("escape at the end", "QPushButton { color: navy }\\", "line 1: a \"\\\\\" is followed by nothing", "");
    skin("escaped line end in quotes", "QLabel { x: \"a\\\nb\"; color: navy }", "", "^QLabel \\{ x: \"a\\\\\nb\"; color: navy; \\}\n$");
    skin("line end in quotes", "QLabel { color: navy }\nQLabel { x: \"a\nb\" }", "line 2: a quoted text runs past", "");
    skin("carriage return in quotes", "QLabel { x: 'a\rb' }", "line 1: a quoted text runs past", "");
    skin("form feed in quotes", "QLabel { x: 'a\fb' }", "line 1: a quoted text runs past", "");
    skin("quotes not closed", "QLabel { x: 'a }", "line 1: a quoted text is not closed", "");
    skin("comment not closed", "QLabel { color: navy }\n/* x", "line 2: a comment is not closed", "");
    skin("rule Qt cannot read", "QLabel { color: navy }\n\nQLabel!x { color: red }\nQFrame { color: red }", "line 3: Qt cannot read this rule", "");
    skin("names as Qt folds them", "QCheckBox { \u017Fpacing: 300px; FONT-size: 30px; MIN-HEIGHT: 9px; color: navy }", "", "^QCheckBox \\{ color: navy; \\}\n$");
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
    skin("skin sets a caption and room", "QPushButton { qproperty-text: \"Pause\"; padding: 40px; margin: 9px; border-left: 5px solid red; color: red; }", "", "^QPushButton \\{ border-left: 2px solid red; color: red; \\}\n$");
    skin("skin moves captions", "QCheckBox { spacing: 300px; padding-left: 9px; color: navy } QGroupBox::title { left: 400px; top: 9px; " "margin-top: 9px } QPushButton { border: dashed 9pt blue; border-width: 1px 0.5em; icon-size: 90px; min-height: 90px }", "", "^QCheckBox \\{ color: navy; \\}\nQGroupBox::title \\{ \\}\nQPushButton \\{ border: dashed 2px blue; border-width: 1px 2px; \\}\n$");
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
        skin.setKeepFonts(true);
        skin.setKeepSizes(true);
        skin.ApplyWindow(&window);
        messages = skin.refusedPictures();
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

QTEST_MAIN(TestSkinFramework)
#include "tst_skinframework.moc"
