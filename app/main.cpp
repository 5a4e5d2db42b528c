#include "app/Globals.h"
#include "platform/DisplayProbe.h"
#include "platform/LinuxPlatform.h"
#include "platform/TerminationSignals.h"
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
    QApplication::setApplicationName(QStringLiteral("ramtidy"));
    QApplication::setOrganizationName(QStringLiteral("Corvane"));

    LinuxPlatform linuxPlatform(Globals::MakerName, Globals::ProductName, Globals::AppId);
    Form1 form(linuxPlatform.services());
    // Log-out, shutdown and Ctrl+C close the window as the user would.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::requested, &form, &QWidget::close);
    form.Form_Load();
    form.showAfterLoad();
    return app.exec();
}
