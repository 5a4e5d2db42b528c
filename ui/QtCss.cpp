#include "QtCss.h"

#include <QHash>
#include <QtGui/private/qcssparser_p.h>

#include <cmath>

namespace {

QtCss::Kind kindOf(QCss::Property property)
{
    using namespace QCss;
    switch (property) {
    case Color:
    case BackgroundColor:
    case Background:
    case BackgroundImage:
    case BackgroundRepeat:
    case BackgroundPosition:
    case BackgroundAttachment:
    case BackgroundOrigin:
    case BackgroundClip:
    case QtSelectionForeground:
    case QtSelectionBackground:
    case QtAlternateBackground:
    case QtImage:
    case QtImageAlignment:
    case BorderStyles:
    case BorderLeftStyle:
    case BorderRightStyle:
    case BorderTopStyle:
    case BorderBottomStyle:
    case BorderColor:
    case BorderLeftColor:
    case BorderRightColor:
    case BorderTopColor:
    case BorderBottomColor:
    case BorderRadius:
    case BorderTopLeftRadius:
    case BorderTopRightRadius:
    case BorderBottomLeftRadius:
    case BorderBottomRightRadius:
        return QtCss::Kind::Allowed;
    case Border:
    case BorderLeft:
    case BorderRight:
    case BorderTop:
    case BorderBottom:
    case BorderWidth:
    case BorderLeftWidth:
    case BorderRightWidth:
    case BorderTopWidth:
    case BorderBottomWidth:
        return QtCss::Kind::BorderWidth;
    default:
        return QtCss::Kind::Refused;
    }
}

// The pixels Qt makes of a width as it reads it: the number before "px", "em" or
// "ex", or the whole text (a named width is read by its number in Qt's table).
double pixels(const QCss::Value &value)
{
    QString text = value.variant.toString();
    const bool fontRelative = text.endsWith(u"em", Qt::CaseInsensitive) || text.endsWith(u"ex", Qt::CaseInsensitive);
    if (fontRelative || text.endsWith(u"px", Qt::CaseInsensitive))
        text.chop(2);
    const double number = text.toDouble();
    return fontRelative && number > 0 ? qInf() : std::isnan(number) ? qInf() : number;
}

// Qt reads a width from every value of a "-width" property, and from a shorthand's
// first value when that is a number.
double widestBorder(const QCss::Declaration &declaration)
{
    const bool everyValue = declaration.d->property.endsWith(u"-width", Qt::CaseInsensitive);
    const QList<QCss::Value> &values = declaration.d->values;
    double widest = 0;
    for (qsizetype i = 0; i < values.size() && (everyValue || i == 0); ++i) {
        const bool number = values[i].type == QCss::Value::Length || values[i].type == QCss::Value::Number;
        if (everyValue || number)
            widest = std::max(widest, pixels(values[i]));
    }
    return widest;
}

QList<QCss::Declaration> everyDeclaration(const QCss::StyleSheet &sheet)
{
    QList<QCss::StyleRule> rules = sheet.styleRules + sheet.nameIndex.values() + sheet.idIndex.values();
    for (const QCss::MediaRule &media : sheet.mediaRules)
        rules += media.styleRules;
    QList<QCss::Declaration> declarations;
    for (const QCss::StyleRule &rule : std::as_const(rules))
        declarations += rule.declarations;
    for (const QCss::PageRule &page : sheet.pageRules)
        declarations += page.declarations;
    return declarations;
}

} // namespace

std::optional<QList<QtCss::Declaration>> QtCss::declarations(const QString &sheet)
{
    QCss::Parser parser(sheet);
    QCss::StyleSheet read;
    if (!parser.parse(&read))
        return std::nullopt;
    QList<Declaration> declarations;
    for (const QCss::Declaration &qt : everyDeclaration(read)) {
        Declaration declaration;
        declaration.property = qt.d->property;
        declaration.kind = ::kindOf(qt.d->propertyId);
        if (declaration.kind == Kind::BorderWidth)
            declaration.widestBorder = widestBorder(qt);
        for (const QCss::Value &value : std::as_const(qt.d->values)) {
            if (value.type == QCss::Value::Uri)
                declaration.pictures.append(value.variant.toString());
        }
        declarations.append(declaration);
    }
    return declarations;
}

QtCss::Kind QtCss::kindOf(const QString &property)
{
    static QHash<QString, Kind> known;
    if (const auto found = known.constFind(property); found != known.cend())
        return *found;
    const auto read = declarations(QStringLiteral("* { %1: 0 }").arg(property));
    const Kind kind = read && read->size() == 1 ? read->first().kind : Kind::Refused;
    known.insert(property, kind);
    return kind;
}

QColor QtCss::colour(const QString &value, const QPalette &palette)
{
    QCss::Parser parser(QStringLiteral("* { color: %1 }").arg(value));
    QCss::StyleSheet read;
    if (!parser.parse(&read) || read.styleRules.size() != 1 || read.styleRules[0].declarations.size() != 1)
        return {};
    const QCss::Declaration &declaration = read.styleRules[0].declarations[0];
    // A gradient has no one colour; its first stop stands for it, as Qt's brush does.
    const QBrush brush = declaration.brushValue(palette);
    return brush.style() == Qt::SolidPattern ? brush.color() : QColor();
}
