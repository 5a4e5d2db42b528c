#pragma once

#include "platform/Platform.h"
#include "platform/linux/DesktopShell.h"
#include "platform/linux/IniSettingsStore.h"
#include "platform/linux/LinuxProcess.h"
#include "platform/linux/PosixFileSystem.h"
#include "platform/linux/ProcMemoryStatus.h"
#include "platform/linux/ProcessEnvironment.h"
#include "platform/linux/QtClipboard.h"
#include "platform/linux/QtMessageBox.h"
#include "platform/linux/QtTrayService.h"
#include "platform/linux/SeededRandom.h"
#include "platform/linux/SystemClock.h"
#include "platform/linux/XdgAutostart.h"

// The real services of a Linux desktop.
class LinuxPlatform {
public:
    // `maker` and `product` name the settings file and its group; `product` is
    // also the autostart entry's name, `iconName` its icon.
    LinuxPlatform(const QString &maker, const QString &product, const QString &iconName);

    Platform services();

private:
    ProcessEnvironment m_environment;
    PosixFileSystem m_files;
    ProcMemoryStatus m_memory;
    QtMessageBox m_msgBox;
    DesktopShell m_shell;
    SystemClock m_clock;
    IniSettingsStore m_settings;
    QtClipboard m_clipboard;
    QtTrayService m_tray;
    SeededRandom m_random;
    LinuxProcess m_process;
    XdgAutostart m_autostart;
};
