#pragma once

#include "Shell.h"

#include <QStringList>

class DesktopShell : public ShellService {
public:
    // The opener program is given the path or address as its one argument.
    explicit DesktopShell(QString opener = QStringLiteral("xdg-open"));

    void openUrl(const QString &url) override;
    void openTextFile(const QString &path) override;

private:
    void start(const QString &argument);

    QString m_opener;
};
