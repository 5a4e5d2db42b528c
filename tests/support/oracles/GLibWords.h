#pragma once

#include <QStringList>

#include <glib.h>

// The words of an Exec line as GLib splits it (g_shell_parse_argv), or none when it
// refuses the line.
inline QStringList glibWords(const QString &exec)
{
    gchar **argv = nullptr;
    QStringList words;
    for (bool split = g_shell_parse_argv(exec.toUtf8().constData(), nullptr, &argv, nullptr);
         split && argv[words.size()];)
        words.append(QString::fromUtf8(argv[words.size()]));
    g_strfreev(argv);
    return words;
}
