#!/usr/bin/env bash
# `make run`: starts Ramtidy on this desktop, or, with no display, on a private
# virtual one (Xvfb, window manager, tray host) that `make stop` ends again.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
pids="$build/virtual-display.pids"

stop_virtual() {
  [[ -f "$pids" ]] || { echo "No virtual display is running."; return; }
  # Newest first: the program, then the tray host, the window manager and Xvfb.
  tac "$pids" | while read -r pid; do kill "$pid" 2>/dev/null || true; done
  rm -f "$pids"
  [[ -f "$build/virtual-display.scratch" ]] && rm -rf "$(cat "$build/virtual-display.scratch")" "$build/virtual-display.scratch"
  echo "Stopped Ramtidy and its virtual display."
}

if [[ "${2:-}" == "--stop" ]]; then
  stop_virtual
  exit 0
fi

if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec "$build/ramtidy"
fi

[[ -f "$pids" ]] && stop_virtual >/dev/null
exec /usr/bin/python3 - "$build" "$here" <<'PY'
import os, sys, time
build, here = sys.argv[1], sys.argv[2]
sys.path.insert(0, here)
from xsession import XSession
session = XSession(detach=True)
session.start()
session.start_app(os.path.join(build, "ramtidy"))
session.find_window()
time.sleep(1.0)
shot = session.screenshot(os.path.join(os.path.abspath(build), "screenshot.png"))
with open(os.path.join(build, "virtual-display.pids"), "w") as f:
    f.writelines(f"{p.pid}\n" for _, p in session.processes)
with open(os.path.join(build, "virtual-display.scratch"), "w") as f:
    f.write(session.scratch)
print(f"No display here, so Ramtidy runs on the virtual display {session.display}.")
print(f"Screenshot: {shot}")
print(f"Look at it live: DISPLAY={session.display} import -window root now.png")
print("Stop it with: make stop")
PY
