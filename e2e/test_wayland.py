#!/usr/bin/env python3
"""Ramtidy on Wayland, on a headless Weston.

A Wayland window is never told that the desktop minimized it, so minimizing
there is the desktop's own and the window is never hidden into the tray by it.
What must hold: the program runs, its tray item (a StatusNotifierItem on a
private session bus) is there, and the item brings a hidden window back.
The window's state is read through AT-SPI, as on Wayland nothing else outside
the compositor can see it.
"""
import os
import sys
import unittest
import warnings

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_a11y import bus_name_owned, start_session_bus, stop_all  # noqa: E402
from test_sni import ITEM, registered_item, start_panel  # noqa: E402
from xsession import XSession, wait_until  # noqa: E402

BINARY = os.environ["RAMTIDY_BIN"]
SOCKET = "wayland-ramtidy-e2e"


class WaylandSession(XSession):
    """The scratch home, runtime folder and process handling of the X sessions,
    with a headless Weston in place of the X server."""

    def __init__(self):
        super().__init__(tray=False, window_manager=False)
        self.env.pop("DISPLAY", None)
        self.env.update(WAYLAND_DISPLAY=SOCKET, QT_QPA_PLATFORM="wayland")

    def start(self):
        self.spawn("weston", ["weston", "--backend=headless-backend.so", "--socket=" + SOCKET, "--idle-time=0",
                              "--width=1280", "--height=800"])
        wait_until(lambda: os.path.exists(os.path.join(self.env["XDG_RUNTIME_DIR"], SOCKET)), 20, "Weston")


class Wayland(unittest.TestCase):
    def test_tray_item_brings_the_hidden_window_back(self):
        import dbus
        session = WaylandSession()
        bus_address = None
        try:
            session.start()
            bus_address = start_session_bus(session)
            bus = dbus.bus.BusConnection(bus_address)
            session.spawn("at-spi-bus-launcher", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
            wait_until(lambda: bus_name_owned(session, "org.a11y.Bus"), 20, "the accessibility bus")
            watcher_property, _ = start_panel(session, bus)

            conf = os.path.join(session.home, ".config", "Corvane")
            os.makedirs(conf)
            with open(os.path.join(conf, "Ramtidy.conf"), "w") as f:
                f.write("[Ramtidy]\nWindows%20Startup=On\nMinimized=On\n")  # starts hidden in the tray
            session.start_at_logon(BINARY)
            session.start_app(BINARY, {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})

            item = registered_item(bus, watcher_property)
            self.assertEqual(str(item.Get(ITEM, "Id", dbus_interface="org.freedesktop.DBus.Properties")),
                             "Ramtidy")

            os.environ.update(DBUS_SESSION_BUS_ADDRESS=bus_address,
                              XDG_RUNTIME_DIR=session.env["XDG_RUNTIME_DIR"])
            os.environ.pop("AT_SPI_BUS_ADDRESS", None)
            warnings.filterwarnings("ignore", category=DeprecationWarning)
            import pyatspi
            program = []

            def registered():
                desktop = pyatspi.Registry.getDesktop(0)
                program[:] = [app for app in (desktop.getChildAtIndex(i) for i in range(desktop.childCount))
                              if app is not None and (app.name or "").lower() == "ramtidy"]
                return bool(program)

            def showing():
                # A window never shown is not there yet; a hidden one is not showing.
                windows = [program[0].getChildAtIndex(j) for j in range(program[0].childCount)]
                return any(w is not None and w.name == "Ramtidy" and w.getState().contains(pyatspi.STATE_SHOWING)
                           for w in windows)

            wait_until(registered, 20, "the program on the accessibility bus")
            self.assertFalse(showing(), "a start with Minimized on hides the window in the tray")

            item.Activate(0, 0, dbus_interface=ITEM)
            wait_until(showing, 20, "the window back on screen after a click on the tray item")
            self.assertIsNone(session.processes[-1][1].poll(), session.app_log())
        finally:
            stop_all(session, bus_address)


if __name__ == "__main__":
    unittest.main(verbosity=2)
