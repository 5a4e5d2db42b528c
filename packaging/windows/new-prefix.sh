#!/usr/bin/env bash
# Makes a fresh Wine prefix at $1: no Mono or Gecko installers, and no crash dialog
# that would keep a failing test waiting for a click.
set -euo pipefail
prefix="$1"
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
# Arial as Windows has it: Wine ships none, so its metric twin from fontconfig stands in.
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
# Qt's offscreen platform reads fonts from one folder, not from Windows: Liberation
# Sans alone, so that its "Sans Serif" is a proportional face, not the first file found.
mkdir "$prefix/offscreen-fonts"
ln -s /usr/share/fonts/truetype/liberation2/LiberationSans-*.ttf "$prefix/offscreen-fonts/"
wineserver -w
