// DesktopEntry against GLib's key file reader, which the sessions that start entries use:
// the same files refused, the same first group, the same string and boolean for every key
// a line names, and command lines split as g_shell_parse_argv splits them.
#include "platform/linux/DesktopEntry.h"
#include "tests/support/oracles/GLibWords.h"

#include <cstdlib>
#include <cstring>

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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const DesktopEntry entry(bytes);
    GKeyFile *keys = g_key_file_new();
    // A NUL is refused, wherever GLib stops reading.
    const bool loads =
        !bytes.contains('\0') && g_key_file_load_from_data(keys, bytes.constData(), size, G_KEY_FILE_NONE, nullptr);
    gchar *start = loads ? g_key_file_get_start_group(keys) : nullptr;
    check(loads == entry.isKeyFile() && entry.isValid() == (start && std::strcmp(start, "Desktop Entry") == 0));
    g_free(start);
    if (QString::fromUtf8(bytes).toUtf8() == bytes && !bytes.contains('\0'))
        sameWords(QString::fromUtf8(bytes));
    for (const QByteArray &line : bytes.split('\n') + QList<QByteArray>{"Exec="}) {
        const QByteArray name = line.left(line.indexOf('=')).trimmed();
        if (!loads || name.isEmpty() || name.contains('[') || QString::fromUtf8(name).toUtf8() != name)
            continue;
        const QString key = QString::fromUtf8(name);
        gchar *string = g_key_file_get_string(keys, "Desktop Entry", name.constData(), nullptr);
        check(entry.value(key) == (string ? std::optional(QString::fromUtf8(string)) : std::nullopt));
        if (string)
            sameWords(QString::fromUtf8(string));
        g_free(string);
        GError *error = nullptr;
        const bool on = g_key_file_get_boolean(keys, "Desktop Entry", name.constData(), &error);
        check(entry.boolean(key) == (error ? std::nullopt : std::optional(on)));
        g_clear_error(&error);
    }
    g_key_file_free(keys);
    return 0;
}
