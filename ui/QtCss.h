#pragma once

#include <QColor>
#include <QList>
#include <QPalette>
#include <QString>
#include <QStringList>

#include <optional>

// The one place that reads a style sheet with Qt's own parser (QCss, from QtGui's
// private headers), so that a skin is judged as Qt will wear it. That parser is no
// public API and may change with any Qt release. On an upgrade:
// - renamed classes, fields or Property values stop this file compiling;
// - a name Qt maps to another property, a new property, or a colour spelt or
//   resolved otherwise fails tst_skinframework's qtCss rows: left unnoticed, a
//   property the skin may not set could reach a control, or a text colour be
//   judged other than Qt draws it.
namespace QtCss {

// What a skin may do with a property, by the property Qt reads from its name.
enum class Kind {
    Refused, // anything that is not a colour, background, picture or border
    Allowed, // colours, backgrounds, pictures, border styles, colours and radii
    BorderWidth, // a border's width, alone or in a shorthand: allowed, its width capped
};

struct Declaration {
    QString property; // as written
    Kind kind = Kind::Refused;
    // The widest border Qt draws from it, in pixels (infinite for em and ex).
    double widestBorder = 0;
    QStringList pictures; // the files its url()s name, as Qt reads them
};

// The declarations of every rule Qt reads from the sheet, in order; nothing when Qt
// cannot read the sheet.
std::optional<QList<Declaration>> declarations(const QString &sheet);
// What a skin may do with the property Qt reads from this name.
Kind kindOf(const QString &property);
// A `color` value as Qt reads it, palette() roles taken from `palette`; invalid when
// Qt reads no colour from it.
QColor colour(const QString &value, const QPalette &palette);

} // namespace QtCss
