#pragma once

#include <QString>

class AutostartService;
class ProcessService;

// Starting the program at logon. The entry names the running executable, so
// another program in the same folder is never registered in its place.
namespace mStartUp {

void AddToStartup(ProcessService &process, AutostartService &entries);
void RemoveFromStartup(ProcessService &process, AutostartService &entries);
// Whether an entry in effect for this user starts the running executable at logon.
bool IsInStartup(const ProcessService &process, const AutostartService &entries);
void SetRunValue(ProcessService &process, AutostartService &entries, const QString &FileName);
void DeleteRunValue(AutostartService &entries, const QString &FileName);

} // namespace mStartUp
