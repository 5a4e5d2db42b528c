#include "platform/Failure.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/XdgAutostart.h"
#include "support/doubles/FakeEnvironment.h"
#include "support/oracles/GLibWords.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// GIO names a field `signals`, which Qt defines as a keyword.
#undef signals
#include <gio/gdesktopappinfo.h>
#define signals Q_SIGNALS

// Autostart entries read as the session reads them, GLib's own reader the oracle, and edited by a click.
class TestXdgAutostart : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void autostartExec_data();
    void autostartExec();
    void autostartEntries_data();
    void autostartEntries();
    void inEffect_data();
    void inEffect();
    void asTheSessionReads_data();
    void asTheSessionReads();

private:
    QString text(QByteArray bytes, const XdgAutostart &autostart) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_opener;
};

// GLib reads the desktops once a process; the row with a list asks for these.
constexpr char DesktopList[] = "ubuntu:GNOME";

void TestXdgAutostart::initTestCase()
{
    qputenv("XDG_CURRENT_DESKTOP", DesktopList);
}

void TestXdgAutostart::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_opener = m_dir->filePath(QStringLiteral("opener"));
    QFile script(m_opener);
    QVERIFY(script.open(QIODevice::WriteOnly));
    QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
}

// "ours" and "opt-out" stand for what the program writes, @ for the program, ^ for its folder.
QString TestXdgAutostart::text(QByteArray bytes, const XdgAutostart &autostart) const
{
    if (bytes.startsWith("ours"))
        bytes.replace("ours", autostart.entryText(m_opener).toUtf8());
    return bytes == "opt-out"
        ? autostart.hiddenEntryText()
        : QString::fromUtf8(bytes.replace('@', m_opener.toUtf8()).replace('^', m_dir->path().toUtf8()));
}

void TestXdgAutostart::autostartExec_data()
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

void TestXdgAutostart::autostartExec()
{
    QFETCH(QString, path);
    QFETCH(QString, exec);
    QCOMPARE(XdgAutostart::execArgument(path), exec);
}

// The user's entry (a link into a dotfiles folder, unless "plain:") and the machine-wide one,
// before and after a click.
void TestXdgAutostart::autostartEntries_data()
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
    const QByteArray started = QByteArray(own).replace(" --quiet", ""); // an argument the program refuses
    QTest::newRow("tick: the user's own shown") << true << QByteArrayList{hidden, none} << QByteArrayList{started, none};
    QTest::newRow("tick: the user's own, program moved") << true << QByteArrayList{QByteArray(own).replace("\"@\"", "/opt/old/ramtidy"), none} << QByteArrayList{started, none};
    // A link of ours stays a link: hidden through it, shown again through it.
    QTest::newRow("untick: ours behind a link") << false << QByteArrayList{ours, none} << QByteArrayList{"oursHidden=true\n", none};
    QTest::newRow("tick: ours behind a link") << true << QByteArrayList{"oursHidden=true\n", ours} << QByteArrayList{ours, ours};
    QTest::newRow("tick: env and its settings stay") << true << QByteArrayList{QByteArray(env).replace("@", "/opt/old/r"), none} << QByteArrayList{QByteArray(env).replace("b\" @ --quiet", "b\" \"@\""), none};
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

void TestXdgAutostart::autostartEntries()
{
    QFETCH(bool, tick);
    QFETCH(QByteArrayList, before);
    QFETCH(QByteArrayList, after);
    FakeEnvironment environment;
    environment.values = {{"XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("home"))},
                          {"XDG_CONFIG_DIRS", m_dir->filePath(QStringLiteral("xdg"))},
                          {"XDG_CURRENT_DESKTOP", QStringLiteral("XFCE")}};
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

void TestXdgAutostart::inEffect_data()
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
void TestXdgAutostart::inEffect()
{
    QFETCH(QByteArrayList, entries);
    QFETCH(int, starts);
    FakeEnvironment environment;
    environment.values = {{"XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("home"))},
                          {"XDG_CONFIG_DIRS", // a relative folder is left out, and a folder named twice read once
                           QStringLiteral("relative:%1/one:%1/two:%1/one").arg(m_dir->path())},
                          {"PATH", QStringLiteral("/usr/bin:/bin:") + m_dir->path()},
                          {"XDG_CURRENT_DESKTOP", QStringLiteral("GNOME")}};
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

namespace {

// Whether the session starts the entry as GLib reads it: gnome-session's reading where
// `gnome`, else the freedesktop rules alone. An empty `desktop` asks for the process's list.
bool glibStarts(const QByteArray &bytes, const QByteArray &desktop, bool gnome)
{
    GKeyFile *keys = g_key_file_new();
    GDesktopAppInfo *info = g_key_file_load_from_data(keys, bytes.constData(), bytes.size(), G_KEY_FILE_NONE, nullptr)
        ? g_desktop_app_info_new_from_keyfile(keys)
        : nullptr;
    const char *enabled = "X-GNOME-Autostart-enabled";
    const bool starts = info && !g_desktop_app_info_get_is_hidden(info)
        && g_desktop_app_info_get_show_in(info, desktop.isEmpty() ? nullptr : desktop.constData())
        && !(gnome && g_desktop_app_info_has_key(info, enabled) && !g_desktop_app_info_get_boolean(info, enabled));
    g_clear_object(&info);
    g_key_file_free(keys);
    return starts;
}

// The program an Exec line runs, directly or through env with variables, when it is given no
// argument; empty when it is given one. Field codes for files and URLs expand to nothing at logon.
QString runsAlone(const QByteArray &bytes)
{
    GKeyFile *keys = g_key_file_new();
    gchar *exec = g_key_file_load_from_data(keys, bytes.constData(), bytes.size(), G_KEY_FILE_NONE, nullptr)
        ? g_key_file_get_string(keys, "Desktop Entry", "Exec", nullptr)
        : nullptr;
    QStringList words = glibWords(QString::fromUtf8(exec));
    g_free(exec);
    g_key_file_free(keys);
    words.removeIf([](const QString &word) { return QStringList{"%f", "%F", "%u", "%U"}.contains(word); });
    while (words.size() > 1 && (words.first() == u"env" || words.first().contains(u'=')))
        words.removeFirst();
    return words.size() == 1 ? words.first() : QString();
}

} // namespace

void TestXdgAutostart::asTheSessionReads_data()
{
    QTest::addColumn<QString>("desktops"); // XDG_CURRENT_DESKTOP
    QTest::addColumn<bool>("gnome"); // whether gnome-session reads the entries
    QTest::newRow("GNOME") << QStringLiteral("GNOME") << true;
    QTest::newRow("Ubuntu's GNOME, a list") << QString::fromLatin1(DesktopList) << true;
    QTest::newRow("i3, the freedesktop rules") << QStringLiteral("i3") << false;
}

// Every entry the keys below make is shown as GLib says the session starts it; a tick on
// some of them makes one the session starts.
void TestXdgAutostart::asTheSessionReads()
{
    QFETCH(QString, desktops);
    QFETCH(bool, gnome);
    const QList<QByteArrayList> keys{
        {"", "OnlyShowIn=GNOME;\n", "OnlyShowIn=XFCE;KDE;\n", "OnlyShowIn=ubuntu;\n", "OnlyShowIn=\n"},
        {"", "NotShowIn=GNOME;\n", "NotShowIn=XFCE;ubuntu;\n"},
        {"", "TryExec=@\n", "TryExec=/nonexistent\n", "TryExec=\n"},
        {"", "Hidden=true\n", "Hidden=1\n", "Hidden=True\n", "Hidden=false\n"},
        {"", "X-GNOME-Autostart-enabled=false\n", "X-GNOME-Autostart-enabled=true\n",
         "X-GNOME-Autostart-enabled=yes\n"},
        {"Exec=\"@\"\n", "Exec=@ %U\n", "Exec=env FOO=1 \"@\"\n", "Exec=\"@\" --minimized\n", "Exec=sleep 5\n"}};
    FakeEnvironment environment;
    environment.values = {{"XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("home"))},
                          {"XDG_CONFIG_DIRS", m_dir->filePath(QStringLiteral("xdg"))},
                          {"XDG_CURRENT_DESKTOP", desktops}};
    PosixFileSystem files;
    XdgAutostart autostart(environment, files, QStringLiteral("Ramtidy"), QStringLiteral("ramtidy"));
    const QString path = autostart.userFolder() + QStringLiteral("/ramtidy.desktop");
    QVERIFY(QDir().mkpath(autostart.userFolder()));
    const QByteArray desktop = desktops.contains(u':') ? QByteArray() : desktops.toUtf8();
    qsizetype count = 1;
    for (const QByteArrayList &values : keys)
        count *= values.size();
    for (qsizetype n = 0; n < count; ++n) {
        QByteArray bytes = "[Desktop Entry]\nType=Application\nName=R\n";
        for (qsizetype rest = n, k = 0; k < keys.size(); rest /= keys[k].size(), ++k)
            bytes += keys[k][rest % keys[k].size()];
        bytes.replace('@', m_opener.toUtf8());
        // Written over and cut to size: a file truncated to nothing is flushed at close.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.write(bytes) == bytes.size() && file.resize(bytes.size()));
        file.close();
        const bool starts = glibStarts(bytes, desktop, gnome) && runsAlone(bytes) == m_opener;
        QVERIFY2(autostart.startsAtLogon(QStringLiteral("ramtidy"), m_opener) == starts, bytes.constData());
        if (n % 97 != 0)
            continue; // a sample: each tick is flushed to disk
        try {
            autostart.writeEntry(QStringLiteral("ramtidy"), m_opener);
        } catch (const Failure &e) {
            QFAIL(e.what());
        }
        const QByteArray ticked = files.readOwnConfig(path, 1 << 16).value_or(QByteArray());
        QVERIFY2(glibStarts(ticked, desktop, gnome) && runsAlone(ticked) == m_opener, ticked.constData());
        QVERIFY(autostart.startsAtLogon(QStringLiteral("ramtidy"), m_opener));
    }
}

QTEST_GUILESS_MAIN(TestXdgAutostart)
#include "tst_xdgautostart.moc"
