#include "WindowsProcess.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <vector>

#include <windows.h>
// These build on windows.h.
#include <ole2.h>

// The module's own name, in the long form, as the user sees it in Explorer; a
// path longer than MAX_PATH is asked for again with room for it.
WindowsProcess::WindowsProcess()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()))) == buffer.size())
        buffer.resize(buffer.size() * 2);
    m_executablePath = length ? QString::fromWCharArray(buffer.data(), length)
                              : QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
}

QString WindowsProcess::executablePath() const
{
    return m_executablePath;
}

// A drive root keeps its separator ("C:\"), as the system names it.
QString WindowsProcess::programFolder() const
{
    const qsizetype cut = m_executablePath.lastIndexOf(u'\\');
    if (cut < 0)
        return QString();
    return cut == 2 && m_executablePath.at(1) == u':' ? m_executablePath.left(3) : m_executablePath.left(cut);
}

// Text the user copied stays on the clipboard once the program is gone: the
// clipboard holds only a promise to render it until it is flushed.
void WindowsProcess::EndProgram()
{
    OleFlushClipboard();
    std::fflush(nullptr);
    ExitProcess(0);
}

// The heap keeps what start-up freed; this hands the unused pages back.
void WindowsProcess::releaseUnusedMemory()
{
    HeapCompact(GetProcessHeap(), 0);
}
