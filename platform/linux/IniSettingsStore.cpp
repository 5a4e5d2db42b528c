#include "IniSettingsStore.h"

#include "platform/Failure.h"

#include <QDeadlineTimer>
#include <QList>
#include <QStringDecoder>
#include <QThread>

#include <algorithm>

namespace {

// Four short values; a larger file is not ours.
constexpr qint64 MaxSettingsBytes = 1024 * 1024;

constexpr QByteArrayView ByteOrderMark("\xef\xbb\xbf");

bool isKeyCharacter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'-'
        || c == u'.';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

// One logical line: where its text starts, how long it is, and its first `=`
// outside quotes (-1 when it has none).
struct Line {
    qsizetype start = -1;
    qsizetype length = 0;
    qsizetype equals = -1;
    qsizetype end() const { return start + length; }
};

// The next logical line from `at`, split as QSettings splits the file: a line end
// inside quotes or after a backslash does not end it, a `;` at its start makes a
// comment to the line end, and a `;` after text ends the text.
bool nextLine(QByteArrayView data, qsizetype &at, Line &line)
{
    line = Line{at, 0, -1};
    while (line.start < data.size() && isBlank(data[line.start]))
        ++line.start;
    bool quoted = false;
    qsizetype i = line.start;
    for (; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '=') {
            if (!quoted && line.equals < 0)
                line.equals = i;
        } else if (isLineEnd(c)) {
            if (i == line.start)
                ++line.start;
            else if (!quoted)
                break;
        } else if (c == '\\') {
            if (i + 1 < data.size()) {
                ++i; // the escaped character; a CR LF or LF CR pair counts as one
                if (i + 1 < data.size() && isLineEnd(data[i]) && isLineEnd(data[i + 1]) && data[i] != data[i + 1])
                    ++i;
            }
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ';') {
            if (i != line.start) {
                if (!quoted)
                    break;
                continue;
            }
            while (i < data.size() && !isLineEnd(data[i]))
                ++i;
            while (i < data.size() && isBlank(data[i]))
                ++i;
            line.start = i--;
        }
    }
    at = i;
    line.length = i - line.start;
    return line.length > 0;
}

// A group as QSettings keys it: its name and a slash, or nothing for [General].
QString sectionKey(QByteArrayView name)
{
    if (name.compare("general", Qt::CaseInsensitive) == 0)
        return {};
    if (name.compare("%general", Qt::CaseInsensitive) == 0)
        return QString::fromLatin1(name.sliced(1)) + u'/';
    return IniSettingsStore::unescapedKey(name) + u'/';
}

struct Section {
    QString key;
    Line header; // start -1 for the lines before the first group
    qsizetype from = 0;
    qsizetype to = 0;
};

struct Entry {
    QString section;
    QString key; // with the section's
    Line line;
};

// The file as QSettings reads it: the groups, then the keys of each.
struct Parsed {
    QByteArray data;
    qsizetype body = 0; // after a byte-order mark
    QList<Section> sections;
    QList<Entry> entries; // in file order: a later one of a key wins
};

Parsed parse(QByteArray bytes)
{
    Parsed parsed;
    parsed.data = bytes;
    parsed.body = bytes.startsWith(ByteOrderMark) ? ByteOrderMark.size() : 0;
    const QByteArrayView data(parsed.data);
    // Groups are found after the mark, but the keys before the first group are
    // read with it, as the first key's first character (as Qt 6.4 reads them).
    Section current;
    qsizetype at = parsed.body;
    Line line;
    while (nextLine(data, at, line)) {
        if (data[line.start] != '[')
            continue;
        current.to = line.start;
        parsed.sections.append(current);
        const QByteArrayView text = data.sliced(line.start, line.length);
        const qsizetype close = text.indexOf(']');
        current = Section{sectionKey(text.first(close < 0 ? text.size() : close).sliced(1).trimmed()), line, at, 0};
    }
    current.to = data.size();
    parsed.sections.append(current);
    for (const Section &section : std::as_const(parsed.sections)) {
        qsizetype from = section.from;
        while (nextLine(data.first(section.to), from, line)) {
            if (line.equals >= 0)
                parsed.entries.append(Entry{
                    section.key,
                    section.key
                        + IniSettingsStore::unescapedKey(data.sliced(line.start, line.equals - line.start).trimmed()),
                    line});
        }
    }
    return parsed;
}

QByteArrayView valueOf(const Parsed &parsed, const Entry &entry)
{
    return QByteArrayView(parsed.data).sliced(entry.line.equals + 1, entry.line.end() - entry.line.equals - 1);
}

// The value of a digit in `base` (8 or 16), or -1.
int digitOf(char c, int base)
{
    if (c >= '0' && c <= '9')
        return c - '0' < base ? c - '0' : -1;
    const char lower = char(c | 0x20);
    return base == 16 && lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Reads a value as QSettings does: escapes, quotes, and the blanks around it.
class ValueReader {
public:
    explicit ValueReader(QByteArrayView value)
        : m_value(value)
    {
    }
    // The text, unescaped and unquoted; nothing when QSettings makes a list of it.
    std::optional<QString> read();

private:
    bool atEnd() const { return m_at >= m_value.size(); }
    void skipBlanks();
    bool escape();
    bool number(int base, char16_t code);
    void plainRun();

    QByteArrayView m_value;
    QString m_text;
    QStringDecoder m_utf8{QStringDecoder::Utf8}; // one decoder: a sequence may be split by an escape
    qsizetype m_at = 0;
    qsizetype m_keep = 0; // blanks before this stay at the end
    bool m_inQuotes = false;
    bool m_quoted = false;
};

std::optional<QString> ValueReader::read()
{
    skipBlanks();
    while (!atEnd()) {
        const char c = m_value[m_at];
        if (c == '\\') {
            ++m_at;
            if (!escape())
                return m_text; // the value ends inside an escape, its blanks kept
        } else if (c == '"') {
            ++m_at;
            m_quoted = true;
            m_inQuotes = !m_inQuotes;
            if (!m_inQuotes)
                skipBlanks();
        } else if (c == ',' && !m_inQuotes) {
            return std::nullopt;
        } else {
            plainRun();
        }
    }
    while (!m_quoted && m_text.size() > m_keep && (m_text.back() == u' ' || m_text.back() == u'\t'))
        m_text.chop(1);
    return m_text;
}

void ValueReader::skipBlanks()
{
    while (!atEnd() && (m_value[m_at] == ' ' || m_value[m_at] == '\t'))
        ++m_at;
    m_keep = m_text.size();
}

// The escape after a backslash; whether anything follows it.
bool ValueReader::escape()
{
    static constexpr char Escapes[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},  {'r', '\r'}, {'t', '\t'},
                                          {'v', '\v'}, {'"', '"'},  {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    if (atEnd())
        return false;
    const char e = m_value[m_at++];
    const auto *simple =
        std::find_if(std::begin(Escapes), std::end(Escapes), [e](const char(&pair)[2]) { return pair[0] == e; });
    if (simple != std::end(Escapes)) {
        m_text += QLatin1Char(simple[0][1]);
        m_keep = m_text.size();
        return true;
    }
    if (e == 'x' && atEnd())
        return false;
    if (e == 'x' && digitOf(m_value[m_at], 16) >= 0)
        return number(16, 0);
    if (e >= '0' && e <= '7')
        return number(8, char16_t(e - '0'));
    if (isLineEnd(e) && !atEnd() && isLineEnd(m_value[m_at]) && m_value[m_at] != e)
        ++m_at;
    m_keep = m_text.size();
    return true;
}

// A character code in `base`, its digits while they last (the code wraps at 16
// bits); whether anything follows it.
bool ValueReader::number(int base, char16_t code)
{
    for (; !atEnd() && digitOf(m_value[m_at], base) >= 0; ++m_at)
        code = char16_t(code * base + digitOf(m_value[m_at], base));
    m_text += QChar(code);
    m_keep = m_text.size();
    return !atEnd();
}

// Bytes up to the next escape, quote or comma, as UTF-8.
void ValueReader::plainRun()
{
    qsizetype end = m_at + 1;
    while (end < m_value.size() && m_value[end] != '\\' && m_value[end] != '"' && m_value[end] != ',')
        ++end;
    m_text += m_utf8(m_value.sliced(m_at, end - m_at));
    m_at = end;
}

std::optional<QString> unescapedValue(QByteArrayView value)
{
    return ValueReader(value).read();
}

// A value as the program shows it: QSettings' text, or for what QSettings would
// turn into a list or an object, the text as it stands.
QString shownValue(QByteArrayView raw)
{
    const std::optional<QString> text = unescapedValue(raw);
    return text && !text->startsWith(u'@') ? *text : QString::fromUtf8(raw.trimmed());
}

// The raw value of every key, as the last line of each key leaves it.
QMap<QString, QByteArray> rawValues(const Parsed &parsed)
{
    QMap<QString, QByteArray> values;
    for (const Entry &entry : parsed.entries)
        values.insert(entry.key, valueOf(parsed, entry).toByteArray());
    return values;
}

QByteArray lineEndOf(const QByteArray &data)
{
    const auto end = std::find_if(data.begin(), data.end(), isLineEnd);
    if (end == data.end() || *end == '\n')
        return "\n";
    return end + 1 != data.end() && end[1] == '\n' ? QByteArray("\r\n") : QByteArray("\r");
}

// Where the line after `line` starts, past a trailing comment and one line end;
// -1 when the file ends first.
qsizetype afterLine(QByteArrayView data, const Line &line)
{
    qsizetype at = line.end();
    while (at < data.size() && !isLineEnd(data[at]))
        ++at; // a comment after the text
    if (at >= data.size())
        return -1;
    return at + (data.sliced(at).startsWith("\r\n") ? 2 : 1);
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
    const QString text = QString::fromUtf8(key);
    QString result;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar c = text[at];
        const qsizetype digits = c == u'%' && at + 1 < text.size() && text[at + 1] == u'U' ? 4 : 2;
        const qsizetype first = at + 1 + (digits == 4);
        bool ok = false;
        const ushort code =
            c == u'%' && first + digits <= text.size() ? QStringView(text).sliced(first, digits).toUShort(&ok, 16) : 0;
        if (ok) {
            result += QChar(code);
            at = first + digits - 1;
        } else {
            result += c == u'\\' ? QChar(u'/') : c;
        }
    }
    return result;
}

QMap<QString, QString> IniSettingsStore::valuesIn(const QByteArray &bytes) const
{
    const Parsed parsed = parse(bytes);
    const QString prefix = m_group + u'/';
    // QSettings reads the group only while no group inside it, and no key of another
    // group naming it, stands before the key it looks for.
    for (const Section &section : parsed.sections) {
        if (section.key.startsWith(prefix) && section.key != prefix)
            throw Failure(QStringLiteral("The file %1 was not used: it holds the group [%2], which programs read "
                                         "differently. Remove that group from the file.")
                              .arg(m_path, section.key.chopped(1)));
    }
    QMap<QString, QString> values;
    for (const Entry &entry : parsed.entries) {
        if (!entry.key.startsWith(prefix))
            continue;
        if (entry.section != prefix)
            throw Failure(QStringLiteral("The file %1 was not used: its key %2 names the group [%3], which programs "
                                         "read differently. Move that key under [%3].")
                              .arg(m_path, entry.key, m_group));
        values.insert(entry.key.mid(prefix.size()), shownValue(valueOf(parsed, entry)));
    }
    return values;
}

QMap<QString, QString> IniSettingsStore::readAll() const
{
    return valuesIn(m_files.readOwnConfig(m_path, MaxSettingsBytes).value_or(QByteArray()));
}

QString IniSettingsStore::leftAsItIs() const
{
    return QStringLiteral("leaves that file as it is. To keep your choices, move the file out of the way or make it a "
                          "file of your own, then start Ramtidy again.");
}

namespace {

// An entry's line with its value replaced, the blanks around the old one kept.
QByteArray replacedValue(const QByteArray &data, const Line &line, const QByteArray &value)
{
    qsizetype from = line.equals + 1;
    qsizetype to = line.end();
    while (from < to && (data[from] == ' ' || data[from] == '\t'))
        ++from;
    while (to > from && (data[to - 1] == ' ' || data[to - 1] == '\t'))
        --to;
    return QByteArray(data).replace(from, to - from, value);
}

// `entry` on a line of its own after `line`, or at the end of the file.
QByteArray insertedAfter(const QByteArray &data, const Line &line, const QByteArray &entry, const QByteArray &eol)
{
    const qsizetype at = afterLine(data, line);
    return at >= 0 ? QByteArray(data).insert(at, entry + eol) : data + eol + entry + eol;
}

// A new key's line: where it may go, best first. After the group's last key,
// then after each of the group's headers, then in a group of its own at the end,
// then before everything (when a line left open swallows the end of the file).
QList<QByteArray> placesForNewKey(const QByteArray &data, const Parsed &parsed, const QString &section,
                                  const QByteArray &header, const QByteArray &entry)
{
    const QByteArray eol = lineEndOf(data);
    QList<QByteArray> places;
    const Line *lastKey = nullptr;
    for (const Entry &e : parsed.entries) {
        if (e.section == section && !data.sliced(e.line.start).startsWith('#')) // a person reads # as a comment
            lastKey = &e.line;
    }
    if (lastKey)
        places << insertedAfter(data, *lastKey, entry, eol);
    for (auto s = parsed.sections.crbegin(); s != parsed.sections.crend(); ++s) {
        if (s->key == section)
            places << insertedAfter(data, s->header, entry, eol);
    }
    const QByteArray group = header + eol + entry + eol;
    places << data + (data.isEmpty() || isLineEnd(data.back()) ? QByteArray() : eol)
            + (data.isEmpty() ? QByteArray() : eol) + group;
    const bool general = parsed.sections.size() == 1 || parsed.sections[1].header.start > parsed.body;
    places << data.first(parsed.body) + group + (general ? "[General]" + eol : QByteArray()) + data.sliced(parsed.body);
    return places;
}

} // namespace

// The key's value is changed in place, or its line added at the end of the group;
// every other byte, ours or not, is written back as it was.
QByteArray IniSettingsStore::withValue(const QByteArray &bytes, const QString &key, const QString &value) const
{
    valuesIn(bytes); // a file that is not read is not written either
    const Parsed parsed = parse(bytes);
    const QString section = m_group + u'/';
    const QString fullKey = section + key;
    const Entry *own = nullptr; // the line QSettings reads
    for (const Entry &e : parsed.entries) {
        if (e.key == fullKey)
            own = &e;
    }
    const QList<QByteArray> places = own ? QList<QByteArray>{replacedValue(bytes, own->line, value.toUtf8())}
                                         : placesForNewKey(bytes, parsed, section, '[' + escapedKey(m_group) + ']',
                                                           escapedKey(key) + '=' + value.toUtf8());
    // The first place after which every other key reads as before, and this one
    // as written, is taken.
    QMap<QString, QByteArray> expected = rawValues(parsed);
    expected.remove(fullKey);
    const auto readsRight = [&](const QByteArray &candidate) {
        QMap<QString, QByteArray> found = rawValues(parse(candidate));
        return unescapedValue(found.take(fullKey)) == value && found == expected;
    };
    const QByteArray eol = lineEndOf(bytes);
    for (const QByteArray &candidate : places) {
        // The file ends on a line end where that changes nothing.
        if (!candidate.isEmpty() && !isLineEnd(candidate.back()) && readsRight(candidate + eol))
            return candidate + eol;
        if (readsRight(candidate))
            return candidate;
    }
    throw Failure(QStringLiteral("The file %1 cannot take the value without changing how its other lines read; "
                                 "a line in it may lack a closing quote.")
                      .arg(m_path));
}

void IniSettingsStore::write(const QString &key, const QString &value)
{
    m_waiting.insert(key, value);
    saveWaiting();
}

bool IniSettingsStore::flush(std::chrono::milliseconds patience)
{
    const QDeadlineTimer deadline(patience);
    while (!saveWaiting()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(qBound(qint64(1), deadline.remainingTime(), qint64(20)));
    }
    return true;
}

bool IniSettingsStore::saveWaiting()
{
    if (m_waiting.isEmpty())
        return true;
    try {
        const bool done = m_files.updateOwnConfig(m_path, MaxSettingsBytes, [&](const QByteArray &bytes) {
            QByteArray changed = bytes;
            for (auto value = m_waiting.cbegin(); value != m_waiting.cend(); ++value)
                changed = withValue(changed, value.key(), value.value());
            // A file the next start would refuse is not written.
            if (changed.size() > MaxSettingsBytes)
                throw Failure(QStringLiteral("The file %1 would be longer than the %2 bytes Ramtidy reads.")
                                  .arg(m_path)
                                  .arg(MaxSettingsBytes));
            return changed;
        });
        if (done)
            m_waiting.clear();
        return done;
    } catch (...) {
        m_waiting.clear();
        throw;
    }
}
