#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test Ramtidy; only what is missing.
# With arguments, those packages instead.
set -euo pipefail

packages=(
  # build, and `make coverage` (gcovr)
  cmake ninja-build g++ make pkg-config git clang-format gcovr qt6-base-dev qt6-base-dev-tools qt6-base-private-dev libxcb1-dev libbenchmark-dev
  # fuzz targets: clang with its libFuzzer and sanitizer runtimes
  clang libclang-rt-dev
  # run: Arial is mapped onto the metric-compatible Liberation fonts
  fonts-liberation2 xdg-utils
  # end-to-end tests and the virtual display of `make run`
  xvfb openbox trayer xdotool xclip x11-utils imagemagick python3 procps python3-gi gir1.2-glib-2.0 python3-xlib
  # end-to-end: the qt6ct platform theme and its colour schemes
  qt6ct
  # start at logon as a session runs it; GLib's key-file reader, the oracle for entries
  dex passwd libglib2.0-dev
  # the system calls of a save, counted
  strace
  # the Debian package (`make package`: dpkg-shlibdeps and file) and its checks
  dpkg-dev file lintian desktop-file-utils appstream
  # e2e_package puts back an installed version it replaced, rebuilt from its files
  dpkg-repack
  # end-to-end on a private session bus: the window read through AT-SPI, and the
  # tray item registered with a StatusNotifierWatcher (status-notifier-watcher)
  dbus-daemon dbus-bin at-spi2-core python3-pyatspi python3-dbus haskell-status-notifier-item-utils
  # end-to-end on Wayland: a headless compositor and Qt's Wayland platform
  weston qt6-wayland
)
[[ $# -gt 0 ]] && packages=("$@")

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
