#pragma once

#include "DesktopShell.h"
#include "IniSettingsStore.h"
#include "LinuxProcess.h"
#include "Platform.h"
#include "PosixFileSystem.h"
#include "ProcMemoryStatus.h"
#include "ProcessEnvironment.h"
#include "QtClipboard.h"
#include "QtMessageBox.h"
#include "QtTrayService.h"
#include "SeededRandom.h"
#include "SystemClock.h"
#include "XdgAutostart.h"

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
