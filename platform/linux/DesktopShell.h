#pragma once

#include "platform/ShellService.h"

#include <QObject>

// Opens addresses and files with the desktop's opener, which exits with a failure
// status when it finds nothing to open them with.
class DesktopShell : public ShellService {
public:
    // The opener program is given the path or address as its one argument.
    explicit DesktopShell(QString opener = QStringLiteral("xdg-open"));

    void openUrl(const QString &url, Failed failed) override;
    void openTextFile(const QString &path, Failed failed) override;

private:
    // `noProgram` (%1 the argument, %2 the opener, %3 its status) tells the user when the
    // opener found no working program; empty keeps the plain account.
    void start(const QString &argument, Failed failed, const QString &noProgram = {});

    QString m_opener;
    QObject m_running; // the openers still running, ended with the service
};
