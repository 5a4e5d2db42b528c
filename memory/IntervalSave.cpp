#include "IntervalSave.h"

#include "app/DateTimeText.h"
#include "app/ErrorTrap.h"
#include "app/Globals.h"
#include "app/Main.h"
#include "platform/ClockService.h"
#include "platform/Failure.h"
#include "platform/FileService.h"
#include "platform/HistoryFolder.h"
#include "platform/MemoryStatusService.h"

namespace IntervalSave {

int IntervalSeconds(const QString &rowText)
{
    for (const Interval &row : Intervals) {
        if (row.text == rowText)
            return row.seconds;
    }
    return 0;
}

namespace {

QString HistoryFileName()
{
    return Main::StripFileNameChars(Main::DropLastWord(Globals::ProductName, QStringLiteral("Software")))
        + QStringLiteral(".txt");
}

// The folder the program makes for the log; empty when $TEMP names the user's own.
QString PrivateFolder(const EnvironmentService &environment)
{
    return HistoryFolder::privateFolder(environment, Globals::MakerName);
}

} // namespace

QString HistoryLogPathFor(const EnvironmentService &environment)
{
    // Nothing is made here: the first free makes the folder (and tells when it cannot).
    const QString folder = PrivateFolder(environment);
    if (folder.isEmpty())
        return HistoryFolder::temp(environment) + u'/' + HistoryFileName(); // no trailing separator
    return folder + u'/' + HistoryFileName();
}

void AppendHistoryLine(FileService &files, const QString &path, const QString &line)
{
    files.append(path, (line + QStringLiteral("\r\n")).toUtf8());
}

void FreeMemoryNow(Platform platform)
{
    ErrorTrap trap(ErrorTrap::location(u"IntervalSave.FreeMemoryNow"), platform.msgBox);
    MEMORYSTATUS status;
    trap.step(102, [&] { status.dwLength = 32; });
    trap.step(104, [&] { platform.memory.GlobalMemoryStatus(status); });
    trap.step(106, [&] {
        const QString line = QStringLiteral("RAM Memory was freed at ") + DateTimeText(platform.clock.now());
        try {
            AppendHistoryLine(platform.files, Globals::HistoryLogPath, line);
        } catch (const Failure &) {
            // The folder is made on the first write, private to the user; when it
            // cannot be (a read-only home), its own failure is the one told.
            const QString folder = PrivateFolder(platform.environment);
            if (folder.isEmpty() || Globals::HistoryLogPath != folder + u'/' + HistoryFileName()
                || platform.files.isFolder(folder))
                throw;
            platform.files.makePrivateFolder(folder);
            AppendHistoryLine(platform.files, Globals::HistoryLogPath, line);
        }
    });
}

} // namespace IntervalSave
