#include "DesktopEntry.h"

#include <glib.h>

namespace {

const QByteArray Group = "[Desktop Entry]";
const QByteArray GroupName = "Desktop Entry";

// GLib's blanks: no vertical tab.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

QByteArray trimmedEnd(QByteArray text)
{
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

QByteArray trimmedStart(const QByteArray &text)
{
    qsizetype start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    return text.mid(start);
}

// As a shell splits, without expanding anything: ' keeps all, " keeps all but
// \" \\ \` \$, a backslash elsewhere keeps the next character, and # after a
// blank starts a comment.
class Splitter {
public:
    explicit Splitter(const QString &exec)
        : m_exec(exec)
    {
    }
    // False where GLib refuses the line.
    bool split()
    {
        for (qsizetype i = 0; i < m_exec.size(); ++i) {
            if (!step(i))
                return false;
        }
        close(m_exec.size());
        return !words.isEmpty();
    }

    QStringList words;
    QList<qsizetype> ends;

private:
    bool step(qsizetype &i);
    bool quoted(qsizetype &i);
    void append(QChar c)
    {
        m_word += c;
        m_inWord = true;
    }
    void close(qsizetype end)
    {
        if (m_inWord) {
            words.append(m_word);
            ends.append(end);
        }
        m_word.clear();
        m_inWord = false;
    }

    const QString &m_exec;
    QString m_word;
    bool m_inWord = false;
};

// Takes the character at `i` and what it brings with it, leaving `i` at the last one taken.
bool Splitter::step(qsizetype &i)
{
    const QChar c = m_exec[i];
    if (c == u'\n' || c == u' ' || c == u'\t') {
        close(i);
    } else if (c == u'#' && (i == 0 || m_exec[i - 1] == u' ' || m_exec[i - 1] == u'\n')) {
        if (i + 1 == m_exec.size())
            return false; // GLib takes a # at the very end for an open quote
        i = m_exec.indexOf(u'\n', i); // the newline ends the comment, not a word
        if (i < 0)
            i = m_exec.size();
    } else if (c == u'\\') {
        if (++i == m_exec.size())
            return false;
        if (m_exec[i] != u'\n')
            append(m_exec[i]);
    } else if (c == u'\'' || c == u'"') {
        return quoted(i);
    } else {
        append(c);
    }
    return true;
}

bool Splitter::quoted(qsizetype &i)
{
    const QChar quote = m_exec[i];
    m_inWord = true;
    for (++i; i < m_exec.size(); ++i) {
        if (m_exec[i] == quote)
            return true;
        if (quote == u'"' && m_exec[i] == u'\\' && i + 1 < m_exec.size()
            && QStringView(u"\"\\`$\n").contains(m_exec[i + 1]))
            ++i;
        m_word += m_exec[i];
    }
    return false; // left open
}

} // namespace

void DesktopEntry::FreeKeys::operator()(_GKeyFile *keys) const
{
    g_key_file_free(keys);
}

DesktopEntry::DesktopEntry(const QByteArray &bytes)
    : m_lines(bytes.split('\n'))
{
    m_finalNewline = m_lines.size() > 1 && m_lines.last().isEmpty();
    if (m_finalNewline)
        m_lines.removeLast(); // the final newline, given back by bytes()
    parse();
    load(bytes); // as given: a carriage return at the very end stays in the value
}

DesktopEntry::~DesktopEntry() = default;

void DesktopEntry::load(const QByteArray &bytes)
{
    m_keys.reset();
    m_startsWithEntry = false;
    if (bytes.contains('\0'))
        return;
    std::unique_ptr<GKeyFile, FreeKeys> keys(g_key_file_new());
    if (!g_key_file_load_from_data(keys.get(), bytes.constData(), gsize(bytes.size()), G_KEY_FILE_NONE, nullptr))
        return;
    gchar *start = g_key_file_get_start_group(keys.get());
    m_startsWithEntry = qstrcmp(start, GroupName) == 0;
    g_free(start);
    m_keys = std::move(keys);
}

// Which group and key each line holds, for editing; GLib judges whether the file is read at all.
void DesktopEntry::parse()
{
    m_parsed.clear();
    QByteArray group;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QByteArray line = trimmedStart(m_lines[i]);
        const qsizetype close = line.indexOf(']'), equals = line.indexOf('=');
        Line parsed{group, {}, false};
        if (line.startsWith('[') && close > 0) {
            group = line.mid(1, close - 1);
            parsed = {group, {}, true};
        } else if (!line.startsWith('#') && equals > 0) {
            parsed.key = trimmedEnd(line.left(equals));
        }
        m_parsed.append(parsed);
    }
}

QByteArray DesktopEntry::bytes() const
{
    return m_lines.join('\n') + '\n';
}

QList<qsizetype> DesktopEntry::linesOf(const QByteArray &key) const
{
    QList<qsizetype> lines;
    for (qsizetype i = 0; i < m_parsed.size(); ++i) {
        if (m_parsed[i].group == GroupName && m_parsed[i].key == key)
            lines.append(i);
    }
    return lines;
}

std::optional<QString> DesktopEntry::value(const QString &key) const
{
    gchar *string = m_keys ? g_key_file_get_string(m_keys.get(), GroupName, key.toUtf8(), nullptr) : nullptr;
    const std::optional<QString> text = string ? std::optional(QString::fromUtf8(string)) : std::nullopt;
    g_free(string);
    return text;
}

std::optional<bool> DesktopEntry::boolean(const QString &key) const
{
    GError *error = nullptr;
    const bool on = m_keys && g_key_file_get_boolean(m_keys.get(), GroupName, key.toUtf8(), &error);
    const bool read = m_keys && !error;
    g_clear_error(&error);
    return read ? std::optional(on) : std::nullopt;
}

std::optional<QStringList> DesktopEntry::list(const QString &key) const
{
    gchar **strings =
        m_keys ? g_key_file_get_string_list(m_keys.get(), GroupName, key.toUtf8(), nullptr, nullptr) : nullptr;
    if (!strings)
        return std::nullopt;
    QStringList items;
    for (gchar **item = strings; *item; ++item)
        items.append(QString::fromUtf8(*item));
    g_strfreev(strings);
    return items;
}

void DesktopEntry::setValue(const QString &key, const QString &escaped)
{
    const QByteArray line = key.toUtf8() + '=' + escaped.toUtf8();
    if (const QList<qsizetype> lines = linesOf(key.toUtf8()); !lines.isEmpty()) {
        m_lines[lines.last()] = line;
        edited();
        return;
    }
    qsizetype group = -1;
    for (qsizetype i = 0; i < m_parsed.size() && group < 0; ++i) {
        if (m_parsed[i].group == GroupName)
            group = i;
    }
    if (group < 0) {
        group = 0;
        m_lines.prepend(Group);
        m_parsed.prepend({GroupName, {}, true});
        if (m_lines.size() == 2 && m_lines.last().isEmpty())
            m_lines.removeLast();
    }
    // After the group's last key, so that a blank line or comment before the next group stays there.
    qsizetype after = group;
    for (qsizetype i = group + 1; i < m_parsed.size() && !m_parsed[i].header; ++i) {
        if (!m_parsed[i].key.isEmpty())
            after = i;
    }
    m_lines.insert(after + 1, line);
    edited();
}

void DesktopEntry::remove(const QString &key)
{
    const QList<qsizetype> lines = linesOf(key.toUtf8());
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        m_lines.removeAt(lines[i]);
    edited();
}

void DesktopEntry::edited()
{
    parse();
    load(bytes());
}

std::optional<QStringList> DesktopEntry::words(const QString &exec, QList<qsizetype> *ends)
{
    Splitter splitter(exec);
    if (!splitter.split())
        return std::nullopt;
    if (ends)
        *ends = splitter.ends;
    return splitter.words;
}

QString DesktopEntry::program(const QString &exec, qsizetype *end)
{
    qsizetype i = 0;
    while (i < exec.size() && exec[i] == u' ')
        ++i;
    QString argument;
    if (i < exec.size() && exec[i] == u'"') {
        for (++i; i < exec.size() && exec[i] != u'"'; ++i) {
            if (exec[i] == u'\\' && i + 1 < exec.size())
                ++i;
            argument += exec[i];
        }
        if (i < exec.size())
            ++i; // the closing quote
    } else {
        for (; i < exec.size() && exec[i] != u' '; ++i)
            argument += exec[i];
    }
    if (end)
        *end = i;
    return argument.replace(QStringLiteral("%%"), QStringLiteral("%"));
}
