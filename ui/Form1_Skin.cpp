// The optional skin: recolours the window and its plain controls, then puts the
// skin on the window.
#include "platform/Failure.h"
#include "platform/FileService.h"
#include "platform/ProcessService.h"
#include "ui/Contrast.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>

#include <algorithm>

namespace {

// The controls that take the skin background.
bool takesSkinBackground(const QWidget *control)
{
    return qobject_cast<const QRadioButton *>(control) || qobject_cast<const QCheckBox *>(control)
        || qobject_cast<const QGroupBox *>(control) || qobject_cast<const QLabel *>(control);
}

// The classes a control is matched by in a style sheet: its own and those it derives from.
QStringList classesOf(const QWidget *control)
{
    QStringList classes;
    for (const QMetaObject *meta = control->metaObject(); meta; meta = meta->superClass())
        classes.append(QLatin1String(meta->className()));
    return classes;
}

// The least contrast of the texts on a background.
double leastContrast(const QColor &background, const QList<QColor> &texts)
{
    double least = 21;
    for (const QColor &text : texts)
        least = std::min(least, Contrast::ratio(text, background));
    return least;
}

void showBackground(QWidget *widget, const QColor &colour)
{
    // A check box paints its background and caption in its button roles.
    QPalette palette = widget->palette();
    for (const QPalette::ColorRole role : {QPalette::Window, widget->backgroundRole()})
        palette.setColor(role, colour);
    // Where the skin gives no text colour, the window's own is made readable on it.
    for (const QPalette::ColorRole role : {QPalette::WindowText, widget->foregroundRole()})
        palette.setColor(role, Contrast::readableOn(colour, palette.color(role)));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true); // frames, labels and check boxes paint none of their own
}

// A few reasons, then how many more: a box of every reason of a skin that names
// many pictures would be taller than the screen.
QString refusedList(const QStringList &refused)
{
    constexpr qsizetype Shown = 3;
    if (refused.size() <= Shown)
        return refused.join(u'\n');
    const qsizetype more = refused.size() - Shown;
    return refused.first(Shown).join(u'\n')
        + (more == 1 ? QStringLiteral("\nAnd 1 more picture was left out.")
                     : QStringLiteral("\nAnd %1 more pictures were left out.").arg(more));
}

} // namespace

void Form1::ApplySkin()
{
    // Computed afresh each time, never kept.
    auto skinPath = [this] { return m_platform.process.programFolder() + QStringLiteral("/x/o.cjs"); };
    // Only a folder of that name counts as no skin; a link or a FIFO is a skin file
    // that the file rule refuses, with a box, as for the cursor.
    if (!m_platform.files.exists(skinPath()) || m_platform.files.isFolder(skinPath()))
        return;
    m_skinBackground = true;
    showSkinBackground();
    m_skinFramework1.LoadSkin(m_platform.files, skinPath(), QString());
    m_skinFramework1.setOptions(m_skinFramework1.Options() | SkinFramework::WindowOnly);
    m_skinFramework1.setKeepFonts(true);
    m_skinFramework1.setKeepSizes(true);
    m_skinFramework1.ApplyWindow(this);
    // The skin's text colours are known now.
    showSkinBackground();
    if (const QStringList refused = m_skinFramework1.refusedPictures(); !refused.isEmpty())
        throw Failure(refusedList(refused));
}

// The desktop's button face, as the scheme now in force has it, unless the skin
// gives these controls a text colour that would be unreadable on it (a skin
// written for a light face, worn under a dark scheme): then the face it was
// written for, the style's own, or white or black.
void Form1::showSkinBackground()
{
    QList<QWidget *> controls;
    QList<QColor> skinTexts;
    for (QWidget *control : findChildren<QWidget *>()) {
        if (control->objectName().isEmpty() || control->objectName().startsWith(u"qt_"))
            continue; // the parts a control is made of, not a control
        if (!takesSkinBackground(control))
            continue;
        controls.append(control);
        skinTexts += m_skinFramework1.textColours(classesOf(control), control->objectName());
    }
    const QColor desktopFace = QApplication::palette().color(QPalette::Button);
    const QColor candidates[] = {desktopFace, QApplication::style()->standardPalette().color(QPalette::Button),
                                 QColor(Qt::white), QColor(Qt::black)};
    QColor face = desktopFace;
    for (const QColor &candidate : candidates) {
        if (leastContrast(candidate, skinTexts) > leastContrast(face, skinTexts))
            face = candidate;
        if (leastContrast(face, skinTexts) >= Contrast::MinimumForText)
            break;
    }
    showBackground(this, face);
    for (QWidget *control : controls)
        showBackground(control, face);
}
