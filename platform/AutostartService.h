#pragma once

#include <QString>

// Programs the desktop starts at logon.
class AutostartService {
public:
    virtual ~AutostartService() = default;
    // Writes the entry `name` that starts `executable`; throws Failure naming the
    // file and the reason.
    virtual void writeEntry(const QString &name, const QString &executable) = 0;
    // Removes the entry `name` wherever the program may have written it, or where
    // the user may not remove it, stops it for this user; a missing entry is not an
    // error. Throws Failure naming the file and the reason.
    virtual void removeEntry(const QString &name) = 0;
};
