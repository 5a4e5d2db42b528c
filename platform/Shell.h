#pragma once

#include <QString>

// Starting other programs. Nothing here waits for what it starts, and nothing goes
// through a command interpreter.
class ShellService {
public:
    virtual ~ShellService() = default;
    // Opens a web address in the user's browser; throws Failure when it cannot.
    virtual void openUrl(const QString &url) = 0;
    // Opens a text file in the desktop's text editor; throws Failure when it cannot.
    virtual void openTextFile(const QString &path) = 0;
};
