#include "DesktopEntry.h"

#include <QStringDecoder>

#include <algorithm>

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

bool isContinuation(char c)
{
    return (quint8(c) & 0xC0) == 0x80;
}

// GLib steps over the bytes after a group by characters, so stray continuation bytes pass too.
bool onlySpacesAndTabs(const QByteArray &text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || isContinuation(c); });
}

bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

bool isGroupName(const QByteArray &name)
{
    for (const char c : name) {
        if (c == '[' || c == ']' || (quint8(c) < 0x20) || c == 0x7f)
            return false;
    }
    return !name.isEmpty();
}

// A key, optionally with a [locale] made of letters, digits and - _ . @.
bool isKeyName(const QByteArray &key)
{
    qsizetype q = 0;
    while (q < key.size() && key[q] != '=' && key[q] != '[' && key[q] != ']')
        ++q;
    if (q == 0 || key[0] == ' ' || key[q - 1] == ' ')
        return false;
    if (q < key.size() && key[q] == '[') {
        // Character by character as GLib steps: a letter or digit, then any continuation bytes.
        for (++q; q < key.size();) {
            const qsizetype length = key[q] >= 0 ? 1 : quint8(key[q]) >= 0xF0 ? 4 : quint8(key[q]) >= 0xE0 ? 3 : 2;
            const QByteArray sequence = key.mid(q, length);
            const QList<uint> character = QString::fromUtf8(sequence).toUcs4();
            if (!QStringView(u"-_.@").contains(QLatin1Char(key[q]))
                && (character.size() != 1 || !QChar::isLetterOrNumber(character[0]))) // U+FFFD for a bad one
                break;
            for (++q; q < key.size() && isContinuation(key[q]);)
                ++q;
        }
        if (q == key.size() || key[q] != ']')
            return false;
        ++q;
    }
    return q == key.size();
}

// A string's escapes undone as GLib does: an unknown escape stays as written, a
// backslash at the end goes.
QString unescaped(const QByteArray &raw)
{
    const QString text = QString::fromUtf8(raw);
    QString value;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            value += text[i];
            continue;
        }
        if (++i == text.size())
            break;
        switch (text[i].unicode()) {
        case 's':
            value += u' ';
            break;
        case 'n':
            value += u'\n';
            break;
        case 't':
            value += u'\t';
            break;
        case 'r':
            value += u'\r';
            break;
        case '\\':
            value += u'\\';
            break;
        default:
            value += u'\\';
            value += text[i];
        }
    }
    return value;
}

} // namespace

DesktopEntry::DesktopEntry(const QByteArray &bytes)
    : m_lines(bytes.split('\n'))
{
    m_finalNewline = m_lines.size() > 1 && m_lines.last().isEmpty();
    if (m_finalNewline)
        m_lines.removeLast(); // the final newline, given back by bytes()
    parse();
}

void DesktopEntry::parse()
{
    m_parsed.clear();
    m_valid = true;
    m_startsWithEntry = false;
    QByteArray group, first;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        QByteArray line = m_lines[i];
        m_valid = m_valid && !line.contains('\0'); // GLib stops reading there; the rest would be missed
        // A carriage return goes only before a newline.
        if ((i + 1 < m_lines.size() || m_finalNewline) && line.endsWith('\r'))
            line.chop(1);
        qsizetype start = 0;
        while (start < line.size() && isBlank(line[start]))
            ++start;
        line = line.mid(start);
        Line parsed{group, {}, {}, false};
        const qsizetype close = line.indexOf(']');
        const qsizetype equals = line.indexOf('=');
        if (line.isEmpty() || line.startsWith('#')) {
            // a comment or a blank line
        } else if (line.startsWith('[') && close > 0 && onlySpacesAndTabs(line.mid(close + 1))) {
            group = line.mid(1, close - 1);
            m_valid = m_valid && isGroupName(group);
            if (first.isNull())
                first = group;
            parsed.group = group;
            parsed.header = true;
        } else if (equals > 0) {
            parsed.key = trimmedEnd(line.left(equals));
            qsizetype from = equals + 1;
            while (from < line.size() && isBlank(line[from]))
                ++from;
            parsed.value = line.mid(from);
            m_valid = m_valid && !group.isNull() && isKeyName(parsed.key)
                && (group != first || parsed.key != "Encoding"
                    || parsed.value.compare("UTF-8", Qt::CaseInsensitive) == 0);
        } else {
            m_valid = false;
        }
        m_parsed.append(parsed);
    }
    m_startsWithEntry = first == GroupName;
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
    const QList<qsizetype> lines = linesOf(key.toUtf8());
    if (!m_valid || lines.isEmpty() || !isUtf8(m_parsed[lines.last()].value))
        return std::nullopt;
    return unescaped(m_parsed[lines.last()].value);
}

std::optional<bool> DesktopEntry::boolean(const QString &key) const
{
    const QList<qsizetype> lines = linesOf(key.toUtf8());
    if (!m_valid || lines.isEmpty())
        return std::nullopt;
    const QByteArray word = trimmedEnd(m_parsed[lines.last()].value);
    if (word == "true" || word == "1")
        return true;
    if (word == "false" || word == "0")
        return false;
    return std::nullopt;
}

void DesktopEntry::setValue(const QString &key, const QString &escaped)
{
    const QByteArray line = key.toUtf8() + '=' + escaped.toUtf8();
    if (const QList<qsizetype> lines = linesOf(key.toUtf8()); !lines.isEmpty()) {
        m_lines[lines.last()] = line;
        parse();
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
        m_parsed.prepend({GroupName, {}, {}, true});
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
    parse();
}

void DesktopEntry::remove(const QString &key)
{
    const QList<qsizetype> lines = linesOf(key.toUtf8());
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        m_lines.removeAt(lines[i]);
    parse();
}

std::optional<QStringList> DesktopEntry::words(const QString &exec, QList<qsizetype> *ends)
{
    // As a shell splits, without expanding anything: ' keeps all, " keeps all but
    // \" \\ \` \$, a backslash elsewhere keeps the next character, and # after a
    // blank starts a comment.
    QStringList words;
    QList<qsizetype> wordEnds;
    QString word;
    bool inWord = false;
    const auto close = [&](qsizetype end) {
        if (inWord) {
            words.append(word);
            wordEnds.append(end);
        }
        word.clear();
        inWord = false;
    };
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == u'\n' || c == u' ' || c == u'\t') {
            close(i);
        } else if (c == u'#' && (i == 0 || exec[i - 1] == u' ' || exec[i - 1] == u'\n')) {
            if (i + 1 == exec.size())
                return std::nullopt; // GLib takes a # at the very end for an open quote
            while (i + 1 < exec.size() && exec[i + 1] != u'\n')
                ++i;
            ++i; // the newline ends the comment, not the word
        } else if (c == u'\\') {
            if (++i == exec.size())
                return std::nullopt;
            if (exec[i] != u'\n') {
                word += exec[i];
                inWord = true;
            }
        } else if (c == u'\'' || c == u'"') {
            inWord = true;
            for (++i;; ++i) {
                if (i == exec.size())
                    return std::nullopt;
                if (exec[i] == c)
                    break;
                if (c == u'"' && exec[i] == u'\\' && i + 1 < exec.size()
                    && QStringView(u"\"\\`$\n").contains(exec[i + 1]))
                    ++i;
                word += exec[i];
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    close(exec.size());
    if (words.isEmpty())
        return std::nullopt;
    if (ends)
        *ends = wordEnds;
    return words;
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
