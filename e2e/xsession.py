#!/usr/bin/env python3
"""A private X desktop for end-to-end runs: Xvfb, a window manager and an XEmbed tray host.

Every process it starts is stopped again by PID, each within a bounded time.
"""
import ctypes
import ctypes.util
import os
import shutil
import signal
import subprocess
import tempfile
import time


class SessionError(RuntimeError):
    pass


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return
        time.sleep(0.05)
    raise SessionError(f"timed out after {timeout} s waiting for {what}")


def free_display():
    for n in range(90, 190):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
            return f":{n}"
    raise SessionError("no free X display number between :90 and :189")


def tray_owner(display):
    """The window owning the system-tray selection of screen 0, or 0."""
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XGetSelectionOwner.restype = ctypes.c_ulong
    x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    handle = x11.XOpenDisplay(display.encode())
    if not handle:
        return 0
    try:
        return x11.XGetSelectionOwner(handle, x11.XInternAtom(handle, b"_NET_SYSTEM_TRAY_S0", 0))
    finally:
        x11.XCloseDisplay(handle)


class XSession:
    def __init__(self, tray=True, window_manager=True, detach=False, screen="1280x800x24"):
        self.screen = screen
        self.tray = tray
        self.window_manager = window_manager
        self.detach = detach  # leave the processes running after this script ends
        self.processes = []  # (name, Popen), in start order
        self.scratch = tempfile.mkdtemp(prefix="ramtidy-e2e-")
        self.display = free_display()
        self.home = os.path.join(self.scratch, "home")
        os.makedirs(self.home)
        runtime = os.path.join(self.scratch, "runtime")
        os.makedirs(runtime, mode=0o700)
        self.env = dict(os.environ)
        for name in ("DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "TEMP",
                     "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"):
            self.env.pop(name, None)
        # Machine-wide autostart entries go to a scratch folder, never to /etc/xdg.
        self.config_dirs = os.path.join(self.scratch, "xdg")
        os.makedirs(os.path.join(self.config_dirs, "autostart"))
        # A default web browser, as a desktop has: about one start in a hundred opens the home page,
        # and with none an error box would cover the window.
        data = os.path.join(self.scratch, "data")
        os.makedirs(os.path.join(data, "applications"))
        with open(os.path.join(data, "applications", "browser.desktop"), "w") as f:
            f.write("[Desktop Entry]\nType=Application\nName=B\nExec=true %u\nMimeType=x-scheme-handler/https;\n")
        with open(os.path.join(self.config_dirs, "mimeapps.list"), "w") as f:
            f.write("[Default Applications]\nx-scheme-handler/https=browser.desktop\n")
        self.env.update(DISPLAY=self.display, HOME=self.home, XDG_RUNTIME_DIR=runtime, XDG_CONFIG_DIRS=self.config_dirs,
                        XDG_DATA_DIRS=data + ":" + os.environ.get("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))

    # -- lifetime ---------------------------------------------------------

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()

    def spawn(self, name, argv, env=None, **kwargs):
        with open(os.path.join(self.scratch, f"{name}.log"), "wb") as log:
            process = subprocess.Popen(argv, env=env or self.env, stdin=subprocess.DEVNULL, stdout=log,
                                       stderr=subprocess.STDOUT, start_new_session=self.detach, **kwargs)
        self.processes.append((name, process))
        return process

    def _quiet(self, argv):
        return subprocess.run(argv, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              timeout=10, text=True)

    def start(self):
        if os.environ.get("RAMTIDY_E2E_WATCH") and os.environ.get("DISPLAY"):
            # The same private desktop, shown in a window on the caller's display to watch a run.
            if shutil.which("Xephyr") is None:
                raise SessionError("RAMTIDY_E2E_WATCH needs Xephyr (Debian package xserver-xephyr)")
            self.spawn("xvfb", ["Xephyr", self.display, "-screen", self.screen, "-nolisten", "tcp", "-noreset"],
                       env=dict(self.env, DISPLAY=os.environ["DISPLAY"]))
        else:
            self.spawn("xvfb", ["Xvfb", self.display, "-screen", "0", self.screen, "-nolisten", "tcp", "-noreset"])
        wait_until(lambda: self._quiet(["xdpyinfo"]).returncode == 0, 20, "Xvfb")
        if self.window_manager:
            self.spawn("openbox", ["openbox", "--sm-disable"])
            wait_until(lambda: "window id" in self._quiet(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]).stdout,
                       20, "the window manager")
        if self.tray:
            self.start_tray()

    def start_tray(self):
        """Starts the tray host and waits until it owns the tray selection."""
        tray = self.spawn("trayer", ["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "request",
                                     "--height", "24", "--SetDockType", "true", "--SetPartialStrut", "true",
                                     "--transparent", "false"])
        wait_until(lambda: tray_owner(self.display) != 0, 20, "the tray host")
        return tray

    def kill_tray(self):
        """Ends the tray host at once, as a crashing panel does."""
        for name, process in self.processes:
            if name == "trayer" and process.poll() is None:
                process.kill()
                process.wait(5)
        wait_until(lambda: tray_owner(self.display) == 0, 10, "the tray host to go")

    def stop(self):
        """Stops everything started here, newest first."""
        for name, process in reversed(self.processes):
            self.stop_process(process)
        self.processes.clear()
        shutil.rmtree(self.scratch, ignore_errors=True)

    @staticmethod
    def stop_process(process, timeout=5):
        if process.poll() is not None:
            return
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout)

    # -- the program --------------------------------------------------------

    def start_app(self, binary, extra_env=None, **kwargs):
        env = dict(self.env)
        env.update(extra_env or {})
        return self.spawn("ramtidy", [binary], env=env, **kwargs)

    def start_at_logon(self, program):
        """A machine-wide entry that starts `program` at logon: the box shows it, not the stored choice."""
        with open(os.path.join(self.config_dirs, "autostart", "ramtidy.desktop"), "w") as f:
            f.write(f'[Desktop Entry]\nType=Application\nName=Ramtidy\nExec="{program}"\n')

    def app_log(self):
        return self.log_of("ramtidy")

    def log_of(self, name):
        with open(os.path.join(self.scratch, f"{name}.log"), "rb") as log:
            return log.read().decode(errors="replace")

    def find_window(self, name="^Ramtidy$", timeout=20):
        found = []

        def visible():
            result = self._quiet(["xdotool", "search", "--onlyvisible", "--name", name])
            found[:] = result.stdout.split()
            return bool(found)

        wait_until(visible, timeout, f"a visible window named {name}")
        return found[0]

    def xdotool(self, *args):
        result = self._quiet(["xdotool", *args])
        if result.returncode != 0:
            raise SessionError(f"xdotool {' '.join(args)} failed")
        return result.stdout

    def press(self, key, windows):
        """Types a key once one of `windows` has the focus. The key goes through the
        X server like a real one, so the window manager sees its own bindings."""
        wait_until(lambda: self._quiet(["xdotool", "getactivewindow"]).stdout.strip() in windows, 10,
                   "the window to take the focus")
        self.xdotool("key", key)

    def window_info(self, wid):
        """xwininfo's fields of a window, e.g. {'Width': '536', 'Map State': 'IsViewable'}."""
        out = self._quiet(["xwininfo", "-id", str(wid)]).stdout
        info = {}
        for line in out.splitlines():
            key, sep, value = line.strip().partition(":")
            if sep:
                info[key.strip()] = value.strip()
        return info

    def screenshot(self, path):
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        subprocess.run(["import", "-window", "root", path], env=self.env, check=True, timeout=20,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path
