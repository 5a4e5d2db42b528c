#include "ProcessEnvironment.h"

#include <QFile>

#include <pwd.h>
#include <unistd.h>

QString ProcessEnvironment::variable(const char *name) const
{
    return qEnvironmentVariable(name);
}

QString ProcessEnvironment::accountHome() const
{
    const struct passwd *account = ::getpwuid(::geteuid());
    return account && account->pw_dir ? QFile::decodeName(account->pw_dir) : QString();
}
