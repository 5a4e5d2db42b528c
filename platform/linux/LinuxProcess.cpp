#include "LinuxProcess.h"

#include "platform/linux/ClipboardHandOver.h"
#include "platform/linux/PosixFileSystem.h"

#include <QCoreApplication>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

// Through /proc/self/exe, so a start through a symbolic link (bin/ramtidy) still
// finds the files beside the real binary. Qt does the same but decodes the bytes
// as UTF-8 only, so a folder named in another encoding came back empty. Read once:
// once a package upgrade renames a new binary over this one, the link names the
// old file as "<path> (deleted)", while the path itself holds what should start.
LinuxProcess::LinuxProcess()
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || length == sizeof buffer) {
        m_executablePath = QCoreApplication::applicationFilePath();
        return;
    }
    QByteArray path(buffer, length);
    const QByteArray deleted = " (deleted)";
    struct stat status { };
    if (path.endsWith(deleted) && ::stat(path.constData(), &status) != 0)
        path.chop(deleted.size()); // replaced before this ran: the new file is at the path
    m_executablePath = PosixFileSystem::decodePath(path);
}

QString LinuxProcess::executablePath() const
{
    return m_executablePath;
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
