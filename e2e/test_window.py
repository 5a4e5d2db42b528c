#!/usr/bin/env python3
"""The real program on a real X server: its main window, and its start without a display."""
import os
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import XSession  # noqa: E402

BINARY = os.environ["RAMTIDY_BIN"]
ARTIFACTS = os.environ.get("RAMTIDY_ARTIFACTS", "e2e-artifacts")


class MainWindow(unittest.TestCase):
    def test_window_appears_with_its_client_area(self):
        with XSession() as session:
            started = time.monotonic()
            session.start_app(BINARY)
            wid = session.find_window()
            mapped_after = time.monotonic() - started
            info = session.window_info(wid)
            self.assertEqual((info["Width"], info["Height"]), ("536", "399"))
            self.assertEqual(info["Map State"], "IsViewable")
            self.assertEqual(session.xdotool("getwindowname", wid).strip(), "Ramtidy")
            # The RAM panel refreshes: give it a few ticks, then keep the picture.
            time.sleep(1.0)
            shot = session.screenshot(os.path.join(ARTIFACTS, "main-window.png"))
            self.assertGreater(os.path.getsize(shot), 1000)
            print(f"window mapped after {mapped_after:.2f} s; screenshot {shot}")
            self.assertNotIn("QPainter", session.app_log())

    def test_no_display_gives_one_clear_line(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        result = subprocess.run([BINARY], env=env, capture_output=True, text=True, timeout=20)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout, "")
        lines = result.stderr.strip().splitlines()
        self.assertEqual(len(lines), 1, result.stderr)
        self.assertIn("no graphical display", lines[0])

    def test_command_line_is_answered_without_a_display(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        # (arguments, exit status, text expected on stdout, text expected on the one stderr line)
        rows = [
            (["--help"], 0, "--version", None),
            (["--version"], 0, "ramtidy ", None),
            (["--bogus"], 2, None, "'bogus'"),
            (["-platform", "offscreen"], 2, None, "'platform'"),
            (["file.txt"], 2, None, "'file.txt'"),
        ]
        for arguments, status, out, err in rows:
            with self.subTest(arguments=arguments):
                result = subprocess.run([BINARY, *arguments], env=env, capture_output=True, text=True, timeout=20)
                self.assertEqual(result.returncode, status, result.stderr)
                if out is not None:
                    self.assertIn(out, result.stdout)
                    self.assertEqual(result.stderr, "")
                else:
                    self.assertEqual(result.stdout, "")
                    lines = result.stderr.splitlines()
                    self.assertEqual(len(lines), 1, result.stderr)
                    self.assertTrue(lines[0].startswith("ramtidy: "), lines[0])
                    self.assertIn(err, lines[0])

    def test_unreachable_display_gives_one_clear_line(self):
        env = dict(os.environ, DISPLAY=":189")
        env.pop("QT_QPA_PLATFORM", None)
        env.pop("WAYLAND_DISPLAY", None)
        result = subprocess.run([BINARY], env=env, capture_output=True, text=True, timeout=20)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.strip(), 'ramtidy: cannot connect to the X display ":189"')

    def test_sigterm_ends_a_start_that_blocks(self):
        # A FIFO as the settings file: start-up must not wait on it, and SIGTERM ends it at once.
        with XSession() as session:
            os.makedirs(os.path.join(session.home, ".config", "Corvane"))
            os.mkfifo(os.path.join(session.home, ".config", "Corvane", "Ramtidy.conf"))
            app = session.start_app(BINARY)
            time.sleep(1.5)
            app.send_signal(signal.SIGTERM)
            app.wait(2)

if __name__ == "__main__":
    unittest.main(verbosity=2)
