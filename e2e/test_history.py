#!/usr/bin/env python3
"""The free, the history commands and the interval list, clicked on the real window."""
import os
import re
import resource
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import XSession, wait_until  # noqa: E402

BINARY = os.environ["RAMTIDY_BIN"]
HERE = os.path.dirname(os.path.abspath(__file__))
SYSTEM_PYTHON = "/usr/bin/python3"  # Debian's, with python3-xlib
ARTIFACTS = os.environ.get("RAMTIDY_ARTIFACTS", "e2e-artifacts")

# Centres of the controls in client coordinates (logical pixels).
FREE_NOW = (400, 309)
COPY = (400, 343)
CLEAR = (400, 377)
FIRST_ROW = (100, 153)


class History(unittest.TestCase):
    def test_free_copy_clear_and_choose(self):
        with XSession() as session:
            temp = os.path.join(session.scratch, "temp")
            os.makedirs(temp)
            log = os.path.join(temp, "Ramtidy.txt")
            os.makedirs(os.path.join(session.home, ".config", "Corvane"))  # a FIFO where a lock would be blocks nothing
            os.mkfifo(os.path.join(session.home, ".config", "Corvane", "Ramtidy.conf.lock"))
            app = session.start_app(BINARY, {"TEMP": temp, "LANG": "en_US.UTF-8", "LC_ALL": "en_US.UTF-8"})
            wid = session.find_window()

            def click(point):
                session.xdotool("mousemove", "--window", wid, str(point[0]), str(point[1]), "click", "1")

            click(FREE_NOW)
            wait_until(lambda: os.path.exists(log), 10, "the history log")
            with open(log, "rb") as f:
                text = f.read()
            self.assertRegex(text.decode(), r"^RAM Memory was freed at \d{1,2}/\d{1,2}/\d{4} "
                                            r"\d{1,2}:\d{2}:\d{2} [AP]M\r\n$")

            click(COPY)

            def clipboard():
                result = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=session.env,
                                        capture_output=True, timeout=10)
                return result.stdout

            wait_until(lambda: clipboard() == text, 10, "the log's text on the clipboard")

            click(FIRST_ROW)
            conf = os.path.join(session.home, ".config", "Corvane", "Ramtidy.conf")
            wait_until(lambda: os.path.exists(conf) and "OftenIndex=1\n" in open(conf).read(), 10,
                       "OftenIndex=1 in the settings file")
            with open(conf) as f:
                self.assertTrue(f.read().startswith("[Ramtidy]\n"))

            click(CLEAR)
            dialog = []

            def question():
                out = session._quiet(["xdotool", "search", "--onlyvisible", "--name", "^Ramtidy$"]).stdout.split()
                dialog[:] = [w for w in out if w != wid]
                return bool(dialog)

            wait_until(question, 10, "the question before clearing")
            session.screenshot(os.path.join(ARTIFACTS, "clear-question.png"))
            session.press("Return", dialog)  # Yes is the default answer
            wait_until(lambda: not os.path.exists(log), 10, "the log to be deleted")
            app.send_signal(signal.SIGTERM)
            self.assertEqual(app.wait(5), 0)


    def test_copy_survives_closing_with_a_clipboard_manager(self):
        with XSession() as session:
            manager = session.spawn("clipboard-manager", [SYSTEM_PYTHON, os.path.join(HERE, "clipboard_manager.py")])
            wait_until(lambda: "ready" in session.log_of("clipboard-manager"), 10, "the clipboard manager")
            temp = os.path.join(session.scratch, "temp")
            os.makedirs(temp)
            with open(os.path.join(temp, "Ramtidy.txt"), "wb") as f:
                f.write(b"RAM Memory was freed at 12/6/2026 5:30:12 PM\r\n")
            app = session.start_app(BINARY, {"TEMP": temp})
            wid = session.find_window()
            session.xdotool("mousemove", "--window", wid, str(COPY[0]), str(COPY[1]), "click", "1")
            time.sleep(0.5)
            app.terminate()
            self.assertEqual(app.wait(10), 0)
            result = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=session.env,
                                    capture_output=True, timeout=10)
            self.assertEqual(result.stdout, b"RAM Memory was freed at 12/6/2026 5:30:12 PM\r\n")
            self.assertIsNone(manager.poll())

    def test_free_past_the_file_size_limit_is_told_and_takes_its_line_back(self):
        with XSession() as session:
            log, before = os.path.join(session.scratch, "Ramtidy.txt"), b"x" * 8170 + b"\r\n"  # 20 bytes short
            with open(log, "wb") as f:
                f.write(before)
            hard = resource.getrlimit(resource.RLIMIT_FSIZE)[1]  # ulimit -f 8:
            app = session.start_app(BINARY, {"TEMP": session.scratch},
                                    preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (8192, hard)))
            session.xdotool("mousemove", "--window", session.find_window(), *map(str, FREE_NOW), "click", "1")
            session.find_window("^Application Error$")
            self.assertIsNone(app.poll())
            with open(log, "rb") as f:
                self.assertEqual(f.read(), before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
