#pragma once

#include "app/Globals.h"
#include "platform/FileService.h"
#include "platform/NativePlatform.h"
#include "platform/Platform.h"
#include "support/doubles/FakeAutostart.h"
#include "support/doubles/FakeClipboard.h"
#include "support/doubles/FakeClock.h"
#include "support/doubles/FakeEnvironment.h"
#include "support/doubles/FakeMemoryStatus.h"
#include "support/doubles/FakeMessageBox.h"
#include "support/doubles/FakeProcess.h"
#include "support/doubles/FakeRandom.h"
#include "support/doubles/FakeSettingsStore.h"
#include "support/doubles/FakeShell.h"
#include "support/doubles/FakeTrayService.h"

#include <memory>

// A full set of test doubles; files are real, in the folders a test chooses.
struct FakePlatform {
    FakePlatform()
    {
        Globals::AppTitle = Globals::ProductName;
        Globals::HistoryLogPath.clear();
        Globals::HiddenInTray = false;
    }

    FakeMemoryStatus memory;
    FakeMessageBox msgBox;
    FakeShell shell;
    FakeClock clock;
    FakeSettingsStore settings;
    FakeClipboard clipboard;
    FakeTrayService tray;
    std::unique_ptr<FileService> systemFiles = NativePlatform::fileSystem();
    FileService &files = *systemFiles;
    FakeEnvironment environment;
    FakeRandom random;
    FakeProcess process;
    FakeAutostart autostart;

    Platform services()
    {
        return {memory, msgBox, shell,       clock,  settings, clipboard,
                tray,   files,  environment, random, process,  autostart};
    }
};
