// DesktopEntry's edits against GLib's key file reader, which the sessions that start entries
// use: a key set or removed reads so, every other key of the entry reads as before, and
// command lines split as g_shell_parse_argv splits them.
#include "platform/linux/DesktopEntry.h"
#include "tests/support/oracles/GLibWords.h"

#include <QMap>

#include <cstdlib>

#include <glib.h>

static void check(bool same)
{
    if (!same)
        std::abort();
}

static void sameWords(const QString &exec)
{
    check(DesktopEntry::words(exec).value_or(QStringList()) == glibWords(exec));
}

// Each key of the entry with its value, as GLib reads the bytes.
static QMap<QString, QString> entryKeys(const QByteArray &bytes)
{
    QMap<QString, QString> values;
    GKeyFile *keys = g_key_file_new();
    if (g_key_file_load_from_data(keys, bytes.constData(), bytes.size(), G_KEY_FILE_NONE, nullptr)) {
        gchar **names = g_key_file_get_keys(keys, "Desktop Entry", nullptr, nullptr);
        for (gchar **name = names; name && *name; ++name) {
            if (QString::fromUtf8(*name).toUtf8() != *name)
                continue; // a name the program could not spell
            gchar *value = g_key_file_get_value(keys, "Desktop Entry", *name, nullptr);
            values.insert(QString::fromUtf8(*name), QString::fromUtf8(value));
            g_free(value);
        }
        g_strfreev(names);
    }
    g_key_file_free(keys);
    return values;
}

static void sameEdit(const QByteArray &bytes, const QString &key, bool set)
{
    DesktopEntry entry(bytes);
    QMap<QString, QString> expected = entryKeys(bytes);
    if (set) {
        entry.setValue(key, QStringLiteral("edited"));
        expected.insert(key, QStringLiteral("edited"));
    } else {
        entry.remove(key);
        expected.remove(key);
    }
    check(entryKeys(entry.bytes()) == expected && entry.value(key).value_or(QString()) == expected.value(key));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const DesktopEntry entry(bytes);
    if (QString::fromUtf8(bytes).toUtf8() == bytes && !bytes.contains('\0'))
        sameWords(QString::fromUtf8(bytes));
    // Edits are made only to files a session reads.
    if (!entry.isValid() || !bytes.endsWith('\n'))
        return 0;
    const QStringList keys = entryKeys(bytes).keys() << QStringLiteral("Exec");
    for (const QString &key : keys) {
        if (key.contains(u'[') || key == u"Encoding")
            continue; // translations are kept, never edited; Encoding=edited would not be read
        sameEdit(bytes, key, true);
        sameEdit(bytes, key, false);
    }
    return 0;
}
