#!/usr/bin/env python3
"""Start at logon on a real desktop: the entry the check box writes, read and launched
the way a desktop session does (GLib), from a program folder with awkward characters."""
import os
import pathlib
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import XSession, wait_until  # noqa: E402

import gi  # noqa: E402
gi.require_version("Gio", "2.0")
from gi.repository import Gio  # noqa: E402

BINARY = os.environ["RAMTIDY_BIN"]
CHECK4 = (147, 268)  # client coordinates of "Load this software on Windows startup"
CHECK8 = (381, 268)


def pids_running(path):
    """PIDs whose executable is `path`."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.readlink(f"/proc/{pid}/exe") == path:
                found.append(int(pid))
        except OSError:
            pass
    return found


class Autostart(unittest.TestCase):
    def test_tick_writes_an_entry_that_starts_this_program_and_untick_removes_it(self):
        with XSession() as session:
            # No "%": GLib looks the program up before it turns "%%" back into "%".
            folder = os.path.join(session.scratch, 'odd $dir `x` "q" \\b')
            os.makedirs(folder)
            program = os.path.join(folder, "ramtidy")
            shutil.copy2(BINARY, program)
            session.start_app(program, {"TEMP": session.scratch})
            wid = session.find_window()

            def click(point):
                session.xdotool("mousemove", "--window", wid, str(point[0]), str(point[1]), "click", "1")

            # The machine-wide folder is writable here (a scratch one), so the entry goes there.
            entry = os.path.join(session.config_dirs, "autostart", "ramtidy.desktop")
            click(CHECK4)
            wait_until(lambda: os.path.exists(entry), 10, "the autostart entry")
            check8 = session._quiet(["xdotool", "search", "--onlyvisible", "--name", "^Ramtidy$"]).stdout
            self.assertTrue(check8)
            validate = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
            self.assertEqual(validate.returncode, 0, validate.stdout + validate.stderr)

            # Launched as a desktop session launches it: the same binary starts.
            info = Gio.DesktopAppInfo.new_from_filename(entry)
            self.assertIsNotNone(info)
            self.assertEqual(info.get_name(), "Ramtidy")
            context = Gio.AppLaunchContext()
            for name, value in session.env.items():
                context.setenv(name, value)
            before = set(pids_running(program))
            self.assertTrue(info.launch([], context))
            wait_until(lambda: set(pids_running(program)) - before, 10, "the program started from the entry")
            launched = set(pids_running(program)) - before
            for pid in launched:
                os.kill(pid, 15)
            # Gone before the next click, which must reach the first window, not this one.
            wait_until(lambda: not launched & set(pids_running(program)), 10, "the launched copy to end")

            click(CHECK4)
            wait_until(lambda: not os.path.exists(entry), 10, "the entry to go")
            with open(os.path.join(session.home, ".config", "Corvane", "Ramtidy.conf")) as f:
                settings = f.read()
            self.assertIn("Windows%20Startup=Off", settings)
            # Check8 is hidden again: a click where it stood changes no setting.
            click(CHECK8)
            time.sleep(0.3)
            with open(os.path.join(session.home, ".config", "Corvane", "Ramtidy.conf")) as f:
                self.assertNotIn("Minimized=On", f.read())

    def test_a_user_unticks_the_entry_root_wrote_and_a_removed_program_is_skipped(self):
        user = f"ramtidy-e2e-{os.getpid()}"
        subprocess.run(["useradd", "-M", "-s", "/usr/sbin/nologin", user], check=True)
        self.addCleanup(subprocess.run, ["userdel", user], check=True)
        with XSession() as session:
            os.chmod(session.scratch, 0o755)  # the program and the machine-wide folder, for the user too
            program = shutil.copy2(BINARY, session.scratch)
            pathlib.Path(session.config_dirs, "autostart", "ramtidy.desktop").write_text(  # as root
                f'[Desktop Entry]\nType=Application\nName=Ramtidy\nExec="{program}"\n')
            for folder in (session.home, session.env["XDG_RUNTIME_DIR"]):
                shutil.chown(folder, user)
            session.spawn("ramtidy", [program], env=dict(session.env, TEMP=session.home), user=user)
            entry = pathlib.Path(session.home, ".config", "autostart", "ramtidy.desktop")
            starts = lambda: subprocess.run(["dex", "-a", "-d"], env=session.env, user=user,  # noqa: E731 (as i3 does)
                                            capture_output=True, text=True).stdout.count(program)
            for hidden in (False, True, False):  # tick, untick, tick again
                session.xdotool("mousemove", "--window", session.find_window(), *map(str, CHECK4), "click", "1")
                wait_until(lambda: entry.exists() and ("Hidden=true" in entry.read_text()) == hidden, 10, "the entry")
                self.assertEqual(starts(), 0 if hidden else 1)
            os.remove(program)  # as removing the package leaves the entry
            self.assertEqual(starts(), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
