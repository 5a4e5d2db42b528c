#include "CommandLine.h"

#include "app/Globals.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace CommandLine {

Answer answer(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("%1 watches physical memory and lives in the system tray. At a click or on a schedule\n"
                       "it runs a free: one query of the memory figures and one line in its history log.\n"
                       "A free does not release memory that any program holds.\n"
                       "Its files, settings and exit statuses: man ramtidy.")
            .arg(Globals::ProductName));
    // "-platform" is one unknown option, not eight short ones.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // Our own options rather than addHelpOption(): it adds --help-all, which lists
    // toolkit options this program refuses.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help and exits."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays the version and exits."));
    parser.addOption(help);
    parser.addOption(version);

    const QString name = QCoreApplication::applicationName();
    const auto refused = [&name](const QString &reason) {
        return Answer{2, {}, QStringLiteral("%1: %2; try '%1 --help'").arg(name, reason)};
    };
    if (!parser.parse(arguments)) {
        QString reason = parser.errorText();
        if (reason.endsWith(u'.'))
            reason.chop(1);
        return refused(reason);
    }
    if (!parser.positionalArguments().isEmpty())
        return refused(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(help))
        return {0, parser.helpText(), {}};
    if (parser.isSet(version))
        return {0, QStringLiteral("%1 %2\n").arg(name, QCoreApplication::applicationVersion()), {}};
    return refused(QStringLiteral("no arguments are taken"));
}

int print(const Answer &answer)
{
    std::fputs(qPrintable(answer.output), stdout);
    if (!answer.error.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(answer.error));
    return answer.exitStatus;
}

} // namespace CommandLine
