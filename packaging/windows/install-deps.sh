#!/usr/bin/env bash
# The Debian packages needed to build Ramtidy for Windows and test it under Wine;
# only what is missing is installed.
set -euo pipefail

packages=(
  # the cross compiler (posix threads: Qt needs std::thread) and Debian's Qt source
  g++-mingw-w64-x86-64-posix dpkg-dev
  # Qt's host tools (moc, rcc, uic) of the same version as the source
  qt6-base-dev qt6-base-dev-tools cmake ninja-build
  # the installer
  nsis
  # running and testing under Wine, on a private X server with a tray host
  wine wine64 fonts-liberation2 xvfb xauth openbox trayer tint2 xdotool x11-utils imagemagick python3 python3-xlib
)

exec bash "$(dirname "$0")/../install-deps.sh" "${packages[@]}"
