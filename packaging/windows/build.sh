#!/usr/bin/env bash
# `make windows`: Ramtidy for 64-bit Windows, cross-built with mingw-w64 against a
# Qt built once from Debian's source, laid out in <build>/dist,
# and its installer <build>/ramtidy-<version>-setup.exe. Extra arguments are
# targets to build besides the program (`all` for the tests too).
set -euo pipefail
build="$1"
shift
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"

bash "$here/install-deps.sh"
qt=$(bash "$here/build-qt.sh" | tail -n 1)
echo "Ramtidy for Windows: configuring in $build, against $qt"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64-x86_64.cmake" \
  -DCMAKE_PREFIX_PATH="$qt" -DCMAKE_FIND_ROOT_PATH="$qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >/dev/null
cmake --build "$build" --target ramtidy "$@"
bash "$here/deploy.sh" "$build/ramtidy.exe" "$qt" "$build/dist"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
bash "$here/installer.sh" "$build/dist" "$build/ramtidy-$version-setup.exe" "$version"
