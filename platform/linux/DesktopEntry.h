#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

struct _GKeyFile;

// The [Desktop Entry] group of a desktop entry file, read by GLib's key file reader
// (the reader behind the sessions that start entries) and edited key by key: every
// other line (comments, translations, other groups, bytes that are not UTF-8) is
// kept as it was.
class DesktopEntry {
public:
    explicit DesktopEntry(const QByteArray &bytes);
    ~DesktopEntry();
    DesktopEntry(const DesktopEntry &) = delete;
    DesktopEntry &operator=(const DesktopEntry &) = delete;

    QByteArray bytes() const;
    // Whether a session reads the file at all: GLib loads it and its first group is
    // the entry's own. A file with a NUL byte is refused: GLib would stop reading there.
    bool isValid() const { return isKeyFile() && m_startsWithEntry; }
    // Whether GLib loads the lines as a key file, whatever its first group.
    bool isKeyFile() const { return m_keys != nullptr; }
    // The value as GLib gives it; nothing when absent or not UTF-8.
    std::optional<QString> value(const QString &key) const;
    // The value as GLib's boolean; nothing when absent or not a boolean.
    std::optional<bool> boolean(const QString &key) const;
    // The value as GLib's list of strings (split at unescaped semicolons).
    std::optional<QStringList> list(const QString &key) const;
    // Sets the key, at the line in effect or a new one, to a value already escaped.
    void setValue(const QString &key, const QString &escaped);
    // Removes every line of the key in the entry's groups.
    void remove(const QString &key);

    // The words of a command line as GLib's shell splitting gives them, with where
    // each ends in `exec`; nothing when a quote is left open or no word is there.
    static std::optional<QStringList> words(const QString &exec, QList<qsizetype> *ends = nullptr);
    // The first argument of an Exec value (its string escapes undone), unquoted;
    // `end` receives where the rest of the command line starts.
    static QString program(const QString &exec, qsizetype *end = nullptr);

private:
    struct Line {
        QByteArray group; // the group the line is in; empty before the first
        QByteArray key; // empty for a comment or a group's header
        bool header = false;
    };
    struct FreeKeys {
        void operator()(_GKeyFile *keys) const;
    };
    void parse();
    void load(const QByteArray &bytes);
    void edited();
    QList<qsizetype> linesOf(const QByteArray &key) const;

    QList<QByteArray> m_lines;
    QList<Line> m_parsed;
    std::unique_ptr<_GKeyFile, FreeKeys> m_keys;
    bool m_finalNewline = true;
    bool m_startsWithEntry = false;
};
