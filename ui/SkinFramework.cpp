#include "SkinFramework.h"

#include "platform/Failure.h"
#include "platform/FileService.h"

#include <QApplication>
#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QPixmapCache>
#include <QRegularExpression>
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

// Reads a style sheet piece by piece, keeping count of lines for messages.
class SheetReader {
public:
    SheetReader(QStringView text, const QString &path)
        : m_text(text)
        , m_path(path)
    {
    }

    [[noreturn]] void fail(const QString &why) const
    {
        const QString where = m_path.isEmpty() ? QString() : u' ' + m_path;
        throw Failure(QStringLiteral("The skin%1 is malformed at line %2: %3 Correct that line, or remove the file "
                                     "to go without a skin.")
                          .arg(where)
                          .arg(m_line)
                          .arg(why));
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

bool isFontProperty(const QString &name)
{
    return name == u"font" || name.startsWith(u"font-");
}

// What moves a control's text or takes room from it goes whole: sizes, the box
// around the content (padding, margin), the room between an indicator and its
// caption, the offsets of a part (a frame's title), and an icon beside a caption.
bool isLayoutProperty(const QString &name)
{
    static const QStringList names = {
        QStringLiteral("width"),      QStringLiteral("height"),    QStringLiteral("min-width"),
        QStringLiteral("min-height"), QStringLiteral("max-width"), QStringLiteral("max-height"),
        QStringLiteral("spacing"),    QStringLiteral("left"),      QStringLiteral("right"),
        QStringLiteral("top"),        QStringLiteral("bottom"),    QStringLiteral("icon"),
        QStringLiteral("icon-size")};
    return names.contains(name) || name.startsWith(u"padding") || name.startsWith(u"margin");
}

// A border's width, alone or in a shorthand with its style and colour.
bool isBorderWidthProperty(const QString &name)
{
    static const QRegularExpression borderWidth(QStringLiteral("^border(-(top|right|bottom|left))?(-width)?$"));
    return borderWidth.match(name).hasMatch();
}

// The value with every length wider than the layout absorbs cut to it; the style
// and colour stay as they are.
QString withBorderCapped(const QString &value)
{
    static const QRegularExpression length(QStringLiteral("^(\\d*\\.?\\d+)(px|pt|em|ex)?$"),
                                           QRegularExpression::CaseInsensitiveOption);
    QStringList tokens = value.split(u' ', Qt::SkipEmptyParts);
    for (QString &token : tokens) {
        const QRegularExpressionMatch match = length.match(token);
        if (!match.hasMatch())
            continue;
        const double number = match.captured(1).toDouble();
        const QString unit = match.captured(2).toLower();
        // An em or ex depends on a font the skin cannot see; any of it is cut.
        const double pixels = unit == u"pt" ? number * 96 / 72 : unit.startsWith(u'e') && number > 0 ? 1e9 : number;
        if (pixels > MaxBorderPixels)
            token = QStringLiteral("%1px").arg(MaxBorderPixels);
    }
    return tokens.join(u' ');
}

// "qproperty-" sets a widget's property (a button's caption, say): a skin changes
// the look, never what a control says or does.
bool isWidgetProperty(const QString &name)
{
    return name.startsWith(u"qproperty-");
}

} // namespace

QList<SkinFramework::Rule> SkinFramework::parse(QStringView sheet, const QString &path)
{
    QList<Rule> rules;
    SheetReader reader(sheet, path);
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
    m_rules = parse(text, path);
    loadPictures(files, path.left(path.lastIndexOf(u'/')));
}

QString SkinFramework::sheet() const
{
    QString sheet;
    for (const Rule &rule : m_rules) {
        sheet += rule.selector + QStringLiteral(" {");
        for (const auto &[name, value] : rule.declarations) {
            if (isWidgetProperty(name) || (m_keepFonts && isFontProperty(name))
                || (m_keepSizes && (isLayoutProperty(name) || isOversizedPartPicture(rule, name, value))))
                continue;
            const bool capped = m_keepSizes && isBorderWidthProperty(name);
            sheet += u' ' + name + QStringLiteral(": ") + (capped ? withBorderCapped(value) : value) + u';';
        }
        sheet += QStringLiteral(" }\n");
    }
    return sheet;
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
QByteArray readPicture(FileService &files, const QString &path)
{
    try {
        return files.readProgramFile(path, MaxPictureBytes);
    } catch (const Failure &failure) {
        throw Failure(QString::fromStdString(failure.what())
                      + QStringLiteral(" The skin is worn without this picture; put it there as a regular file of "
                                       "yours or root's (no link, at most %1 bytes), or take it out of the skin.")
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
    reader.setAllocationLimit(int(qint64(size.width()) * size.height() * 8 / (1024 * 1024)) + 1);
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

void SkinFramework::loadPictures(FileService &files, const QString &folder)
{
    static const QRegularExpression url(QStringLiteral("url\\(\\s*(?:\"([^\"]*)\"|'([^']*)'|([^)\"'\\s]*))\\s*\\)"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression anyUrl(QStringLiteral("url\\("), QRegularExpression::CaseInsensitiveOption);
    struct Picture {
        QString path; // of the checked copy, or empty when refused
        QSize size;
    };
    QHash<QString, Picture> pictures; // by the name the skin gives
    QSet<QString> told;
    const auto refuse = [&](const QString &name, const QString &why) {
        if (!told.contains(name)) {
            told.insert(name);
            m_refusedPictures.append(why);
        }
    };
    m_refusedPictures.clear();
    m_picturePixels = 0;
    m_pictureSizes.clear();
    for (Rule &rule : m_rules) {
        for (auto declaration = rule.declarations.begin(); declaration != rule.declarations.end();) {
            QString &value = declaration->second;
            QString worn;
            qsizetype last = 0;
            int found = 0;
            bool keep = true;
            for (const QRegularExpressionMatch &match : url.globalMatch(value)) {
                ++found;
                const QString name = match.captured(1) + match.captured(2) + match.captured(3);
                if (!pictures.contains(name)) {
                    Picture picture;
                    if (const QString refusal = nameRefusal(name, folder); !refusal.isEmpty()) {
                        refuse(name, refusal);
                    } else {
                        const QString path = folder + u'/' + name;
                        try {
                            const QByteArray bytes = readPicture(files, path);
                            picture.path = files.memoryFile(checkedPicture(bytes, path, picture.size));
                        } catch (const Failure &failure) {
                            refuse(name, QString::fromStdString(failure.what()));
                        }
                    }
                    pictures.insert(name, picture);
                }
                const Picture &picture = pictures[name];
                // Counted where it is named: a picture some rule shows may be
                // decoded for that rule alone.
                const qint64 pixels = qint64(picture.size.width()) * picture.size.height();
                if (!picture.path.isEmpty() && m_picturePixels + pixels > MaxPicturePixels) {
                    refuse(name,
                           QStringLiteral("The skin's picture %1 was left out: with it the skin's pictures would "
                                          "hold more than %2 pixels together, counted each place one is named. "
                                          "Make them smaller, or use fewer of them.")
                               .arg(folder + u'/' + name)
                               .arg(MaxPicturePixels));
                    keep = false;
                } else if (picture.path.isEmpty()) {
                    keep = false;
                } else {
                    m_picturePixels += pixels;
                    m_pictureSizes.insert(picture.path, picture.size);
                }
                worn += value.mid(last, match.capturedStart() - last) + QStringLiteral("url(%1)").arg(picture.path);
                last = match.capturedEnd();
            }
            // A url() the pattern does not read is left to nobody.
            if (found != value.count(anyUrl)) {
                refuse(value,
                       QStringLiteral("The skin's value \"%1\" was left out: Ramtidy cannot read the file name "
                                      "in its url(). Write the name plainly or in quotes.")
                           .arg(value));
                keep = false;
            }
            if (!keep) {
                declaration = rule.declarations.erase(declaration);
                continue;
            }
            if (found > 0)
                value = worn + value.mid(last);
            ++declaration;
        }
    }
}

QList<QColor> SkinFramework::textColours(const QStringList &classes, const QString &name) const
{
    // The last compound of each selector: its class (none for "*" or "#name") and
    // its object name. Disabled text is meant to recede, so its rules are left out.
    static const QRegularExpression combinator(QStringLiteral("[\\s>]+"));
    static const QRegularExpression compound(QStringLiteral("^(?:\\*|\\.?([A-Za-z_][\\w-]*))?(?:[^#\\s]*#([\\w-]+))?"));
    QList<QColor> colours;
    for (const Rule &rule : m_rules) {
        bool applies = false;
        for (const QString &selector : rule.selector.split(u',')) {
            const QString last = selector.simplified().section(combinator, -1);
            const QRegularExpressionMatch match = compound.match(last);
            const QString type = match.captured(1);
            const QString id = match.captured(2);
            if ((type.isEmpty() || classes.contains(type)) && (id.isEmpty() || id == name)
                && !last.contains(QStringLiteral(":disabled")))
                applies = true;
        }
        if (!applies)
            continue;
        for (const auto &[property, value] : rule.declarations) {
            const QColor colour = QColor::fromString(value);
            if (property == u"color" && colour.isValid())
                colours.append(colour);
        }
    }
    return colours;
}
