#include "PosixFileSystem.h"

#include "platform/Failure.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int error = errno)
{
    return QString::fromLocal8Bit(std::strerror(error)) + u'.';
}

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
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

enum class Owner { User, UserOrRoot };

// Opens without following a link or blocking on a FIFO, then checks what was
// opened: a regular file of a trusted owner.
int openChecked(const QString &path, int flags, Owner owner, struct stat &info)
{
    const int fd = ::open(native(path).constData(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        if (errno == ELOOP)
            throw Failure(
                QStringLiteral("The file %1 is a symbolic link, and Ramtidy does not follow links.").arg(path));
        throw Failure(QStringLiteral("The file %1 could not be opened: %2").arg(path, systemError()));
    }
    QString refusal;
    if (::fstat(fd, &info) != 0)
        refusal = systemError();
    else if (!S_ISREG(info.st_mode))
        refusal = QStringLiteral("it is not a regular file.");
    else if (info.st_uid != ::geteuid() && !(owner == Owner::UserOrRoot && info.st_uid == 0))
        refusal = QStringLiteral("the file belongs to another user.");
    if (!refusal.isEmpty()) {
        ::close(fd);
        throw Failure(QStringLiteral("The file %1 was not used: %2").arg(path, refusal));
    }
    return fd;
}

Failure tooLong(const QString &path, qint64 maxBytes)
{
    return Failure(QStringLiteral("The file %1 is longer than the %2 bytes Ramtidy reads.").arg(path).arg(maxBytes));
}

// Reads up to `maxBytes`, handing each piece to `take`; a file that grew past the
// bound while being read is refused too.
template <typename Take> void readAll(int fd, qint64 maxBytes, const QString &path, Take take)
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

} // namespace

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

void PosixFileSystem::makePrivateFolder(const QString &path)
{
    const QByteArray target = native(path);
    for (qsizetype slash = target.indexOf('/', 1);; slash = target.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? target : target.left(slash);
        // mkdir applies the mode only to a folder it creates; one that exists keeps its own.
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            throw Failure(
                QStringLiteral("The folder %1 could not be created: %2").arg(QFile::decodeName(part), systemError()));
        if (slash < 0)
            return;
    }
}

void PosixFileSystem::append(const QString &path, const QByteArray &bytes)
{
    const int created = ::open(native(path).constData(),
                               O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    struct stat info { };
    const Descriptor fd(created >= 0 ? created : openChecked(path, O_WRONLY | O_APPEND, Owner::User, info));
    if (created >= 0 && ::fstat(fd.get(), &info) != 0)
        throw Failure(QStringLiteral("The file %1 could not be written: %2").arg(path, systemError()));
    const off_t before = info.st_size;
    qsizetype done = 0;
    int error = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += n;
    }
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
    struct stat info { };
    const Descriptor fd(openChecked(path, O_RDONLY, Owner::UserOrRoot, info));
    if (info.st_size > maxBytes)
        throw tooLong(path, maxBytes);
    QByteArray bytes;
    bytes.reserve(qsizetype(info.st_size));
    readAll(fd.get(), maxBytes, path, [&](const char *data, qsizetype size) { bytes.append(data, size); });
    return bytes;
}

void PosixFileSystem::replace(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Failure(QStringLiteral("The file %1 could not be written: %2").arg(path, file.errorString()));
}

void PosixFileSystem::remove(const QString &path)
{
    if (::unlink(native(path).constData()) != 0 && errno != ENOENT)
        throw Failure(QStringLiteral("The file %1 could not be deleted: %2").arg(path, systemError()));
}
