#include "platform/NativePlatform.h"

#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/SeededRandom.h"
#include "platform/qt/SystemClock.h"
#include "platform/windows/RegistrySettingsStore.h"
#include "platform/windows/RunKeyAutostart.h"
#include "platform/windows/Win32FileSystem.h"
#include "platform/windows/Win32MemoryStatus.h"
#include "platform/windows/WindowsEnvironment.h"
#include "platform/windows/WindowsProcess.h"
#include "platform/windows/WindowsShell.h"
#include "platform/windows/WindowsTray.h"

#include <QGuiApplication>
#include <QWidget>

struct NativePlatform::Services {
    Services(const QString &maker, const QString &product)
        : settings(maker, product)
    {
    }

    WindowsEnvironment environment;
    Win32FileSystem files;
    Win32MemoryStatus memory;
    QtMessageBox msgBox;
    WindowsShell shell;
    SystemClock clock;
    RegistrySettingsStore settings;
    QtClipboard clipboard;
    WindowsTray tray;
    SeededRandom random;
    WindowsProcess process;
    RunKeyAutostart autostart;
};

NativePlatform::NativePlatform(const QString &maker, const QString &product, const QString &)
    : m_services(std::make_unique<Services>(maker, product))
{
}

NativePlatform::~NativePlatform() = default;

Platform NativePlatform::services()
{
    return gather(*m_services);
}

// Windows asks a program to end with the session before it ends it; the window
// then closes as the user would close it.
void NativePlatform::closeOnEndOfSession(QWidget &window)
{
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, &window, [&window] { window.close(); });
}
