#include "IntervalSave.h"

#include "app/DateTimeText.h"
#include "app/ErrorTrap.h"
#include "app/Globals.h"
#include "app/Main.h"
#include "platform/ClockService.h"
#include "platform/FileService.h"
#include "platform/MemoryStatusService.h"
#include "platform/XdgFolders.h"

namespace IntervalSave {

int IntervalSeconds(const QString &rowText)
{
    for (const Interval &row : Intervals) {
        if (row.text == rowText)
            return row.seconds;
    }
    return 0;
}

QString HistoryLogPathFor(const EnvironmentService &environment, FileService &files)
{
    const QString fileName =
        Main::StripFileNameChars(Main::DropLastWord(Globals::ProductName, QStringLiteral("Software")))
        + QStringLiteral(".txt");
    const QString temp = XdgFolders::temp(environment);
    if (!temp.isEmpty())
        return temp + u'/' + fileName; // the folders come without a trailing separator
    const QString folder = XdgFolders::stateHome(environment) + u'/' + Globals::MakerName;
    try {
        files.makePrivateFolder(folder);
    } catch (const std::exception &) {
        // Told when the first line cannot be written, which names the same folder.
    }
    return folder + u'/' + fileName;
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
        AppendHistoryLine(platform.files, Globals::HistoryLogPath,
                          QStringLiteral("RAM Memory was freed at ") + DateTimeText(platform.clock.now()));
    });
}

} // namespace IntervalSave
