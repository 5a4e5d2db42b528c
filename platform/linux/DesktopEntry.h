#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The [Desktop Entry] group of a desktop entry file, read as GLib's key file reader
// reads it (the reader behind the sessions that start entries) and edited key by
// key: every other line (comments, translations, other groups, bytes that are not
// UTF-8) is kept as it was.
class DesktopEntry {
public:
    explicit DesktopEntry(const QByteArray &bytes);

    QByteArray bytes() const;
    // Whether a session reads the file at all: every line a comment, a group or a
    // key, the first group the entry's own. A file with a NUL byte is refused.
    bool isValid() const { return m_valid && m_startsWithEntry; }
    // Whether the lines are those of a key file, whatever its first group.
    bool isKeyFile() const { return m_valid; }
    // The value as GLib gives it: the last line of the key wins, a second group of
    // the same name adds to the first; nothing when absent or not UTF-8.
    std::optional<QString> value(const QString &key) const;
    // The value as a boolean: "true" or "1", "false" or "0", blanks after them
    // allowed; nothing when absent or anything else.
    std::optional<bool> boolean(const QString &key) const;
    // Sets the key, at the line in effect or a new one, to a value already escaped.
    void setValue(const QString &key, const QString &escaped);
    // Removes every line of the key in the entry's groups.
    void remove(const QString &key);

    // The words of a command line as a shell splits it (quotes, backslashes,
    // comments), with where each ends in `exec`; nothing when a quote is left open
    // or no word is there.
    static std::optional<QStringList> words(const QString &exec, QList<qsizetype> *ends = nullptr);
    // The first argument of an Exec value (its string escapes undone), unquoted;
    // `end` receives where the rest of the command line starts.
    static QString program(const QString &exec, qsizetype *end = nullptr);

private:
    struct Line {
        QByteArray group; // the group the line is in; empty before the first
        QByteArray key; // empty for a comment or a group's header
        QByteArray value; // raw, the blanks before it skipped
        bool header = false;
    };
    void parse();
    QList<qsizetype> linesOf(const QByteArray &key) const;

    QList<QByteArray> m_lines;
    QList<Line> m_parsed;
    bool m_finalNewline = true;
    bool m_valid = false;
    bool m_startsWithEntry = false;
};
