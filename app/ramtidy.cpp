#include "app/CommandLine.h"
#include "app/Globals.h"
#include "app/GuardedApplication.h"
#include "platform/NativePlatform.h"
#include "platform/ProcessService.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QFont>
#include <QPixmapCache>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

// The program takes no arguments: whatever was given is answered here, before the
// display probe, so that --help works without a display.
int answerCommandLine(int argc, char *argv[])
{
    const QCoreApplication commandLineOnly(argc, argv);
    return CommandLine::print(CommandLine::answer(QCoreApplication::arguments()));
}

void nameTheApplication()
{
    // The window may be hidden in the tray while a message box closes; only
    // closing the main window ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    // The name desktops show for the tray item and its notifications (Qt uses it
    // as the display name too); the desktop entry ties both to the installed icon.
    QApplication::setApplicationName(Globals::ProductName);
    QApplication::setOrganizationName(Globals::MakerName);
    QGuiApplication::setDesktopFileName(Globals::AppId);
}

void keepIdleFootprintSmall()
{
    // The style keeps a picture of every button and header it has drawn (about
    // 230 KB of the idle heap) to save redrawing what only hover, focus and
    // exposure redraw. A skin with pictures makes room there for them.
    QPixmapCache::setCacheLimit(0);
    // Latin captions need no shaping engine; the figures and the countdown are
    // laid out again every few hundred milliseconds, and each font it shapes
    // with keeps a copy of its layout tables. Scripts that need shaping still
    // get it.
    QFont font = QApplication::font();
    font.setStyleStrategy(QFont::PreferNoShaping);
    QApplication::setFont(font);
}

int runWindow(GuardedApplication &app)
{
    NativePlatform platform(Globals::MakerName, Globals::ProductName, Globals::AppId);
    app.setMessageBoxes(&platform.services().msgBox);
    Form1 form(platform.services());
    platform.closeOnEndOfSession(form);
    form.Form_Load();
    form.showAfterLoad();
    // By then the first paint, the font set-up and the settings have come and
    // gone; what they freed is most of what the idle program would otherwise keep.
    QTimer::singleShot(std::chrono::seconds(3), Qt::VeryCoarseTimer, &form,
                       [&platform] { platform.services().process.releaseUnusedMemory(); });
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    NativePlatform::prepareProcess();
    QApplication::setApplicationName(QStringLiteral("ramtidy"));
    QApplication::setApplicationVersion(QStringLiteral(RAMTIDY_VERSION));
    if (argc > 1)
        return answerCommandLine(argc, argv);
    if (const QString reason = NativePlatform::displayUnavailableReason(); !reason.isEmpty()) {
        std::fprintf(stderr, "ramtidy: %s\n", qPrintable(reason));
        return 1;
    }
    NativePlatform::beforeApplication();
    GuardedApplication app(argc, argv);
    nameTheApplication();
    keepIdleFootprintSmall();
    return runWindow(app);
}
