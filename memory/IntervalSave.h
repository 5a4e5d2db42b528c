#pragma once

#include "platform/Platform.h"

#include <QString>

#include <array>

class EnvironmentService;
class FileService;

// The free operation, the history log and the interval table.
namespace IntervalSave {

struct Interval {
    QString text;
    int seconds;
};

// The rows of the interval list, in list order (row 1 first).
inline const std::array<Interval, 11> Intervals = {{
    {QStringLiteral("Free every 5 minutes"), 300},
    {QStringLiteral("Free every 10 minutes"), 600},
    {QStringLiteral("Free every 15 minutes"), 900},
    {QStringLiteral("Free every 20 minutes"), 1200},
    {QStringLiteral("Free every 30 minutes"), 1800},
    {QStringLiteral("Free every 1 hour"), 3600},
    {QStringLiteral("Free every 2 hours"), 7200},
    {QStringLiteral("Free every 4 hours"), 14400},
    {QStringLiteral("Free every 8 hours"), 28800},
    {QStringLiteral("Free every 16 hours"), 57600},
    {QStringLiteral("Free every 24 hours"), 86400},
}};

// Seconds of the row with this text; 0 when no row has it (nothing selected).
int IntervalSeconds(const QString &rowText);

// Where the history log lives: in $TEMP when it is an absolute path, else in the
// per-user state folder, which the first free makes. Creates nothing.
QString HistoryLogPathFor(const EnvironmentService &environment);

// Appends one line and CR LF to the log. Throws Failure when the line cannot be
// written, or when the path is a link or a file of another user.
void AppendHistoryLine(FileService &files, const QString &path, const QString &line);

// One free: one memory-status query and one history line.
void FreeMemoryNow(Platform platform);

} // namespace IntervalSave
