#include "IniSettingsStore.h"

#include "platform/Failure.h"

#include <QList>

namespace {

// Four short values; a larger file is not ours.
constexpr qint64 MaxSettingsBytes = 1024 * 1024;

bool isKeyCharacter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'-'
        || c == u'.';
}

// A section's name when the line is a section header.
std::optional<QString> sectionOf(QByteArrayView line)
{
    if (!line.startsWith('[') || !line.contains(']'))
        return std::nullopt;
    return IniSettingsStore::unescapedKey(line.sliced(1, line.indexOf(']') - 1));
}

bool isComment(QByteArrayView line)
{
    return line.startsWith(';') || line.startsWith('#');
}

// The lines of the file, each without its line end, trimmed.
QList<QByteArray> linesOf(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

IniSettingsStore::IniSettingsStore(QString path, QString group)
    : m_path(std::move(path))
    , m_group(std::move(group))
{
}

QByteArray IniSettingsStore::escapedKey(const QString &key)
{
    QByteArray escaped;
    for (const QChar c : key) {
        if (c == u'/')
            escaped += '\\';
        else if (isKeyCharacter(c.unicode()))
            escaped += char(c.unicode());
        else if (c.unicode() <= 0xFF)
            escaped += '%' + QByteArray::number(c.unicode(), 16).toUpper().rightJustified(2, '0');
        else
            escaped += "%U" + QByteArray::number(c.unicode(), 16).toUpper().rightJustified(4, '0');
    }
    return escaped;
}

QString IniSettingsStore::unescapedKey(QByteArrayView key)
{
    const QByteArray trimmed = key.trimmed().toByteArray();
    QByteArray plain; // UTF-8 between the escapes
    QString result;
    for (qsizetype at = 0; at < trimmed.size(); ++at) {
        const char c = trimmed[at];
        const bool wide = c == '%' && trimmed.mid(at + 1, 1) == "U";
        bool ok = false;
        const int width = wide ? 4 : 2;
        const ushort code = c == '%' ? trimmed.mid(at + 1 + wide, width).toUShort(&ok, 16) : 0;
        if (ok && trimmed.mid(at + 1 + wide, width).size() == width) {
            result += QString::fromUtf8(plain) + QChar(code);
            plain.clear();
            at += wide + width;
        } else {
            plain += c == '\\' ? '/' : c;
        }
    }
    return result + QString::fromUtf8(plain);
}

QByteArray IniSettingsStore::readFile() const
{
    return m_files.readOwnConfig(m_path, MaxSettingsBytes).value_or(QByteArray());
}

QMap<QString, QString> IniSettingsStore::readAll() const
{
    QMap<QString, QString> values;
    bool inGroup = false;
    for (const QByteArray &raw : linesOf(readFile())) {
        const QByteArray line = raw.trimmed();
        if (const auto section = sectionOf(line)) {
            inGroup = *section == m_group;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inGroup || isComment(line) || equals <= 0)
            continue;
        // The text as it stands: the program writes only words and digits, and what
        // else is there is shown as it is, never decoded into an object.
        values.insert(unescapedKey(line.first(equals)), QString::fromUtf8(line.mid(equals + 1).trimmed()));
    }
    return values;
}

// The key's line is changed in place, or added at the end of the group; every
// other line, ours or not, is written back as it was.
void IniSettingsStore::write(const QString &key, const QString &value)
{
    QList<QByteArray> lines = linesOf(readFile());
    const QByteArray entry = escapedKey(key) + '=' + value.toUtf8();
    qsizetype groupEnd = -1; // where a missing key goes
    bool inGroup = false;
    bool written = false;
    for (qsizetype at = 0; at < lines.size(); ++at) {
        const QByteArray line = lines[at].trimmed();
        if (const auto section = sectionOf(line)) {
            inGroup = *section == m_group;
            if (inGroup)
                groupEnd = at + 1;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inGroup || isComment(line) || equals <= 0) {
            continue;
        }
        groupEnd = at + 1;
        if (unescapedKey(line.first(equals)) != key)
            continue;
        if (written) { // a second line of the same key would be read in its place
            lines.removeAt(at--);
            --groupEnd;
        } else {
            lines[at] = entry;
            written = true;
        }
    }
    if (!written && groupEnd >= 0) {
        lines.insert(groupEnd, entry);
    } else if (!written) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QByteArray());
        lines.append('[' + escapedKey(m_group) + ']');
        lines.append(entry);
    }
    const QByteArray bytes = lines.join('\n') + '\n';
    try {
        // A file the next start would refuse is not written.
        if (bytes.size() > MaxSettingsBytes)
            throw Failure(QStringLiteral("The file %1 would be longer than the %2 bytes Ramtidy reads.")
                              .arg(m_path)
                              .arg(MaxSettingsBytes));
        m_files.makePrivateFolder(m_path.left(m_path.lastIndexOf(u'/')));
        m_files.replace(m_path, bytes);
    } catch (const Failure &e) {
        throw Failure(
            QStringLiteral("The setting \"%1\" could not be saved. %2").arg(key, QString::fromUtf8(e.what())));
    }
}
