#include "mSysTray.h"

#include "platform/Failure.h"
#include "platform/TrayService.h"
#include "tray/cSysTray.h"

namespace mSysTray {

namespace {

// One hook for the whole program: at most one control is in the tray at a time.
// The window's own event handling, which it stands in front of, comes back when
// the hook is removed.
QPointer<TrayWindowProc> Hook;

} // namespace

TrayWindowProc::TrayWindowProc(cSysTray *control)
    : m_control(control)
{
}

bool TrayWindowProc::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == TrayCallbackEvent::type()) {
        const auto *callback = static_cast<TrayCallbackEvent *>(event);
        if (callback->uMsg == TrayCallbackMessage && m_control)
            m_control->TrayNotify(callback->lParam, callback->wParam);
    }
    return QObject::eventFilter(watched, event); // never swallowed
}

void install(QObject *window, cSysTray *control)
{
    if (Hook)
        throw Failure(QStringLiteral("Another tray icon is already in the notification area."));
    Hook = new TrayWindowProc(control);
    window->installEventFilter(Hook);
}

void remove(QObject *window)
{
    if (!Hook)
        return;
    window->removeEventFilter(Hook);
    // Later: the removal may come from a handler that the hook itself is running.
    Hook->deleteLater();
    Hook.clear();
}

bool isInstalled()
{
    return !Hook.isNull();
}

} // namespace mSysTray
