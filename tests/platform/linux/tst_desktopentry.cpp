#include "platform/linux/DesktopEntry.h"
#include "support/oracles/GLibWords.h"

#include <QTest>

#include <glib.h>

// Entries read as GLib's own key file reader reads them, the oracle.
class TestDesktopEntry : public QObject {
    Q_OBJECT

private slots:
    void readAsGLib_data();
    void readAsGLib();
    void words_data();
    void words();
};

void TestDesktopEntry::readAsGLib_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("bytes"); // after "[Desktop Entry]\n", unless they hold it
    QTest::addColumn<QString>("value"); // of Exec: null for none, "!" for a file not read
    QTest::addColumn<int>("flag"); // Exec as a boolean, -1 for none
    QTest::newRow("the last line, groups, blanks") << QByteArray("[Desktop Entry]\n# c\n \nExec=a\n[X]\nExec=x\n[Desktop Entry]\n \f Exec \t= \t1 \t\f\r\n[X]\nExec=x\n") << "1 \t\f" << 1;
    QTest::newRow("true") << QByteArray("Exec=true\n") << "true" << 1;
    QTest::newRow("false") << QByteArray("Exec=false\n") << "false" << 0;
    QTest::newRow("0, a last line keeps its CR") << QByteArray("Exec=0\r") << "0\r" << 0;
    QTest::newRow("no boolean") << QByteArray("Exec=truex\n") << "truex" << -1;
    QTest::newRow("escapes") << QByteArray("Exec=a\\sb\\tc\\\\d\\ne\\rf\\\"g\\\n") << "a b\tc\\d\ne\rf\\\"g" << -1;
    QTest::newRow("not UTF-8") << QByteArray("Exec=\xff\n") << QString() << -1;
    QTest::newRow("a vertical tab is no blank") << QByteArray("\vExec=v\n") << QString() << -1;
    QTest::newRow("translations, encoding, groups") << QByteArray("Exec[de_DE.UTF-8@euro]=x\nExec[a\x80\xc3\xa9]=y\nEncoding=utf-8\nExec=v\n[X] \t\x80\x9f\nEncoding=latin1\n") << "v" << -1;
    QTest::newRow("a line of no key") << QByteArray("Exec=1\njunk\n") << "!" << -1;
    QTest::newRow("a line of =") << QByteArray("=v\n") << "!" << -1;
    QTest::newRow("a line of a vertical tab") << QByteArray("\v\n") << "!" << -1;
    QTest::newRow("a key before the group") << QByteArray("Exec=v\n[Desktop Entry]\n") << "!" << -1;
    QTest::newRow("text after the group") << QByteArray("[X]x\n") << "!" << -1;
    QTest::newRow("an empty group") << QByteArray("[]\n") << "!" << -1;
    QTest::newRow("a tab in a group") << QByteArray("[a\tb]\n") << "!" << -1;
    QTest::newRow("a translation cut short") << QByteArray("Exec[d!=x\n") << "!" << -1;
    QTest::newRow("not UTF-8 in a translation") << QByteArray("Exec[\xc3]=x\n") << "!" << -1;
    QTest::newRow("text after a translation") << QByteArray("Exec[de]x=1\n") << "!" << -1;
    QTest::newRow("a blank before a translation") << QByteArray("Exec [de]=1\n") << "!" << -1;
    QTest::newRow("a ] in a key") << QByteArray("Ex]ec=1\n") << "!" << -1;
    QTest::newRow("encoding other") << QByteArray("Encoding=latin1\n") << "!" << -1;
    QTest::newRow("a NUL, refused") << QByteArray("Exec=v\n#\0\n", 10) << "!" << -1;
    // clang-format on
}

void TestDesktopEntry::readAsGLib()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, value);
    QFETCH(int, flag);
    const QByteArray file = bytes.contains("[Desktop Entry]") ? bytes : "[Desktop Entry]\n" + bytes;
    const DesktopEntry entry(file);
    const std::optional<bool> flagged = entry.boolean(QStringLiteral("Exec"));
    const QString none = QStringLiteral("<none>"), ours = entry.value(QStringLiteral("Exec")).value_or(none);
    QCOMPARE(entry.isValid(), value != u"!");
    QCOMPARE(ours, value.isNull() || value == u"!" ? none : value);
    QCOMPARE(flagged ? int(*flagged) : -1, flag);
    if (file.contains('\0'))
        return; // refused, wherever GLib stops reading
    GKeyFile *keys = g_key_file_new();
    GError *error = nullptr;
    const bool loads = g_key_file_load_from_data(keys, file.constData(), file.size(), G_KEY_FILE_NONE, nullptr);
    gchar *string = loads ? g_key_file_get_string(keys, "Desktop Entry", "Exec", nullptr) : nullptr;
    const gboolean on = loads && g_key_file_get_boolean(keys, "Desktop Entry", "Exec", &error);
    QCOMPARE(loads, entry.isKeyFile()); // what GLib kept of a file it refused is not used
    QCOMPARE(string ? QString::fromUtf8(string) : none, ours);
    QCOMPARE(!loads || error ? -1 : int(on), flag);
    g_clear_error(&error);
    g_free(string);
    g_key_file_free(keys);
}

void TestDesktopEntry::words_data()
{
    QTest::addColumn<QStringList>("lines"); // each split as GLib splits it, or refused as GLib refuses it
    // clang-format off
    QTest::newRow("GLib's splitting") << QStringList{" a\tb  c\nd 'e \"f'\"g 'h\"'' \"i\\\"j\\\\k\\$l\\`m\\xn\\\no\" p\\ q\\\nr s#t u\t#v #w x\ny",
                                                     "#a\nb", "a\n#b c", "a \"b", "a 'b", "a\\", " \t", "a #"};
    // clang-format on
}

void TestDesktopEntry::words()
{
    QFETCH(QStringList, lines);
    for (const QString &exec : lines)
        QCOMPARE(DesktopEntry::words(exec).value_or(QStringList()), glibWords(exec));
}

QTEST_GUILESS_MAIN(TestDesktopEntry)
#include "tst_desktopentry.moc"
