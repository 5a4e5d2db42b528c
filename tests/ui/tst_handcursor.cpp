#include "platform/Failure.h"
#include "support/oracles/QtCursorReading.h"
#include "ui/HandCursor.h"

#include <QTest>

class TestHandCursor : public QObject {
    Q_OBJECT
private slots:
    void picture_data();
    void picture();
};

namespace {

// A cursor of one 32-bit picture, its hotspot at 0,0: colours that differ pixel by
// pixel, all of the one alpha, and a mask that starts with the byte given.
QByteArray cursor(int width, int height, char alpha = char(0x80), char mask = 0x35)
{
    const int stride = (width + 31) / 32 * 4;
    QByteArray bytes = QByteArray::fromHex("00000200010000000000000000000000000016000000") + QByteArray(40, 0);
    bytes += QByteArray(width * height * 4, alpha) + QByteArray(stride * height, mask);
    bytes[6] = char(width), bytes[7] = char(height), bytes[22] = 40, bytes[34] = 1, bytes[36] = 32;
    qToLittleEndian<quint32>(bytes.size() - 22, bytes.data() + 14);
    qToLittleEndian<qint32>(width, bytes.data() + 26);
    qToLittleEndian<qint32>(height * 2, bytes.data() + 30);
    for (int i = 0; i < stride * height; ++i)
        bytes[bytes.size() - stride * height + i] = char(mask + i * 37);
    for (int i = 0; i < width * height; ++i)
        qToLittleEndian<quint16>(i * 2731, bytes.data() + 62 + i * 4), bytes[64 + i * 4] = char(i);
    return bytes;
}

QByteArray set(QByteArray bytes, int at, const QByteArray &with)
{
    return bytes.replace(at, with.size(), with);
}

} // namespace

void TestHandCursor::picture_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("likeQt"); // the picture is Qt's own reading
    QTest::addColumn<QString>("refused"); // the reason; "" when read
    const QByteArray c32 = cursor(32, 32), c256 = cursor(256, 256), c1 = cursor(1, 1);
    // clang-format off
    QTest::newRow("32 by 32 with alpha, file ends with its mask") << c32 << true << "";
    QTest::newRow("alpha all zero: opaque through its mask") << cursor(32, 32, 0) << false << "";
    QTest::newRow("alpha zero but the first pixel's") << set(cursor(32, 32, 0), 62 + 31 * 128 + 3, "\1") << true << "";
    QTest::newRow("alpha zero but the last pixel's") << set(cursor(32, 32, 0), 62 + 31 * 4 + 3, "\1") << true << "";
    QTest::newRow("33 wide: mask rows of 8 bytes") << cursor(33, 7, 0) << false << "";
    QTest::newRow("1 by 1") << cursor(1, 1, 0, 0x7f) << false << "";
    QTest::newRow("1 by 1 under its mask") << cursor(1, 1, 0, char(0x80)) << true << "";
    QTest::newRow("256 by 256") << c256 << true << "";
    QTest::newRow("257 wide") << set(cursor(257, 1), 6, QByteArray(1, 0)) << true << "257 by 1 pixels";
    QTest::newRow("257 high") << set(cursor(1, 257), 7, QByteArray(1, 0)) << true << "1 by 257 pixels";
    QTest::newRow("no width") << set(set(c32, 6, QByteArray(1, 0)), 26, QByteArray(4, 0)) << true << "0 by 32 pixels";
    QTest::newRow("no height") << set(set(c32, 7, QByteArray(1, 0)), 30, QByteArray(4, 0)) << true << "32 by 0 pixels";
    QTest::newRow("listed 16 wide, 32 in its header") << set(c32, 6, "\x10") << true << "";
    QTest::newRow("listed 16 high, 32 in its header") << set(c32, 7, "\x10") << true << "";
    QTest::newRow("16-bit, which Qt does not read") << set(c32, 36, "\x10") << true << "Unable to read image data";
    QTest::newRow("24-bit") << set(c32, 36, "\x18") << true << "";
    QTest::newRow("alpha all zero, mask one byte short") << set(cursor(32, 32, 0).chopped(1), 14, QByteArray::fromHex("a7100000")) << true << "";
    QTest::newRow("21 bytes") << c1.left(21) << true << "too short";
    QTest::newRow("22 bytes") << c1.left(22) << true << "outside the file";
    QTest::newRow("reserved word set") << set(c1, 0, "\1") << true << "does not start";
    QTest::newRow("an icon") << set(c1, 2, "\1") << true << "does not start";
    QTest::newRow("no images") << set(c1, 4, QByteArray(1, 0)) << true << "empty or cut short";
    QTest::newRow("4 images listed, the file as long as their list") << set(c1, 4, "\4") << true << "";
    QTest::newRow("5 images listed") << set(c1, 4, "\5") << true << "empty or cut short";
    QTest::newRow("image of 0 bytes") << set(c1, 14, QByteArray(4, 0)) << true << "outside the file";
    QTest::newRow("image one byte past the end") << set(c1, 14, "\x31") << true << "outside the file";
    QTest::newRow("image of 12 bytes") << set(c1, 14, "\x0c") << true << "";
    QTest::newRow("image of 11 bytes") << set(c1, 14, "\x0b") << true << "cut short";
    QTest::newRow("hotspot at the right edge") << set(c32, 10, "\x1f") << true << "";
    QTest::newRow("hotspot one past it") << set(c32, 10, "\x20") << true << "outside the picture";
    QTest::newRow("hotspot at the bottom edge") << set(c32, 12, "\x1f") << true << "";
    QTest::newRow("hotspot one below it") << set(c32, 12, "\x20") << true << "outside the picture";
    QTest::newRow("256 wide, hotspot at its edge") << set(c256, 10, "\xff") << true << "";
    QTest::newRow("256 wide, hotspot one past it") << set(c256, 11, "\1") << true << "outside the picture";
    QTest::newRow("listed 0 wide, 32 in its header, hotspot at 31") << set(set(c32, 6, QByteArray(1, 0)), 10, "\x1f") << true << "";
    QTest::newRow("listed 0 wide, 32 in its header, hotspot at 32") << set(set(c32, 6, QByteArray(1, 0)), 10, "\x20") << true << "outside the picture";
    QTest::newRow("listed 0 high, 32 in its header, hotspot at 32") << set(set(c32, 7, QByteArray(1, 0)), 12, "\x20") << true << "outside the picture";
    QTest::newRow("256 high, hotspot one below it") << set(c256, 13, "\1") << true << "outside the picture";
    // clang-format on
}

void TestHandCursor::picture()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, likeQt);
    QFETCH(QString, refused);
    try {
        const QImage picture = HandCursor::picture(bytes);
        QVERIFY2(refused.isEmpty(), qPrintable(refused));
        QCOMPARE(picture, expectedCursorPicture(bytes));
        QCOMPARE(picture == qtCursorReading(bytes), likeQt);
    } catch (const Failure &failure) {
        QVERIFY2(!refused.isEmpty() && QString::fromStdString(failure.what()).contains(refused), failure.what());
    }
}

QTEST_GUILESS_MAIN(TestHandCursor)
#include "tst_handcursor.moc"
