#!/usr/bin/env python3
"""Ramtidy's footprint beside the programs people use instead, and beside a bare Qt window.

On a private X desktop (Xvfb, openbox, trayer) each program is started in turn, in
interleaved rounds with the order rotated, each with a scratch HOME and TEMP and no session
bus. For each run:
  - start to map: from just before the fork to the MapNotify of its first normal window
    (for Ramtidy hidden in the tray: of its icon embedded in the tray host);
  - RSS, anonymous, PSS and USS memory (smaps_rollup) at --settle seconds after the start;
  - CPU (time on a CPU from schedstat, summed over threads) as a share of one core, and
    context switches (voluntary and involuntary, summed over all threads), over the
    following --seconds.
Everything the program forks is summed with it (found by parentage and by an environment tag,
so daemonized children count too). Every round names what a program launched beyond itself; for
Ramtidy and the bare window, which run alone, such a round (Ramtidy opens its maker's home page at
about one start in a hundred) is reported and left out of the figures. The opener is watched
through a stand-in for xdg-open first on PATH, which notes the call and runs the real one, so
nothing is kept from happening.

With --package, Ramtidy is measured as installed from that .deb (its icons in the icon theme
change start-up); the machine's packages are put back as they were afterwards. With --before,
a second Ramtidy binary (e.g. the last release's) is measured beside it, in the same rounds.

Peers missing from the machine are installed from Debian with apt-get (use --no-install to
skip them instead).

usage: footprint.py [--ramtidy build/ramtidy] [--bare build/bench/bare_qt_window]
                    [--package build/ramtidy_*.deb] [--before OTHER_RAMTIDY]
                    [--rounds 3] [--seconds 60] [--settle 10] [--markdown PATH] [--only a,b]
"""
import argparse
import datetime
import os
import platform
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from xsession import XSession  # noqa: E402

try:
    from Xlib import X, display as xdisplay, error as xerror
except ImportError:
    sys.exit("footprint.py needs python3-xlib: run it with /usr/bin/python3 (`make footprint` does)")

TAG = "RAMTIDY_FOOTPRINT_TAG"
LAUNCHES = "RAMTIDY_FOOTPRINT_LAUNCHES"  # the file the opener's stand-in notes its calls in
OPENERS = ["xdg-open"]
PAGE_KIB = os.sysconf("SC_PAGE_SIZE") // 1024

CONKY_CONFIG = """conky.config = {
    out_to_x = true,
    out_to_console = false,
    background = false,
    own_window = true,
    own_window_type = 'normal',
    own_window_class = 'Conky',
    own_window_title = 'conky',
    double_buffer = true,
    use_xft = true,
    font = 'Liberation Sans:size=10',
    update_interval = 0.4,
    minimum_width = 240,
    minimum_height = 80,
}
conky.text = [[
Total: ${memmax}
Free:  ${memeasyfree}
Used:  ${mem}
]]
"""


class Program:
    def __init__(self, key, label, argv, classes, settings=None, tray=False, package=None, files=None, bus=None,
                 alone=False):
        self.key = key
        self.label = label
        self.argv = argv
        self.classes = {c.lower() for c in classes}
        self.settings = settings  # text of $HOME/.config/Corvane/Ramtidy.conf
        self.tray = tray  # starts hidden: time the icon in the tray, not a window
        self.package = package  # Debian package that brings it
        self.files = files or {}  # path under HOME -> text
        self.bus = bus  # why it cannot run without a session bus; it then gets a private one
        self.alone = alone  # runs as one process: a round in which it launched another is left out


def ramtidy_modes(binary, suffix="", label=""):
    return [
        Program("countdown" + suffix, "Ramtidy, countdown running" + label, [binary], ["ramtidy"], alone=True),
        Program("autooff" + suffix, "Ramtidy, auto free off" + label, [binary], ["ramtidy"],
                settings="[Ramtidy]\nStartStopState=Off\n", alone=True),
        Program("tray" + suffix, "Ramtidy, hidden in the tray" + label, [binary], ["ramtidy"],
                settings="[Ramtidy]\nWindows%20Startup=On\nMinimized=On\n", tray=True, alone=True),
    ]


def programs(args):
    ramtidy = os.path.abspath(args.ramtidy)
    bare = os.path.abspath(args.bare)
    before = ramtidy_modes(os.path.abspath(args.before), "@before", " (before)") if args.before else []
    return ramtidy_modes(ramtidy, label=" (installed)" if args.package else "") + before + [
        Program("bare", "Bare Qt 6 window: countdown and bar every second, 3 labels at 400 ms, tray icon", [bare],
                ["bare_qt_window"], alone=True),
        Program("conky", "conky, memory every 0.4 s", ["conky", "-c", "{home}/conky.conf"], ["conky"],
                package="conky", files={"conky.conf": CONKY_CONFIG}),
        Program("lxtask", "lxtask", ["lxtask"], ["lxtask"], package="lxtask"),
        Program("xfce4-taskmanager", "xfce4-taskmanager", ["xfce4-taskmanager"], ["xfce4-taskmanager"],
                package="xfce4-taskmanager",
                bus="without a session bus it shows only a \"Settings daemon is unavailable\" box (xfconfd)"),
        Program("qps", "qps", ["qps"], ["qps"], package="qps",
                bus="its single-instance check quits at once without a session bus"),
        Program("gnome-system-monitor", "gnome-system-monitor", ["gnome-system-monitor"],
                ["gnome-system-monitor"], package="gnome-system-monitor"),
    ]


# -- processes -----------------------------------------------------------------

def read(path, mode="r"):
    try:
        with open(path, mode) as f:
            return f.read()
    except OSError:
        return None


def processes_of(root_pid, tag):
    """PIDs of the program: its descendants, and anything carrying its environment tag."""
    children = {}
    tagged = set()
    marker = f"{TAG}={tag}".encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        pid = int(entry)
        stat = read(f"/proc/{pid}/stat")
        if stat is None:
            continue
        ppid = int(stat.rsplit(")", 1)[1].split()[1])
        children.setdefault(ppid, []).append(pid)
        environ = read(f"/proc/{pid}/environ", "rb")
        if environ and marker in environ.split(b"\0"):
            tagged.add(pid)
    found = set()
    todo = [root_pid] + sorted(tagged)
    while todo:
        pid = todo.pop()
        if pid in found or read(f"/proc/{pid}/stat") is None:
            continue
        found.add(pid)
        todo.extend(children.get(pid, []))
    return found


def comm(pid):
    return (read(f"/proc/{pid}/comm") or "?").strip()


def per_thread(pid, name):
    """{tid: text of /proc/PID/task/TID/<name>} for every live thread."""
    texts = {}
    try:
        tids = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return texts
    for tid in tids:
        text = read(f"/proc/{pid}/task/{tid}/{name}")
        if text:
            texts[int(tid)] = text
    return texts


def cpu_ns(pid):
    """{(pid, tid): nanoseconds on a CPU} for every live thread. schedstat counts exactly, where
    /proc/PID/stat counts 10 ms ticks: at under 0.1 % of a core that is a few ticks a minute."""
    return {(pid, tid): int(text.split()[0]) for tid, text in per_thread(pid, "schedstat").items()}


def switches(pid):
    """{tid: voluntary + involuntary context switches} for every live thread."""
    return {tid: sum(int(line.split()[1]) for line in text.splitlines()
                     if line.startswith(("voluntary_ctxt_switches:", "nonvoluntary_ctxt_switches:")))
            for tid, text in per_thread(pid, "status").items()}


def memory_kib(pid):
    text = read(f"/proc/{pid}/smaps_rollup")
    if text is None:
        return None
    fields = {}
    for line in text.splitlines()[1:]:
        parts = line.split()
        if len(parts) >= 2 and parts[0].endswith(":"):
            fields[parts[0][:-1]] = int(parts[1])
    return {"rss": fields.get("Rss", 0), "anon": fields.get("Anonymous", 0), "pss": fields.get("Pss", 0),
            "uss": fields.get("Private_Clean", 0) + fields.get("Private_Dirty", 0)}


def end_processes(pids, timeout=5):
    pids = [p for p in pids if read(f"/proc/{p}/stat") is not None]
    for pid in pids:
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline and any(alive(p) for p in pids):
        time.sleep(0.05)
    for pid in pids:
        if alive(pid):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass


def alive(pid):
    stat = read(f"/proc/{pid}/stat")
    return stat is not None and stat.rsplit(")", 1)[1].split()[0] != "Z"


# -- the map -------------------------------------------------------------------

class MapWatcher:
    """Notices the moment a window of the program is mapped, from the X server's own
    events: no polling that would compete with the starting program for the CPU."""

    def __init__(self, name):
        self.display = xdisplay.Display(name)
        self.display.set_error_handler(lambda *a: None)
        self.root = self.display.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.net_wm_pid = self.display.intern_atom("_NET_WM_PID")
        self.display.sync()

    def close(self):
        self.display.close()

    def drain(self):
        while self.display.pending_events():
            self.display.next_event()

    def _class(self, window):
        try:
            names = window.get_wm_class()
        except xerror.XError:
            return set()
        return {n.lower() for n in names} if names else set()

    def _pid(self, window):
        try:
            prop = window.get_full_property(self.net_wm_pid, X.AnyPropertyType)
        except xerror.XError:
            return None
        return int(prop.value[0]) if prop and len(prop.value) else None

    def _shown(self, window, tray):
        """Whether the window is on screen as a main window (or as an icon in the tray)."""
        try:
            attrs = window.get_attributes()
            geometry = window.get_geometry()
            parent = window.query_tree().parent
        except xerror.XError:
            return False
        if attrs.map_state != X.IsViewable:
            return False
        if attrs.override_redirect and not tray:
            return False  # a menu or tooltip (Qt's tray icon bypasses the window manager too)
        small = geometry.width <= 64 and geometry.height <= 64
        if tray != small:
            return False
        return not tray or parent != self.root  # an icon counts once it is in the tray host

    def _belongs(self, window, program, pids):
        if self._class(window) & program.classes:
            return True
        pid = self._pid(window)  # window manager frames have none: no /proc scan for them
        return pid is not None and pid in pids()

    def _watch_ancestors(self, window):
        """A client maps inside a frame or tray socket that may itself map later: listen to
        every ancestor too, so its mapping wakes us."""
        try:
            while True:
                parent = window.query_tree().parent
                if parent == self.root or parent.id in self.watched:
                    return
                parent.change_attributes(event_mask=X.StructureNotifyMask)
                self.watched.add(parent.id)
                window = parent
        except xerror.XError:
            return

    def wait(self, program, pids, started, timeout):
        """Seconds from `started` until the window (or tray icon) shows, or None."""
        deadline = started + timeout
        created = []
        shown_at = {}  # window id -> when first seen on screen (its class may be set after the map)
        self.watched = set()
        while True:
            changed = False
            now = None
            while self.display.pending_events():
                event = self.display.next_event()
                now = time.monotonic()
                if event.type == X.CreateNotify and event.parent == self.root:
                    try:
                        event.window.change_attributes(event_mask=X.StructureNotifyMask | X.PropertyChangeMask)
                    except xerror.XError:
                        continue
                    created.append(event.window)
                    changed = True
                elif event.type in (X.MapNotify, X.ReparentNotify, X.ConfigureNotify, X.PropertyNotify):
                    # conky maps a 1×1 window and sizes it after; WM_CLASS may come after the map
                    changed = True
            if changed:
                for window in created:
                    if window.id not in shown_at and self._shown(window, program.tray):
                        shown_at[window.id] = now
                    if window.id in shown_at and self._belongs(window, program, pids):
                        return shown_at[window.id] - started
                    self._watch_ancestors(window)
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                return None
            if self.display.pending_events():
                continue  # read while waiting for a reply: the socket will not tell again
            self.display.flush()
            select.select([self.display.fileno()], [], [], min(remaining, 0.5))


# -- one run -------------------------------------------------------------------

def run_once(session, watcher, program, args, seq, measure=True):
    scratch = tempfile.mkdtemp(prefix=f"fp-{program.key}-", dir=session.scratch)
    home = os.path.join(scratch, "home")
    temp = os.path.join(scratch, "temp")
    os.makedirs(home)
    os.makedirs(temp)
    if program.settings:
        os.makedirs(os.path.join(home, ".config", "Corvane"))
        with open(os.path.join(home, ".config", "Corvane", "Ramtidy.conf"), "w") as f:
            f.write(program.settings)
    for rel, text in program.files.items():
        with open(os.path.join(home, rel), "w") as f:
            f.write(text)
    tag = f"{program.key}-{seq}"
    launches = os.path.join(scratch, "launches.log")
    env = dict(session.env)
    env.update(HOME=home, TEMP=temp, **{TAG: tag, LAUNCHES: launches})
    env["PATH"] = args.stand_ins + os.pathsep + env.get("PATH", os.defpath)
    argv = [a.format(home=home) for a in program.argv]
    log_path = os.path.join(scratch, "output.log")
    bus_tag = f"bus-{tag}"
    if program.bus:
        env["DBUS_SESSION_BUS_ADDRESS"] = start_bus(dict(env, **{TAG: bus_tag}))

    result = {"program": program.key, "load": os.getloadavg()[0]}
    watcher.drain()
    started = time.monotonic()
    with open(log_path, "wb") as log:
        process = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
    try:
        mapped = watcher.wait(program, lambda: processes_of(process.pid, tag), started,
                              min(args.map_timeout, args.settle) if measure else 15)
        result["map_ms"] = None if mapped is None else mapped * 1000
        if process.poll() is not None:
            result["error"] = f"exited with status {process.returncode} ({last_line(log_path)})"
            return result
        if not measure:
            return result
        if args.screenshots:
            time.sleep(max(0.0, started + args.settle - 1.5 - time.monotonic()))
            os.makedirs(args.screenshots, exist_ok=True)
            session.screenshot(os.path.join(os.path.abspath(args.screenshots), f"{program.key}-{seq}.png"))
        time.sleep(max(0.0, started + args.settle - time.monotonic()))
        pids = processes_of(process.pid, tag)
        others = {comm(p) for p in pids if p != process.pid}
        memory = {"rss": 0, "anon": 0, "pss": 0, "uss": 0}
        for pid in pids:
            for k, v in (memory_kib(pid) or {}).items():
                memory[k] += v
        result.update(memory)
        result["processes"] = sorted(comm(p) for p in pids)
        cpu0 = {}
        for pid in pids:
            cpu0.update(cpu_ns(pid))
        switches0 = {p: switches(p) for p in pids}
        window_start = time.monotonic()
        # Read every second, so that a thread ending in the window still counts
        # up to its last second.
        cpu_last = dict(cpu0)
        deadline = window_start + args.seconds
        while (left := deadline - time.monotonic()) > 0:
            time.sleep(min(1.0, left))
            for pid in pids:
                cpu_last.update(cpu_ns(pid))
        elapsed = time.monotonic() - window_start
        pids1 = processes_of(process.pid, tag)
        others |= {comm(p) for p in pids1 if p != process.pid}
        if others:
            result["launched"] = sorted(others)
        for pid in pids1 - pids:
            cpu_last.update(cpu_ns(pid))
        ctx = 0
        for pid in pids1:
            before = switches0.get(pid, {})
            for tid, count in switches(pid).items():
                ctx += count - before.get(tid, 0)
        lost = set(pids) - pids1
        if lost:
            result.setdefault("notes", []).append(
                "ended during the window: " + ", ".join(sorted(comm(p) for p in lost)))
        cpu = sum(ns - cpu0.get(thread, 0) for thread, ns in cpu_last.items())
        result["cpu_pct"] = cpu / 1e9 / elapsed * 100
        result["ctx"] = ctx * args.seconds / elapsed
        result["threads"] = sum(len(switches(p)) for p in pids1)
        if process.poll() is not None:
            result["error"] = f"exited during the window with status {process.returncode}"
        return result
    finally:
        leftovers = processes_of(process.pid, tag) if process.poll() is None else set()
        session.stop_process(process)
        end_processes(leftovers | processes_of(-1, tag))
        if program.bus:
            end_processes(processes_of(-1, bus_tag))
        # An opener that ended before the memory reading is seen only by its stand-in.
        opened = {line for line in (read(launches) or "").splitlines() if line}
        if opened:
            running = set(result.get("launched", [])) - {call.split()[0] for call in opened}
            result["launched"] = sorted(opened | running)
        if result.get("launched") and program.alone:
            result["left_out"] = True
        if "map_ms" in result and result["map_ms"] is None and "error" not in result:
            what = "icon in the tray" if program.tray else "window"
            limit = min(args.map_timeout, args.settle)
            result.setdefault("notes", []).append(f"no {what} within {limit:g} s; measured all the same")
        result["log"] = read(log_path) or ""


def make_opener_stand_ins(folder):
    """A folder to put first on PATH, with a stand-in for each opener that notes its call in the
    file named by $RAMTIDY_FOOTPRINT_LAUNCHES and then runs the real one."""
    os.makedirs(folder)
    for name in OPENERS:
        path = os.path.join(folder, name)
        with open(path, "w") as f:
            f.write(f'#!/bin/sh\nprintf "%s\\n" "{name} $*" >> "${LAUNCHES}"\n'
                    f'PATH=${{PATH#*:}}\nexec {name} "$@"\n')
        os.chmod(path, 0o755)
    return folder


def start_bus(env):
    """A private session bus, not counted with the program: on a desktop it is already there."""
    out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1"], env=env,
                         stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True, timeout=10, check=True)
    return out.stdout.splitlines()[0].strip()


def last_line(path):
    text = (read(path) or "").strip().splitlines()
    return text[-1][:160] if text else "no output"


# -- installing the peers ----------------------------------------------------------

def install_peers(selected):
    missing = sorted({p.package for p in selected if p.package and shutil.which(p.argv[0]) is None})
    if not missing:
        return
    print(f"Installing from Debian: {' '.join(missing)}", flush=True)
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(sudo + ["apt-get", "update", "-qq"], env=env, check=True)
    subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends", *missing], env=env,
                   check=True)


# -- the report ----------------------------------------------------------------------

METRICS = [  # key, heading, format, scale
    ("map_ms", "Start to map, ms", "{:.0f}", 1),
    ("rss", "RSS MiB", "{:.1f}", 1 / 1024),
    ("anon", "Anon MiB", "{:.2f}", 1 / 1024),
    ("pss", "PSS MiB", "{:.1f}", 1 / 1024),
    ("uss", "USS MiB", "{:.1f}", 1 / 1024),
    ("cpu_pct", "CPU, % of a core", "{:.2f}", 1),
    ("ctx", "Context switches", "{:,.0f}", 1),
]


def span(values, fmt):
    if not values:
        return "—"
    lo, hi = min(values), max(values)
    return fmt.format(lo) if fmt.format(lo) == fmt.format(hi) else f"{fmt.format(lo)}–{fmt.format(hi)}"


def counted(results, key):
    return [r for r in results.get(key, []) if "error" not in r and not r.get("left_out")]


def values_of(results, key, metric):
    return [r[metric] for r in counted(results, key) if r.get(metric) is not None]


def report(selected, results, args, machine):
    heads = [h if k != "ctx" else f"Context switches per {args.seconds:g} s" for k, h, _, _ in METRICS]
    heads[5] = f"CPU over {args.seconds:g} s, % of a core"
    lines = [f"Footprint, {machine['date']}: {machine['summary']}", "",
             f"{args.rounds} interleaved rounds; memory at {args.settle:g} s after the start; CPU and context "
             f"switches over the next {args.seconds:g} s. Ranges are min–max over the rounds.", "",
             "| Program | " + " | ".join(heads) + " |",
             "|---" * (len(heads) + 1) + "|"]
    for p in selected:
        cells = []
        for key, _, fmt, scale in METRICS:
            vals = [v * scale for v in values_of(results, p.key, key)]
            if key == "map_ms" and p.tray:
                cell = span(vals, fmt)
                cells.append(f"{cell} (tray icon)" if vals else "—")
            else:
                cells.append(span(vals, fmt))
        lines.append(f"| {p.label} | " + " | ".join(cells) + " |")

    lines += ["", "Medians over the rounds counted:", "",
              "| Program | Rounds counted | " + " | ".join(heads) + " |",
              "|---" * (len(heads) + 2) + "|"]
    for p in selected:
        cells = [str(len(counted(results, p.key)))]
        for key, _, fmt, scale in METRICS:
            vals = values_of(results, p.key, key)
            cells.append(fmt.format(statistics.median(vals) * scale) if vals else "—")
        lines.append(f"| {p.label} | " + " | ".join(cells) + " |")

    base = "countdown"
    if any(p.key == base for p in selected):
        lines += ["", "Ratio to Ramtidy with the countdown running (median over median):", "",
                  "| Program | " + " | ".join(h for h in heads) + " |",
                  "|---" * (len(heads) + 1) + "|"]
        for p in selected:
            cells = []
            for key, _, _, _ in METRICS:
                mine = values_of(results, p.key, key)
                ref = values_of(results, base, key)
                if mine and ref and statistics.median(ref) > 0:
                    cells.append(f"{statistics.median(mine) / statistics.median(ref):.2f}")
                else:
                    cells.append("—")
            lines.append(f"| {p.label} | " + " | ".join(cells) + " |")

    loads = [r["load"] for runs in results.values() for r in runs if "load" in r]
    notes = []
    if machine.get("package"):
        notes.append(f"(installed): Ramtidy as installed from {machine['package']}, removed again afterwards")
    if args.before:
        notes.append(f"(before): {args.before}, on the same machine"
                     + (", with the package's icons in the icon theme" if machine.get("package") else ""))
    for p in selected:
        runs = results.get(p.key, [])
        procs = {", ".join(r["processes"]) for r in runs if r.get("processes")}
        if any(len(r.get("processes", [])) > 1 for r in runs):
            notes.append(f"{p.label}: processes summed: {' / '.join(sorted(procs))}")
        threads = [r["threads"] for r in runs if r.get("threads")]
        if threads:
            notes.append(f"{p.label}: {span(threads, '{:.0f}')} threads")
        for r in runs:
            if r.get("launched"):
                what = "left out of the figures" if r.get("left_out") else "summed with it"
                notes.append(f"{p.label}: round {r['round']}: launched {'; '.join(r['launched'])} ({what})")
            if r.get("error"):
                notes.append(f"{p.label}: round {r['round']}: {r['error']}")
            for note in r.get("notes", []):
                notes.append(f"{p.label}: round {r['round']}: {note}")
    for p in selected:
        if p.bus:
            notes.append(f"{p.label}: {p.bus}, so it ran with a private dbus-daemon (not counted in its figures)")
    lines += ["", "Notes:", ""] + [f"- {n}" for n in notes]
    lines += ["- Each program ran with a scratch HOME and TEMP, no session bus unless noted, on Xvfb "
              "1280×800×24 with openbox and trayer; peers with their default settings.",
              f"- Load average: {machine['load_start']} at the start, {machine['load_end']} at the end; "
              f"1-minute load at the start of each run {span(loads, '{:.1f}')}.",
              f"- Command: `{machine['command']}`"]
    return "\n".join(lines) + "\n"


def machine_info():
    model = "?"
    for line in (read("/proc/cpuinfo") or "").splitlines():
        if line.startswith("model name"):
            model = line.split(":", 1)[1].strip()
            break
    debian = (read("/etc/debian_version") or "?").strip()
    qt = subprocess.run(["dpkg-query", "-W", "-f=${Version}", "libqt6core6"], stdout=subprocess.PIPE,
                        stderr=subprocess.DEVNULL, text=True).stdout or "?"
    mem = int((read("/proc/meminfo") or "MemTotal: 0").split()[1]) // 1024
    return {"date": datetime.date.today().isoformat(),
            "summary": f"{model}, {os.cpu_count()} cores, {mem} MiB, Debian {debian}, "
                       f"Linux {platform.release()}, Qt {qt.split('+')[0]}",
            "load_start": " ".join((read("/proc/loadavg") or "?").split()[:3]),
            "command": " ".join([os.path.relpath(sys.argv[0])] + sys.argv[1:])}


def describe(result):
    if result.get("error"):
        return "FAILED: " + result["error"]
    parts = [f"load {result['load']:.1f}"] if "load" in result else []
    if result.get("launched"):
        parts.append(f"launched {'; '.join(result['launched'])}"
                     + (" (left out)" if result.get("left_out") else ""))
    if result.get("map_ms") is not None:
        parts.append(f"map {result['map_ms']:.0f} ms")
    if "rss" in result:
        parts.append(f"RSS {result['rss'] / 1024:.1f} anon {result['anon'] / 1024:.2f} "
                     f"PSS {result['pss'] / 1024:.1f} USS {result['uss'] / 1024:.1f} MiB")
        parts.append(f"CPU {result['cpu_pct']:.2f} %, {result['ctx']:.0f} switches")
    return ", ".join(parts)


def installed_packages():
    out = subprocess.run(["dpkg-query", "-W", "-f=${db:Status-Abbrev} ${Package}\n"], stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, text=True).stdout
    return {line.split()[1] for line in out.splitlines() if line.startswith("ii ")}


def apt_get(*args):
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    subprocess.run(sudo + ["apt-get", "-y", "-qq", "-o", "DPkg::Lock::Timeout=120", *args], check=True,
                   stdout=subprocess.DEVNULL, env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))


def install_package(deb):
    """Installs the .deb and returns the path of the program it installed."""
    print(f"Installing {deb}", flush=True)
    apt_get("install", "--no-install-recommends", os.path.abspath(deb))
    files = subprocess.run(["dpkg", "-L", "ramtidy"], stdout=subprocess.PIPE, text=True).stdout.split()
    program = next((f for f in files if f.endswith("/bin/ramtidy")), None)
    if program is None:
        raise SystemExit(f"{deb} installs no bin/ramtidy")
    return program


def restore_packages(before):
    """Removes whatever was installed since `before` (the package and what it brought along)."""
    brought = sorted(installed_packages() - before)
    if brought:
        print(f"Removing what the bench installed: {' '.join(brought)}", flush=True)
        apt_get("purge", *brought)


def measure(selected, args):
    results = {}
    with XSession() as session:
        args.stand_ins = make_opener_stand_ins(os.path.join(session.scratch, "openers"))
        # The pointer starts mid-screen, where hovering would raise tooltips in whatever opens there.
        session.xdotool("mousemove", "1279", "0")
        watcher = MapWatcher(session.display)
        try:
            seq = 0
            if not args.no_warmup:
                for p in selected:
                    seq += 1
                    r = run_once(session, watcher, p, args, seq, measure=False)
                    print(f"warm-up {p.key}: {describe(r) or 'no map'}", flush=True)
            for rnd in range(args.rounds):
                shift = rnd % len(selected)
                order = selected[shift:] + selected[:shift]
                for p in order:
                    seq += 1
                    r = run_once(session, watcher, p, args, seq)
                    r["round"] = rnd + 1
                    if args.logs:
                        os.makedirs(args.logs, exist_ok=True)
                        with open(os.path.join(args.logs, f"{p.key}-round{rnd + 1}.log"), "w") as f:
                            f.write(r["log"])
                    results.setdefault(p.key, []).append(r)
                    print(f"round {rnd + 1}/{args.rounds} {p.key}: {describe(r)}", flush=True)
                    time.sleep(1)
        finally:
            watcher.close()
    return results


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--ramtidy", default="build/ramtidy", help="the program to measure")
    parser.add_argument("--bare", default=None, help="the bare Qt window (default: bench/bare_qt_window "
                                                      "in the build folder of --ramtidy)")
    parser.add_argument("--package", help="measure Ramtidy as installed from this .deb instead of --ramtidy; "
                                           "removed again afterwards (refused if Ramtidy is installed already)")
    parser.add_argument("--before", help="another Ramtidy binary to measure beside it in the same rounds; its "
                                          "keys end in @before")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--seconds", type=float, default=60, help="CPU and context-switch window")
    parser.add_argument("--settle", type=float, default=10, help="seconds from start to the memory reading")
    parser.add_argument("--map-timeout", type=float, default=30, help="at most --settle")
    parser.add_argument("--markdown", help="also write the result as markdown to this file")
    parser.add_argument("--only", help="comma-separated keys (a key takes its @before twin along): " + ", ".join(
        p.key for p in programs(argparse.Namespace(ramtidy="", bare="", before=None, package=None))))
    parser.add_argument("--logs", help="keep each run's output in this folder")
    parser.add_argument("--screenshots", help="a screenshot of each run in this folder, 1.5 s before the "
                                              "memory reading (to check what each program really showed)")
    parser.add_argument("--no-install", action="store_true", help="skip peers that are not installed")
    parser.add_argument("--no-warmup", action="store_true",
                        help="skip the unmeasured first start of each program (which fills the file cache)")
    args = parser.parse_args()
    if args.bare is None:
        args.bare = os.path.join(os.path.dirname(os.path.abspath(args.ramtidy)), "bench", "bare_qt_window")

    selected = programs(args)
    if args.only:
        keys = args.only.split(",")
        unknown = set(keys) - {p.key for p in selected}
        if unknown:
            parser.error(f"unknown program(s): {', '.join(sorted(unknown))}")
        selected = [p for p in selected if p.key in keys or p.key.split("@")[0] in keys]
    paths = [args.bare] + ([args.before] if args.before else []) + ([] if args.package else [args.ramtidy])
    for path in paths:
        if any(p.argv[0] == os.path.abspath(path) for p in selected) and not os.access(path, os.X_OK):
            sys.exit(f"{path}: not built (cmake --build BUILD, or make build)")
    if args.no_install:
        skipped = [p for p in selected if p.package and shutil.which(p.argv[0]) is None]
        for p in skipped:
            print(f"skipping {p.key}: not installed")
        selected = [p for p in selected if p not in skipped]
    else:
        install_peers(selected)

    machine = machine_info()
    packages = installed_packages()
    if args.package and "ramtidy" in packages:
        sys.exit("ramtidy is installed already, and --package would not know what to put back: "
                 "remove it first, or measure it as it is with --ramtidy /usr/bin/ramtidy")
    try:
        if args.package:
            args.ramtidy = install_package(args.package)
            machine["package"] = os.path.basename(args.package)
            keys = {p.key for p in selected}
            selected = [p for p in programs(args) if p.key in keys]
        per_run = args.settle + args.seconds + 2
        print(f"{len(selected)} programs × {args.rounds} rounds × about {per_run:.0f} s: "
              f"about {len(selected) * args.rounds * per_run / 60:.0f} min", flush=True)
        results = measure(selected, args)
    finally:
        if args.package:
            restore_packages(packages)
    machine["load_end"] = " ".join((read("/proc/loadavg") or "?").split()[:3])
    text = report(selected, results, args, machine)
    print()
    print(text)
    if args.markdown:
        with open(args.markdown, "w") as f:
            f.write(text)


if __name__ == "__main__":
    main()
