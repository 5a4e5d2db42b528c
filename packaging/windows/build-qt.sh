#!/usr/bin/env bash
# Builds Qt for Windows (x86_64, mingw-w64) from Debian's own qt6-base source, once, into a
# cache outside the repository keyed by its version and options; later runs reuse it.
# Prints the prefix on its last line.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
toolchain="$here/mingw-w64-x86_64.cmake"

# Same version as the machine's Qt: its moc, rcc and uic are the host tools.
version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
# Only what the program and its tests use, so that a new CI machine builds it in time:
# precompiled headers on, and the modules, plugins and widgets nothing here uses off.
options=(-release -shared -nomake examples -nomake tests
  -no-feature-sql -no-feature-network -no-dbus -no-feature-printsupport
  -no-feature-concurrent -no-feature-xml -no-feature-tabletevent
  -no-feature-direct2d1_1 -no-feature-jpeg -no-feature-gif -no-feature-movie
  -no-feature-pdf -no-feature-textodfwriter -no-feature-textmarkdownreader
  -no-feature-textmarkdownwriter -no-feature-syntaxhighlighter -no-feature-graphicsview
  -no-feature-filedialog -no-feature-colordialog -no-feature-fontdialog
  -no-feature-fontcombobox -no-feature-errormessage
  -no-feature-progressdialog -no-feature-wizard -no-feature-mdiarea -no-feature-calendarwidget
  -no-feature-datetimeedit -no-feature-lcdnumber -no-feature-dial -no-feature-keysequenceedit
  -no-feature-splashscreen -no-feature-columnview -no-feature-undocommand
  -no-feature-undoview)
key=$(printf '%s\n' "$version" "${options[@]}" "$(sha256sum "$toolchain" | cut -c1-16)" |
  sha256sum | cut -c1-12)
cache="${RAMTIDY_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ramtidy/qt-windows}"
prefix="$cache/${version//[:~]/_}-$key"
if [[ -f "$prefix/.complete" ]]; then
  echo "$prefix"
  exit 0
fi

fail() {
  echo "Qt for Windows: $1 failed. $2" >&2
  echo "Retry with 'make windows'; the work so far is kept in $cache." >&2
  exit 1
}

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
src="$cache/src-${version//[:~]/_}"
if [[ ! -f "$src/.fetched" ]]; then
  echo "Qt for Windows: fetching Debian's qt6-base $version source..." >&2
  # A deb-src entry for the same archive and suites the machine already uses.
  list=/etc/apt/sources.list.d/ramtidy-deb-src.sources
  if [[ ! -f $list ]]; then
    grep -h -v '^#' /etc/apt/sources.list.d/debian.sources 2>/dev/null |
      sed 's/^Types:.*/Types: deb-src/' | "${sudo[@]}" tee "$list" >/dev/null ||
      fail "adding a deb-src entry" "Check /etc/apt/sources.list.d/debian.sources."
    "${sudo[@]}" apt-get update -qq || fail "apt-get update" "Check the network and apt's sources."
  fi
  rm -rf "$src" && mkdir -p "$src"
  (cd "$src" && apt-get source -qq --download-only "qt6-base=$version" >&2 &&
    dpkg-source -x qt6-base_*.dsc tree >&2) ||
    fail "fetching the source" "Is dpkg-dev installed and the archive reachable?"
  touch "$src/.fetched"
fi

build="$cache/build-$key"
mkdir -p "$build"
echo "Qt for Windows: configuring into $prefix (about a minute)..." >&2
(cd "$build" && "$src/tree/configure" -prefix "$prefix" \
  -xplatform win32-g++ "${options[@]}" -- -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >"$build/configure.log" 2>&1) ||
  fail "configure" "See $build/configure.log."
echo "Qt for Windows: building (about 20 minutes on two cores; progress below)..." >&2
nice cmake --build "$build" --parallel "$(nproc)" >&2 || fail "the build" "See the lines above."
cmake --install "$build" >/dev/null || fail "the install" "Is there room in $cache?"
touch "$prefix/.complete"
echo "$prefix"
