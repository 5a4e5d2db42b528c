#pragma once

#include "platform/Platform.h"

#include <QString>

#include <memory>

class FileService;
class QWidget;

// The running system's services and what the process owes the system around
// them. One implementation per operating system, picked by the build.
class NativePlatform {
public:
    // First thing the program does, before anything that could block.
    static void prepareProcess();
    // Why no window can be shown here, or an empty text when one can.
    static QString displayUnavailableReason();
    // Before the application object is made.
    static void beforeApplication();
    // The system's file service alone, for code that needs only files.
    static std::unique_ptr<FileService> fileSystem();

    // `maker` and `product` name the settings and the start-at-logon entry;
    // `appId` is the program's id on the desktop.
    NativePlatform(const QString &maker, const QString &product, const QString &appId);
    ~NativePlatform();
    NativePlatform(const NativePlatform &) = delete;
    NativePlatform &operator=(const NativePlatform &) = delete;

    Platform services();
    // Closes `window` as the user would when the session asks the program to end
    // (log-out, shutdown, Ctrl+C), once the event loop runs.
    void closeOnEndOfSession(QWidget &window);

private:
    // One of each service from a system's own record, in the order Platform lists them.
    template <typename Record> static Platform gather(Record &s)
    {
        return {s.memory, s.msgBox, s.shell,       s.clock,  s.settings, s.clipboard,
                s.tray,   s.files,  s.environment, s.random, s.process,  s.autostart};
    }

    struct Services;
    std::unique_ptr<Services> m_services;
};
