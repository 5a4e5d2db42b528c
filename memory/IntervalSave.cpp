#include "IntervalSave.h"

#include "app/DateTimeText.h"
#include "app/ErrorTrap.h"
#include "app/Failure.h"
#include "app/Globals.h"
#include "app/Main.h"
#include "platform/Clock.h"
#include "platform/MemoryStatus.h"

#include <QDir>
#include <QTreeWidget>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Failure logFailure(const QString &path, const QString &why)
{
    return Failure(QStringLiteral("The history log %1 could not be written: %2").arg(path, why));
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

namespace IntervalSave {

int IntervalSeconds(const QTreeWidget &list)
{
    const QList<QTreeWidgetItem *> selected = list.selectedItems();
    if (selected.isEmpty())
        return 0;
    const QString text = selected.first()->text(0);
    for (const Interval &row : Intervals) {
        if (row.text == text)
            return row.seconds;
    }
    return 0;
}

QString HistoryLogPathFor(const QProcessEnvironment &environment)
{
    const QString fileName =
        Main::StripFileNameChars(Main::DropLastWord(Globals::ProductName, QStringLiteral("Software")))
        + QStringLiteral(".txt");
    const QString temp = environment.value(QStringLiteral("TEMP"));
    if (!temp.isEmpty())
        return QDir(temp).filePath(fileName);

    QString stateHome = environment.value(QStringLiteral("XDG_STATE_HOME"));
    if (!QDir::isAbsolutePath(stateHome))
        stateHome = environment.value(QStringLiteral("HOME"), QDir::homePath()) + QStringLiteral("/.local/state");
    const QString folder = QDir(stateHome).filePath(Globals::MakerName);
    // Created here, private to the user; a failure shows when the first line is written.
    if (QDir().mkpath(folder))
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return QDir(folder).filePath(fileName);
}

void AppendHistoryLine(const QString &path, const QString &line)
{
    const QByteArray bytes = (line + QStringLiteral("\r\n")).toUtf8();
    // No-follow and the owner check keep a planted link or another user's file from
    // receiving our lines; non-blocking keeps a planted FIFO from hanging the program.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        if (errno == ELOOP)
            throw logFailure(path, QStringLiteral("it is a symbolic link, and Ramtidy does not write through links."));
        throw logFailure(path, systemError());
    }
    struct stat info {};
    QString refusal;
    if (::fstat(fd, &info) != 0)
        refusal = systemError();
    else if (!S_ISREG(info.st_mode))
        refusal = QStringLiteral("it is not a regular file.");
    else if (info.st_uid != ::geteuid())
        refusal = QStringLiteral("the file belongs to another user.");
    if (refusal.isEmpty()) {
        const ssize_t written = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
        if (written < 0)
            refusal = systemError();
        else if (written != bytes.size())
            refusal = QStringLiteral("only part of the line was written (is the disk full?).");
    }
    ::close(fd);
    if (!refusal.isEmpty())
        throw logFailure(path, refusal);
}

void FreeMemoryNow(Platform platform)
{
    ErrorTrap trap(QStringLiteral("in Memvane2021/08/31.IntervalSave.FreeMemoryNow "), platform.msgBox);
    MEMORYSTATUS status;
    trap.step(102, [&] { status.dwLength = 32; });
    trap.step(104, [&] { platform.memory.GlobalMemoryStatus(status); });
    trap.step(106, [&] {
        AppendHistoryLine(Globals::HistoryLogPath,
                          QStringLiteral("RAM Memory was freed at ") + DateTimeText(platform.clock.now()));
    });
}

} // namespace IntervalSave
