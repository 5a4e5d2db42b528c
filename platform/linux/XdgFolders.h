#pragma once

#include <QString>
#include <QStringList>

class EnvironmentService;

// The per-user folders of the XDG Base Directory conventions. A relative value of
// a variable is ignored, as the conventions require, and an unusable HOME gives
// way to the home folder of the user's account.
namespace XdgFolders {

QString home(const EnvironmentService &environment);
QString configHome(const EnvironmentService &environment);
QString stateHome(const EnvironmentService &environment);
// The machine-wide configuration folders, the most important first.
QStringList configDirs(const EnvironmentService &environment);
// $TEMP when it names an absolute folder, else empty.
QString temp(const EnvironmentService &environment);

} // namespace XdgFolders
