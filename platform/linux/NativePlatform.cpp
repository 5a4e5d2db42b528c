#include "platform/NativePlatform.h"

#include "platform/linux/DesktopShell.h"
#include "platform/linux/DisplayProbe.h"
#include "platform/linux/IniSettingsStore.h"
#include "platform/linux/LinuxProcess.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/ProcMemoryStatus.h"
#include "platform/linux/ProcessEnvironment.h"
#include "platform/linux/QtTrayService.h"
#include "platform/linux/SessionBus.h"
#include "platform/linux/TerminationSignals.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/linux/XdgFolders.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/SeededRandom.h"
#include "platform/qt/SystemClock.h"

#include <QDir>
#include <QTimer>
#include <QWidget>

struct NativePlatform::Services {
    Services(const QString &maker, const QString &product, const QString &appId)
        : settings(QDir(XdgFolders::configHome(environment)).filePath(maker + u'/' + product + QStringLiteral(".conf")),
                   product)
        , autostart(environment, files, product, appId)
    {
    }

    ProcessEnvironment environment;
    PosixFileSystem files;
    ProcMemoryStatus memory;
    QtMessageBox msgBox;
    DesktopShell shell;
    SystemClock clock;
    IniSettingsStore settings;
    QtClipboard clipboard;
    QtTrayService tray;
    SeededRandom random;
    LinuxProcess process;
    XdgAutostart autostart;
    std::unique_ptr<TerminationSignals> termination;
};

void NativePlatform::prepareProcess()
{
    TerminationSignals::prepareProcess();
}

QString NativePlatform::displayUnavailableReason()
{
    return DisplayProbe::unavailableReason();
}

void NativePlatform::beforeApplication()
{
    SessionBus::preventAutoLaunch();
}

NativePlatform::NativePlatform(const QString &maker, const QString &product, const QString &appId)
    : m_services(std::make_unique<Services>(maker, product, appId))
{
}

NativePlatform::~NativePlatform() = default;

Platform NativePlatform::services()
{
    return gather(*m_services);
}

// Until the loop runs, a signal ends the process where it stands.
void NativePlatform::closeOnEndOfSession(QWidget &window)
{
    QTimer::singleShot(0, Qt::CoarseTimer, &window, [this, &window] {
        m_services->termination = std::make_unique<TerminationSignals>();
        QObject::connect(m_services->termination.get(), &TerminationSignals::requested, &window, &QWidget::close);
    });
}
