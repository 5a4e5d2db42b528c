#!/usr/bin/env bash
# Lays out the program for Windows in $3: ramtidy.exe ($1), the DLLs it needs from
# the Qt for Windows at $2 and from mingw-w64, found by following its imports, the
# Windows platform plugin, the style that draws as Windows does, the icon reader
# that reads a cursor other than true colour, and the hover cursor; nothing else.
set -euo pipefail
exe="$1" qt="$2" out="$3" here="$(cd "$(dirname "$0")" && pwd)"
gcc_dlls=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
search=("$qt/bin" "$gcc_dlls" /usr/x86_64-w64-mingw32/lib)

rm -rf "$out"
mkdir -p "$out/platforms" "$out/styles" "$out/imageformats"
cp "$exe" "$out/"
cp "$qt/plugins/platforms/qwindows.dll" "$out/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$out/styles/"
cp "$qt/plugins/imageformats/qico.dll" "$out/imageformats/"
cp "$here/../HAND-M.CUR" "$out/"

# A DLL not found in the search folders is the system's own (KERNEL32, USER32, …).
declare -A seen=()
queue=("$out/$(basename "$exe")" "$out/platforms/qwindows.dll" "$out/styles/qwindowsvistastyle.dll"
  "$out/imageformats/qico.dll")
while ((${#queue[@]})); do
  file="${queue[0]}"
  queue=("${queue[@]:1}")
  while read -r dll; do
    key="${dll,,}"
    [[ -n "${seen[$key]:-}" ]] && continue
    seen[$key]=1
    for dir in "${search[@]}"; do
      if [[ -f "$dir/$dll" ]]; then
        cp "$dir/$dll" "$out/"
        queue+=("$out/$dll")
        break
      fi
    done
  done < <(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
done
echo "Ramtidy for Windows: $(ls "$out" | tr '\n' ' ')"
