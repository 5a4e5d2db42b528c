#pragma once

#include "FakeAutostart.h"
#include "FakeClipboard.h"
#include "FakeClock.h"
#include "FakeEnvironment.h"
#include "FakeMemoryStatus.h"
#include "FakeMessageBox.h"
#include "FakeProcess.h"
#include "FakeRandom.h"
#include "FakeSettingsStore.h"
#include "FakeShell.h"
#include "FakeTrayService.h"
#include "app/Globals.h"
#include "platform/Platform.h"
#include "platform/PosixFileSystem.h"

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
    PosixFileSystem files;
    FakeEnvironment environment;
    FakeRandom random;
    FakeProcess process;
    FakeAutostart autostart;

    Platform services()
    {
        return {memory, msgBox, shell, clock, settings, clipboard, tray, files, environment, random, process, autostart};
    }
};
