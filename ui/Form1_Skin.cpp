// The optional skin: recolours the window and its plain controls, then puts the
// skin on the window.
#include "platform/Failure.h"
#include "platform/FileService.h"
#include "platform/ProcessService.h"
#include "ui/Contrast.h"
#include "ui/Form1.h"
#include "ui/FrameStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QStyle>

#include <algorithm>
#include <optional>

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

QImage drawn(QWidget *window)
{
    const qreal ratio = window->devicePixelRatioF();
    QImage image(window->size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    window->render(&image);
    return image;
}

struct Unreadable {
    QString text;
    double contrast;
};

// The first text of the window that does not stand out enough from what is really
// drawn behind it, pixel by pixel: a picture, a gradient, a frame's line, or a
// control's face; a text in a gradient, in each of its colours. A text drawn in a
// colour that shows nowhere (transparent, or the background's own), or over what
// nothing draws (a transparent window: the desktop's pixels are unknown), is read
// at 1:1.
std::optional<Unreadable> unreadableText(QWidget *window)
{
    const QImage withText = drawn(window);
    const FrameStyle::Withheld withheld;
    const QImage behind = drawn(window);
    for (const FrameStyle::Text &text : withheld.texts()) {
        double least = 1;
        bool shown = false;
        const QRect area = text.area & behind.rect();
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (withText.pixel(x, y) == behind.pixel(x, y))
                    continue;
                const QColor under = behind.pixelColor(x, y);
                double contrast = under.alpha() == 255 ? 21 : 1;
                for (const QColor &colour : text.colours)
                    contrast = std::min(contrast, Contrast::ratio(colour, under));
                least = shown ? std::min(least, contrast) : contrast;
                shown = true;
            }
        }
        if (least < Contrast::MinimumForText)
            return Unreadable{text.text, least};
    }
    return std::nullopt;
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
    wearSkin();
    if (const QStringList refused = m_skinFramework1.leftOut(); !refused.isEmpty())
        throw Failure(refusedList(refused));
}

// Puts the loaded skin on, and takes it off again when a text would not be read.
void Form1::wearSkin()
{
    // Every text is drawn through the one style, so that it can be seen what is
    // behind it.
    QStringList classes = classesOf(this);
    for (QWidget *control : findChildren<QWidget *>()) {
        if (qobject_cast<QLabel *>(control) || qobject_cast<QPushButton *>(control))
            control->setStyle(FrameStyle::instance());
        classes += classesOf(control);
    }
    m_skinFramework1.tellUnreached(classes);
    // "#Form1" puts a picture behind the whole window: the window draws what its rule
    // gives, and the scroll area over it (which fills the layout it holds) lets that through.
    setAttribute(Qt::WA_StyledBackground);
    m_scrollArea->viewport()->setAutoFillBackground(false);
    m_scrollArea->widget()->setAutoFillBackground(false);
    m_skinFramework1.ApplyWindow(this);
    // A hidden check box is shown later, with the colours it has now.
    const bool check8Hidden = m_check8->isHidden();
    m_check8->setVisible(true);
    // Drawn once to polish every control: polishing gives them the sheet's colours and
    // takes the background of those it styles. Ours, which the skin's text colours
    // decide, go over it before the texts are checked as they will show.
    drawn(this);
    showSkinBackground();
    const std::optional<Unreadable> unreadable = unreadableText(this);
    m_check8->setHidden(check8Hidden);
    if (!unreadable)
        return;
    setStyleSheet(QString());
    showSkinBackground();
    throw Failure(QStringLiteral("The skin %1 was not worn: with it \"%2\" would stand out from what is behind it "
                                 "only %3:1, and a text needs at least %4:1 to be read. Give that text a colour that "
                                 "stands out from its background, or remove the file to go without a skin.")
                      .arg(m_skinFramework1.path(), unreadable->text)
                      .arg(unreadable->contrast, 0, 'f', 1)
                      .arg(Contrast::MinimumForText, 0, 'f', 1));
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
        skinTexts += m_skinFramework1.textColours(classesOf(control), control->objectName(), control->palette());
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
