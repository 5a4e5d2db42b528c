#include "RunKeyAutostart.h"

#include "platform/Failure.h"
#include "platform/windows/RegistryKey.h"

#include <QDir>

#include <utility>

#include <windows.h>

namespace {

// Task Manager keeps its switch beside the run key, in Explorer's folder.
QString approvedKeyFor(const QString &runKey)
{
    QString key = runKey;
    const qsizetype last = key.lastIndexOf(u'\\');
    return key.left(last) + QStringLiteral("\\Explorer\\StartupApproved") + key.mid(last);
}

// The program a value starts: its data without the quotes a path with blanks
// may carry.
QString programOf(QString data)
{
    data = data.trimmed();
    if (data.size() >= 2 && data.startsWith(u'"') && data.endsWith(u'"'))
        data = data.mid(1, data.size() - 2);
    return QDir::toNativeSeparators(QDir::cleanPath(QDir::fromNativeSeparators(data)));
}

} // namespace

RunKeyAutostart::RunKeyAutostart()
    : RunKeyAutostart(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Run"), HKEY_LOCAL_MACHINE,
                      HKEY_CURRENT_USER)
{
}

RunKeyAutostart::RunKeyAutostart(QString runKey, HKEY machine, HKEY user)
    : m_runKey(std::move(runKey))
    , m_approvedKey(approvedKeyFor(m_runKey))
    , m_machine(machine)
    , m_user(user)
{
}

void RunKeyAutostart::writeEntry(const QString &name, const QString &executable)
{
    // Quoted: unquoted, "C:\Program Files\..." would first start a C:\Program.exe.
    const QString data = executable.contains(u' ') ? u'"' + executable + u'"' : executable;
    HKEY root = m_machine;
    try {
        RegistryKey::create(m_machine, m_runKey, KEY_SET_VALUE).setText(name, data);
    } catch (const Failure &) {
        // A standard user may not write the machine's key; their own starts it
        // for them alone, which is what they asked for.
        root = m_user;
        RegistryKey::create(m_user, m_runKey, KEY_SET_VALUE).setText(name, data);
    }
    approve(root, name);
}

// A value turned off in Task Manager would keep the tick from starting anything.
void RunKeyAutostart::approve(HKEY root, const QString &name)
{
    if (approved(root, name))
        return;
    std::optional<RegistryKey> key = RegistryKey::open(root, m_approvedKey, KEY_SET_VALUE);
    if (key)
        key->removeValue(name);
}

void RunKeyAutostart::removeEntry(const QString &name)
{
    if (std::optional<RegistryKey> user = RegistryKey::open(m_user, m_runKey, KEY_SET_VALUE))
        user->removeValue(name);
    const std::optional<RegistryKey> readable = RegistryKey::open(m_machine, m_runKey, KEY_QUERY_VALUE);
    if (!readable || !readable->hasValue(name))
        return;
    try {
        RegistryKey::open(m_machine, m_runKey, KEY_SET_VALUE)->removeValue(name);
    } catch (const Failure &failure) {
        throw Failure(QStringLiteral("%1 Windows will still start the program at logon for every user: only an "
                                     "administrator can change %2.")
                          .arg(QString::fromUtf8(failure.what()), readable->name()));
    }
}

bool RunKeyAutostart::startsAtLogon(const QString &name, const QString &executable) const
{
    const QString program = programOf(executable);
    for (HKEY root : {m_machine, m_user}) {
        const std::optional<RegistryKey> key = RegistryKey::open(root, m_runKey, KEY_QUERY_VALUE);
        if (!key)
            continue;
        const std::optional<QString> data = key->text(name);
        if (data && programOf(*data).compare(program, Qt::CaseInsensitive) == 0 && approved(root, name))
            return true;
    }
    return false;
}

// Task Manager's switch is a binary value whose first byte is even while the
// program may start; no value means it was never switched.
bool RunKeyAutostart::approved(HKEY root, const QString &name) const
{
    const std::optional<RegistryKey> key = RegistryKey::open(root, m_approvedKey, KEY_QUERY_VALUE);
    if (!key)
        return true;
    const std::optional<QByteArray> state = key->bytes(name);
    return !state || state->isEmpty() || (quint8(state->at(0)) & 1) == 0;
}
