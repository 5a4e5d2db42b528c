#include "platform/Failure.h"
#include "platform/linux/DesktopEntry.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/XdgAutostart.h"
#include "support/doubles/FakeEnvironment.h"
#include "support/oracles/GLibWords.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <glib.h>

// Entries read as a session reads them, GLib's own reader the oracle, and edited by a click.
class TestDesktopEntry : public QObject {
    Q_OBJECT

private slots:
    void init();
    void readAsGLib_data();
    void readAsGLib();
    void words_data();
    void words();
    void autostartExec_data();
    void autostartExec();
    void autostartEntries_data();
    void autostartEntries();
    void inEffect_data();
    void inEffect();

private:
    QString text(QByteArray bytes, const XdgAutostart &autostart) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_opener;
};

void TestDesktopEntry::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_opener = m_dir->filePath(QStringLiteral("opener"));
    QFile script(m_opener);
    QVERIFY(script.open(QIODevice::WriteOnly));
    QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
}

// "ours" and "opt-out" stand for what the program writes, @ for the program, ^ for its folder.
QString TestDesktopEntry::text(QByteArray bytes, const XdgAutostart &autostart) const
{
    if (bytes.startsWith("ours"))
        bytes.replace("ours", autostart.entryText(m_opener).toUtf8());
    return bytes == "opt-out"
        ? autostart.hiddenEntryText()
        : QString::fromUtf8(bytes.replace('@', m_opener.toUtf8()).replace('^', m_dir->path().toUtf8()));
}

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

void TestDesktopEntry::autostartExec_data()
{
    // clang-format off
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << "/usr/lib/ramtidy/ramtidy" << "\"/usr/lib/ramtidy/ramtidy\"";
    QTest::newRow("blanks") << "/opt/my tools/ramtidy" << "\"/opt/my tools/ramtidy\"";
    QTest::newRow("quote, dollar, backtick") << "/o/\"$(x)`y`/r" << "\"/o/\\\\\"\\\\$(x)\\\\`y\\\\`/r\"";
    QTest::newRow("backslash") << "/o/a\\b/r" << "\"/o/a\\\\\\\\b/r\"";
    QTest::newRow("percent") << "/o/100%/r" << "\"/o/100%%/r\"";
    // clang-format on
}

void TestDesktopEntry::autostartExec()
{
    QFETCH(QString, path);
    QFETCH(QString, exec);
    QCOMPARE(XdgAutostart::execArgument(path), exec);
}

// The user's entry (a link into a dotfiles folder, unless "plain:") and the machine-wide one,
// before and after a click.
void TestDesktopEntry::autostartEntries_data()
{
    // clang-format off
    QTest::addColumn<bool>("tick");
    QTest::addColumn<QByteArrayList>("before");
    QTest::addColumn<QByteArrayList>("after"); // "refused": the click fails, nothing changes
    const QByteArray none, ours = "ours";
    const QByteArray own = "# mine\n[Desktop Entry]\nName=Tidy\nName[de]=Aufr\xc3\xa4umen\nType=Application\n"
                           "Exec=\"@\" --quiet %U\nX-GNOME-Autostart-Delay=30\nOnlyShowIn=XFCE;GNOME;\n\n[A]\nExec=b\nTryExec=/nonexistent\n";
    const QByteArray hidden = QByteArray(own).replace(";\n\n", ";\nHidden=true\n\n");
    const QByteArray env = "[Desktop Entry]\nType=Application\nName=T\nExec=env -u X  -C / \"FOO=a b\" @ --quiet\n";
    QTest::newRow("tick: our opt-out goes") << true << QByteArrayList{"plain:opt-out", ours} << QByteArrayList{none, ours};
    QTest::newRow("untick: ours goes") << false << QByteArrayList{"plain:ours", none} << QByteArrayList{none, none};
    QTest::newRow("untick: the user's own hidden") << false << QByteArrayList{own, ours} << QByteArrayList{hidden, none};
    QTest::newRow("tick: the user's own shown") << true << QByteArrayList{hidden, none} << QByteArrayList{own, none};
    QTest::newRow("tick: the user's own, program moved") << true << QByteArrayList{QByteArray(own).replace("\"@\"", "/opt/old/ramtidy"), none} << QByteArrayList{own, none};
    // A link of ours stays a link: hidden through it, shown again through it.
    QTest::newRow("untick: ours behind a link") << false << QByteArrayList{ours, none} << QByteArrayList{"oursHidden=true\n", none};
    QTest::newRow("tick: ours behind a link") << true << QByteArrayList{"oursHidden=true\n", ours} << QByteArrayList{ours, ours};
    QTest::newRow("tick: env and its settings stay") << true << QByteArrayList{QByteArray(env).replace("@", "/opt/old/r"), none} << QByteArrayList{QByteArray(env).replace("b\" @", "b\" \"@\""), none};
    QTest::newRow("untick: env hidden") << false << QByteArrayList{env, none} << QByteArrayList{env + "Hidden=true\n", none};
    QTest::newRow("tick: env read no further") << true << QByteArrayList{"[Desktop Entry]\nExec=env -S @\n", none} << QByteArrayList{"refused", none};
    QTest::newRow("tick: a file no desktop reads") << true << QByteArrayList{"[Desktop Entry]\nExec=@\njunk\n", none} << QByteArrayList{"refused", none};
    QTest::newRow("tick: switched on for GNOME") << true << QByteArrayList{"[Desktop Entry]\nX-GNOME-Autostart-enabled=false\nType=Link\nExec=@\n", none} << QByteArrayList{"[Desktop Entry]\nX-GNOME-Autostart-enabled=true\nType=Application\nExec=@\nName=Ramtidy\n", none};
    QTest::newRow("tick: our opt-out behind a link") << true << QByteArrayList{"opt-out", none} << QByteArrayList{"[Desktop Entry]\nType=Application\nName=Ramtidy\nExec=\"@\"\n", none};
    QTest::newRow("tick: a new entry machine-wide") << true << QByteArrayList{"plain:", none} << QByteArrayList{none, ours};
    QTest::newRow("untick: the machine's own hidden") << false << QByteArrayList{"plain:", own} << QByteArrayList{none, hidden};
    QTest::newRow("tick: an empty file") << true << QByteArrayList{none, none} << QByteArrayList{"[Desktop Entry]\nType=Application\nName=Ramtidy\nExec=\"@\"\n", none};
    QTest::newRow("tick: the lines in effect") << true << QByteArrayList{"[Desktop Entry]\nType=Application\nType=Link\nName=N\nExec=@\nHidden=true\nTryExec=/old\nHidden=1\n", none} << QByteArrayList{"[Desktop Entry]\nType=Application\nType=Application\nName=N\nExec=@\nTryExec=@\n", none};
    QTest::newRow("tick: no Exec") << true << QByteArrayList{"[Desktop Entry]\nType=Application\nName=N\n", none} << QByteArrayList{"[Desktop Entry]\nType=Application\nName=N\nExec=\"@\"\n", none};
    // clang-format on
}

void TestDesktopEntry::autostartEntries()
{
    QFETCH(bool, tick);
    QFETCH(QByteArrayList, before);
    QFETCH(QByteArrayList, after);
    FakeEnvironment environment;
    environment.values = {{"XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("home"))},
                          {"XDG_CONFIG_DIRS", m_dir->filePath(QStringLiteral("xdg"))}};
    PosixFileSystem files;
    XdgAutostart autostart(environment, files, QStringLiteral("Ramtidy"), QStringLiteral("ramtidy"));
    const QStringList paths{autostart.userFolder() + QStringLiteral("/ramtidy.desktop"),
                            autostart.machineFolder() + QStringLiteral("/ramtidy.desktop")};
    const QString dotfile = m_dir->filePath(QStringLiteral("dotfiles.desktop"));
    QVERIFY(QDir().mkpath(autostart.userFolder()) && QDir().mkpath(autostart.machineFolder()));
    const bool plain = before[0].startsWith("plain:");
    QVERIFY(plain || QFile::link(dotfile, paths[0]));
    if (before[0] != "plain:") // else none
        files.replace(plain ? paths[0] : dotfile, text(before[0].mid(plain ? 6 : 0), autostart).toUtf8());
    if (!before[1].isEmpty())
        files.replace(paths[1], text(before[1], autostart).toUtf8());
    const bool refused = after[0] == "refused";
    if (refused)
        after[0] = before[0];
    try {
        tick ? autostart.writeEntry(QStringLiteral("ramtidy"), m_opener)
             : autostart.removeEntry(QStringLiteral("ramtidy"));
        QVERIFY(!refused);
    } catch (const Failure &e) {
        QVERIFY2(refused && QByteArray(e.what()).contains(paths[0].toUtf8()), e.what());
    }
    for (int i : {0, 1})
        QCOMPARE(QString::fromUtf8(files.readOwnConfig(paths[i], 1 << 16).value_or(QByteArray())),
                 text(after[i], autostart));
    QCOMPARE(QFileInfo(paths[0]).isSymLink(), !plain); // written through, not replaced
    QCOMPARE(autostart.startsAtLogon(QStringLiteral("ramtidy"), m_opener), tick && !refused);
}

void TestDesktopEntry::inEffect_data()
{
    // clang-format off
    QTest::addColumn<QByteArrayList>("entries"); // the user's, then in the folders "one:two"
    QTest::addColumn<int>("starts"); // -1: the entry is refused with the reason
    const QByteArray none, app = "[Desktop Entry]\nType=Application\n";
    QTest::newRow("the second folder") << QByteArrayList{none, none, "ours"} << 1;
    QTest::newRow("the first folder wins") << QByteArrayList{none, "oursHidden=true\n", "ours"} << 0;
    QTest::newRow("the user's wins") << QByteArrayList{"ours", "oursHidden=true\n", none} << 1;
    QTest::newRow("Hidden=1") << QByteArrayList{"oursHidden=1\n", none, none} << 0;
    QTest::newRow("Hidden=True is no boolean") << QByteArrayList{"oursHidden=True\n", none, none} << 1;
    QTest::newRow("off for GNOME") << QByteArrayList{"oursX-GNOME-Autostart-enabled=false\n", none, none} << 0;
    QTest::newRow("not a boolean for GNOME") << QByteArrayList{"oursX-GNOME-Autostart-enabled=yes\n", none, none} << 0;
    QTest::newRow("on for GNOME") << QByteArrayList{"oursX-GNOME-Autostart-enabled=1\n", none, none} << 1;
    QTest::newRow("no Type") << QByteArrayList{"[Desktop Entry]\nExec=@\n", none, none} << 0;
    QTest::newRow("not the first group") << QByteArrayList{"[A]\n" + app + "Exec=@\n", none, none} << 0;
    QTest::newRow("not read") << QByteArrayList{app + "Exec=@\n-\n", none, none} << 0;
    QTest::newRow("TryExec gone") << QByteArrayList{app + "Exec=@\nTryExec=/nonexistent\n", none, none} << 0;
    QTest::newRow("TryExec a folder") << QByteArrayList{app + "Exec=@\nTryExec=^\n", none, none} << 0;
    QTest::newRow("TryExec empty") << QByteArrayList{app + "Exec=@\nTryExec=\n", none, none} << 1;
    QTest::newRow("on PATH") << QByteArrayList{app + "Exec=opener %U\n", none, none} << 1;
    QTest::newRow("env") << QByteArrayList{app + "Exec=env FOO=1 '@'\n", none, none} << 1;
    QTest::newRow("env, its options") << QByteArrayList{app + "Exec=env -vi -uX --unset Y --chdir=^ --ignore-env -- ./opener\n", none, none} << 1;
    QTest::newRow("env -") << QByteArrayList{app + "Exec=env - @\n", none, none} << 1;
    QTest::newRow("env -: no PATH") << QByteArrayList{app + "Exec=env - opener\n", none, none} << 0;
    QTest::newRow("env --ignore-env: no PATH") << QByteArrayList{app + "Exec=env --ignore-env opener\n", none, none} << 0;
    QTest::newRow("env --unset=PATH") << QByteArrayList{app + "Exec=env --unset=PATH opener\n", none, none} << 0;
    QTest::newRow("no env there") << QByteArrayList{app + "Exec=/nonexistent/env @\n", none, none} << 0;
    QTest::newRow("env, a relative path after -C") << QByteArrayList{app + "Exec=env -C ^ ./opener\n", none, none} << 1;
    QTest::newRow("env -i: the default PATH") << QByteArrayList{app + "Exec=env -i opener\n", none, none} << 0;
    QTest::newRow("env -u PATH") << QByteArrayList{app + "Exec=env -u PATH opener\n", none, none} << 0;
    QTest::newRow("env PATH=") << QByteArrayList{app + "Exec=env PATH=/nonexistent opener\n", none, none} << 0;
    QTest::newRow("env --i is two options") << QByteArrayList{app + "Exec=env --i @\n", none, none} << 0;
    QTest::newRow("env -0") << QByteArrayList{app + "Exec=env -0 @\n", none, none} << 0;
    QTest::newRow("env -u, no command") << QByteArrayList{app + "Exec=env -u @\n", none, none} << 0;
    QTest::newRow("a % in the program") << QByteArrayList{app + "Exec=^/%%/../opener\n", none, none} << 0;
    QTest::newRow("env =x") << QByteArrayList{app + "Exec=env =x @\n", none, none} << 0;
    QTest::newRow("env without a command") << QByteArrayList{app + "Exec=env FOO=@\n", none, none} << 0;
    QTest::newRow("env, another program") << QByteArrayList{app + "Exec=env FOO=1 /bin/true @\n", none, none} << 0;
    QTest::newRow("the bound") << QByteArrayList{"ours65536", none, none} << 1;
    QTest::newRow("one past the bound") << QByteArrayList{"ours65537", none, none} << -1;
    // clang-format on
}

// Whether the entry in effect starts the program: the user's folder, then each machine-wide one.
void TestDesktopEntry::inEffect()
{
    QFETCH(QByteArrayList, entries);
    QFETCH(int, starts);
    FakeEnvironment environment;
    environment.values = {{"XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("home"))},
                          {"XDG_CONFIG_DIRS", // a relative folder is left out, and a folder named twice read once
                           QStringLiteral("relative:%1/one:%1/two:%1/one").arg(m_dir->path())},
                          {"PATH", QStringLiteral("/usr/bin:/bin:") + m_dir->path()}};
    PosixFileSystem files;
    XdgAutostart autostart(environment, files, QStringLiteral("Ramtidy"), QStringLiteral("ramtidy"));
    const QStringList folders = QStringList{autostart.userFolder()} + autostart.machineFolders();
    QCOMPARE(folders.size(), 3);
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("%%"))));
    for (qsizetype i = 0; i < folders.size(); ++i) {
        QVERIFY(QDir().mkpath(folders[i]));
        QByteArray bytes = text(entries[i], autostart).toUtf8();
        if (const int size = entries[i].mid(4).toInt(); size > 0) // ours, a comment after it up to the size
            bytes = text("ours", autostart).toUtf8().leftJustified(size, '#');
        if (!entries[i].isEmpty())
            files.replace(folders[i] + QStringLiteral("/ramtidy.desktop"), bytes);
    }
    try {
        QCOMPARE(int(autostart.startsAtLogon(QStringLiteral("ramtidy"), m_opener)), starts);
    } catch (const Failure &e) {
        QVERIFY2(starts == -1 && QByteArray(e.what()).contains("65536"), e.what());
    }
    environment.values["XDG_CONFIG_DIRS"] = QStringLiteral(":relative");
    QCOMPARE(autostart.machineFolders(), QStringList{QStringLiteral("/etc/xdg/autostart")});
}

QTEST_GUILESS_MAIN(TestDesktopEntry)
#include "tst_desktopentry.moc"
