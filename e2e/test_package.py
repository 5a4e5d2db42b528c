#!/usr/bin/env python3
"""The Debian package: it resolves against the system's packages, and, unpacked into
a scratch root, the installed program starts through
its bin/ link, finds the files beside its real binary, and its desktop entry names
an icon that the theme folders hold."""
import configparser
import os
import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xsession import XSession  # noqa: E402

DEB = os.environ["RAMTIDY_DEB"]
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        raise AssertionError(f"{path} is not a PNG file")
    return struct.unpack(">II", head[16:24])


def apt(*args):  # apt's complaints go to the test's output
    subprocess.run(["apt-get", "-y", "-o", "DPkg::Lock::Timeout=120", *args], check=True, stdout=subprocess.DEVNULL,
                   timeout=300, env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))


class InstalledPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="ramtidy-root-")
        subprocess.run(["dpkg-deb", "-x", DEB, cls.root], check=True, timeout=60)
        cls.usr = os.path.join(cls.root, "usr")
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(os.path.join(cls.usr, "share/applications/org.corvane.Ramtidy.desktop"), encoding="utf-8")
        cls.entry = entry["Desktop Entry"]

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def test_dependencies_resolve(self):
        # A simulation only, planned with or without the package installed (--reinstall).
        result = subprocess.run(["apt-get", "install", "--simulate", "--reinstall", "--no-install-recommends", DEB],
                                capture_output=True, text=True, timeout=120,
                                env=dict(os.environ, LC_ALL="C.UTF-8"))
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("Inst ramtidy ", result.stdout)

    def test_removal_takes_the_autostart_entry_that_starts_it_and_no_other(self):
        entry = pathlib.Path("/etc/xdg/autostart/ramtidy.desktop")
        saved = entry.read_bytes() if entry.exists() else None
        self.addCleanup(lambda: entry.write_bytes(saved) if saved is not None else entry.unlink(missing_ok=True))
        # The package as it was: an installed version comes back from its own files (dpkg-repack).
        installed = subprocess.run(["dpkg-query", "-W", "-f=${Status}", "ramtidy"], capture_output=True, text=True)
        if "ok installed" in installed.stdout:
            kept = tempfile.mkdtemp(prefix="ramtidy-installed-")
            self.addCleanup(shutil.rmtree, kept)
            subprocess.run(["dpkg-repack", "ramtidy"], cwd=kept, check=True, capture_output=True, timeout=120)
            self.addCleanup(apt, "install", "--reinstall", "--allow-downgrades", *pathlib.Path(kept).glob("*.deb"))
        else:
            self.addCleanup(apt, "purge", "ramtidy")
        for program, stays in (("/opt/other/ramtidy", True), ("/usr/lib/ramtidy/ramtidy", False)):
            apt("install", "--reinstall", "--no-install-recommends", DEB)
            entry.write_text(f'[Desktop Entry]\nType=Application\nName=Ramtidy\nExec="{program}"\n')
            apt("remove", "ramtidy")
            self.assertEqual(entry.exists(), stays, program)

    def test_starts_through_its_link_and_finds_its_files(self):
        command = self.entry["Exec"].split()[0]
        link = os.path.join(self.usr, "bin", command)
        self.assertTrue(os.path.islink(link), f"{link} is not a link")
        with XSession() as session:
            process = session.start_app(link)
            wid = session.find_window()
            self.assertEqual(session.window_info(wid)["Map State"], "IsViewable")
            # The program folder is the real binary's, as the program sees it.
            program = os.readlink(f"/proc/{process.pid}/exe")
            self.assertEqual(program, os.path.realpath(os.path.join(self.usr, "lib/ramtidy/ramtidy")))
            cursor = os.path.join(os.path.dirname(program), "HAND-M.CUR")
            self.assertTrue(os.path.isfile(cursor), f"no hover cursor beside the program: {cursor}")
            # A dock finds the entry, and so its icon, by the window's class.
            wm_class = session._quiet(["xprop", "-id", wid, "WM_CLASS"]).stdout
            self.assertEqual(wm_class.split("=", 1)[1].split(",")[1].strip().strip('"'),
                             self.entry["StartupWMClass"])
            self.assertNotIn("QPainter", session.app_log())

    def test_icon_named_by_the_entry_is_installed(self):
        name = self.entry["Icon"]
        hicolor = os.path.join(self.usr, "share/icons/hicolor")
        for size in ICON_SIZES:
            with self.subTest(size=size):
                self.assertEqual(png_size(os.path.join(hicolor, f"{size}x{size}/apps/{name}.png")), (size, size))
        svg = ET.parse(os.path.join(hicolor, f"scalable/apps/{name}.svg")).getroot()
        self.assertEqual(svg.tag, "{http://www.w3.org/2000/svg}svg")
        metainfo = ET.parse(os.path.join(self.usr, f"share/metainfo/{name}.metainfo.xml")).getroot()
        self.assertEqual(metainfo.findtext("id"), name)
        self.assertEqual(metainfo.findtext("launchable"), f"{name}.desktop")


if __name__ == "__main__":
    unittest.main(verbosity=2)
