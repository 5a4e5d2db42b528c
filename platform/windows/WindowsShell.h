#pragma once

#include "platform/ShellService.h"

// Notepad for the history, the shell's handler for web addresses: what a Windows
// user has on every machine.
class WindowsShell : public ShellService {
public:
    // `editor` is the text editor's program, found on the system's search path.
    explicit WindowsShell(QString editor = QStringLiteral("notepad"));

    void openUrl(const QString &url, Failed failed) override;
    void openTextFile(const QString &path, Failed failed) override;

private:
    QString m_editor;
};
