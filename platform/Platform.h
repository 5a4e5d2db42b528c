#pragma once

class AutostartService;
class ClipboardService;
class ClockService;
class EnvironmentService;
class FileService;
class MemoryStatusService;
class MessageBoxService;
class ProcessService;
class RandomService;
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
    FileService &files;
    EnvironmentService &environment;
    RandomService &random;
    ProcessService &process;
    AutostartService &autostart;
};
