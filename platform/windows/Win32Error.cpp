#include "Win32Error.h"

#include <windows.h>

namespace Win32Error {

QString text(std::uint32_t code)
{
    wchar_t *buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    QString message = length ? QString::fromWCharArray(buffer, length).trimmed() : QString();
    LocalFree(buffer);
    if (message.endsWith(u'.'))
        message.chop(1);
    return message.isEmpty() ? QStringLiteral("error %1").arg(code) : message;
}

} // namespace Win32Error
