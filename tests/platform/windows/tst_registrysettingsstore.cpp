#include "platform/windows/RegistrySettingsStore.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QTest>

// Values written by the store must read back the same through Qt's registry
// reader and through the system's own reg.exe, and values they write through the
// store, whatever the text.
class TestRegistrySettingsStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstRunReadsNothingAndMakesNothing();
    void roundTrip_data();
    void roundTrip();

private:
    static QString regQuery(const QString &value);
    QString m_product;
};

namespace {

const QString Maker = QStringLiteral("Corvane");

QString registryPath(const QString &product)
{
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") + Maker + u'\\' + product;
}

} // namespace

void TestRegistrySettingsStore::init()
{
    m_product = QStringLiteral("Ramtidy test %1").arg(QRandomGenerator::global()->generate());
}

void TestRegistrySettingsStore::cleanup()
{
    QSettings(registryPath(m_product), QSettings::NativeFormat).clear();
}

// reg.exe prints "    <name>    REG_SZ    <data>" for a value, and fails for a missing key.
QString TestRegistrySettingsStore::regQuery(const QString &value)
{
    QProcess reg;
    reg.start(QStringLiteral("reg"),
              {QStringLiteral("query"), registryPath(value.section(u'|', 0, 0)), QStringLiteral("/v"),
               value.section(u'|', 1)});
    if (!reg.waitForFinished(30000) || reg.exitCode() != 0)
        return QStringLiteral("<missing>");
    const QString out = QString::fromLocal8Bit(reg.readAllStandardOutput());
    const qsizetype at = out.indexOf(QLatin1String("REG_SZ"));
    return at < 0 ? QStringLiteral("<not a string>") : out.mid(at + 6).section(u'\n', 0, 0).trimmed();
}

void TestRegistrySettingsStore::firstRunReadsNothingAndMakesNothing()
{
    RegistrySettingsStore store(Maker, m_product);
    QVERIFY(store.readAll().isEmpty());
    QCOMPARE(store.read(QStringLiteral("OftenIndex"), QStringLiteral("2")), QStringLiteral("2"));
    QCOMPARE(regQuery(m_product + QStringLiteral("|OftenIndex")), QStringLiteral("<missing>"));
    QVERIFY(!QSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") + Maker,
                       QSettings::NativeFormat)
                 .childGroups()
                 .contains(m_product));
}

void TestRegistrySettingsStore::roundTrip_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("the program's own keys") << "Windows Startup"
                                            << "On";
    QTest::newRow("empty text") << "Minimized"
                                << "";
    QTest::newRow("not Latin-1") << "StartStopState" << QString::fromUtf8("Aus \xe2\x80\x94 \xe6\x97\xa5");
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
    RegistrySettingsStore store(Maker, m_product);
    store.write(key, value);
    QSettings qt(registryPath(m_product), QSettings::NativeFormat);
    QCOMPARE(qt.value(key).toString(), value);
    QCOMPARE(store.readAll().value(key), value);
    // reg.exe prints through the console's code page: plain text only.
    static const QRegularExpression plain(QStringLiteral("^[!-~]([ -~]{0,80}[!-~])?$"));
    if (plain.match(value).hasMatch())
        QCOMPARE(regQuery(m_product + u'|' + key), value);

    // And what another writer stored is read as it stored it.
    qt.setValue(key, value + u'!');
    qt.sync();
    QCOMPARE(store.readAll().value(key), value + u'!');
}

QTEST_GUILESS_MAIN(TestRegistrySettingsStore)
#include "tst_registrysettingsstore.moc"
