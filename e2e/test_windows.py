#!/usr/bin/env python3
"""Ramtidy for Windows, end to end: the installer `make windows` makes, run silently under
Wine in a fresh prefix, on a private X server with a tray host; the installed program
used, then uninstalled. What they write is read back from Wine's own registry (reg.exe)
and files."""
import glob
import os
import re
import shutil
import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import XSession, tray_owner, wait_until  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SETUP = os.environ.get("RAMTIDY_WINDOWS_SETUP", "")
ARTIFACTS = os.environ.get("RAMTIDY_ARTIFACTS", "e2e-artifacts")
SKIN = os.path.join(HERE, "..", "packaging", "skin", "o.cjs")
SETTINGS = r"HKCU\Software\VB and VBA Program Settings\Corvane\Ramtidy"
RUN = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"
PROGRAM = r"C:\Program Files\Ramtidy\ramtidy.exe"
UNINSTALLER = r"C:\Program Files\Ramtidy\uninstall.exe"
UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ramtidy"

# Centres of the controls in client coordinates. The list's rows sit a few pixels lower
# than on Linux: Windows' header is taller.
AUTO_FREE = (136, 309)
FREE_NOW = (400, 309)
FIRST_ROW = (100, 159)
CHECK4 = (147, 268)
BUTTON_FACE = (20, 309)  # left of the auto-free button's caption


@unittest.skipUnless(SETUP, "RAMTIDY_WINDOWS_SETUP names the installer `make windows` makes")
class OnWine(unittest.TestCase):
    def reg(self, key, value):
        """The data of a string value as reg.exe reads it, or None."""
        out = subprocess.run(["wine", "reg", "query", key, "/v", value], env=self.env, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True, timeout=60).stdout
        found = re.search(r"REG_SZ\s+(.*)", out)
        return found.group(1).strip() if found else None

    def pixel(self, session, wid, point):
        out = subprocess.run(["import", "-window", wid, "-depth", "8", "-crop", f"1x1+{point[0]}+{point[1]}", "txt:-"],
                             env=session.env, stdout=subprocess.PIPE, text=True, timeout=20).stdout
        return tuple(int(v) for v in re.search(r"\((\d+),(\d+),(\d+)", out).groups())

    def viewable(self, session, small):
        """(x, y, width, height) of a viewable window in the screen's bottom right: Wine's docked tray
        icon when `small`, else its balloon; or None."""
        for wid in session._quiet(["xdotool", "search", "--onlyvisible", "--name", ""]).stdout.split():
            info = session.window_info(wid)
            box = tuple(int(info.get(k, 0)) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width",
                                                        "Height"))
            if info.get("Map State") == "IsViewable" and box[0] > 640 and box[1] > 400 \
                    and (box[2] <= 64 and box[3] <= 64 and box[1] > 700 if small else 64 < box[2] < 640):
                return box
        return None

    def test_the_program_on_wine(self):
        # The tray host is tint2: in trayer, Wine's docked icon window often got no pointer event at all
        # (traced with WINEDEBUG=+systray: no WM_MOUSEMOVE, not even for a synthetic event).
        with XSession(tray=False) as session:
            session.spawn("tint2", ["tint2"])
            wait_until(lambda: tray_owner(session.display) != 0, 20, "the tray host")
            prefix = os.path.join(session.scratch, "wine")
            subprocess.run(["bash", os.path.join(HERE, "..", "packaging", "windows", "new-prefix.sh"), prefix],
                           check=True, timeout=300)
            self.env = dict(session.env, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
            folder = os.path.join(prefix, "drive_c", "Program Files", "Ramtidy")
            menu = os.path.join(prefix, "drive_c", "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs",
                                "Ramtidy.lnk")
            subprocess.run(["wine", SETUP, "/S"], env=self.env, check=True, timeout=300)
            wait_until(lambda: os.path.exists(os.path.join(folder, "uninstall.exe")), 60, "the installer")
            installed = sorted(os.listdir(folder))
            self.assertTrue(os.path.exists(menu))
            self.assertEqual(self.reg(UNINSTALL, "UninstallString"), f'"{UNINSTALLER}"')
            os.makedirs(os.path.join(folder, "x"))
            shutil.copy(SKIN, os.path.join(folder, "x", "o.cjs"))
            session.spawn("ramtidy", ["wine", PROGRAM], env=self.env)
            wid = session.find_window(timeout=120)
            self.assertEqual(session.xdotool("getwindowname", wid).strip(), "Ramtidy")
            session.screenshot(os.path.join(ARTIFACTS, "windows-window.png"))

            # The skin beside the program is worn: its button face, a gradient from #3f7fa8 down to
            # #2b5f85. (Not its selection colour: Windows' own style draws selected rows from the
            # system's theme, whatever a skin gives.)
            wait_until(lambda: all(low - 8 <= c <= high + 8 for c, low, high in zip(
                self.pixel(session, wid, BUTTON_FACE), (0x2B, 0x5F, 0x85), (0x3F, 0x7F, 0xA8))), 20, "the skin's colours")

            def click(point):
                # Wine takes a click only once the pointer has entered its window and it has the focus.
                session.xdotool("windowactivate", "--sync", wid)
                session.xdotool("mousemove", "--window", wid, str(point[0]), str(point[1]))
                time.sleep(0.3)
                session.xdotool("click", "1")

            # A free: one CR LF line in Wine's %TEMP%.
            click(FREE_NOW)
            logs = lambda: glob.glob(os.path.join(prefix, "drive_c", "users", "*", "Temp", "Ramtidy.txt"))  # noqa
            wait_until(lambda: logs() and Path(logs()[0]).read_bytes().endswith(b"\r\n"), 20, "the history line")
            self.assertRegex(Path(logs()[0]).read_bytes(), rb"^RAM Memory was freed at [^\r\n]+\r\n$")

            # The choices go to the registry as string values.
            click(FIRST_ROW)
            wait_until(lambda: self.reg(SETTINGS, "OftenIndex") == "1", 20, "OftenIndex in the registry")
            click(AUTO_FREE)
            wait_until(lambda: self.reg(SETTINGS, "StartStopState") is not None, 20, "StartStopState")
            self.assertIn(self.reg(SETTINGS, "StartStopState"), ("On", "Off"))

            # Start at logon: the Run value, and gone again.
            click(CHECK4)
            wait_until(lambda: self.reg(RUN, "ramtidy.exe") == f'"{PROGRAM}"', 20, "the Run value")
            self.assertEqual(self.reg(SETTINGS, "Windows Startup"), "On")
            click(CHECK4)
            wait_until(lambda: self.reg(RUN, "ramtidy.exe") is None, 20, "the Run value to go")
            click(CHECK4)  # left ticked, for the uninstaller to take away
            wait_until(lambda: self.reg(RUN, "ramtidy.exe") == f'"{PROGRAM}"', 20, "the Run value")

            # Minimized, the window hides in the tray; a click on the icon brings it back.
            wait_until(lambda: self.viewable(session, small=True), 20, "the icon in the tray")
            session.xdotool("windowminimize", wid)
            wait_until(lambda: session.window_info(wid).get("Map State") != "IsViewable", 20, "the window to hide")
            session.screenshot(os.path.join(ARTIFACTS, "windows-hidden.png"))
            # Wine draws the one-time balloon over the icon; the click is meant for the icon.
            wait_until(lambda: not self.viewable(session, small=False), 60, "the balloon to go")
            x, y, width, height = self.viewable(session, small=True)
            session.xdotool("mousemove", str(x + width // 2), str(y + height // 2))
            time.sleep(0.3)
            session.xdotool("click", "1")
            wait_until(lambda: session.window_info(wid).get("Map State") == "IsViewable", 20, "the window to return")
            session.screenshot(os.path.join(ARTIFACTS, "windows-restored.png"))

            # The uninstaller takes nothing while the program runs and cannot be deleted: it
            # asks, and a silent one gives up.
            subprocess.run(["wine", UNINSTALLER, "/S", r"_?=C:\Program Files\Ramtidy"], env=self.env, timeout=120)
            self.assertEqual(sorted(os.listdir(folder)), sorted(installed + ["x"]))
            self.assertEqual(self.reg(RUN, "ramtidy.exe"), f'"{PROGRAM}"')

            # Uninstalled: the program, its files, its Start menu entry and its Run value go;
            # the user's choices and skin stay.
            subprocess.run(["wine", "taskkill", "/f", "/im", "ramtidy.exe"], env=self.env, timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["wine", UNINSTALLER, "/S"], env=self.env, check=True, timeout=120)
            wait_until(lambda: not os.path.exists(os.path.join(folder, "uninstall.exe")), 60, "the uninstaller")
            self.assertEqual(os.listdir(folder), ["x"])
            self.assertFalse(os.path.exists(menu))
            self.assertIsNone(self.reg(RUN, "ramtidy.exe"))
            self.assertIsNone(self.reg(UNINSTALL, "UninstallString"))
            self.assertEqual(self.reg(SETTINGS, "OftenIndex"), "1")


if __name__ == "__main__":
    unittest.main()
