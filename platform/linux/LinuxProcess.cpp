#include "LinuxProcess.h"

#include "platform/linux/ClipboardHandOver.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

#include <malloc.h>

// Qt resolves both through /proc/self/exe, so a start through a symbolic link
// (bin/ramtidy) still finds the files beside the real binary.
QString LinuxProcess::executablePath() const
{
    return QCoreApplication::applicationFilePath();
}

QString LinuxProcess::programFolder() const
{
    return QCoreApplication::applicationDirPath();
}

void LinuxProcess::EndProgram()
{
    ClipboardHandOver::run();
    std::fflush(nullptr);
    std::_Exit(0);
}

void LinuxProcess::releaseUnusedMemory()
{
    malloc_trim(0);
}
