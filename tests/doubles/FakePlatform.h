#pragma once

#include "FakeClipboard.h"
#include "FakeClock.h"
#include "FakeMemoryStatus.h"
#include "FakeMessageBox.h"
#include "FakeSettingsStore.h"
#include "FakeShell.h"
#include "FakeTrayService.h"
#include "platform/Platform.h"

// A full set of test doubles.
struct FakePlatform {
    FakeMemoryStatus memory;
    FakeMessageBox msgBox;
    FakeShell shell;
    FakeClock clock;
    FakeSettingsStore settings;
    FakeClipboard clipboard;
    FakeTrayService tray;

    Platform services() { return {memory, msgBox, shell, clock, settings, clipboard, tray}; }
};
