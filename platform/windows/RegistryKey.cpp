#include "RegistryKey.h"

#include "platform/Failure.h"
#include "platform/windows/Win32Error.h"

#include <utility>
#include <vector>

namespace {

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

QString rootName(HKEY root)
{
    if (root == HKEY_CURRENT_USER)
        return QStringLiteral("HKEY_CURRENT_USER");
    if (root == HKEY_LOCAL_MACHINE)
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    return QStringLiteral("HKEY_%1").arg(quintptr(root), 0, 16);
}

} // namespace

QString RegistryKey::name(HKEY root, const QString &path)
{
    return rootName(root) + u'\\' + path;
}

std::optional<RegistryKey> RegistryKey::open(HKEY root, const QString &path, REGSAM access)
{
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(root, wide(path), 0, access, &key);
    if (status == ERROR_FILE_NOT_FOUND)
        return std::nullopt;
    if (status != ERROR_SUCCESS)
        throw Failure(
            QStringLiteral("Cannot open the registry key %1: %2.").arg(name(root, path), Win32Error::text(status)));
    return RegistryKey(key, name(root, path));
}

RegistryKey RegistryKey::create(HKEY root, const QString &path, REGSAM access)
{
    HKEY key = nullptr;
    const LSTATUS status =
        RegCreateKeyExW(root, wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        throw Failure(
            QStringLiteral("Cannot create the registry key %1: %2.").arg(name(root, path), Win32Error::text(status)));
    return RegistryKey(key, name(root, path));
}

RegistryKey::RegistryKey(HKEY key, QString name)
    : m_key(key)
    , m_name(std::move(name))
{
}

RegistryKey::RegistryKey(RegistryKey &&other) noexcept
    : m_key(std::exchange(other.m_key, nullptr))
    , m_name(std::move(other.m_name))
{
}

RegistryKey::~RegistryKey()
{
    if (m_key)
        RegCloseKey(m_key);
}

void RegistryKey::fail(const char *what, LSTATUS status) const
{
    throw Failure(QStringLiteral("Cannot %1 the registry key %2: %3.")
                      .arg(QLatin1String(what), m_name, Win32Error::text(status)));
}

QList<RegistryKey::Value> RegistryKey::values() const
{
    DWORD count = 0;
    DWORD longest = 0;
    LSTATUS status = RegQueryInfoKeyW(m_key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest,
                                      nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS)
        fail("read", status);
    QList<Value> values;
    std::vector<wchar_t> buffer(longest + 1);
    for (DWORD index = 0; index < count; ++index) {
        DWORD length = DWORD(buffer.size());
        Value value{{}, REG_NONE, 0};
        status = RegEnumValueW(m_key, index, buffer.data(), &length, nullptr, &value.type, nullptr, &value.bytes);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            fail("read", status);
        value.name = QString::fromWCharArray(buffer.data(), length);
        values.append(value);
    }
    return values;
}

// Read in one call with the size asked first; a value that grows in between is
// asked again, and a stored text without its closing NUL is read whole.
std::optional<QString> RegistryKey::text(const QString &valueName) const
{
    for (;;) {
        DWORD type = 0;
        DWORD size = 0;
        LSTATUS status = RegQueryValueExW(m_key, wide(valueName), nullptr, &type, nullptr, &size);
        if (status == ERROR_FILE_NOT_FOUND)
            return std::nullopt;
        if (status != ERROR_SUCCESS)
            fail("read", status);
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return std::nullopt;
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = size;
        status =
            RegQueryValueExW(m_key, wide(valueName), nullptr, &type, reinterpret_cast<BYTE *>(buffer.data()), &got);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            fail("read", status);
        QString value = QString::fromWCharArray(buffer.data(), got / sizeof(wchar_t));
        while (value.endsWith(QChar(u'\0')))
            value.chop(1);
        return value;
    }
}

std::optional<QByteArray> RegistryKey::bytes(const QString &valueName) const
{
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(m_key, wide(valueName), nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND || (status == ERROR_SUCCESS && type != REG_BINARY))
        return std::nullopt;
    if (status != ERROR_SUCCESS)
        fail("read", status);
    QByteArray data(qsizetype(size), '\0');
    status = RegQueryValueExW(m_key, wide(valueName), nullptr, &type, reinterpret_cast<BYTE *>(data.data()), &size);
    if (status != ERROR_SUCCESS)
        fail("read", status);
    data.truncate(qsizetype(size));
    return data;
}

bool RegistryKey::hasValue(const QString &valueName) const
{
    const LSTATUS status = RegQueryValueExW(m_key, wide(valueName), nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        fail("read", status);
    return status == ERROR_SUCCESS;
}

void RegistryKey::setText(const QString &valueName, const QString &text)
{
    const auto bytes = DWORD((text.size() + 1) * sizeof(wchar_t)); // with the closing NUL
    const LSTATUS status =
        RegSetValueExW(m_key, wide(valueName), 0, REG_SZ, reinterpret_cast<const BYTE *>(wide(text)), bytes);
    if (status != ERROR_SUCCESS)
        fail("write", status);
}

void RegistryKey::removeValue(const QString &valueName)
{
    const LSTATUS status = RegDeleteValueW(m_key, wide(valueName));
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        fail("change", status);
}
