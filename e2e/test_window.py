#!/usr/bin/env python3
"""The real program on a real X server: its main window, and its start without a display."""
import collections
import os
import shutil
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import XSession, wait_until  # noqa: E402

BINARY = os.environ["RAMTIDY_BIN"]
ARTIFACTS = os.environ.get("RAMTIDY_ARTIFACTS", "e2e-artifacts")
# The window's texts (x, y, width, height): frame titles, RAM figures, bar, check box, list, buttons.
TEXTS = [(10, 8, 200, 14), (10, 71, 200, 14), (10, 240, 200, 14), (24, 90, 140, 14), (185, 90, 140, 14),
         (344, 90, 140, 14), (30, 31, 476, 19), (44, 260, 200, 17), (11, 128, 200, 107)] + \
        [(x, y, 246, 17) for x in (13, 277) for y in (301, 335, 369)]
# qt6ct's schemes: name, selection colour, base (a check box's inside).
SCHEMES = (("darker", (18, 96, 138), (61, 61, 61)), ("dusk", (48, 140, 198), (127, 127, 127)))


def luminance(c):
    linear = [v / 3294.6 if v <= 10 else ((v / 255 + 0.055) / 1.055) ** 2.4 for v in c]
    return 0.2126 * linear[0] + 0.7152 * linear[1] + 0.0722 * linear[2]


def band_contrasts(pixel, x, y, w, h):
    """For each band of 6 lines or more of the area that share a background (slowly shading, as a header's
    does), the WCAG contrast of its strongest pixel against its line's background."""
    bands, last = [], -1
    for line in range(y, y + h):
        row = [luminance(pixel(column, line)) for column in range(x, x + w)]
        background = collections.Counter(row).most_common(1)[0][0]
        if abs(background - last) > 0.03:
            bands.append([])
        bands[-1] += [(max(v, background) + 0.05) / (min(v, background) + 0.05) for v in set(row)]
        last = background
    return [max(band) for band in bands if len(band) >= 6]


def indicator_contrasts(pixel, x, y):
    """The check box's indicator within the 18x17 area at (x, y), whose corner is what is behind it: the WCAG
    contrast of the indicator (its edge or its inside) against that, and of its tick against its inside."""
    behind = pixel(x, y)
    spots = [(i, j) for i in range(x, x + 18) for j in range(y, y + 17) if pixel(i, j) != behind]
    left, right = min(i for i, _ in spots), max(i for i, _ in spots)
    top, bottom = min(j for _, j in spots), max(j for _, j in spots)
    inner = [pixel(i, j) for i in range(left + 2, right - 1) for j in range(top + 2, bottom - 1)]
    fill = collections.Counter(inner).most_common(1)[0][0]
    edge = [pixel(i, j) for i, j in spots if i in (left, right) or j in (top, bottom)]
    contrast = lambda a, b: (max(luminance(a), luminance(b)) + 0.05) / (min(luminance(a), luminance(b)) + 0.05)  # noqa
    return max(contrast(c, behind) for c in edge + [fill]), max(contrast(c, fill) for c in inner)


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

    def test_window_larger_than_the_screen_keeps_its_title_bar_on_it(self):
        for scale, screen in (("2", "1280x800x24"), ("1.5", "640x480x24")):
            with self.subTest(scale=scale), XSession(screen=screen) as session:
                session.start_app(BINARY, {"QT_SCALE_FACTOR": scale, "TEMP": session.scratch})
                wid = session.find_window()
                frame = ["xprop", "-id", wid, "_NET_FRAME_EXTENTS"]
                wait_until(lambda: "=" in session._quiet(frame).stdout, 10, "the window manager's frame")
                left, right, top, bottom = map(int, session._quiet(frame).stdout.partition("=")[2].split(","))
                info = {k: int(v) for k, v in session.window_info(wid).items() if v.lstrip("-").isdigit()}
                x, y = info["Absolute upper-left X"], info["Absolute upper-left Y"]
                width, height = map(int, screen[:-3].split("x"))  # the whole window on it: the layout scrolls inside
                self.assertTrue(0 <= x - left and x + info["Width"] + right <= width, info)
                self.assertTrue(0 <= y - top and y + info["Height"] + bottom <= height, info)
                if scale == "2":  # Tab from the list past five buttons and a box to "Clear History Log" scrolls it into
                    [session.press("Tab", [wid]) for _ in range(7)]  # view: a click at its centre asks its question
                    session.xdotool("mousemove", "--sync", str(x + 800), str(y + info["Height"] - 44))
                    session.screenshot(os.path.join(ARTIFACTS, "scale2-scrolled.png"))
                    session.xdotool("click", "1")
                    wait_until(lambda: len(session.xdotool("search", "--onlyvisible", "--name", "^Ramtidy$").split())
                               == 2, 10, "the question of Clear History Log")

    def test_dark_schemes_of_a_platform_theme(self):
        """qt6ct's schemes, at start and changed while running: every text readable, also under a skin written for
        a light desktop, which keeps its colours."""
        for skinned in (False, True):
            with self.subTest(skinned=skinned), XSession(tray=False) as session:
                binary = shutil.copy(BINARY, session.scratch)  # a program folder of its own, for the skin
                if skinned:
                    os.makedirs(os.path.join(session.scratch, "x"))
                    shutil.copy(os.environ["RAMTIDY_SAMPLE_SKIN"], os.path.join(session.scratch, "x", "o.cjs"))
                session.start_at_logon(binary)  # a ticked box, and beside it an unticked one
                conf = os.path.join(session.home, ".config", "qt6ct", "qt6ct.conf")
                os.makedirs(os.path.dirname(conf))
                for step, (scheme, highlight, base) in enumerate(SCHEMES + SCHEMES[:1]):
                    with open(conf + "~", "w") as f:
                        f.write(f"[Appearance]\ncustom_palette=true\n"
                                f"color_scheme_path=/usr/share/qt6ct/colors/{scheme}.conf\n")
                    os.replace(conf + "~", conf)  # saved as an editor does
                    if step == 0:
                        session.start_app(binary, {"QT_QPA_PLATFORMTHEME": "qt6ct", "TEMP": session.scratch})
                        wid = session.find_window()
                    shot = []
                    pixel = lambda x, y: tuple(shot[0][(y * 536 + x) * 3:][:3])  # noqa: E731
                    near = lambda a, b: max(abs(p - q) for p, q in zip(a, b)) < 8  # noqa: E731

                    def taken():  # the scheme has reached the window: the selected row, or under the skin a check box
                        shot[:] = [subprocess.run(["import", "-window", wid, "-depth", "8", "rgb:-"], env=session.env,
                                                  capture_output=True, timeout=20).stdout]
                        return near(pixel(302, 268), base) if skinned else near(pixel(300, 167), highlight)
                    wait_until(taken, 15, f"the {scheme} scheme on the selected row, or on a skinned check box")
                    session.screenshot(os.path.join(ARTIFACTS, f"scheme-{step}-{scheme}{'-skin' * skinned}.png"))
                    if skinned:  # and the skin's own selection colour
                        self.assertTrue(near(pixel(300, 167), (0x1a, 0x6f, 0x68)), f"{scheme}: {pixel(300, 167)}")
                    for area in TEXTS:
                        bands = band_contrasts(pixel, *area)
                        self.assertTrue(bands and min(bands) >= 4.5, f"{scheme} {area}: {bands}")
                    # Each indicator stands out from what is beside it; the tick from its indicator.
                    (ticked, tick), (unticked, _) = (indicator_contrasts(pixel, x, 260) for x in (21, 292))
                    self.assertTrue(min(ticked, unticked, tick) >= 3, f"{scheme}: {ticked}, {unticked}, {tick}")

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
            (["--help"], 0, "A free does not release memory that any program holds.", None),
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

    def test_signals_the_parent_left(self):
        # A FIFO as the settings file: start-up must not wait on it, and its error box holds the start. SIGTERM ends
        # the program cleanly even when the parent left it blocked or ignored; a SIGHUP left ignored (nohup) stays so.
        def mask(pid, name):
            with open(f"/proc/{pid}/status") as f:
                return int(next(line for line in f if line.startswith(name + ":")).split()[1], 16)
        for blocked, ignored in ((signal.SIGTERM, None), (None, signal.SIGTERM), (None, signal.SIGHUP)):
            with self.subTest(blocked=blocked, ignored=ignored), XSession() as session:
                os.makedirs(os.path.join(session.home, ".config", "Corvane"))
                os.mkfifo(os.path.join(session.home, ".config", "Corvane", "Ramtidy.conf"))
                app = session.start_app(BINARY, preexec_fn=lambda: (
                    blocked and signal.pthread_sigmask(signal.SIG_BLOCK, {blocked}),
                    ignored and signal.signal(ignored, signal.SIG_IGN)))
                session.find_window("^Application Error$")
                wait_until(lambda: mask(app.pid, "SigCgt") >> (signal.SIGTERM - 1) & 1, 10, "SIGTERM's handler")
                self.assertEqual(mask(app.pid, "SigIgn") >> (signal.SIGHUP - 1) & 1, int(ignored == signal.SIGHUP))
                for number in (ignored, signal.SIGTERM) if ignored == signal.SIGHUP else (signal.SIGTERM,):
                    app.send_signal(number)
                self.assertEqual(app.wait(10), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
