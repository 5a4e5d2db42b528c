#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The [Desktop Entry] group of a desktop entry file, edited key by key: every
// other line (comments, translations, other groups, bytes that are not UTF-8)
// is kept as it was.
class DesktopEntry {
public:
    explicit DesktopEntry(const QByteArray &bytes);

    QByteArray bytes() const;
    // The value with the escapes of a string undone; nothing when the key is absent.
    std::optional<QString> value(const QString &key) const;
    // Sets the key to a value already escaped, in its own line or a new one.
    void setValue(const QString &key, const QString &escaped);
    void remove(const QString &key);

    // The first argument of an Exec value (its string escapes undone), unquoted;
    // `end` receives where the rest of the command line starts.
    static QString program(const QString &exec, qsizetype *end = nullptr);

private:
    qsizetype find(const QString &key) const;

    QList<QByteArray> m_lines;
    qsizetype m_group = -1; // the group's header line
};
