#!/usr/bin/env python3
"""The tray icon on a real XEmbed tray host: minimize to the tray and restore."""
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_sni import install_themed_icon  # noqa: E402
from xsession import SessionError, XSession, wait_until  # noqa: E402

BINARY = os.environ["RAMTIDY_BIN"]
ARTIFACTS = os.environ.get("RAMTIDY_ARTIFACTS", "e2e-artifacts")
CLASS = "ramtidy"


def windows_of_class(session, cls):
    """(wid, x, y, w, h) of every window of the program's class."""
    found = []
    for wid in session._quiet(["xdotool", "search", "--class", cls]).stdout.split():
        geometry = {}
        for line in session._quiet(["xdotool", "getwindowgeometry", "--shell", wid]).stdout.splitlines():
            key, _, value = line.partition("=")
            geometry[key] = int(value) if value.lstrip("-").isdigit() else value
        if "WIDTH" in geometry:
            found.append((wid, geometry["X"], geometry["Y"], geometry["WIDTH"], geometry["HEIGHT"]))
    return found


def tray_icon(session):
    """The embedded icon: a small window of the program's class inside the tray host."""
    icons = [w for w in windows_of_class(session, CLASS) if w[3] <= 64 and w[4] <= 64
             and session.window_info(w[0]).get("Map State") == "IsViewable"]
    return icons[0] if icons else None


def balloons(session, main_wid):
    """Visible windows of the program's class larger than an icon, other than the main window."""
    return [w for w in windows_of_class(session, CLASS)
            if w[0] != main_wid and w[3] > 64 and session.window_info(w[0]).get("Map State") == "IsViewable"]


class Tray(unittest.TestCase):
    def map_state(self, session, wid):
        return session.window_info(wid).get("Map State")

    def start_with_icon(self, session):
        """The program started, its window shown and its icon in the tray."""
        app = session.start_app(BINARY, {"TEMP": session.scratch})
        wid = session.find_window()
        wait_until(lambda: tray_icon(session) is not None, 10, "the icon in the tray")
        return app, wid

    def hide_in_tray(self, session, wid):
        session.xdotool("windowminimize", wid)
        # Hidden by the program (withdrawn), not only iconified by the window manager.
        try:
            wait_until(lambda: self.map_state(session, wid) == "IsUnMapped"
                       and "Iconic" not in self.wm_state(session, wid), 10, "the window to hide in the tray")
        except SessionError as e:  # which half failed: the desktop's minimize, or our hide
            raise SessionError(f"{e}: {self.map_state(session, wid)}, {self.wm_state(session, wid).strip()}") from e

    def test_minimize_restore_cycles(self):
        with XSession() as session:
            session.start_app(BINARY, {"TEMP": session.scratch})
            wid = session.find_window()
            wait_until(lambda: tray_icon(session) is not None, 10, "the icon in the tray")
            icon = tray_icon(session)
            # Below the centre: the balloon's arrow points at the icon's centre, a pixel or two
            # short of it, and a click on the arrow is a click on the balloon.
            cx, cy = icon[1] + icon[3] // 2, icon[2] + icon[4] * 3 // 4

            def click(button):
                session.xdotool("mousemove", str(cx), str(cy), "click", str(button))

            session.xdotool("windowminimize", wid)
            wait_until(lambda: self.map_state(session, wid) == "IsUnMapped", 10, "the window to hide")
            wait_until(lambda: balloons(session, wid), 10, "the balloon")
            session.screenshot(os.path.join(ARTIFACTS, "tray-balloon.png"))

            click(1)
            wait_until(lambda: self.map_state(session, wid) == "IsViewable", 10, "the window back (left)")
            active = lambda: session._quiet(["xdotool", "getactivewindow"]).stdout.strip()  # noqa: E731
            wait_until(lambda: active() == wid, 10, "the window to take the focus")
            # Shown but under another window: the click brings it up with the focus too.
            session.spawn("xmessage", ["xmessage", "-name", "other", "-center", "another window " * 20])
            other = session.find_window("^other$")
            session.xdotool("windowactivate", other)
            wait_until(lambda: active() == other, 10, "the other window to take the focus")
            click(1)
            wait_until(lambda: active() == wid, 10, "the window to take the focus back")

            session.xdotool("windowminimize", wid)
            wait_until(lambda: self.map_state(session, wid) == "IsUnMapped", 10, "the window to hide again")
            time.sleep(0.5)
            self.assertEqual(balloons(session, wid), [], "a second balloon in the same run")

            click(3)
            wait_until(lambda: self.map_state(session, wid) == "IsViewable", 10, "the window back (right)")

            for cycle in range(20):
                session.xdotool("windowminimize", wid)
                wait_until(lambda: self.map_state(session, wid) == "IsUnMapped", 10, f"hidden, cycle {cycle}")
                click(1 if cycle % 2 == 0 else 3)
                wait_until(lambda: self.map_state(session, wid) == "IsViewable", 10, f"shown, cycle {cycle}")
                # Shown means shown: not minimized again behind our back.
                time.sleep(0.15)
                self.assertEqual(self.map_state(session, wid), "IsViewable", f"re-minimized, cycle {cycle}")

    def test_start_hidden_in_tray(self):
        with XSession() as session:
            install_themed_icon(session.home)  # the XEmbed tray is given the drawn one: no image plugin
            conf = os.path.join(session.home, ".config", "Corvane")
            os.makedirs(conf)
            with open(os.path.join(conf, "Ramtidy.conf"), "w") as f:
                f.write("[Ramtidy]\nWindows%20Startup=On\nMinimized=On\n")
            session.start_at_logon(BINARY)
            session.start_app(BINARY, {"TEMP": session.scratch})
            wait_until(lambda: tray_icon(session) is not None, 10, "the icon in the tray")
            wait_until(lambda: balloons(session, None), 10, "the balloon")
            visible = session._quiet(["xdotool", "search", "--onlyvisible", "--name", "^Ramtidy$"]).stdout.split()
            self.assertEqual(visible, [], "the window showed at start")
            icon = tray_icon(session)
            # Below the balloon's arrow, as in test_minimize_restore_cycles.
            session.xdotool("mousemove", str(icon[1] + icon[3] // 2), str(icon[2] + icon[4] * 3 // 4), "click", "1")
            wid = session.find_window(timeout=10)
            info = session.window_info(wid)
            self.assertEqual((info["Width"], info["Height"]), ("536", "399"))
            time.sleep(0.3)
            self.assertEqual(self.map_state(session, wid), "IsViewable", "minimized again after the restore")
            self.assertFalse(open(f"/proc/{dict(session.processes)['ramtidy'].pid}/maps").read().count("imageformats"))

    def test_closing_ends_the_program_and_takes_the_icon_away(self):
        with XSession() as session:
            app, wid = self.start_with_icon(session)
            session.xdotool("windowactivate", wid)
            session.press("alt+F4", [wid])  # the window manager's close
            self.assertEqual(app.wait(10), 0)
            # The X server may take a moment after the exit to let go of the windows.
            wait_until(lambda: tray_icon(session) is None, 3, "the icon to leave the tray")

    def write_settings(self, session, text):
        conf = os.path.join(session.home, ".config", "Corvane")
        os.makedirs(conf, exist_ok=True)
        with open(os.path.join(conf, "Ramtidy.conf"), "w") as f:
            f.write(text)

    def wm_state(self, session, wid):
        return session._quiet(["xprop", "-id", wid, "WM_STATE"]).stdout

    def test_tray_host_after_start_takes_the_window(self):
        with XSession(tray=False) as session:
            self.write_settings(session, "[Ramtidy]\nWindows%20Startup=On\nMinimized=On\n")
            session.start_at_logon(BINARY)
            session.start_app(BINARY, {"TEMP": session.scratch})
            # No tray yet: minimized where the desktop keeps minimized windows.
            wid = None

            def iconic_window():
                nonlocal wid
                for candidate in session._quiet(["xdotool", "search", "--name", "^Ramtidy$"]).stdout.split():
                    if "Iconic" in self.wm_state(session, candidate):
                        wid = candidate
                        return True
                return False

            wait_until(iconic_window, 10, "the window minimized at start")
            time.sleep(3)
            session.start_tray()
            wait_until(lambda: tray_icon(session) is not None, 10, "the icon in the tray")
            wait_until(lambda: self.map_state(session, wid) == "IsUnMapped"
                       and "Iconic" not in self.wm_state(session, wid), 10, "the window to move into the tray")
            icon = tray_icon(session)

            def pointing_at_icon():
                # Near the icon at the bottom right, not at the screen's corner.
                return any(abs(b[1] + b[3] / 2 - icon[1]) < 400 and b[2] > 400 for b in balloons(session, wid))

            wait_until(pointing_at_icon, 5, "the balloon pointing at the icon")

    def test_tray_host_lost_while_hidden_brings_the_window_back(self):
        with XSession() as session:
            _, wid = self.start_with_icon(session)
            self.hide_in_tray(session, wid)
            session.kill_tray()
            wait_until(lambda: self.map_state(session, wid) == "IsViewable", 10, "the window back on screen")

    def test_sigterm_while_hidden_closes_cleanly(self):
        with XSession() as session:
            app, wid = self.start_with_icon(session)
            self.hide_in_tray(session, wid)
            app.terminate()
            self.assertEqual(app.wait(10), 0)
            # The X server may take a moment after the exit to let go of the windows.
            wait_until(lambda: tray_icon(session) is None, 3, "the icon to leave the tray")

    def test_without_tray_host_minimize_keeps_window_iconified(self):
        with XSession(tray=False) as session:
            session.start_app(BINARY, {"TEMP": session.scratch})
            wid = session.find_window()
            session.xdotool("windowminimize", wid)
            wait_until(lambda: self.map_state(session, wid) == "IsUnMapped", 10, "the window to iconify")
            # Iconified by the window manager, not withdrawn by us: WM_STATE stays Iconic.
            state = session._quiet(["xprop", "-id", wid, "WM_STATE"]).stdout
            self.assertIn("Iconic", state)


if __name__ == "__main__":
    unittest.main(verbosity=2)
