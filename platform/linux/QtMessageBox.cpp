#include "QtMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QWindow>

int QtMessageBox::MsgBox(const QString &text, int style, const QString &title)
{
    // Not a child of the window it belongs to, so that a style sheet the window
    // wears (a skin) does not reach it; the window manager still keeps it over
    // that window, and it is modal to the whole program.
    QMessageBox box;
    box.setWindowModality(Qt::ApplicationModal);
    if (QWidget *owner = QApplication::activeWindow()) {
        box.winId();
        box.windowHandle()->setTransientParent(owner->windowHandle());
    }
    box.setWindowTitle(title);
    box.setText(text);
    if (style & vbExclamation)
        box.setIcon(QMessageBox::Warning);
    if ((style & 0xF) == vbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? vbYes : vbNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return vbOK;
}
