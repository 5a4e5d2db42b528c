#!/usr/bin/env python3
"""The live window read through AT-SPI, as a screen reader reads it.

A private session bus and accessibility bus; the program is started with its
accessibility bridge on and read with pyatspi from this process.
"""
import os
import re
import sys
import time
import unittest
import warnings

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import XSession, wait_until  # noqa: E402

BINARY = os.environ["RAMTIDY_BIN"]


def processes_using(text):
    """PIDs of the processes whose environment mentions `text`."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if text.encode() in f.read():
                    found.append(int(entry))
        except OSError:
            pass
    return found


def start_session_bus(session):
    """A session bus of the run's own, at a path in its scratch folder; every later
    process of the session (the program included) uses it."""
    address = "unix:path=" + os.path.join(session.scratch, "session-bus")
    session.spawn("dbus-daemon", ["dbus-daemon", "--session", "--nofork", "--address=" + address])
    wait_until(lambda: os.path.exists(address[len("unix:path="):]), 10, "the session bus")
    session.env["DBUS_SESSION_BUS_ADDRESS"] = address
    return address


def bus_name_owned(session, name):
    result = session._quiet(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                             "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner", f"string:{name}"])
    return "boolean true" in result.stdout


def stop_all(session, bus):
    """Stops the session, then checks that every process that ran with its bus has
    ended: the bus daemons, the accessibility bus and its registry included."""
    session.stop()
    if bus is None:
        return
    left = []

    def gone():
        left[:] = processes_using(bus)
        return not left

    try:
        wait_until(gone, 10, "the session's processes to end")
    except Exception:
        raise AssertionError(f"processes left running after the session: {left}") from None


class ScreenReader(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = XSession(tray=False)
        cls.bus = None
        try:
            cls.session.start()
            cls.bus = start_session_bus(cls.session)
            cls.session.spawn("at-spi-bus-launcher", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
            wait_until(lambda: bus_name_owned(cls.session, "org.a11y.Bus"), 20, "the accessibility bus")
            conf = os.path.join(cls.session.home, ".config", "Corvane")
            os.makedirs(conf)
            with open(os.path.join(conf, "Ramtidy.conf"), "w") as f:
                f.write("[Ramtidy]\nWindows%20Startup=On\nMinimized=Off\nOftenIndex=2\nStartStopState=On\n")
            cls.session.start_at_logon(BINARY)
            cls.session.start_app(BINARY, {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
            cls.session.find_window()

            # This process reads the same buses: the library finds the accessibility
            # bus through the session bus when it is first used.
            os.environ.update(DBUS_SESSION_BUS_ADDRESS=cls.bus, DISPLAY=cls.session.display,
                              XDG_RUNTIME_DIR=cls.session.env["XDG_RUNTIME_DIR"])
            os.environ.pop("AT_SPI_BUS_ADDRESS", None)
            # pyatspi's own calls use deprecated library functions.
            warnings.filterwarnings("ignore", category=DeprecationWarning)
            import pyatspi
            from gi.repository import Atspi, GLib
            cls.pyatspi, cls.Atspi, cls.GLib = pyatspi, Atspi, GLib
            cls.app = None

            def registered():
                desktop = pyatspi.Registry.getDesktop(0)
                for i in range(desktop.childCount):
                    app = desktop.getChildAtIndex(i)
                    if app is not None and (app.name or "").lower() == "ramtidy":
                        cls.app = app
                        return True
                return False

            wait_until(registered, 20, "the program on the accessibility bus")
            cls.app.set_cache_mask(Atspi.Cache.NONE)  # every read asks the program
            # Ready once the first refresh and the first tick have run.
            wait_until(lambda: cls.find_all(pyatspi.ROLE_LABEL, r"Total RAM: \d+")
                       and any(bar.queryValue().currentValue > 0 for bar in cls.find_all(pyatspi.ROLE_PROGRESS_BAR)),
                       20, "the RAM panel and the countdown")
        except BaseException:
            stop_all(cls.session, cls.bus)
            raise

    @classmethod
    def tearDownClass(cls):
        assert processes_using(cls.bus), "the check for processes left running sees nothing"
        stop_all(cls.session, cls.bus)

    @classmethod
    def find_all(cls, role, name=None):
        found = []

        def walk(node, depth):
            if node is None or depth > 12:
                return
            if node.getRole() == role and (name is None or re.fullmatch(name, node.name or "")):
                found.append(node)
            for i in range(node.childCount):
                walk(node.getChildAtIndex(i), depth + 1)

        walk(cls.app, 0)
        return found

    def find(self, role, name=None):
        found = self.find_all(role, name)
        self.assertEqual(len(found), 1, f"one {role} named {name!r}, found {[n.name for n in found]}")
        return found[0]

    def state(self, node, state):
        return node.getState().contains(state)

    def act(self, node, *names):
        action = node.queryAction()
        for i in range(action.nActions):
            if action.getName(i) in names:
                self.assertTrue(action.doAction(i))
                return
        self.fail(f"{node.name!r} has none of the actions {names}")

    def wait_for_announcement(self, role, prefix, timeout=10):
        """Waits for a name-change event of a control of `role` whose new name starts
        with `prefix`, as a screen reader receives it."""
        heard = []
        listener = self.Atspi.EventListener.new(
            lambda event: heard.append((event.source.getRole(), event.source.name or "")))
        listener.register("object:property-change:accessible-name")
        context = self.GLib.MainContext.default()
        try:
            deadline = time.monotonic() + timeout
            while time.monotonic() < deadline:
                while context.iteration(False):
                    pass
                if any(r == role and name.startswith(prefix) for r, name in heard):
                    return
                time.sleep(0.02)
        finally:
            listener.deregister("object:property-change:accessible-name")
        self.fail(f"no {role} renamed to {prefix!r}...; heard {heard[:10]}")

    def test_button_name_follows_its_caption(self):
        p = self.pyatspi
        button = self.find(p.ROLE_PUSH_BUTTON, r"Turn (On|Off) Auto Free")
        self.assertEqual(button.name, "Turn Off Auto Free")  # auto free is on
        self.act(button, "Press")
        wait_until(lambda: button.name == "Turn On Auto Free", 10, "the button's name to follow the click")
        self.act(button, "Press")
        wait_until(lambda: button.name == "Turn Off Auto Free", 10, "the button's name to follow the click")
        self.assertEqual(len(self.find_all(p.ROLE_PUSH_BUTTON)), 6)

    def test_status_line_counts_down_and_is_announced(self):
        p = self.pyatspi
        bar = self.find(p.ROLE_PROGRESS_BAR, "Progress to the next free")
        status = bar.parent
        self.assertEqual(status.getRole(), p.ROLE_PANEL)

        def remaining():
            match = re.fullmatch(r"Next free will occur in (\d\d):(\d\d):(\d\d)", status.name)
            self.assertIsNotNone(match, status.name)
            h, m, s = map(int, match.groups())
            return h * 3600 + m * 60 + s

        first = remaining()
        wait_until(lambda: remaining() < first, 10, "the countdown to go on")
        # A screen reader hears of each new status line without asking for it.
        self.wait_for_announcement(p.ROLE_PANEL, "Next free will occur in ")

        # The bar's value is the time gone of the 10-minute interval.
        value = bar.queryValue()
        self.assertEqual(value.maximumValue, 600)
        self.assertTrue(0 <= value.currentValue <= 600, value.currentValue)
        before = value.currentValue
        wait_until(lambda: bar.queryValue().currentValue > before, 10, "the bar's value to grow")

    def test_ram_figures_are_numbers(self):
        p = self.pyatspi
        with open("/proc/meminfo") as f:
            total_kib = int(re.search(r"^MemTotal:\s+(\d+) kB", f.read(), re.M).group(1))
        total = self.find(p.ROLE_LABEL, r"Total RAM: \d+")
        self.assertEqual(int(total.name.split(": ")[1]), total_kib)
        free = int(self.find(p.ROLE_LABEL, r"Free RAM: \d+").name.split(": ")[1])
        used = int(self.find(p.ROLE_LABEL, r"Used RAM: \d+").name.split(": ")[1])
        self.assertTrue(0 < free < total_kib and 0 < used < total_kib, (free, used))

        # Taking 64 MiB changes the figures; the change is announced.
        ballast = bytearray(64 << 20)
        for i in range(0, len(ballast), 4096):
            ballast[i] = 1
        try:
            self.wait_for_announcement(p.ROLE_LABEL, "Free RAM: ")
        finally:
            del ballast

    def test_return_presses_the_focused_button(self):
        wid = self.session.find_window()
        log = os.path.join(self.session.home, ".local", "state", "Corvane", "Ramtidy.txt")
        before = os.path.getsize(log) if os.path.exists(log) else 0
        for name in ("Turn Off Auto Free", re.escape("Free Memory Now (Test)")):  # after the list in the tab order
            self.session.press("Tab", [wid])
            button = self.find(self.pyatspi.ROLE_PUSH_BUTTON, name)
            wait_until(lambda: self.state(button, self.pyatspi.STATE_FOCUSED), 10, f"Tab to reach {name}")
        self.session.press("Return", [wid])
        wait_until(lambda: os.path.exists(log) and os.path.getsize(log) > before, 10, "a line in the history log")

    def test_selected_row(self):
        p = self.pyatspi
        tree = self.find(p.ROLE_TREE, re.escape("How often would you like to free memory?"))
        table = tree.queryTable()
        self.assertEqual(table.nRows, 11)
        self.assertEqual(list(table.getSelectedRows()), [1])
        self.assertEqual(table.getAccessibleAt(1, 0).name, "Free every 10 minutes")

    def test_check_boxes(self):
        p = self.pyatspi
        startup = self.find(p.ROLE_CHECK_BOX, "Load this software on Windows startup")
        minimized = self.find(p.ROLE_CHECK_BOX, "Minimized to system tray")
        self.assertTrue(self.state(startup, p.STATE_CHECKED))
        self.assertTrue(self.state(startup, p.STATE_SHOWING))
        self.assertTrue(self.state(minimized, p.STATE_SHOWING))
        self.assertFalse(self.state(minimized, p.STATE_CHECKED))
        self.act(minimized, "Toggle", "Press")
        wait_until(lambda: self.state(minimized, p.STATE_CHECKED), 10, "the box to read as ticked")
        self.act(minimized, "Toggle", "Press")
        wait_until(lambda: not self.state(minimized, p.STATE_CHECKED), 10, "the box to read as unticked")


if __name__ == "__main__":
    unittest.main(verbosity=2)
