#!/usr/bin/env python3
"""The real program on a real X server: its main window, and its start without a display."""
import collections
import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import XSession, wait_until  # noqa: E402

BINARY = os.environ["RAMTIDY_BIN"]
ARTIFACTS = os.environ.get("RAMTIDY_ARTIFACTS", "e2e-artifacts")
# Where the window's texts are (x, y, width, height): the frame titles, the RAM figures, the bar,
# the check box, the list (header and rows) and the six buttons.
TEXTS = [(10, 8, 200, 14), (10, 71, 200, 14), (10, 240, 200, 14), (24, 90, 140, 14), (185, 90, 140, 14),
         (344, 90, 140, 14), (30, 31, 476, 19), (44, 260, 200, 17), (11, 128, 200, 107)] + \
        [(x, y, 246, 17) for x in (13, 277) for y in (301, 335, 369)]


def contrast(a, b):
    def luminance(c):
        linear = [v / 255 / 12.92 if v <= 10 else ((v / 255 + 0.055) / 1.055) ** 2.4 for v in c]
        return 0.2126 * linear[0] + 0.7152 * linear[1] + 0.0722 * linear[2]
    dark, light = sorted((luminance(a), luminance(b)))
    return (light + 0.05) / (dark + 0.05)


def band_contrasts(pixel, x, y, w, h):
    """The area's lines grouped into bands of one background (which may shade slowly, as a header's
    does); for each band of 6 lines or more, the strongest contrast of a pixel against its line's background."""
    bands, last = [], None
    for line in range(y, y + h):
        row = [pixel(column, line) for column in range(x, x + w)]
        background = collections.Counter(row).most_common(1)[0][0]
        if last is None or max(abs(a - b) for a, b in zip(background, last)) > 24:
            bands.append([0, 1.0])
        bands[-1][0] += 1
        bands[-1][1] = max(bands[-1][1], max(contrast(p, background) for p in set(row)))
        last = background
    return [c for n, c in bands if n >= 6]


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
                extents = []
                wait_until(lambda: extents.extend(session._quiet(["xprop", "-id", wid, "_NET_FRAME_EXTENTS"])
                                                  .stdout.partition("=")[2].split(",")) or extents, 10, "the frame")
                info = session.window_info(wid)
                self.assertEqual(info["Width"], str(round(536 * float(scale))))  # the size is kept
                self.assertGreaterEqual(int(info["Absolute upper-left X"]) - int(extents[0]), 0)
                self.assertGreaterEqual(int(info["Absolute upper-left Y"]) - int(extents[2]), 0)

    def test_dark_schemes_of_a_platform_theme(self):
        """qt6ct's schemes, at start and changed while running: every text readable, a skin kept."""
        for skinned in (False, True):
            with self.subTest(skinned=skinned), XSession(tray=False) as session:
                binary = BINARY
                if skinned:  # a program folder of its own, with the sample skin
                    binary = shutil.copy(BINARY, session.scratch)
                    os.makedirs(os.path.join(session.scratch, "x"))
                    shutil.copy(os.environ["RAMTIDY_SAMPLE_SKIN"], os.path.join(session.scratch, "x", "o.cjs"))
                conf = os.path.join(session.home, ".config", "qt6ct")
                os.makedirs(conf)
                for step, (scheme, highlight, face) in enumerate((("darker", (18, 96, 138), (66, 66, 69)),
                                                                   ("dusk", (48, 140, 198), (127, 127, 127)),
                                                                   ("darker", (18, 96, 138), (66, 66, 69)))):
                    with open(os.path.join(conf, "new"), "w") as f:
                        f.write(f"[Appearance]\ncustom_palette=true\n"
                                f"color_scheme_path=/usr/share/qt6ct/colors/{scheme}.conf\n")
                    os.replace(os.path.join(conf, "new"), os.path.join(conf, "qt6ct.conf"))  # as an editor saves
                    if step == 0:
                        session.start_app(binary, {"QT_QPA_PLATFORMTHEME": "qt6ct", "TEMP": session.scratch})
                        wid = session.find_window()
                    shot = []

                    def pixel(x, y):
                        return tuple(shot[0][(y * 536 + x) * 3:(y * 536 + x) * 3 + 3])

                    def near(a, b):
                        return max(abs(x - y) for x, y in zip(a, b)) < 8

                    def taken():  # the scheme has reached the window: the selected row, or the skin's face
                        shot[:] = [subprocess.run(["import", "-window", wid, "-depth", "8", "rgb:-"], env=session.env,
                                                  capture_output=True, timeout=20).stdout]
                        return near(pixel(4, 4), face) if skinned else near(pixel(300, 167), highlight)
                    wait_until(taken, 15, f"the {scheme} scheme on the selected row, or on a skinned window's face")
                    session.screenshot(os.path.join(ARTIFACTS, f"scheme-{step}-{scheme}{'-skin' * skinned}.png"))
                    if skinned:  # the skin's selection colour stays
                        self.assertTrue(near(pixel(300, 167), (0x2f, 0xa3, 0x9a)), f"{scheme}: {pixel(300, 167)}")
                        continue
                    for area in TEXTS:
                        bands = band_contrasts(pixel, *area)
                        self.assertTrue(bands and min(bands) >= 4.5, f"{scheme} {area}: {bands}")

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


if __name__ == "__main__":
    unittest.main(verbosity=2)
