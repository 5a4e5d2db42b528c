#pragma once

// Files as the tests of the file rule plant and read them: another user's, and mounts of
// our own. An ordinary user gets them as root of a user namespace of its own.
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

constexpr uid_t Nobody = 65534;

inline QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Makes an ordinary user root of a user and mount namespace of its own. Call it before
// any thread starts: a process with threads may not enter one.
inline void becomeNamespaceRoot()
{
    if (::geteuid() == 0)
        return;
    const QByteArray uid = QByteArray::number(::geteuid()), gid = QByteArray::number(::getegid());
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !writeFile(QStringLiteral("/proc/self/setgroups"), "deny")
        || !writeFile(QStringLiteral("/proc/self/uid_map"), "0 " + uid + " 1")
        || !writeFile(QStringLiteral("/proc/self/gid_map"), "0 " + gid + " 1"))
        qFatal("No user namespace of our own: %s", std::strerror(errno));
}

// A read-only file at `path`, given to another user: its path, or /etc/passwd where it
// cannot be given away. Root's own file would be the user's; in a user namespace only
// the files of the real root, seen as the overflow user's, are another user's.
inline QString plantAnotherUsersFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (!writeFile(path, "someone else's secret\n") || ::chmod(name.constData(), 0444) != 0)
        return {};
    return ::chown(name.constData(), Nobody, Nobody) == 0 ? path : QStringLiteral("/etc/passwd");
}

// A small file system of our own, unmounted again when the case ends.
class Mount {
public:
    // A tmpfs, or with `bound` that file put in the place of the file at `at`.
    explicit Mount(const QString &at, const char *options, const QString &bound = {})
        : m_at(QFile::encodeName(at))
    {
        m_ok = bound.isEmpty()
            ? ::mount("tmpfs", m_at.constData(), "tmpfs", 0, options) == 0
            : ::mount(QFile::encodeName(bound).constData(), m_at.constData(), nullptr, MS_BIND, nullptr) == 0;
    }
    ~Mount()
    {
        if (m_ok)
            ::umount2(m_at.constData(), MNT_DETACH);
    }
    Mount(const Mount &) = delete;
    Mount &operator=(const Mount &) = delete;
    bool ok() const { return m_ok; }
    bool makeReadOnly() { return ::mount("tmpfs", m_at.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0; }

private:
    QByteArray m_at;
    bool m_ok = false;
};
