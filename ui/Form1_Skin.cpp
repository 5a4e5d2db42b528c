// The optional skin: recolours the window and its plain controls, then puts the
// skin on the window.
#include "platform/FileService.h"
#include "platform/ProcessService.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

namespace {

void showBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true); // frames, labels and check boxes paint none of their own
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
}

// The desktop's button face, as the scheme now in force has it.
void Form1::showSkinBackground()
{
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    showBackground(this, buttonFace);
    for (QWidget *control : findChildren<QWidget *>()) {
        if (control->objectName().isEmpty() || control->objectName().startsWith(u"qt_"))
            continue; // the parts a control is made of, not a control
        if (qobject_cast<QRadioButton *>(control) || qobject_cast<QCheckBox *>(control)
            || qobject_cast<QGroupBox *>(control) || qobject_cast<QLabel *>(control))
            showBackground(control, buttonFace);
    }
}
