#include "PosixFileSystem.h"

#include "platform/Failure.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <climits>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

QString systemError(int error = errno)
{
    return QString::fromLocal8Bit(std::strerror(error)) + u'.';
}

QByteArray native(const QString &path)
{
    return PosixFileSystem::encodePath(path);
}

// An open descriptor that is closed on every path.
class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

using Owner = PosixFileSystem::Owner;

Failure symbolicLink(const QString &path)
{
    return Failure(QStringLiteral("The file %1 is a symbolic link, and Ramtidy does not follow links.").arg(path));
}

// Why what is at a path is not taken: empty when it is a regular file of a trusted owner.
QString refusalOf(const struct stat &info, Owner owner)
{
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("it is a symbolic link, and Ramtidy does not follow links.");
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("it is not a regular file.");
    if (info.st_uid != ::geteuid() && !(owner == Owner::UserOrRoot && info.st_uid == 0))
        return QStringLiteral("the file belongs to another user.");
    return {};
}

// Checks what an open gave: a regular file of a trusted owner. Call it right after
// the open, while errno is the open's.
int checkedDescriptor(int fd, const QString &path, Owner owner, struct stat &info)
{
    if (fd < 0) {
        if (errno == ELOOP)
            throw symbolicLink(path);
        throw Failure(QStringLiteral("The file %1 could not be opened: %2").arg(path, systemError()));
    }
    const QString refusal = ::fstat(fd, &info) != 0 ? systemError() : refusalOf(info, owner);
    if (!refusal.isEmpty()) {
        ::close(fd);
        throw Failure(QStringLiteral("The file %1 was not used: %2").arg(path, refusal));
    }
    return fd;
}

// Opens without following a link or blocking on a FIFO, then checks what was
// opened: a regular file of a trusted owner.
int openChecked(const QString &path, int flags, Owner owner, struct stat &info)
{
    return checkedDescriptor(::open(native(path).constData(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600), path,
                             owner, info);
}

// Writes all bytes; the error of the write that failed, or 0.
int writeAll(int fd, const QByteArray &bytes, qsizetype &done)
{
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        done += n;
    }
    return 0;
}

// The length of the UTF-8 sequence that starts at `at`, or 0 when none does.
qsizetype utf8SequenceAt(const QByteArray &bytes, qsizetype at)
{
    const auto lead = quint8(bytes[at]);
    qsizetype length = 0;
    if (lead < 0x80)
        length = 1;
    else if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 0 || at + length > bytes.size())
        return 0;
    // Qt's decoder judges overlong forms, surrogates and stray continuation bytes.
    const QByteArray sequence = bytes.mid(at, length);
    const QString decoded = QString::fromUtf8(sequence);
    return !decoded.contains(QChar::ReplacementCharacter) && decoded.toUtf8() == sequence ? length : 0;
}

Failure tooLong(const QString &path, qint64 maxBytes)
{
    return Failure(QStringLiteral("The file %1 is longer than the %2 bytes Ramtidy reads.").arg(path).arg(maxBytes));
}

// Reads up to `maxBytes`, handing each piece to `take`; a file that grew past the
// bound while being read is refused too. With the size `known` from fstat, a short
// read that brings all of it ends the reading without one more call to find the end.
template <typename Take> void readAll(int fd, qint64 maxBytes, const QString &path, Take take, qint64 known = -1)
{
    char buffer[64 * 1024];
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Failure(QStringLiteral("The file %1 could not be read: %2").arg(path, systemError()));
        if (n == 0)
            return;
        total += n;
        if (total > maxBytes)
            throw tooLong(path, maxBytes);
        take(buffer, qsizetype(n));
        if (known >= 0 && total >= known && size_t(n) < sizeof buffer)
            return;
    }
}

// UTF-8 decoded as it arrives. A sequence split between two pieces waits for the
// rest; one the file ends inside of counts as invalid. A byte-order mark stays,
// so the text is the file's text.
class Utf8Text {
public:
    explicit Utf8Text(qint64 expectedBytes) { m_result.text.reserve(qsizetype(expectedBytes)); }

    void add(const char *data, qsizetype size)
    {
        m_pending.append(data, size);
        const qsizetype complete = completeLength(m_pending);
        decode(QByteArrayView(m_pending).first(complete));
        m_pending.remove(0, complete);
    }

    FileService::Text finish()
    {
        decode(m_pending);
        m_pending.clear();
        return std::move(m_result);
    }

private:
    // The length of `bytes` without a sequence that is cut short at its end.
    static qsizetype completeLength(QByteArrayView bytes)
    {
        for (qsizetype back = 1; back <= qMin<qsizetype>(4, bytes.size()); ++back) {
            const auto lead = quint8(bytes[bytes.size() - back]);
            if ((lead & 0xC0) == 0x80)
                continue; // a continuation byte: its lead is further back
            const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            return length > back ? bytes.size() - back : bytes.size();
        }
        return bytes.size();
    }

    void decode(QByteArrayView bytes)
    {
        if (bytes.isEmpty())
            return;
        QStringDecoder decoder(QStringDecoder::Utf8,
                               QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        m_result.text += decoder.decode(bytes);
        m_result.replacedInvalidBytes |= decoder.hasError();
    }

    QByteArray m_pending;
    FileService::Text m_result;
};

// The whole file behind a checked descriptor, at most `maxBytes`.
QByteArray readChecked(const Descriptor &fd, const struct stat &info, const QString &path, qint64 maxBytes)
{
    if (info.st_size > maxBytes)
        throw tooLong(path, maxBytes);
    QByteArray bytes;
    bytes.reserve(qsizetype(info.st_size));
    readAll(
        fd.get(), maxBytes, path, [&](const char *data, qsizetype size) { bytes.append(data, size); }, info.st_size);
    return bytes;
}

// Reads a whole file of a trusted owner, at most `maxBytes`.
QByteArray readBytes(const QString &path, Owner owner, qint64 maxBytes)
{
    struct stat info { };
    const Descriptor fd(openChecked(path, O_RDONLY, owner, info));
    return readChecked(fd, info, path, maxBytes);
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash > 0 ? path.left(slash) : slash == 0 ? QByteArray("/") : QByteArray(".");
}

// A chain of dotfile links longer than this is a loop or a mistake.
constexpr int MaxLinkHops = 8;

// Where a configuration path leads: itself, or through links that are the user's
// own, what they name (which need not exist yet). Sets `refusal` for a link that is
// not the user's or a chain that does not end.
QByteArray followOwnLinks(QByteArray path, QString &refusal)
{
    for (int hop = 0;; ++hop) {
        struct stat info { };
        if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        if (hop == MaxLinkHops) {
            refusal = systemError(ELOOP);
            return {};
        }
        if (info.st_uid != ::geteuid()) {
            refusal = QStringLiteral("it is a symbolic link of another user.");
            return {};
        }
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), buffer, sizeof buffer);
        if (length <= 0 || length == sizeof buffer) {
            refusal = systemError(length < 0 ? errno : ENAMETOOLONG);
            return {};
        }
        const QByteArray next(buffer, length);
        path = next.startsWith('/') ? next : folderOf(path) + '/' + next;
    }
}

// A name the program gives its copies: `.new-` and the writer's process id, in
// decimal as the system writes it. Other names beside the file are the user's.
std::optional<pid_t> writerOf(const QByteArray &suffix)
{
    if (!suffix.startsWith("new-"))
        return std::nullopt;
    bool ok = false;
    const int pid = suffix.mid(4).toInt(&ok);
    if (!ok || pid <= 0 || QByteArray::number(pid) != suffix.mid(4))
        return std::nullopt;
    return pid_t(pid);
}

// Copies of `target` that a save killed part-way left beside it: named by the
// program after a process that is gone, and the user's own regular files.
void removeLeftovers(const QByteArray &target)
{
    const QByteArray folder = folderOf(target);
    const QByteArray prefix = target.mid(target.lastIndexOf('/') + 1) + '.';
    DIR *listing = ::opendir(folder.constData());
    if (!listing)
        return;
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        const std::optional<pid_t> writer = name.startsWith(prefix) ? writerOf(name.mid(prefix.size())) : std::nullopt;
        if (!writer || ::kill(*writer, 0) == 0 || errno != ESRCH)
            continue;
        struct stat info { };
        const QByteArray path = folder + '/' + name;
        if (::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
            ::unlink(path.constData());
    }
    ::closedir(listing);
}

// The process's umask, read once: Ramtidy never changes it, and reading it costs
// two calls that set it.
mode_t processUmask()
{
    static const mode_t mask = [] {
        const mode_t value = ::umask(0);
        ::umask(value);
        return value;
    }();
    return mask;
}

// Writes `bytes` as the file `name` in `folder`: a new file made beside it (never
// through a link), flushed, then renamed over it, so a reader sees the old file or
// the new, never a part. The file it replaces (`replaced`, null when there is none)
// keeps its mode; a new one has 0666 less the umask, as any file. The error of the
// call that failed, or 0.
int writeInPlace(int folder, const QByteArray &name, const QByteArray &bytes, const struct stat *replaced)
{
    const QByteArray temporary = name + ".new-" + QByteArray::number(::getpid());
    const mode_t mode = replaced ? replaced->st_mode & 07777 : 0666;
    const auto create = [&] {
        return ::openat(folder, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    };
    int created = create();
    if (created < 0 && errno == EEXIST) { // a piece left by a copy of this id that ended mid-write
        ::unlinkat(folder, temporary.constData(), 0);
        created = create();
    }
    if (created < 0)
        return errno;
    int error = 0;
    {
        const Descriptor fd(created);
        qsizetype done = 0;
        error = writeAll(fd.get(), bytes, done);
        // The create took the umask's bits off; only a mode that lost some is set again.
        if (error == 0 && replaced && (mode & processUmask()) != 0 && ::fchmod(fd.get(), mode) != 0)
            error = errno;
        if (error == 0 && ::fsync(fd.get()) != 0)
            error = errno;
    }
    if (error == 0 && ::renameat(folder, temporary.constData(), folder, name.constData()) != 0)
        error = errno;
    if (error != 0)
        ::unlinkat(folder, temporary.constData(), 0);
    return error;
}

QByteArray nameOf(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// Where the user's own link `link`, found in `folder` at the `hop`th step of a
// save, leads; throws Failure for another's link or a chain that does not end.
QByteArray nextLink(int folder, const QByteArray &link, int hop, const QString &file)
{
    const QByteArray name = nameOf(link);
    struct stat info { };
    QString refusal;
    char buffer[PATH_MAX];
    ssize_t length = -1;
    if (hop == MaxLinkHops)
        refusal = systemError(ELOOP);
    else if (::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        refusal = systemError();
    else if (info.st_uid != ::geteuid())
        refusal = QStringLiteral("it is a symbolic link of another user.");
    else if ((length = ::readlinkat(folder, name.constData(), buffer, sizeof buffer)) <= 0 || length == sizeof buffer)
        refusal = systemError(length < 0 ? errno : ENAMETOOLONG);
    if (!refusal.isEmpty())
        throw Failure(QStringLiteral("The file %1 was not written: %2").arg(file, refusal));
    const QByteArray next(buffer, length);
    return next.startsWith('/') ? next : folderOf(link) + '/' + next;
}

// Takes the lock on a folder without waiting: false while another holds it. A file
// system without locks has no other copy's lock to wait for either.
bool lockedOrLockless(int folder)
{
    while (::flock(folder, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            return false;
        if (errno != EINTR)
            break;
    }
    return true;
}

Failure notWritten(const QString &path, int error)
{
    return Failure(QStringLiteral("The file %1 could not be written: %2").arg(path, systemError(error)));
}

} // namespace

// Each save starts from the path as it is now, as QSettings does: a folder moved
// away or a link pointed elsewhere since the last save is not written to. The lock
// is on the folder the file is in, and goes with the folder's descriptor.
bool PosixFileSystem::updateOwnConfig(const QString &path, qint64 maxBytes,
                                      const std::function<QByteArray(const QByteArray &)> &change)
{
    QByteArray target = native(path);
    for (int hop = 0;; ++hop) {
        const QString file = decodePath(target); // named as a read names it
        const QByteArray folderPath = folderOf(target);
        int opened = ::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (opened < 0 && errno == ENOENT && hop == 0) {
            // Only the program's own folder is made: where a link leads is the user's to make.
            makePrivateFolder(decodePath(folderPath));
            opened = ::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        if (opened < 0)
            throw Failure(QStringLiteral("The file %1 could not be opened: %2").arg(file, systemError()));
        const Descriptor folder(opened);
        if (!lockedOrLockless(folder.get()))
            return false;
        const QByteArray name = nameOf(target);
        const int existing = ::openat(folder.get(), name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (existing < 0 && errno == ELOOP) {
            target = nextLink(folder.get(), target, hop, file); // the lock goes with the folder
            continue;
        }
        if (existing < 0 && errno != ENOENT)
            throw Failure(QStringLiteral("The file %1 could not be opened: %2").arg(file, systemError()));
        if (!m_cleared.contains(target)) {
            removeLeftovers(target);
            m_cleared.insert(target);
        }
        struct stat info { };
        const QByteArray bytes = existing < 0
            ? QByteArray()
            : readChecked(Descriptor(checkedDescriptor(existing, file, Owner::User, info)), info, file, maxBytes);
        const int error = writeInPlace(folder.get(), name, change(bytes), existing >= 0 ? &info : nullptr);
        if (error != 0)
            throw notWritten(path, error);
        return true;
    }
}

bool PosixFileSystem::exists(const QString &path) const
{
    struct stat info { };
    return !path.isEmpty() && ::lstat(native(path).constData(), &info) == 0;
}

bool PosixFileSystem::isRegularFile(const QString &path) const
{
    struct stat info { };
    return !path.isEmpty() && ::lstat(native(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool PosixFileSystem::isFolder(const QString &path) const
{
    struct stat info { };
    return !path.isEmpty() && ::lstat(native(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

void PosixFileSystem::makePrivateFolder(const QString &path)
{
    const QByteArray target = native(path);
    for (qsizetype slash = target.indexOf('/', 1);; slash = target.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? target : target.left(slash);
        // mkdir applies the mode only to a folder it creates; one that exists keeps its own.
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            throw Failure(
                QStringLiteral("The folder %1 could not be created: %2").arg(decodePath(part), systemError()));
        if (slash < 0)
            return;
    }
}

void PosixFileSystem::append(const QString &path, const QByteArray &bytes)
{
    const int created = ::open(native(path).constData(),
                               O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    // Only a file that is already there is opened again; any other reason the
    // create failed (a folder we may not write, a read-only disk) is the one to tell.
    if (created < 0 && errno != EEXIST)
        throw Failure(QStringLiteral("The file %1 could not be opened: %2").arg(path, systemError()));
    struct stat info { };
    const Descriptor fd(created >= 0 ? created : openChecked(path, O_WRONLY | O_APPEND, Owner::User, info));
    if (created >= 0 && ::fstat(fd.get(), &info) != 0)
        throw Failure(QStringLiteral("The file %1 could not be written: %2").arg(path, systemError()));
    const off_t before = info.st_size;
    qsizetype done = 0;
    const int error = writeAll(fd.get(), bytes, done);
    if (done == bytes.size())
        return;
    // Undo the part that was written, so the next line does not start inside this one.
    const bool undone = done == 0 || ::ftruncate(fd.get(), before) == 0;
    throw Failure(QStringLiteral("The file %1 could not be written: %2%3")
                      .arg(path, systemError(error),
                           undone ? QString() : QStringLiteral(" Part of the line could not be taken back.")));
}

void PosixFileSystem::checkOwnFile(const QString &path) const
{
    struct stat info { };
    const Descriptor fd(openChecked(path, O_RDONLY, Owner::User, info));
}

int PosixFileSystem::openToRead(const QString &path, Owner owner)
{
    struct stat info { };
    return openChecked(path, O_RDONLY, owner, info);
}

FileService::Text PosixFileSystem::readOwnText(const QString &path, qint64 maxBytes) const
{
    struct stat info { };
    const Descriptor fd(openChecked(path, O_RDONLY, Owner::User, info));
    if (info.st_size > maxBytes)
        throw tooLong(path, maxBytes);
    // Decoded piece by piece: the text costs twice the file's size, and the file's
    // bytes are never held whole beside it.
    Utf8Text text(info.st_size);
    readAll(fd.get(), maxBytes, path, [&](const char *data, qsizetype size) { text.add(data, size); });
    return text.finish();
}

FileService::Text PosixFileSystem::decodeUtf8(const char *data, qsizetype size, qsizetype chunk)
{
    Utf8Text text(size);
    for (qsizetype at = 0; at < size; at += chunk)
        text.add(data + at, qMin(chunk, size - at));
    return text.finish();
}

QByteArray PosixFileSystem::readProgramFile(const QString &path, qint64 maxBytes) const
{
    return readBytes(path, Owner::UserOrRoot, maxBytes);
}

namespace {

// Opens `name` beneath the open folder one step at a time, none of them through a
// link: what a kernel without openat2 (before 5.6, or a sandbox that forbids it)
// gets instead of RESOLVE_BENEATH.
int openStepwise(int folder, const QByteArray &name, int flags)
{
    const QList<QByteArray> steps = name.split('/');
    int at = folder;
    for (qsizetype i = 0; i + 1 < steps.size(); ++i) {
        if (steps[i] == "..") {
            errno = EXDEV;
            break;
        }
        const int next = ::openat(at, steps[i].constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (at != folder)
            ::close(at);
        if (next < 0)
            return -1;
        at = next;
    }
    const int fd = steps.last() == ".." ? (errno = EXDEV, -1) : ::openat(at, steps.last().constData(), flags);
    const int error = errno;
    if (at != folder)
        ::close(at);
    errno = error;
    return fd;
}

} // namespace

QByteArray PosixFileSystem::readProgramFileBeneath(const QString &folder, const QString &name, qint64 maxBytes) const
{
    const QString path = folder + u'/' + name;
    const Descriptor beneath(::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (beneath.get() < 0)
        throw Failure(QStringLiteral("The file %1 could not be opened: %2").arg(path, systemError()));
    const int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    open_how how{};
    how.flags = flags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    int fd = int(::syscall(SYS_openat2, beneath.get(), native(name).constData(), &how, sizeof how));
    if (fd < 0 && (errno == ENOSYS || errno == EPERM))
        fd = openStepwise(beneath.get(), native(name), flags);
    if (fd < 0 && errno == EXDEV)
        throw Failure(QStringLiteral("The file %1 was not used: it lies outside the folder %2.").arg(path, folder));
    struct stat info { };
    const Descriptor file(checkedDescriptor(fd, path, Owner::UserOrRoot, info));
    return readChecked(file, info, path, maxBytes);
}

std::optional<QByteArray> PosixFileSystem::readOwnConfig(const QString &path, qint64 maxBytes, bool rootTarget) const
{
    // The name itself first: links are followed only when it is one.
    QByteArray target = native(path);
    int opened = ::open(target.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (opened < 0 && errno == ELOOP) {
        QString refusal;
        target = followOwnLinks(target, refusal);
        if (!refusal.isEmpty())
            throw Failure(QStringLiteral("The file %1 was not used: %2").arg(path, refusal));
        opened = ::open(target.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    }
    const int error = errno; // the open's, for the message
    if (opened < 0 && error == ENOENT)
        return std::nullopt;
    // A configuration manager's store behind the user's own link may be root's.
    const Owner owner = rootTarget && target != native(path) ? Owner::UserOrRoot : Owner::User;
    const QString file = decodePath(target);
    errno = error;
    struct stat info { };
    const Descriptor fd(checkedDescriptor(opened, file, owner, info));
    return readChecked(fd, info, file, maxBytes);
}

// QSaveFile would write through any link to its target, so the new file is made
// here, as every save makes it. Not locked: one file of one program's.
void PosixFileSystem::replace(const QString &path, const QByteArray &bytes)
{
    QString refusal;
    const QByteArray named = native(path);
    const QByteArray target = followOwnLinks(named, refusal);
    struct stat info { };
    const bool existed = refusal.isEmpty() && ::lstat(target.constData(), &info) == 0;
    if (refusal.isEmpty() && !existed && errno != ENOENT)
        throw notWritten(path, errno);
    if (existed)
        refusal = refusalOf(info, target == named ? Owner::UserOrRoot : Owner::User);
    if (!refusal.isEmpty())
        throw Failure(QStringLiteral("The file %1 was not written: %2").arg(path, refusal));
    removeLeftovers(target);
    const Descriptor folder(::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const int error =
        folder.get() < 0 ? errno : writeInPlace(folder.get(), nameOf(target), bytes, existed ? &info : nullptr);
    if (error != 0)
        throw notWritten(path, error);
}

void PosixFileSystem::remove(const QString &path)
{
    if (::unlink(native(path).constData()) != 0 && errno != ENOENT)
        throw Failure(QStringLiteral("The file %1 could not be deleted: %2").arg(path, systemError()));
}

QString PosixFileSystem::decodePath(const QByteArray &bytes)
{
    QString path;
    qsizetype run = 0; // start of the UTF-8 not yet decoded
    for (qsizetype at = 0; at < bytes.size();) {
        if (const qsizetype length = utf8SequenceAt(bytes, at)) {
            at += length;
            continue;
        }
        path += QString::fromUtf8(bytes.mid(run, at - run)) + QChar(0xDC00 + quint8(bytes[at]));
        run = ++at;
    }
    return path + QString::fromUtf8(bytes.mid(run));
}

QByteArray PosixFileSystem::encodePath(const QString &path)
{
    QByteArray bytes;
    qsizetype run = 0;
    for (qsizetype at = 0; at < path.size(); ++at) {
        const char16_t c = path[at].unicode();
        if (c < 0xDC80 || c > 0xDCFF || (at > 0 && path[at - 1].isHighSurrogate()))
            continue;
        bytes += QStringView(path).mid(run, at - run).toUtf8() + char(c - 0xDC00);
        run = at + 1;
    }
    return bytes + QStringView(path).mid(run).toUtf8();
}

// Sealed, so that nothing can change the bytes after they were checked; kept open
// for the rest of the run, as the path is only valid while it is.
QString PosixFileSystem::memoryFile(const QByteArray &bytes)
{
    const int fd = ::memfd_create("ramtidy", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        throw Failure(QStringLiteral("A file in memory could not be made: %1").arg(systemError()));
    qsizetype done = 0;
    const int error = writeAll(fd, bytes, done);
    if (error != 0 || ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) != 0) {
        const QString reason = systemError(error != 0 ? error : errno);
        ::close(fd);
        throw Failure(QStringLiteral("A file in memory could not be written: %1").arg(reason));
    }
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}
