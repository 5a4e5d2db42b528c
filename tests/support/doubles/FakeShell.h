#pragma once

#include "platform/Failure.h"
#include "platform/ShellService.h"

#include <QStringList>

// Records what would have been opened; can be told to fail at once, or later as
// an opener that found nothing to open with.
class FakeShell : public ShellService {
public:
    void openUrl(const QString &url, Failed failed) override { open(QStringLiteral("url:") + url, failed); }
    void openTextFile(const QString &path, Failed failed) override { open(QStringLiteral("file:") + path, failed); }

    QStringList opened;
    bool fail = false;
    Failed lastFailed;

private:
    void open(const QString &what, const Failed &failed)
    {
        if (fail)
            throw Failure(QStringLiteral("cannot start"));
        opened.append(what);
        lastFailed = failed;
    }
};
