#include "ClipboardHandOver.h"

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QTimer>

#include <cstdlib>
#include <cstring>

#include <xcb/xcb.h>

namespace {

// Swallows every event for every object: the program is ending, and only the
// toolkit's own answers to the clipboard manager may still run.
class EndGate : public QObject {
public:
    bool eventFilter(QObject *, QEvent *) override { return true; }
};

class SelectionNotifyWatch : public QAbstractNativeEventFilter {
public:
    explicit SelectionNotifyWatch(xcb_window_t requestor)
        : m_requestor(requestor)
    {
    }
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type == "xcb_generic_event_t") {
            const auto *event = static_cast<const xcb_generic_event_t *>(message);
            if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY
                && reinterpret_cast<const xcb_selection_notify_event_t *>(event)->requestor == m_requestor)
                done = true;
        }
        return false;
    }
    bool done = false;

private:
    xcb_window_t m_requestor;
};

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

xcb_window_t selectionOwner(xcb_connection_t *connection, xcb_atom_t selection)
{
    xcb_get_selection_owner_reply_t *reply =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const xcb_window_t owner = reply ? reply->owner : XCB_NONE;
    std::free(reply);
    return owner;
}

} // namespace

namespace ClipboardHandOver {

void run(int timeoutMs)
{
    auto *app = qGuiApp;
    const auto *x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !QGuiApplication::clipboard()->ownsClipboard())
        return;
    xcb_connection_t *connection = x11->connection();
    const xcb_atom_t manager = atom(connection, "CLIPBOARD_MANAGER");
    if (manager == XCB_ATOM_NONE || selectionOwner(connection, manager) == XCB_NONE)
        return;

    EndGate gate;
    app->installEventFilter(&gate);

    // The manager answers the requestor window; it asks the clipboard's owner, the
    // toolkit's own window, for the data meanwhile.
    const xcb_window_t requestor = xcb_generate_id(connection);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, requestor, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    SelectionNotifyWatch watch(requestor);
    app->installNativeEventFilter(&watch);
    xcb_convert_selection(connection, requestor, manager, atom(connection, "SAVE_TARGETS"),
                          atom(connection, "RAMTIDY_SAVE_TARGETS"), XCB_CURRENT_TIME);
    xcb_flush(connection);

    // Its events are swallowed too; it only wakes the wait below.
    QTimer wake;
    wake.setTimerType(Qt::CoarseTimer);
    wake.start(50);
    const QDeadlineTimer deadline(timeoutMs);
    while (!watch.done && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    app->removeNativeEventFilter(&watch);
    xcb_destroy_window(connection, requestor);
    xcb_flush(connection);
}

} // namespace ClipboardHandOver
