#pragma once

#include "platform/AutostartService.h"

struct HKEY__; // a registry key handle, as the system declares it

// Programs Windows starts at logon: a string value under the machine's Run key,
// or the user's own where the machine's cannot be written (a standard user).
// Task Manager can turn a value off without removing it; what it turned off
// does not start.
class RunKeyAutostart : public AutostartService {
public:
    RunKeyAutostart();
    // Another run key and other roots, for tests.
    RunKeyAutostart(QString runKey, HKEY__ *machine, HKEY__ *user);

    void writeEntry(const QString &name, const QString &executable) override;
    void removeEntry(const QString &name) override;
    bool startsAtLogon(const QString &name, const QString &executable) const override;

private:
    // Whether Task Manager left the value under `root` on.
    bool approved(HKEY__ *root, const QString &name) const;
    void approve(HKEY__ *root, const QString &name);

    QString m_runKey;
    QString m_approvedKey;
    HKEY__ *m_machine;
    HKEY__ *m_user;
};
