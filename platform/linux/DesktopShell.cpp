#include "DesktopShell.h"

#include "platform/Failure.h"
#include "platform/linux/SessionBus.h"

#include <QProcess>
#include <QStandardPaths>

#include <csignal>

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
    start(path, std::move(failed),
          QStringLiteral("No program could open the text file \"%1\" (\"%2\" ended with exit status %3). "
                         "Install a text editor, or choose the one to use with the command "
                         "\"xdg-mime default <editor>.desktop text/plain\"."));
}

void DesktopShell::start(const QString &argument, Failed failed, const QString &noProgram)
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
    // What the program ignores for itself is not the opened program's to inherit.
    process->setChildProcessModifier([] { ::signal(SIGXFSZ, SIG_DFL); });
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Watched, not waited for: its exit status tells whether anything opened.
    QObject::connect(
        process, &QProcess::finished, process,
        [process, program, argument, failed, noProgram](int exitCode, QProcess::ExitStatus status) {
            process->deleteLater();
            const QString code = QString::number(status == QProcess::NormalExit ? exitCode : -1);
            if (code == u"0" || !failed)
                return;
            // xdg-open ends with 3 when it finds no program for the file, and
            // with 4 when the one it found failed. One arg() call: the path
            // may hold a %.
            if ((code == u"3" || code == u"4") && !noProgram.isEmpty())
                failed(noProgram.arg(argument, program, code));
            else
                failed(QStringLiteral("\"%1\" could not open \"%2\" (exit status %3).").arg(program, argument, code));
        });
    process->start();
    if (!process->waitForStarted()) {
        const QString why = process->errorString();
        delete process;
        throw Failure(QStringLiteral("Cannot start \"%1\" to open \"%2\": %3").arg(program, argument, why));
    }
}
