#!/usr/bin/env python3
"""The tray item as a StatusNotifierItem, and its balloon as a desktop notification.

A private session bus with Debian's status-notifier-watcher, and a small stand-in
for the desktop's panel and notification server that registers as the host and
records every notification it is sent.
"""
import json
import os
import struct
import sys
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_a11y import bus_name_owned, start_session_bus, stop_all  # noqa: E402
from xsession import XSession, wait_until  # noqa: E402

BINARY = os.environ["RAMTIDY_BIN"]
APP_ID = "org.corvane.Ramtidy"
WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"

# The panel and notification server: registers as the StatusNotifierHost and writes
# each Notify call as one JSON line to the file named by its argument.
DESKTOP = r'''
import json, os, sys
import dbus, dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
log = open(sys.argv[1], "a")
IFACE = "org.freedesktop.Notifications"


class Server(dbus.service.Object):
    last = 0

    @dbus.service.method(IFACE, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app_name, replaces_id, app_icon, summary, body, actions, hints, timeout):
        Server.last += 1
        record = dict(app_name=app_name, replaces_id=int(replaces_id), app_icon=app_icon, summary=summary,
                      body=body, actions=list(actions), timeout=int(timeout),
                      hints={k: v if isinstance(v, str) else int(v) for k, v in hints.items()})
        log.write(json.dumps(record) + "\n")
        log.flush()
        return dbus.UInt32(Server.last)

    @dbus.service.method(IFACE, out_signature="as")
    def GetCapabilities(self):
        return ["body", "actions"]

    @dbus.service.method(IFACE, out_signature="ssss")
    def GetServerInformation(self):
        return ("e2e", "ramtidy", "1", "1.2")

    @dbus.service.method(IFACE, in_signature="u")
    def CloseNotification(self, notification):
        pass


host = f"org.kde.StatusNotifierHost-{os.getpid()}"
names = [dbus.service.BusName(IFACE, bus), dbus.service.BusName(host, bus)]
Server(bus, "/org/freedesktop/Notifications")
bus.get_object("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher").RegisterStatusNotifierHost(
    host, dbus_interface="org.kde.StatusNotifierWatcher")
GLib.MainLoop().run()
'''


def png(size, rgb):
    """A plain square PNG."""
    row = b"\0" + bytes(rgb) * size
    chunk = lambda kind, data: (struct.pack(">I", len(data)) + kind + data
                                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(row * size)) + chunk(b"IEND", b""))


def install_themed_icon(home):
    """The program's icon in the user's hicolor theme, as a package installs it."""
    theme = os.path.join(home, ".local", "share", "icons", "hicolor")
    os.makedirs(os.path.join(theme, "32x32", "apps"))
    with open(os.path.join(theme, "index.theme"), "w") as f:
        f.write("[Icon Theme]\nName=Hicolor\nDirectories=32x32/apps\n\n[32x32/apps]\nSize=32\nType=Fixed\n")
    with open(os.path.join(theme, "32x32", "apps", APP_ID + ".png"), "wb") as f:
        f.write(png(32, (0x20, 0x50, 0xc0)))


def start_panel(session, bus):
    """Debian's StatusNotifierWatcher and the stand-in panel on the session's bus.
    Returns a reader of the watcher's properties and the file notifications go to."""
    session.spawn("status-notifier-watcher", ["status-notifier-watcher"])
    wait_until(lambda: bus_name_owned(session, WATCHER), 20, "the StatusNotifierWatcher")
    watcher = bus.get_object(WATCHER, "/StatusNotifierWatcher")

    def watcher_property(name):
        return watcher.Get(WATCHER, name, dbus_interface="org.freedesktop.DBus.Properties")

    notifications = os.path.join(session.scratch, "notifications.jsonl")
    open(notifications, "w").close()
    session.spawn("desktop", [sys.executable, "-c", DESKTOP, notifications])
    import dbus  # here: the tray tests import this file's helpers without a bus

    def host_registered():
        try:
            return bool(watcher_property("IsStatusNotifierHostRegistered"))
        except dbus.exceptions.DBusException:  # the watcher owns its name a moment before its object
            return False

    wait_until(host_registered, 20, "the host")
    return watcher_property, notifications


def registered_item(bus, watcher_property):
    """The program's tray item, once it has registered with the watcher."""
    wait_until(lambda: len(watcher_property("RegisteredStatusNotifierItems")) > 0, 20, "the tray item")
    service, _, path = str(watcher_property("RegisteredStatusNotifierItems")[0]).partition("/")
    return bus.get_object(service, "/" + (path or "StatusNotifierItem"))


class StatusNotifierItem(unittest.TestCase):
    def test_item_and_notification(self):
        import dbus
        session = XSession(tray=False, window_manager=False)
        bus_address = None
        try:
            session.start()
            bus_address = start_session_bus(session)
            bus = dbus.bus.BusConnection(bus_address)
            watcher_property, notifications = start_panel(session, bus)

            install_themed_icon(session.home)
            conf = os.path.join(session.home, ".config", "Corvane")
            os.makedirs(conf)
            with open(os.path.join(conf, "Ramtidy.conf"), "w") as f:
                f.write("[Ramtidy]\nWindows%20Startup=On\nMinimized=On\n")  # starts in the tray, with a balloon
            session.start_at_logon(BINARY)
            session.start_app(BINARY)

            item = registered_item(bus, watcher_property)

            def item_property(name):
                return str(item.Get(ITEM, name, dbus_interface="org.freedesktop.DBus.Properties"))

            self.assertEqual(item_property("Id"), "Ramtidy")
            self.assertEqual(item_property("Title"), "Ramtidy")
            self.assertEqual(item_property("IconName"), APP_ID)

            records = []

            def notified():
                with open(notifications) as f:
                    records[:] = [json.loads(line) for line in f if line.strip()]
                return bool(records)

            wait_until(notified, 20, "the balloon's notification")
            note = records[0]
            self.assertEqual(note["app_name"], "Ramtidy")
            self.assertEqual(note["app_icon"], APP_ID)
            self.assertEqual(note["hints"].get("desktop-entry"), APP_ID)
            self.assertEqual(note["summary"], "Ramtidy")
            self.assertNotIn("\r", note["body"])
            self.assertIn("system tray.\nClick on the blue", note["body"])
            self.assertEqual(note["actions"], [])  # no button that would do nothing

            # The item brings the window back, as a click on it does in a panel.
            item.Activate(0, 0, dbus_interface=ITEM)
            session.find_window()
        finally:
            stop_all(session, bus_address)


if __name__ == "__main__":
    unittest.main(verbosity=2)
