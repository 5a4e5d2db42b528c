#!/usr/bin/env bash
# `make test-windows`: builds Ramtidy and its tests for Windows, then runs them under
# Wine, in a fresh prefix, on a private X server: the unit and widget tests, the
# Windows services against Wine's registry, files and memory, and the program end
# to end.
set -euo pipefail
build="$1"
here="$(cd "$(dirname "$0")" && pwd)"

bash "$here/build.sh" "$build" all
export RAMTIDY_QT_WINDOWS
RAMTIDY_QT_WINDOWS=$(bash "$here/build-qt.sh" | tail -n 1)
export WINEPREFIX="$(cd "$build" && pwd)/wine-prefix"
echo "Ramtidy for Windows: a fresh Wine prefix in $WINEPREFIX"
bash "$here/new-prefix.sh" "$WINEPREFIX"
xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" \
  ctest --test-dir "$build" --output-on-failure --timeout 300
