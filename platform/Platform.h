#pragma once

class ClipboardService;
class ClockService;
class MemoryStatusService;
class MessageBoxService;
class SettingsStore;
class ShellService;
class TrayService;

// The operating-system services the program's logic reaches, chosen once at start.
struct Platform {
    MemoryStatusService &memory;
    MessageBoxService &msgBox;
    ShellService &shell;
    ClockService &clock;
    SettingsStore &settings;
    ClipboardService &clipboard;
    TrayService &tray;
};
