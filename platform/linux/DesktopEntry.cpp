#include "DesktopEntry.h"

namespace {

const QByteArray Group = "[Desktop Entry]";

QString unescaped(const QByteArray &raw)
{
    const QString text = QString::fromUtf8(raw);
    QString value;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\' || i + 1 == text.size()) {
            value += text[i];
            continue;
        }
        switch (text[++i].unicode()) {
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
        default:
            value += text[i];
        }
    }
    return value;
}

} // namespace

DesktopEntry::DesktopEntry(const QByteArray &bytes)
    : m_lines(bytes.split('\n'))
{
    if (m_lines.size() > 1 && m_lines.last().isEmpty())
        m_lines.removeLast(); // the final newline, given back by bytes()
    for (qsizetype i = 0; i < m_lines.size() && m_group < 0; ++i) {
        if (m_lines[i].trimmed() == Group)
            m_group = i;
    }
}

QByteArray DesktopEntry::bytes() const
{
    return m_lines.join('\n') + '\n';
}

qsizetype DesktopEntry::find(const QString &key) const
{
    if (m_group < 0)
        return -1;
    for (qsizetype i = m_group + 1; i < m_lines.size() && !m_lines[i].trimmed().startsWith('['); ++i) {
        const qsizetype equals = m_lines[i].indexOf('=');
        if (equals > 0 && m_lines[i].left(equals).trimmed() == key.toUtf8())
            return i;
    }
    return -1;
}

std::optional<QString> DesktopEntry::value(const QString &key) const
{
    const qsizetype line = find(key);
    if (line < 0)
        return std::nullopt;
    return unescaped(m_lines[line].mid(m_lines[line].indexOf('=') + 1).trimmed());
}

void DesktopEntry::setValue(const QString &key, const QString &escaped)
{
    const QByteArray line = key.toUtf8() + '=' + escaped.toUtf8();
    if (const qsizetype at = find(key); at >= 0) {
        m_lines[at] = line;
        return;
    }
    if (m_group < 0) {
        m_group = 0;
        m_lines.prepend(Group);
        if (m_lines.size() == 2 && m_lines.last().isEmpty())
            m_lines.removeLast();
    }
    // After the group's last key, so that a blank line or comment before the next group stays there.
    qsizetype after = m_group;
    for (qsizetype i = m_group + 1; i < m_lines.size() && !m_lines[i].trimmed().startsWith('['); ++i) {
        if (m_lines[i].indexOf('=') > 0)
            after = i;
    }
    m_lines.insert(after + 1, line);
}

void DesktopEntry::remove(const QString &key)
{
    if (const qsizetype at = find(key); at >= 0)
        m_lines.removeAt(at);
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
