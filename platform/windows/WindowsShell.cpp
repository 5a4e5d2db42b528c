#include "WindowsShell.h"

#include "platform/Failure.h"
#include "platform/windows/Win32Error.h"

#include <QDir>

#include <utility>
#include <vector>

#include <windows.h>
// These build on windows.h.
#include <shellapi.h>

namespace {

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

} // namespace

WindowsShell::WindowsShell(QString editor)
    : m_editor(std::move(editor))
{
}

// The shell answers at once whether a handler took the address; what the browser
// then does is its own.
void WindowsShell::openUrl(const QString &url, Failed)
{
    const auto result =
        reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", wide(url), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32)
        throw Failure(QStringLiteral("Cannot open %1: %2.").arg(url, Win32Error::text(GetLastError())));
}

// The editor's command line names the file in quotes, so that a path with blanks
// stays one argument; a path holding a quote could not be named that way.
void WindowsShell::openTextFile(const QString &path, Failed)
{
    const QString file = QDir::toNativeSeparators(path);
    if (file.contains(u'"'))
        throw Failure(QStringLiteral("Cannot open \"%1\" in %2: the name holds a quote.").arg(file, m_editor));
    const QString command = m_editor + QStringLiteral(" \"") + file + u'"';
    std::vector<wchar_t> line(command.size() + 1, L'\0');
    command.toWCharArray(line.data());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        throw Failure(QStringLiteral("Cannot start %1 to open \"%2\": %3.")
                          .arg(m_editor, file, Win32Error::text(GetLastError())));
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
}
