#pragma once

#include <QString>

#include <functional>

// Starting other programs. Nothing here waits for what it starts, and nothing goes
// through a command interpreter.
class ShellService {
public:
    // Told, later, why a started program could not do its work.
    using Failed = std::function<void(const QString &description)>;

    virtual ~ShellService() = default;
    // Opens a web address in the user's browser; throws Failure when it cannot.
    virtual void openUrl(const QString &url, Failed failed) = 0;
    // Opens a text file in the desktop's text editor; throws Failure when it cannot.
    virtual void openTextFile(const QString &path, Failed failed) = 0;
};
