// DesktopEntry against GLib's key file reader, which the sessions that start entries use:
// the same files read, the same values and booleans, the same first group, and Exec split
// into the same words as g_shell_parse_argv splits it.
#include "platform/linux/DesktopEntry.h"

#include <cstdlib>
#include <cstring>

#include <glib.h>

namespace {

void sameWords(const QString &exec)
{
    gchar **argv = nullptr;
    const bool split = g_shell_parse_argv(exec.toUtf8().constData(), nullptr, &argv, nullptr);
    const std::optional<QStringList> words = DesktopEntry::words(exec);
    if (split != words.has_value())
        std::abort();
    for (qsizetype i = 0; split && i <= words->size(); ++i) {
        if (i == words->size() ? argv[i] != nullptr : !argv[i] || QString::fromUtf8(argv[i]) != words->at(i))
            std::abort();
    }
    g_strfreev(argv);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const DesktopEntry entry(bytes);
    if (bytes.contains('\0')) { // refused, wherever GLib stops reading
        if (entry.isKeyFile())
            std::abort();
        return 0;
    }
    if (QString::fromUtf8(bytes).toUtf8() == bytes)
        sameWords(QString::fromUtf8(bytes));
    GKeyFile *keys = g_key_file_new();
    const bool loads = g_key_file_load_from_data(keys, bytes.constData(), gsize(size), G_KEY_FILE_NONE, nullptr);
    if (loads != entry.isKeyFile())
        std::abort();
    gchar *start = loads ? g_key_file_get_start_group(keys) : nullptr;
    if (loads && entry.isValid() != (start && std::strcmp(start, "Desktop Entry") == 0))
        std::abort();
    g_free(start);
    // Every key GLib holds and every key a line names.
    QList<QByteArray> names{"Exec", "Hidden"};
    for (const QByteArray &line : bytes.split('\n'))
        names.append(line.left(line.indexOf('=')).trimmed());
    for (const QByteArray &name : names) {
        if (!loads || name.isEmpty() || name.contains('[') || QString::fromUtf8(name).toUtf8() != name)
            continue;
        gchar *string = g_key_file_get_string(keys, "Desktop Entry", name.constData(), nullptr);
        const std::optional<QString> value = entry.value(QString::fromUtf8(name));
        if (bool(string) != value.has_value() || (string && QString::fromUtf8(string) != *value))
            std::abort();
        if (value)
            sameWords(*value);
        g_free(string);
        GError *error = nullptr;
        const bool on = g_key_file_get_boolean(keys, "Desktop Entry", name.constData(), &error);
        const std::optional<bool> flag = entry.boolean(QString::fromUtf8(name));
        if (bool(error) == flag.has_value() || (flag && *flag != on))
            std::abort();
        g_clear_error(&error);
    }
    g_key_file_free(keys);
    return 0;
}
