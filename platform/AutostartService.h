#pragma once

#include <QString>

// Programs the desktop starts at logon.
class AutostartService {
public:
    virtual ~AutostartService() = default;
    // Makes the entry `name` start `executable`; an entry the user wrote keeps all
    // but what must change. Throws Failure naming the file and the reason.
    virtual void writeEntry(const QString &name, const QString &executable) = 0;
    // Stops the entry `name` from starting at logon for this user: removes what the
    // program wrote, hides what the user wrote, and hides for this user what they
    // may not remove. A missing entry is not an error. Throws Failure naming the
    // file and the reason.
    virtual void removeEntry(const QString &name) = 0;
    // Whether an entry `name` in effect for this user starts `executable` at logon.
    // Throws Failure naming the file and the reason when one cannot be read.
    virtual bool startsAtLogon(const QString &name, const QString &executable) const = 0;
};
