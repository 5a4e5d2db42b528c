#pragma once

#include "app/Failure.h"
#include "platform/Shell.h"

#include <QStringList>

// Records what would have been opened; can be told to fail.
class FakeShell : public ShellService {
public:
    void openUrl(const QString &url) override { open(QStringLiteral("url:") + url); }
    void openTextFile(const QString &path) override { open(QStringLiteral("file:") + path); }

    QStringList opened;
    bool fail = false;

private:
    void open(const QString &what)
    {
        if (fail)
            throw Failure(QStringLiteral("cannot start"));
        opened.append(what);
    }
};
