#pragma once

#include "platform/qt/QtTrayIcon.h"

// The notification area through Qt's tray icon, which on Windows is the shell's
// own (Shell_NotifyIcon): Qt puts the icon back when Explorer restarts, and the
// shell draws the balloon by the icon.
class WindowsTray : public QtTrayIcon {
    Q_OBJECT

private:
    void added(const NotifyIconData &data) override;
    void modify(const NotifyIconData &data) override;
};
