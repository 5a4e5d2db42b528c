// Closing the main window, the one way out of the program.
#include "app/ErrorTrap.h"
#include "platform/ProcessService.h"
#include "tray/cSysTray.h"
#include "ui/Form1.h"

#include <QCloseEvent>
#include <QCoreApplication>

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    Form_QueryUnload();
    Form_Unload();
}

void Form1::Form_QueryUnload()
{
    ErrorTrap trap(ErrorTrap::location(u"Form1.Form_QueryUnload"), m_platform.msgBox);
    trap.step(100, [&] { setTimer1Interval(0); });
    trap.step(102, [&] { m_cSysTray1->setInTray(false); });
    trap.step(104, [&] { QCoreApplication::processEvents(); });
}

void Form1::Form_Unload()
{
    // The end may wait for a clipboard manager; the window is gone meanwhile, as the
    // icon already is, rather than frozen on screen.
    hide();
    saveWaitingAtQuit();
    // Ends at once, also from inside a handler that let events run: no handler of
    // the program runs after this. Settings and the log are on disk, or were told.
    m_platform.process.EndProgram();
}
