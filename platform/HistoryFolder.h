#pragma once

#include <QString>

class EnvironmentService;

// Where the history log lives, by the system's own rule: the folder named by
// TEMP, or where the system keeps a user's state when there is none.
namespace HistoryFolder {

// The TEMP folder when there is a usable one; else empty.
QString temp(const EnvironmentService &environment);
// The folder the program makes for the log when temp() is empty; else empty.
QString privateFolder(const EnvironmentService &environment, const QString &maker);

} // namespace HistoryFolder
