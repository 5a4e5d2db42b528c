#include "DesktopShell.h"

#include "platform/Failure.h"
#include "platform/linux/SessionBus.h"

#include <QProcess>
#include <QStandardPaths>

DesktopShell::DesktopShell(QString opener)
    : m_opener(std::move(opener))
{
}

void DesktopShell::openUrl(const QString &url, Failed failed)
{
    start(url, std::move(failed));
}

void DesktopShell::openTextFile(const QString &path, Failed failed)
{
    start(path, std::move(failed));
}

void DesktopShell::start(const QString &argument, Failed failed)
{
    const QString program = QStandardPaths::findExecutable(m_opener);
    if (program.isEmpty())
        throw Failure(QStringLiteral("Cannot find the program \"%1\" to open \"%2\".").arg(m_opener, argument));
    auto *process = new QProcess(&m_running);
    process->setProgram(program);
    process->setArguments({argument});
    process->setStandardInputFile(QProcess::nullDevice());
    if (SessionBus::autoLaunchPrevented()) {
        // The opened program finds the session as the user's environment has it.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        process->setProcessEnvironment(environment);
    }
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Watched, not waited for: its exit status tells whether anything opened.
    QObject::connect(process, &QProcess::finished, process,
                     [process, program, argument, failed](int exitCode, QProcess::ExitStatus status) {
                         process->deleteLater();
                         if ((status != QProcess::NormalExit || exitCode != 0) && failed)
                             failed(QStringLiteral("\"%1\" could not open \"%2\" (exit status %3).")
                                        .arg(program, argument)
                                        .arg(status == QProcess::NormalExit ? exitCode : -1));
                     });
    process->start();
    if (!process->waitForStarted()) {
        const QString why = process->errorString();
        delete process;
        throw Failure(QStringLiteral("Cannot start \"%1\" to open \"%2\": %3").arg(program, argument, why));
    }
}
