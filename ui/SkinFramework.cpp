#include "SkinFramework.h"

#include "platform/Failure.h"
#include "platform/FileService.h"

#include <QApplication>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QWidget>

namespace {

// A skin is a page of rules; anything larger is not one.
constexpr qint64 MaxSkinBytes = 256 * 1024;

// Reads a style sheet piece by piece, keeping count of lines for messages.
class SheetReader {
public:
    explicit SheetReader(QStringView text)
        : m_text(text)
    {
    }

    [[noreturn]] void fail(const QString &why) const
    {
        throw Failure(QStringLiteral("The skin is malformed at line %1: %2").arg(m_line).arg(why));
    }

    void skipSpace()
    {
        for (;;) {
            while (m_at < m_text.size() && m_text[m_at].isSpace())
                advance();
            if (!m_text.mid(m_at).startsWith(u"/*"))
                return;
            const qsizetype end = m_text.indexOf(u"*/", m_at + 2);
            if (end < 0)
                fail(QStringLiteral("a comment is not closed."));
            while (m_at < end + 2)
                advance();
        }
    }

    bool atEnd() const { return m_at >= m_text.size(); }

    // Text up to (not including) one of `stops` outside quotes, parentheses and
    // comments; returns the stop found, or 0 at the end of the text.
    QChar readUntil(QStringView stops, QString &out)
    {
        int depth = 0;
        while (m_at < m_text.size()) {
            const QChar c = m_text[m_at];
            if (c == u'"' || c == u'\'') {
                readQuoted(c, out);
                continue;
            }
            if (c == u'/' && m_text.mid(m_at).startsWith(u"/*")) {
                skipSpace();
                out += u' ';
                continue;
            }
            if (depth == 0 && stops.contains(c))
                return c;
            if (c == u'(')
                ++depth;
            else if (c == u')' && --depth < 0)
                fail(QStringLiteral("a \")\" has no \"(\"."));
            out += c;
            advance();
        }
        if (depth > 0)
            fail(QStringLiteral("a \"(\" is not closed."));
        return QChar();
    }

    void take() { advance(); }

private:
    void readQuoted(QChar quote, QString &out)
    {
        out += quote;
        advance();
        while (m_at < m_text.size() && m_text[m_at] != quote) {
            if (m_text[m_at] == u'\n')
                fail(QStringLiteral("a quoted text runs past the end of its line."));
            if (m_text[m_at] == u'\\' && m_at + 1 < m_text.size()) {
                out += m_text[m_at];
                advance();
            }
            out += m_text[m_at];
            advance();
        }
        if (m_at >= m_text.size())
            fail(QStringLiteral("a quoted text is not closed."));
        out += quote;
        advance();
    }

    void advance()
    {
        if (m_text[m_at] == u'\n')
            ++m_line;
        ++m_at;
    }

    QStringView m_text;
    qsizetype m_at = 0;
    int m_line = 1;
};

bool isPropertyName(const QString &name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        if (!(c.isLetterOrNumber() || c == u'-' || c == u'_'))
            return false;
    }
    return true;
}

bool isFontProperty(const QString &name)
{
    return name == u"font" || name.startsWith(u"font-");
}

// Sizes, and the box around the content that takes room from it: padding, margin
// and a border's width. The `border` shorthands carry a width and go whole; a
// border's colour, style and corners on their own stay.
bool isSizeProperty(const QString &name)
{
    static const QStringList sizes = {QStringLiteral("width"),     QStringLiteral("height"),
                                      QStringLiteral("min-width"), QStringLiteral("min-height"),
                                      QStringLiteral("max-width"), QStringLiteral("max-height")};
    if (sizes.contains(name) || name.startsWith(u"padding") || name.startsWith(u"margin"))
        return true;
    static const QRegularExpression borderWidth(QStringLiteral("^border(-(top|right|bottom|left))?(-width)?$"));
    return borderWidth.match(name).hasMatch();
}

// "qproperty-" sets a widget's property (a button's caption, say): a skin changes
// the look, never what a control says or does.
bool isWidgetProperty(const QString &name)
{
    return name.startsWith(u"qproperty-");
}

} // namespace

QList<SkinFramework::Rule> SkinFramework::parse(QStringView sheet)
{
    QList<Rule> rules;
    SheetReader reader(sheet);
    for (reader.skipSpace(); !reader.atEnd(); reader.skipSpace()) {
        Rule rule;
        if (reader.readUntil(u"{};", rule.selector) != u'{')
            reader.fail(QStringLiteral("a selector is not followed by \"{\"."));
        rule.selector = rule.selector.simplified();
        if (rule.selector.isEmpty())
            reader.fail(QStringLiteral("a rule has no selector."));
        reader.take();
        for (;;) {
            QString declaration;
            const QChar stop = reader.readUntil(u";}{", declaration);
            if (stop.isNull() || stop == u'{')
                reader.fail(QStringLiteral("the rule for \"%1\" is not closed.").arg(rule.selector));
            reader.take();
            declaration = declaration.trimmed();
            if (!declaration.isEmpty()) {
                const qsizetype colon = declaration.indexOf(u':');
                const QString name = declaration.left(colon).trimmed().toLower();
                const QString value = declaration.mid(colon + 1).trimmed();
                if (colon < 0 || !isPropertyName(name) || value.isEmpty())
                    reader.fail(QStringLiteral("\"%1\" is not a property and its value.").arg(declaration));
                rule.declarations.append({name, value});
            }
            if (stop == u'}')
                break;
        }
        rules.append(rule);
    }
    if (rules.isEmpty())
        throw Failure(QStringLiteral("The skin holds no rule."));
    return rules;
}

void SkinFramework::LoadSkin(FileService &files, const QString &path, const QString &ini)
{
    if (!ini.isEmpty())
        throw Failure(QStringLiteral("The skin %1 has no section \"%2\".").arg(path, ini));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(files.readProgramFile(path, MaxSkinBytes));
    if (utf8.hasError())
        throw Failure(QStringLiteral("The skin %1 is not UTF-8 text.").arg(path));
    m_rules = parse(text);
}

QString SkinFramework::sheet() const
{
    QString sheet;
    for (const Rule &rule : m_rules) {
        sheet += rule.selector + QStringLiteral(" {");
        for (const auto &[name, value] : rule.declarations) {
            if (isWidgetProperty(name) || (m_keepFonts && isFontProperty(name))
                || (m_keepSizes && isSizeProperty(name)))
                continue;
            sheet += u' ' + name + QStringLiteral(": ") + value + u';';
        }
        sheet += QStringLiteral(" }\n");
    }
    return sheet;
}

void SkinFramework::ApplyWindow(QWidget *window)
{
    if (m_rules.isEmpty())
        throw Failure(QStringLiteral("No skin is loaded."));
    if (m_options & WindowOnly)
        window->setStyleSheet(sheet());
    else
        qApp->setStyleSheet(sheet());
}
