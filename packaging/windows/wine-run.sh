#!/usr/bin/env bash
# Runs a cross-built program under Wine with the Qt and mingw-w64 DLLs it needs on
# its search path; CTest's emulator for the Windows build. WINEPREFIX names the
# prefix the caller made (`make test-windows` makes a fresh one per run).
set -euo pipefail
: "${WINEPREFIX:?set WINEPREFIX to a Wine prefix (make test-windows makes one)}"
: "${RAMTIDY_QT_WINDOWS:?set RAMTIDY_QT_WINDOWS to the Qt for Windows prefix}"
gcc_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
to_windows() { printf 'Z:%s' "${1//\//\\}"; }
export WINEPATH="$(to_windows "$RAMTIDY_QT_WINDOWS/bin");$(to_windows "$gcc_dlls");$(to_windows /usr/x86_64-w64-mingw32/lib)"
export QT_PLUGIN_PATH="$(to_windows "$RAMTIDY_QT_WINDOWS/plugins")"
# The fonts a test on Qt's offscreen platform gets (new-prefix.sh).
export QT_QPA_FONTDIR="$(to_windows "$WINEPREFIX/offscreen-fonts")"
# Wine hands no QT_ variable of the host to a Windows program, only WINEQT_ ones,
# under their own names.
for name in $(compgen -e); do
  [[ $name == QT_* ]] && export "WINE$name=${!name}"
done
export WINEDEBUG="${WINEDEBUG:--all}"
exec wine "$@"
