#include "LinuxPlatform.h"

#include "platform/XdgFolders.h"

#include <QDir>

LinuxPlatform::LinuxPlatform(const QString &maker, const QString &product, const QString &iconName)
    : m_settings(QDir(XdgFolders::configHome(m_environment)).filePath(maker + u'/' + product + QStringLiteral(".conf")),
                 product)
    , m_autostart(m_environment, m_files, product, iconName)
{
}

Platform LinuxPlatform::services()
{
    return {m_memory, m_msgBox, m_shell,       m_clock,  m_settings, m_clipboard,
            m_tray,   m_files,  m_environment, m_random, m_process,  m_autostart};
}
