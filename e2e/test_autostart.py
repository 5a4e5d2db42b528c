#!/usr/bin/env python3
"""Start at logon on a real desktop: the entry the check box writes, read and launched
the way a desktop session does (GLib), from a program folder with awkward characters."""
import os
import pathlib
import re
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


def stored(session):
    return "" if not (path := pathlib.Path(session.home, ".config/Corvane/Ramtidy.conf")).exists() else path.read_text()


def click(session, wid, point, stored_after):
    """Clicks a box once it is drawn and the pointer is over it, and waits for the click to be stored."""
    def drawn():  # the caption's line holds text, not one colour
        line = session._quiet(["import", "-window", wid, "-crop", f"120x1+{point[0] - 60}+{point[1]}", "txt:-"])
        return len(set(re.findall(r"#[0-9A-F]{6}", line.stdout))) > 1

    def pointer_over():
        session.xdotool("mousemove", "--window", wid, *map(str, point))
        at, window = session.xdotool("getmouselocation", "--shell").split(), session.window_info(wid)
        return at[:2] == [f"{axis}={int(window[f'Absolute upper-left {axis}']) + p}" for axis, p in zip("XY", point)]

    wait_until(drawn, 30, "the window to draw the box")
    wait_until(pointer_over, 10, "the pointer over the box")
    session.xdotool("click", "1")
    if stored_after:  # a refused click is told first, in a box that waits for the user
        wait_until(lambda: f"Windows%20Startup={stored_after}" in stored(session), 10, f"the click to store {stored_after}")


def unused_id():
    """An id no account or group has: the program runs as a stranger, and nothing is left behind."""
    import grp
    import pwd
    taken = {u.pw_uid for u in pwd.getpwall()} | {g.gr_gid for g in grp.getgrall()}
    return next(i for i in range(64000, 65000) if i not in taken)


USER = unused_id()
AS_USER = ["setpriv", f"--reuid={USER}", f"--regid={USER}", "--clear-groups", "--inh-caps=-all"]


def dex_starts(session, env, program):
    """How many times Debian's autostart runner would start `program` in this session (as i3 does)."""
    return subprocess.run(AS_USER + ["dex", "-a", "-d"], env=env, capture_output=True, text=True).stdout.count(program)


def dex_runs_alone(env, desktop, program):
    """Whether dex, autostarting for `desktop` as a session of the freedesktop rules, runs `program`
    with no argument (it refuses every one)."""
    out = subprocess.run(["dex", "-a", "-d", "-e", desktop], env=env, capture_output=True, text=True).stdout
    return f"Executing command: {program}" in out.splitlines()


class Autostart(unittest.TestCase):
    def test_tick_writes_an_entry_that_starts_this_program_after_an_upgrade_and_untick_removes_it(self):
        with XSession() as session:
            # No "%": GLib looks the program up before it turns "%%" back into "%".
            folder = os.path.join(session.scratch, 'odd $dir `x` "q" \\b')
            os.makedirs(folder)
            program = os.path.join(folder, "ramtidy")
            shutil.copy2(BINARY, program)
            os.makedirs(os.path.join(session.home, ".config", "Corvane"))
            pathlib.Path(session.home, ".config", "Corvane", "Ramtidy.conf").write_text("[Ramtidy]\nWindows%20Startup=On\n")
            process = session.start_app(program, {"TEMP": session.scratch})
            wid = session.find_window()
            # The box shows the entry, not the stored word: the click, not start-up, writes the next one.
            os.remove(os.path.join(session.home, ".config", "Corvane", "Ramtidy.conf"))
            # Upgraded while it runs, as dpkg does: the new file beside the old one, renamed over it.
            shutil.copy2(BINARY, program + ".dpkg-new")
            os.rename(program + ".dpkg-new", program)
            self.assertTrue(os.readlink(f"/proc/{process.pid}/exe").endswith(" (deleted)"))

            # The machine-wide folder is writable here (a scratch one), so the entry goes there.
            entry = os.path.join(session.config_dirs, "autostart", "ramtidy.desktop")
            click(session, wid, CHECK4, "On")
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

            click(session, wid, CHECK4, "Off")
            wait_until(lambda: not os.path.exists(entry), 10, "the entry to go")
            # Check8 is hidden again: a click where it stood changes no setting.
            session.xdotool("mousemove", "--window", wid, *map(str, CHECK8), "click", "1")
            time.sleep(0.3)
            with open(os.path.join(session.home, ".config", "Corvane", "Ramtidy.conf")) as f:
                self.assertNotIn("Minimized=On", f.read())

    def test_a_user_unticks_the_entry_root_wrote_and_a_removed_program_is_skipped(self):
        with XSession() as session:
            os.chmod(session.scratch, 0o755)  # the program and the machine-wide folder, for the user too
            program = shutil.copy2(BINARY, session.scratch)
            pathlib.Path(session.config_dirs, "autostart", "ramtidy.desktop").write_text(  # as root
                f'[Desktop Entry]\nType=Application\nName=Ramtidy\nExec="{program}"\n')
            for folder in (session.home, session.env["XDG_RUNTIME_DIR"]):
                shutil.chown(folder, USER, USER)
            session.spawn("ramtidy", AS_USER + [program], env=dict(session.env, TEMP=session.home))
            entry = pathlib.Path(session.home, ".config", "autostart", "ramtidy.desktop")
            wid = session.find_window()
            for hidden in (True, False):  # untick root's entry, which starts it for this user too; tick again
                click(session, wid, CHECK4, "Off" if hidden else "On")
                wait_until(lambda: entry.exists() and ("Hidden=true" in entry.read_text()) == hidden, 10, "the entry")
                self.assertEqual(dex_starts(session, session.env, program), 0 if hidden else 1)
            os.remove(program)  # as removing the package leaves the entry
            self.assertEqual(dex_starts(session, session.env, program), 0)

    def test_the_box_shows_what_the_session_starts_and_a_click_changes_it(self):
        with XSession() as session:
            os.chmod(session.scratch, 0o755)
            program = shutil.copy2(BINARY, session.scratch)
            autostart, store = (pathlib.Path(session.home, ".config/autostart"), pathlib.Path(session.scratch, "store"))
            xubuntu = f"{session.scratch}/xdg-xubuntu:{session.config_dirs}"
            entry = f'[Desktop Entry]\nType=Application\nName=Ramtidy\nExec="{program}"\n'
            cases = [  # where the entry is, its text, XDG_CONFIG_DIRS; a click the session cannot take leaves it
                ("env", autostart, f"[Desktop Entry]\nType=Application\nName=R\nExec=env FOO=1 {program}\n", None),
                ("Xubuntu", pathlib.Path(session.config_dirs, "autostart"), entry, xubuntu),
                ("Hidden=1", autostart, entry + "Hidden=1\n", None),
                ("home-manager", store, entry, None)]
            for name, folder, text, dirs in cases:
                with self.subTest(name):
                    shutil.rmtree(session.home)
                    for path in (autostart, store, pathlib.Path(session.config_dirs, "autostart")):
                        shutil.rmtree(path, ignore_errors=True)
                        path.mkdir(parents=True)
                    pathlib.Path(folder, "ramtidy.desktop").write_text(text)
                    if folder == store:  # the user's own link to root's read-only copy
                        os.chmod(pathlib.Path(store, "ramtidy.desktop"), 0o444)
                        os.symlink(pathlib.Path(store, "ramtidy.desktop"), pathlib.Path(autostart, "ramtidy.desktop"))
                    subprocess.run(["chown", "-hR", f"{USER}:{USER}", session.home, session.env["XDG_RUNTIME_DIR"]],
                                   check=True)
                    env = dict(session.env, TEMP=session.home, XDG_CONFIG_DIRS=dirs or session.config_dirs)
                    starts = dex_starts(session, env, program)
                    app = session.spawn("ramtidy", AS_USER + [program], env=env)
                    click(session, session.find_window(), CHECK4,
                          None if folder == store else "Off" if starts else "On")  # the box showed what dex says
                    if folder == store:  # the untick is refused, with where to change it
                        wait_until(lambda: len(session._quiet(["xdotool", "search", "--onlyvisible", "--name",
                                                               "^Ramtidy$"]).stdout.split()) == 2, 10, "the box")
                    self.assertEqual(dex_starts(session, env, program), starts if folder == store else 1 - starts)
                    session.stop_process(app)

    def test_the_box_reads_generated_entries_as_xfce_does_and_a_click_flips_what_it_starts(self):
        with XSession() as session:
            program = shutil.copy2(BINARY, session.scratch)
            autostart = pathlib.Path(session.home, ".config/autostart")
            autostart.mkdir(parents=True)
            env = dict(session.env, TEMP=session.scratch, XDG_CURRENT_DESKTOP="XFCE")
            # Keys xfce4-session and dex read alike; GNOME's switch neither reads.
            keys = [["", "OnlyShowIn=GNOME;\n", "OnlyShowIn=XFCE;GNOME;\n"], ["", "NotShowIn=XFCE;\n"],
                    ["", "Hidden=true\n"], ["", "X-GNOME-Autostart-enabled=false\n"],
                    ["", "TryExec=/nonexistent\n"],
                    [f'Exec="{program}"\n', f"Exec={program} --minimized\n", "Exec=/usr/bin/sleep 5\n"]]
            # Every key's every value on an entry that otherwise starts the program (the first values).
            cases = [[0] * len(keys)] + [[int(k == at) * v for k in range(len(keys))]
                                         for at, values in enumerate(keys) for v in range(1, len(values))]
            for case in cases:
                text = "[Desktop Entry]\nType=Application\nName=R\n" + "".join(
                    values[v] for values, v in zip(keys, case))
                with self.subTest(text):
                    pathlib.Path(autostart, "ramtidy.desktop").write_text(text)
                    starts = dex_runs_alone(env, "XFCE", program)
                    shutil.rmtree(pathlib.Path(session.home, ".config/Corvane"), ignore_errors=True)  # the last click's
                    app = session.spawn("ramtidy", [program], env=env)
                    try:  # the box showed dex's answer, and the click turns it round
                        click(session, session.find_window(), CHECK4, "Off" if starts else "On")
                        self.assertEqual(dex_runs_alone(env, "XFCE", program), not starts)
                    finally:
                        session.stop_process(app)


if __name__ == "__main__":
    unittest.main(verbosity=2)
