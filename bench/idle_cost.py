#!/usr/bin/env python3
"""What the running program costs while it sits there: CPU time and resident memory
over a stretch of idle seconds, on a private X desktop with a tray host.

usage: idle_cost.py BINARY [SECONDS]
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from xsession import XSession  # noqa: E402


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def main():
    binary = sys.argv[1]
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 30
    with XSession() as session:
        started = time.monotonic()
        app = session.start_app(binary, {"TEMP": session.scratch})
        session.find_window()
        mapped = time.monotonic() - started
        time.sleep(2)  # let start-up settle
        before = cpu_ticks(app.pid)
        time.sleep(seconds)
        used = cpu_ticks(app.pid) - before
        hz = os.sysconf("SC_CLK_TCK")
        print(f"mapped after {mapped * 1000:.0f} ms; idle {seconds:.0f} s: {used} CPU ticks "
              f"({used * 1000 / hz:.0f} ms, {used / hz / seconds * 100:.3f} %); RSS {rss_kib(app.pid) / 1024:.1f} MiB")


if __name__ == "__main__":
    main()
