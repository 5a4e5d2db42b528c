#include "LinuxProcess.h"

#include "platform/linux/ClipboardHandOver.h"
#include "platform/linux/PosixFileSystem.h"

#include <QCoreApplication>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include <malloc.h>
#include <unistd.h>

// Through /proc/self/exe, so a start through a symbolic link (bin/ramtidy) still
// finds the files beside the real binary. Qt does the same but decodes the bytes
// as UTF-8 only, so a folder named in another encoding came back empty.
QString LinuxProcess::executablePath() const
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || length == sizeof buffer)
        return QCoreApplication::applicationFilePath();
    return PosixFileSystem::decodePath(QByteArray(buffer, length));
}

QString LinuxProcess::programFolder() const
{
    const QString path = executablePath();
    return path.left(qMax<qsizetype>(path.lastIndexOf(u'/'), 1));
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
