#include "Win32FileSystem.h"

#include "platform/Failure.h"
#include "platform/windows/Win32Error.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include <utility>

#include <windows.h>
// These build on windows.h.
#include <aclapi.h>
#include <sddl.h>

namespace {

enum class Owner { User, UserOrSystem };

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

[[noreturn]] void fail(const QString &path, const QString &reason)
{
    throw Failure(QStringLiteral("%1: %2.").arg(native(path), reason));
}

[[noreturn]] void failWithSystem(const QString &path, DWORD error = GetLastError())
{
    fail(path, Win32Error::text(error));
}

class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE)
        : m_handle(handle)
    {
    }
    Handle(Handle &&other) noexcept
        : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE))
    {
    }
    Handle &operator=(Handle &&other) noexcept
    {
        Handle gone(std::exchange(m_handle, std::exchange(other.m_handle, INVALID_HANDLE_VALUE)));
        return *this;
    }
    ~Handle()
    {
        if (valid())
            CloseHandle(m_handle);
    }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }
    HANDLE release() { return std::exchange(m_handle, INVALID_HANDLE_VALUE); }

private:
    HANDLE m_handle;
};

// The full, long form of a path, as the system's final path spells it.
QString fullLongPath(const QString &path)
{
    wchar_t full[32768];
    DWORD length = GetFullPathNameW(wide(native(path)), 32768, full, nullptr);
    if (length == 0 || length >= 32768)
        return native(path);
    wchar_t longer[32768];
    const DWORD longLength = GetLongPathNameW(full, longer, 32768);
    return longLength && longLength < 32768 ? QString::fromWCharArray(longer, longLength)
                                            : QString::fromWCharArray(full, length);
}

QString finalPath(HANDLE handle)
{
    wchar_t buffer[32768];
    const DWORD length = GetFinalPathNameByHandleW(handle, buffer, 32768, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= 32768)
        return QString();
    QString path = QString::fromWCharArray(buffer, length);
    if (path.startsWith(QLatin1String("\\\\?\\UNC\\")))
        return QStringLiteral("\\\\") + path.mid(8);
    return path.startsWith(QLatin1String("\\\\?\\")) ? path.mid(4) : path;
}

bool sameSid(PSID a, WELL_KNOWN_SID_TYPE type)
{
    BYTE buffer[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof buffer;
    return CreateWellKnownSid(type, nullptr, buffer, &size) && EqualSid(a, buffer);
}

bool isCurrentUser(PSID owner)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    const bool mine = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)
        && EqualSid(owner, reinterpret_cast<TOKEN_USER *>(buffer)->User.Sid);
    CloseHandle(token);
    return mine;
}

bool isTrustedInstaller(PSID sid)
{
    PSID installer = nullptr;
    if (!ConvertStringSidToSidW(L"S-1-5-80-956008885-3425701886-2049707839-1925364935-1998307171", &installer))
        return false;
    const bool same = EqualSid(sid, installer);
    LocalFree(installer);
    return same;
}

// Files an elevated copy made belong to the Administrators group; files that
// ship with the program may also belong to the system or its installer.
void checkOwner(HANDLE handle, const QString &path, Owner owner)
{
    PSID sid = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status = GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &sid, nullptr, nullptr,
                                         nullptr, &descriptor);
    if (status != ERROR_SUCCESS)
        failWithSystem(path, status);
    const bool trusted = isCurrentUser(sid) || sameSid(sid, WinBuiltinAdministratorsSid)
        || (owner == Owner::UserOrSystem && (sameSid(sid, WinLocalSystemSid) || isTrustedInstaller(sid)));
    LocalFree(descriptor);
    if (!trusted)
        fail(path, QStringLiteral("belongs to another user"));
}

// Holds an opened file to the rule: a regular file on a disk, reached by the path
// itself, of a trusted owner, within the size bound. Returns its size.
qint64 check(const Handle &file, const QString &path, Owner owner, qint64 maxBytes = -1)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info))
        failWithSystem(path);
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        fail(path, QStringLiteral("is a link or junction, which is not followed"));
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || GetFileType(file.get()) != FILE_TYPE_DISK)
        fail(path, QStringLiteral("is not a regular file"));
    // A link or junction further up the path is seen only in where the file really is.
    if (finalPath(file.get()).compare(fullLongPath(path), Qt::CaseInsensitive) != 0)
        fail(path, QStringLiteral("is reached through a link or junction, which is not followed"));
    checkOwner(file.get(), path, owner);
    const qint64 size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (maxBytes >= 0 && size > maxBytes)
        fail(path, QStringLiteral("is larger than %1 bytes").arg(maxBytes));
    return size;
}

Handle open(const QString &path, DWORD access, DWORD share, DWORD disposition)
{
    return Handle(CreateFileW(wide(native(path)), access | READ_CONTROL | FILE_READ_ATTRIBUTES, share, nullptr,
                              disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

Handle openToRead(const QString &path, Owner owner, qint64 maxBytes)
{
    Handle file = open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!file.valid()) {
        const DWORD error = GetLastError();
        const DWORD found = GetFileAttributesW(wide(native(path)));
        if (found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY))
            fail(path, QStringLiteral("is not a regular file"));
        failWithSystem(path, error);
    }
    check(file, path, owner, maxBytes);
    return file;
}

QByteArray readAll(const Handle &file, const QString &path, qint64 maxBytes)
{
    QByteArray bytes;
    char buffer[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
            failWithSystem(path);
        if (got == 0)
            return bytes;
        if (bytes.size() + got > maxBytes) // grew while it was read
            fail(path, QStringLiteral("is larger than %1 bytes").arg(maxBytes));
        bytes.append(buffer, got);
    }
}

void writeAll(HANDLE file, const QString &path, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        const auto chunk = DWORD(qMin<qsizetype>(bytes.size() - done, 1 << 20));
        if (!WriteFile(file, bytes.constData() + done, chunk, &wrote, nullptr) || wrote == 0)
            failWithSystem(path);
        done += wrote;
    }
}

DWORD attributes(const QString &path)
{
    return GetFileAttributesW(wide(native(path)));
}

} // namespace

Win32FileSystem::~Win32FileSystem()
{
    for (void *handle : m_memoryHandles)
        CloseHandle(handle);
    for (const QString &path : std::as_const(m_memoryFiles))
        DeleteFileW(wide(path));
}

bool Win32FileSystem::exists(const QString &path) const
{
    return attributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileSystem::isRegularFile(const QString &path) const
{
    const DWORD found = attributes(path);
    return found != INVALID_FILE_ATTRIBUTES
        && !(found & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
}

bool Win32FileSystem::isFolder(const QString &path) const
{
    const DWORD found = attributes(path);
    return found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY)
        && !(found & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A folder made under the user's profile inherits an access list that admits
// only them, the system and administrators.
void Win32FileSystem::makePrivateFolder(const QString &path)
{
    const QString parent = QFileInfo(QDir::cleanPath(path)).path();
    if (isFolder(path))
        return;
    if (parent != QDir::cleanPath(path) && !isFolder(parent))
        makePrivateFolder(parent);
    if (!CreateDirectoryW(wide(native(path)), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        failWithSystem(path);
}

// One writer at a time, so that a failed write can be cut back off: another
// copy appending at the same moment waits its turn briefly.
void Win32FileSystem::append(const QString &path, const QByteArray &bytes)
{
    Handle file;
    for (int attempt = 0; attempt < 20 && !file.valid(); ++attempt) {
        file = open(path, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS);
        if (!file.valid() && GetLastError() != ERROR_SHARING_VIOLATION)
            failWithSystem(path);
        if (!file.valid())
            Sleep(10);
    }
    if (!file.valid())
        fail(path, QStringLiteral("is being written by another program"));
    const qint64 size = check(file, path, Owner::User);
    LARGE_INTEGER end{};
    end.QuadPart = size;
    if (!SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN))
        failWithSystem(path);
    try {
        writeAll(file.get(), path, bytes);
    } catch (const Failure &) {
        SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN);
        SetEndOfFile(file.get());
        throw;
    }
}

void Win32FileSystem::checkOwnFile(const QString &path) const
{
    openToRead(path, Owner::User, -1);
}

FileService::Text Win32FileSystem::readOwnText(const QString &path, qint64 maxBytes) const
{
    const QByteArray bytes = readAll(openToRead(path, Owner::User, maxBytes), path, maxBytes);
    QStringDecoder decoder(QStringDecoder::Utf8);
    Text text;
    text.text = decoder(bytes);
    text.replacedInvalidBytes = decoder.hasError();
    return text;
}

QByteArray Win32FileSystem::readProgramFile(const QString &path, qint64 maxBytes) const
{
    return readAll(openToRead(path, Owner::UserOrSystem, maxBytes), path, maxBytes);
}

// Every read already refuses a path whose final form differs from the one asked
// for, which a link or junction at any step would make; what is left is a name
// that climbs out or starts elsewhere.
QByteArray Win32FileSystem::readProgramFileBeneath(const QString &folder, const QString &name, qint64 maxBytes) const
{
    const QString base = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    const QString path = QDir::cleanPath(base + u'/' + QDir::fromNativeSeparators(name));
    if (QDir::isAbsolutePath(QDir::fromNativeSeparators(name)) || name.contains(u':')
        || !path.startsWith(base + u'/', Qt::CaseInsensitive))
        fail(base + u'/' + name, QStringLiteral("lies outside %1").arg(native(base)));
    return readProgramFile(path, maxBytes);
}

// The program keeps its own settings in the registry; a configuration file is
// read as any other file of the user's, never through a link.
std::optional<QByteArray> Win32FileSystem::readOwnConfig(const QString &path, qint64 maxBytes, bool rootTarget) const
{
    if (!exists(path))
        return std::nullopt;
    return readAll(openToRead(path, rootTarget ? Owner::UserOrSystem : Owner::User, maxBytes), path, maxBytes);
}

// A new file beside the old one, flushed, then put in its place in one step that
// is itself written through: a crash leaves the old file or the new one.
void Win32FileSystem::replace(const QString &path, const QByteArray &bytes)
{
    if (exists(path))
        openToRead(path, Owner::User, -1); // never a link, never another user's file
    const QString temporary = QDir::cleanPath(path) + QStringLiteral(".%1.new").arg(GetCurrentProcessId());
    {
        Handle file = open(temporary, GENERIC_WRITE, 0, CREATE_ALWAYS);
        if (!file.valid())
            failWithSystem(temporary);
        try {
            check(file, temporary, Owner::User);
            writeAll(file.get(), temporary, bytes);
            if (!FlushFileBuffers(file.get()))
                failWithSystem(temporary);
        } catch (const Failure &) {
            file = Handle();
            DeleteFileW(wide(native(temporary)));
            throw;
        }
    }
    if (!MoveFileExW(wide(native(temporary)), wide(native(path)), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(wide(native(temporary)));
        failWithSystem(path, error);
    }
}

// DeleteFile removes a link itself, never what it points at.
void Win32FileSystem::remove(const QString &path)
{
    const DWORD found = attributes(path);
    if (found == INVALID_FILE_ATTRIBUTES)
        return;
    const BOOL removed =
        (found & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(wide(native(path))) : DeleteFileW(wide(native(path)));
    if (!removed && GetLastError() != ERROR_FILE_NOT_FOUND)
        failWithSystem(path);
}

// A private temporary file, held open without write sharing: a library may read
// it by name, and nobody can change it meanwhile.
QString Win32FileSystem::memoryFile(const QByteArray &bytes)
{
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (!GetTempPathW(MAX_PATH + 1, folder) || !GetTempFileNameW(folder, L"rtd", 0, name))
        failWithSystem(QStringLiteral("%TEMP%"));
    const QString path = QString::fromWCharArray(name);
    m_memoryFiles.append(path);
    Handle file(CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid())
        failWithSystem(path);
    writeAll(file.get(), path, bytes);
    m_memoryHandles.push_back(file.release());
    return QDir::fromNativeSeparators(path);
}
