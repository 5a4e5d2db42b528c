#include "platform/Failure.h"
#include "platform/windows/RegistrySettingsStore.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>

// What the store writes reads back the same through Qt's registry reader and the
// system's reg.exe, and what they write reads back through the store, whatever
// the text. A key of the test's own, gone afterwards.
class TestRegistrySettingsStore : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void unreadableValue();
};

namespace {

const QString Product = QStringLiteral("Ramtidy test %1").arg(QRandomGenerator::global()->generate());
const QString Key = QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\Corvane\\") + Product;

// reg.exe prints "    <name>    REG_SZ    <data>"; it fails for a missing key or value.
QString regQuery(const QString &value)
{
    QProcess reg;
    reg.start(QStringLiteral("reg"), {QStringLiteral("query"), Key, QStringLiteral("/v"), value});
    if (!reg.waitForFinished(30000) || reg.exitCode() != 0)
        return QStringLiteral("<missing>");
    const QString out = QString::fromLocal8Bit(reg.readAllStandardOutput());
    return out.mid(out.indexOf(QLatin1String("REG_SZ")) + 6).section(u'\n', 0, 0).trimmed();
}

} // namespace

void TestRegistrySettingsStore::roundTrip_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("the program's own keys") << "Windows Startup"
                                            << "On";
    QTest::newRow("empty text") << "Minimized"
                                << "";
    QTest::newRow("longer than a buffer guess") << "OftenIndex" << QString(5000, u'7');
    // Generated texts: any character but NUL, which a string value cannot hold.
    QRandomGenerator generator(20261210);
    for (int row = 0; row < 8; ++row) {
        QString text;
        for (int length = generator.bounded(1, 40); length > 0; --length)
            text.append(QChar(char16_t(generator.bounded(1, 0xD800))));
        QTest::addRow("generated %d", row) << QStringLiteral("Key %1").arg(row) << text;
    }
}

void TestRegistrySettingsStore::roundTrip()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    RegistrySettingsStore store(QStringLiteral("Corvane"), Product);
    const auto cleanup = qScopeGuard([] { QSettings(Key, QSettings::NativeFormat).clear(); });
    // The first read makes nothing.
    QCOMPARE(store.read(key, QStringLiteral("default")), QStringLiteral("default"));
    QCOMPARE(regQuery(key), QStringLiteral("<missing>"));

    store.write(key, value);
    QSettings qt(Key, QSettings::NativeFormat);
    QCOMPARE(qt.value(key).toString(), value);
    static const QRegularExpression plain(QStringLiteral("^[!-~]([ -~]{0,80}[!-~])?$")); // reg.exe's code page
    if (plain.match(value).hasMatch())
        QCOMPARE(regQuery(key), value);
    qt.setValue(key, value + u'!');
    qt.sync();
    QCOMPARE(store.readAll().value(key), value + u'!');
}

// A value Qt writes as a number, or one too long, is named with its key, and the key is
// left as it is: the start's defaults would overwrite the values that read.
void TestRegistrySettingsStore::unreadableValue()
{
    RegistrySettingsStore store(QStringLiteral("Corvane"), Product);
    const auto cleanup = qScopeGuard([] { QSettings(Key, QSettings::NativeFormat).clear(); });
    store.write(QStringLiteral("Minimized"), QStringLiteral("On"));
    for (const QVariant &stored : {QVariant(3), QVariant(QString(40 * 1024, u'7'))}) {
        QSettings(Key, QSettings::NativeFormat).setValue(QStringLiteral("OftenIndex"), stored);
        QVERIFY_THROWS_EXCEPTION(Failure, store.write(QStringLiteral("Minimized"), QStringLiteral("Off")));
        try {
            store.readAll();
            QFAIL("read");
        } catch (const Failure &e) {
            QVERIFY2(
                QString::fromUtf8(e.what()).contains(Key + QStringLiteral(" was not used: its value \"OftenIndex\"")),
                e.what());
        }
    }
    QCOMPARE(regQuery(QStringLiteral("Minimized")), QStringLiteral("On"));
}

QTEST_GUILESS_MAIN(TestRegistrySettingsStore)
#include "tst_registrysettingsstore.moc"
