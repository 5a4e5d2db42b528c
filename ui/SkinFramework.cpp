#include "SkinFramework.h"

#include "platform/Failure.h"
#include "platform/FileService.h"
#include "ui/QtCss.h"

#include <QApplication>
#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QPixmapCache>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QStringDecoder>
#include <QWidget>

namespace {

// A skin is a page of rules; anything larger is not one.
constexpr qint64 MaxSkinBytes = 256 * 1024;
// The window is 536 by 399 pixels: a picture of a skin has no use for more than
// about twice that a side, and together the pictures decoded stay at 4 MiB.
constexpr qint64 MaxPictureBytes = 8 * 1024 * 1024;
constexpr int MaxPictureSide = 1024;
constexpr qint64 MaxPicturePixels = 1024 * 1024;
// What the fixed layout absorbs of a border: the buttons' captions keep their
// room, and a focus ring still shows.
constexpr double MaxBorderPixels = 2;
// A part's picture sets the part's size: a check box's indicator fits its row.
constexpr int MaxPartPicture = 16;

// A skin names at most this many pictures: each is held in memory through a
// descriptor of its own for the whole run.
constexpr int MaxPictures = 64;

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

Failure malformed(const QString &path, int line, const QString &why)
{
    const QString where = path.isEmpty() ? QString() : u' ' + path;
    return Failure(QStringLiteral("The skin%1 is malformed at line %2: %3 Correct that line, or remove the file to go "
                                  "without a skin.")
                       .arg(where)
                       .arg(line)
                       .arg(why));
}

// Reads a style sheet piece by piece as Qt's scanner does, keeping count of lines
// for messages. Qt turns "\" and hex digits into a character before it reads
// anything, in comments and quotes too; no skin needs that, so it is refused.
class SheetReader {
public:
    SheetReader(QStringView text, const QString &path)
        : m_text(text)
        , m_path(path)
    {
    }

    [[noreturn]] void fail(const QString &why) const { throw malformed(m_path, m_line, why); }

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
    int line() const { return m_line; }

    // Text up to (not including) one of `stops` outside quotes, parentheses,
    // escapes and comments; returns the stop found, or 0 at the end of the text.
    QChar readUntil(QStringView stops, QString &out)
    {
        int depth = 0;
        while (m_at < m_text.size()) {
            const QChar c = m_text[m_at];
            if (c == u'"' || c == u'\'') {
                readQuoted(c, out);
                continue;
            }
            if (c == u'\\') {
                // Outside quotes the escaped character belongs to a name; a blank
                // or line end after it is no escape to Qt.
                if (m_at + 1 >= m_text.size() || m_text[m_at + 1].isSpace())
                    fail(QStringLiteral("a \"\\\" is followed by nothing it could escape."));
                out += c;
                advance();
                out += m_text[m_at];
                advance();
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

    // Passes the stop readUntil() found.
    void skipStop() { advance(); }

private:
    void readQuoted(QChar quote, QString &out)
    {
        out += quote;
        advance();
        while (m_at < m_text.size() && m_text[m_at] != quote) {
            // Qt ends a quoted text at any line end that is not escaped.
            if (m_text[m_at] == u'\n' || m_text[m_at] == u'\r' || m_text[m_at] == u'\f')
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
        if (m_text[m_at] == u'\\' && m_at + 1 < m_text.size() && isHexDigit(m_text[m_at + 1]))
            fail(QStringLiteral("a \"\\\" before a hex digit is a character code, which a skin does not use."));
        if (m_text[m_at] == u'\n')
            ++m_line;
        ++m_at;
    }

    QStringView m_text;
    QString m_path;
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

// Whether a term is a length we read, no wider than the layout absorbs.
bool isNarrowLength(const QString &term)
{
    static const QRegularExpression length(QStringLiteral("^(\\d*\\.?\\d+)(px|pt|em|ex)?$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = length.match(term);
    if (!match.hasMatch())
        return false;
    const double number = match.captured(1).toDouble();
    const QString unit = match.captured(2).toLower();
    // An em or ex depends on a font the skin cannot see; any of it is too wide.
    return unit == u"pt"        ? number * 96 / 72 <= MaxBorderPixels
        : unit.startsWith(u'e') ? number == 0
                                : number <= MaxBorderPixels;
}

// The value with every width Qt could read from it cut to what the layout
// absorbs; the style and colour stay as they are. Qt reads a width from any term
// of a "-width" property (a named width and a percentage too), and from a
// shorthand's first term when that is a number; any number in it is cut. A term
// runs to a blank or slash outside parentheses; where a skin's quotes or
// parentheses make it longer, more of it is cut, never less.
QString withBorderCapped(const QString &name, const QString &value)
{
    const bool everyTerm = name.endsWith(u"-width");
    QString capped;
    qsizetype start = -1; // of the term being read
    const auto endTerm = [&](qsizetype end) {
        if (start < 0)
            return;
        const QString term = value.mid(start, end - start);
        const bool width = everyTerm || QStringLiteral("+-.0123456789").contains(term[0]);
        capped += width && !isNarrowLength(term) ? QStringLiteral("%1px").arg(MaxBorderPixels) : term;
        start = -1;
    };
    int depth = 0;
    for (qsizetype at = 0; at < value.size(); ++at) {
        const QChar c = value[at];
        if (depth == 0 && (c.isSpace() || c == u'/')) {
            endTerm(at);
            capped += c;
            continue;
        }
        if (start < 0)
            start = at;
        depth += c == u'(' ? 1 : c == u')' ? -1 : 0;
    }
    endTerm(value.size());
    return capped;
}

} // namespace

QList<SkinFramework::Rule> SkinFramework::parse(QStringView sheet, const QString &path)
{
    QList<Rule> rules;
    SheetReader reader(sheet, path);
    for (reader.skipSpace(); !reader.atEnd(); reader.skipSpace()) {
        Rule rule;
        rule.line = reader.line();
        int declarationLine = 0;
        if (reader.readUntil(u"{};", rule.selector) != u'{')
            reader.fail(QStringLiteral("a selector is not followed by \"{\"."));
        rule.selector = rule.selector.simplified();
        if (rule.selector.isEmpty())
            reader.fail(QStringLiteral("a rule has no selector."));
        reader.skipStop();
        for (;;) {
            reader.skipSpace();
            declarationLine = reader.line();
            QString declaration;
            const QChar stop = reader.readUntil(u";}{", declaration);
            if (stop.isNull() || stop == u'{')
                reader.fail(QStringLiteral("the rule for \"%1\" is not closed.").arg(rule.selector));
            reader.skipStop();
            declaration = declaration.trimmed();
            if (!declaration.isEmpty()) {
                const qsizetype colon = declaration.indexOf(u':');
                // Qt matches names with their case folded: to it a long s is an s.
                const QString name = declaration.left(colon).trimmed().toCaseFolded();
                const QString value = declaration.mid(colon + 1).trimmed();
                if (colon < 0 || !isPropertyName(name) || value.isEmpty())
                    reader.fail(QStringLiteral("\"%1\" is not a property and its value.").arg(declaration));
                rule.declarations.append({name, value});
                rule.declarationLines.append(declarationLine);
            }
            if (stop == u'}')
                break;
        }
        rules.append(rule);
    }
    if (rules.isEmpty())
        throw Failure(QStringLiteral("The skin%1 holds no rule. Write its rules in it, or remove the file to go "
                                     "without a skin.")
                          .arg(path.isEmpty() ? QString() : u' ' + path));
    return rules;
}

void SkinFramework::LoadSkin(FileService &files, const QString &path, const QString &ini)
{
    if (!ini.isEmpty())
        throw Failure(QStringLiteral("The skin %1 has no section \"%2\".").arg(path, ini));
    QStringDecoder utf8(QStringDecoder::Utf8);
    QByteArray bytes;
    try {
        bytes = files.readProgramFile(path, MaxSkinBytes);
    } catch (const Failure &failure) {
        throw Failure(QString::fromStdString(failure.what())
                      + QStringLiteral(" Put the skin there as a regular file of yours or root's, or remove it to go "
                                       "without a skin."));
    }
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        throw Failure(QStringLiteral("The skin %1 is not UTF-8 text. Save it as UTF-8, or remove it to go without a "
                                     "skin.")
                          .arg(path));
    m_path = path;
    m_rules = parse(text, path);
    m_leftOut.clear();
    m_toldPictures.clear();
    leaveOutRefused();
    loadPictures(files, path.left(path.lastIndexOf(u'/')));
}

// What is not a colour, background, picture or border would change what a control
// says, its size or its place: a caption (qproperty-text), a font that no longer
// fits, capitals, spacing, padding. Each goes, and is told.
void SkinFramework::leaveOutRefused()
{
    for (Rule &rule : m_rules) {
        for (qsizetype i = 0; i < rule.declarations.size();) {
            const QString &name = rule.declarations[i].first;
            if (QtCss::kindOf(name) != QtCss::Kind::Refused) {
                ++i;
                continue;
            }
            m_leftOut.append(QStringLiteral("The skin %1 sets \"%2\" at line %3, which was left out: a skin sets only "
                                            "colours, backgrounds, pictures and borders, so that every control keeps "
                                            "its text, size and place. Take it out of the skin.")
                                 .arg(m_path, name)
                                 .arg(rule.declarationLines[i]));
            rule.declarations.removeAt(i);
            rule.declarationLines.removeAt(i);
        }
    }
}

bool SkinFramework::isLeftOut(const Rule &rule, const QString &name, const QString &value) const
{
    return QtCss::kindOf(name) == QtCss::Kind::Refused || isOversizedPartPicture(rule, name, value);
}

QString SkinFramework::wornRule(const Rule &rule) const
{
    QString worn = rule.selector + QStringLiteral(" {");
    for (const auto &[name, value] : rule.declarations) {
        if (isLeftOut(rule, name, value))
            continue;
        const bool capped = QtCss::kindOf(name) == QtCss::Kind::BorderWidth;
        worn += u' ' + name + QStringLiteral(": ") + (capped ? withBorderCapped(name, value) : value) + u';';
    }
    return worn + QStringLiteral(" }\n");
}

QString SkinFramework::sheet() const
{
    QString sheet;
    for (const Rule &rule : m_rules)
        sheet += wornRule(rule);
    return sheet;
}

// Why Qt would not wear the sheet as it was checked: it cannot read it (a window
// then reads the whole sheet as the declarations of one rule), or it reads a
// property that is left out. Empty when Qt wears what was checked.
QString SkinFramework::qtReading(const QString &sheet) const
{
    const auto declarations = QtCss::declarations(sheet);
    if (!declarations)
        return QStringLiteral("Qt cannot read this rule.");
    for (const QtCss::Declaration &declaration : *declarations) {
        if (declaration.kind == QtCss::Kind::Refused
            || (declaration.kind == QtCss::Kind::BorderWidth && !(declaration.widestBorder <= MaxBorderPixels)))
            return QStringLiteral("Qt reads \"%1\" there, which this skin may not set.").arg(declaration.property);
        for (const QString &picture : declaration.pictures) {
            if (!m_pictureSizes.contains(picture))
                return QStringLiteral("Qt reads a picture \"%1\" there that was not checked.").arg(picture);
        }
    }
    return {};
}

// The whole sheet is read as Qt will read it; where Qt reads it otherwise, the
// first rule up to which it does so is named.
void SkinFramework::checkWithQt() const
{
    QStringList worn;
    for (const Rule &rule : m_rules)
        worn.append(wornRule(rule));
    QString why = qtReading(worn.join(QString()));
    if (why.isEmpty())
        return;
    qsizetype read = 0; // rules Qt reads as checked
    qsizetype otherwise = worn.size(); // rules Qt does not
    while (otherwise - read > 1) {
        const qsizetype middle = (read + otherwise) / 2;
        if (const QString reading = qtReading(worn.first(middle).join(QString())); reading.isEmpty()) {
            read = middle;
        } else {
            otherwise = middle;
            why = reading;
        }
    }
    throw malformed(m_path, m_rules[otherwise - 1].line, why);
}

bool SkinFramework::isOversizedPartPicture(const Rule &rule, const QString &name, const QString &value) const
{
    if (name != u"image" || !rule.selector.contains(u"::"))
        return false;
    for (auto picture = m_pictureSizes.cbegin(); picture != m_pictureSizes.cend(); ++picture) {
        if (value.contains(QStringLiteral("url(%1)").arg(picture.key()))
            && (picture->width() > MaxPartPicture || picture->height() > MaxPartPicture))
            return true;
    }
    return false;
}

void SkinFramework::ApplyWindow(QWidget *window)
{
    if (m_rules.isEmpty())
        throw Failure(QStringLiteral("No skin is loaded."));
    // Each rule and widget naming a picture loads it by its path; the cache, kept
    // empty otherwise, lets them share one decoded copy. Room is left for what the
    // style itself keeps there.
    checkWithQt();
    constexpr int StyleKilobytes = 512;
    if (m_picturePixels > 0)
        QPixmapCache::setCacheLimit(int(m_picturePixels * 4 / 1024) + StyleKilobytes);
    if (m_options & WindowOnly)
        window->setStyleSheet(sheet());
    else
        qApp->setStyleSheet(sheet());
}

namespace {

// The picture's file under the file rule; a refusal says what to do.
QByteArray readPicture(FileService &files, const QString &folder, const QString &name)
{
    try {
        return files.readProgramFileBeneath(folder, name, MaxPictureBytes);
    } catch (const Failure &failure) {
        throw Failure(
            QString::fromStdString(failure.what())
            + QStringLiteral(
                  " The skin is worn without this picture; put it there as a regular file of "
                  "yours or root's (no link, nor a link on its way, at most %1 bytes), or take it out of the skin.")
                  .arg(MaxPictureBytes));
    }
}

// Why a name in url() is not a file of the skin's own folder, or empty.
QString nameRefusal(const QString &name, const QString &folder)
{
    if (!name.isEmpty() && !name.startsWith(u'/') && !name.contains(u':') && !name.contains(u'\\')
        && !name.split(u'/').contains(QStringLiteral("..")))
        return {};
    return QStringLiteral("The skin's picture \"%1\" was left out: a skin's pictures are files in its own folder %2, "
                          "named from there without \"..\", a leading \"/\", \":\" or \"\\\". Move the picture "
                          "there and name it so, or take it out of the skin.")
        .arg(name, folder);
}

// The picture's bytes, decoded only once its size is known to be within bounds,
// and encoded again as PNG: Qt then reads exactly what was checked.
QByteArray checkedPicture(const QByteArray &bytes, const QString &path, QSize &size)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    size = reader.size();
    const auto refuse = [&](const QString &why, const QString &what) {
        throw Failure(QStringLiteral("The skin's picture %1 was left out: %2 %3").arg(path, why, what));
    };
    const QString otherwise = QStringLiteral("Save it as a PNG file, or take it out of the skin.");
    if (!size.isValid())
        refuse(QStringLiteral("it is not a picture Ramtidy can read (%1).").arg(reader.errorString()), otherwise);
    if (size.width() > MaxPictureSide || size.height() > MaxPictureSide)
        refuse(QStringLiteral("it is %1 × %2 pixels, and a skin's picture is at most %3 × %3.")
                   .arg(size.width())
                   .arg(size.height())
                   .arg(MaxPictureSide),
               QStringLiteral("Make it smaller, or take it out of the skin."));
    // The limit is the whole process's: every later picture is held to it too.
    const int previousLimit = QImageReader::allocationLimit();
    const auto restoreLimit = qScopeGuard([previousLimit] { QImageReader::setAllocationLimit(previousLimit); });
    QImageReader::setAllocationLimit(int(qint64(size.width()) * size.height() * 8 / (1024 * 1024)) + 1);
    const QImage image = reader.read();
    if (image.isNull() || image.size() != size)
        refuse(QStringLiteral("it could not be decoded as the picture its header describes (%1).")
                   .arg(reader.errorString()),
               otherwise);
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    if (!image.save(&out, "PNG"))
        refuse(QStringLiteral("it could not be encoded again."), otherwise);
    return png;
}

} // namespace

void SkinFramework::refusePicture(const QString &key, const QString &why)
{
    if (!m_toldPictures.contains(key)) {
        m_toldPictures.insert(key);
        m_leftOut.append(why);
    }
}

SkinFramework::Picture SkinFramework::picture(FileService &files, const QString &folder, const QString &name)
{
    if (const auto known = m_pictures.constFind(name); known != m_pictures.cend())
        return *known;
    Picture picture;
    if (m_pictures.size() >= MaxPictures) {
        // Told once, for the first name past the bound; the names after it are
        // left out with it.
        refusePicture(QString(),
                      QStringLiteral("The skin's picture %1 and those named after it were left out: a skin names at "
                                     "most %2 pictures. Use fewer pictures, or take some out of the skin.")
                          .arg(folder + u'/' + name)
                          .arg(MaxPictures));
        return picture;
    }
    if (const QString refusal = nameRefusal(name, folder); !refusal.isEmpty()) {
        refusePicture(name, refusal);
    } else {
        const QString path = folder + u'/' + name;
        try {
            const QByteArray bytes = readPicture(files, folder, name);
            picture.path = files.memoryFile(checkedPicture(bytes, path, picture.size));
        } catch (const Failure &failure) {
            refusePicture(name, QString::fromStdString(failure.what()));
        }
    }
    m_pictures.insert(name, picture);
    return picture;
}

// Counted where it is named: a picture some rule shows may be decoded for that
// rule alone. False for a picture left out.
bool SkinFramework::countPixels(const Picture &picture, const QString &path)
{
    if (picture.path.isEmpty())
        return false;
    const qint64 pixels = qint64(picture.size.width()) * picture.size.height();
    if (m_picturePixels + pixels > MaxPicturePixels) {
        refusePicture(path,
                      QStringLiteral("The skin's picture %1 was left out: with it the skin's pictures would hold more "
                                     "than %2 pixels together, counted each place one is named. Make them smaller, or "
                                     "use fewer of them.")
                          .arg(path)
                          .arg(MaxPicturePixels));
        return false;
    }
    m_picturePixels += pixels;
    m_pictureSizes.insert(picture.path, picture.size);
    return true;
}

bool SkinFramework::wearPictures(FileService &files, const QString &folder, QString &value)
{
    static const QRegularExpression url(QStringLiteral("url\\(\\s*(?:\"([^\"]*)\"|'([^']*)'|([^)\"'\\s]*))\\s*\\)"),
                                        QRegularExpression::CaseInsensitiveOption);
    // Qt reads an escaped letter as the letter: "u\rl(" is "url(" too.
    static const QRegularExpression anyUrl(QStringLiteral("\\\\?u\\\\?r\\\\?l\\("),
                                           QRegularExpression::CaseInsensitiveOption);
    QString worn;
    qsizetype last = 0;
    int found = 0;
    bool keep = true;
    for (const QRegularExpressionMatch &match : url.globalMatch(value)) {
        ++found;
        const QString name = match.captured(1) + match.captured(2) + match.captured(3);
        const Picture picture = this->picture(files, folder, name);
        keep = countPixels(picture, folder + u'/' + name) && keep;
        worn += value.mid(last, match.capturedStart() - last) + QStringLiteral("url(%1)").arg(picture.path);
        last = match.capturedEnd();
    }
    // A url() the pattern does not read is left to nobody.
    if (found != value.count(anyUrl)) {
        refusePicture(value,
                      QStringLiteral("The value \"%1\" of the skin %2 was left out: Ramtidy cannot read the file name "
                                     "in its url(). Write the name plainly or in quotes.")
                          .arg(value, m_path));
        return false;
    }
    if (keep)
        value = worn + value.mid(last);
    return keep;
}

void SkinFramework::loadPictures(FileService &files, const QString &folder)
{
    m_pictures.clear();
    m_picturePixels = 0;
    m_pictureSizes.clear();
    for (Rule &rule : m_rules) {
        for (auto declaration = rule.declarations.begin(); declaration != rule.declarations.end();)
            declaration = wearPictures(files, folder, declaration->second) ? declaration + 1
                                                                           : rule.declarations.erase(declaration);
    }
}

namespace {

// Whether a rule's selector could reach a control of these classes (its own and
// those it derives from) and this object name: the last compound of any of its
// selectors names such a class, or none ("*" or "#name"), and such a name, or none
// (any name when `names` is empty).
// Disabled text is meant to recede, so with `enabledOnly` a ":disabled" one does not.
bool reaches(const QString &selectors, const QStringList &classes, const QStringList &names, bool enabledOnly)
{
    static const QRegularExpression combinator(QStringLiteral("[\\s>]+"));
    static const QRegularExpression compound(QStringLiteral("^(?:\\*|\\.?([A-Za-z_][\\w-]*))?(?:[^#\\s]*#([\\w-]+))?"));
    for (const QString &selector : selectors.split(u',')) {
        const QString last = selector.simplified().section(combinator, -1);
        const QRegularExpressionMatch match = compound.match(last);
        const QString type = match.captured(1);
        const QString id = match.captured(2);
        if ((type.isEmpty() || classes.contains(type)) && (id.isEmpty() || names.isEmpty() || names.contains(id))
            && !(enabledOnly && last.contains(QStringLiteral(":disabled"))))
            return true;
    }
    return false;
}

} // namespace

void SkinFramework::tellUnreached(const QStringList &classes)
{
    for (const Rule &rule : std::as_const(m_rules)) {
        if (!reaches(rule.selector, classes, {}, false))
            m_leftOut.append(QStringLiteral("The rule for \"%1\" at line %2 of the skin %3 reaches nothing: Ramtidy's "
                                            "window has no such control. The window itself is \"#Form1\"; a "
                                            "background-image there puts a picture behind it.")
                                 .arg(rule.selector)
                                 .arg(rule.line)
                                 .arg(m_path));
    }
}

QList<QColor> SkinFramework::textColours(const QStringList &classes, const QString &name, const QPalette &palette) const
{
    QList<QColor> colours;
    for (const Rule &rule : m_rules) {
        if (!reaches(rule.selector, classes, {name}, true))
            continue;
        for (const auto &[property, value] : rule.declarations) {
            const QColor colour = QtCss::colour(value, palette);
            if (property == u"color" && colour.isValid())
                colours.append(colour);
        }
    }
    return colours;
}
