#pragma once

#include "DesktopShell.h"
#include "IniSettingsStore.h"
#include "Platform.h"
#include "ProcMemoryStatus.h"
#include "QtClipboard.h"
#include "QtMessageBox.h"
#include "QtTrayService.h"
#include "SystemClock.h"

// The real services of a Linux desktop.
class LinuxPlatform {
public:
    Platform services() { return {m_memory, m_msgBox, m_shell, m_clock, m_settings, m_clipboard, m_tray}; }

private:
    ProcMemoryStatus m_memory;
    QtMessageBox m_msgBox;
    DesktopShell m_shell;
    SystemClock m_clock;
    IniSettingsStore m_settings;
    QtClipboard m_clipboard;
    QtTrayService m_tray;
};
