#include "app/Globals.h"
#include "platform/DisplayProbe.h"
#include "platform/LinuxPlatform.h"
#include "ui/Form1.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (const QString reason = DisplayProbe::unavailableReason(); !reason.isEmpty()) {
        std::fprintf(stderr, "ramtidy: %s\n", qPrintable(reason));
        return 1;
    }
    QApplication app(argc, argv);
    // The window may be hidden in the tray while a message box closes; only
    // closing the main window ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    // The name desktops show for the tray item and its notifications (Qt uses it
    // as the display name too); the desktop entry ties both to the installed icon.
    QApplication::setApplicationName(Globals::ProductName);
    QApplication::setDesktopFileName(Globals::AppId);
    QApplication::setOrganizationName(QStringLiteral("Corvane"));

    LinuxPlatform linuxPlatform;
    Form1 form(linuxPlatform.services());
    form.Form_Load();
    form.showAfterLoad();
    return app.exec();
}
