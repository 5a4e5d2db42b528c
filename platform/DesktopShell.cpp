#include "DesktopShell.h"

#include "app/Failure.h"

#include <QProcess>
#include <QStandardPaths>

DesktopShell::DesktopShell(QString opener)
    : m_opener(std::move(opener))
{
}

void DesktopShell::openUrl(const QString &url)
{
    start(url);
}

void DesktopShell::openTextFile(const QString &path)
{
    start(path);
}

void DesktopShell::start(const QString &argument)
{
    const QString program = QStandardPaths::findExecutable(m_opener);
    if (program.isEmpty())
        throw Failure(QStringLiteral("Cannot find the program \"%1\" to open \"%2\".").arg(m_opener, argument));
    QProcess process;
    process.setProgram(program);
    process.setArguments({argument});
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached())
        throw Failure(QStringLiteral("Cannot start \"%1\" to open \"%2\".").arg(program, argument));
}
