#pragma once

#include <QString>
#include <QStringList>

// The command line. The program itself takes no arguments; it only answers
// --help and --version, without needing a display.
namespace CommandLine {

struct Answer {
    int exitStatus = 0;
    QString output; // for standard output
    QString error; // one line for standard error, when the command line is refused
};

// `arguments` as the process received them, the program name first; needs a
// QCoreApplication for the help text's program name.
Answer answer(const QStringList &arguments);

// Prints the answer and gives the process's exit status.
int print(const Answer &answer);

} // namespace CommandLine
