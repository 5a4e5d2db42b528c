#!/usr/bin/env bash
# The Windows installer $2 (version $3) of the program laid out in $1 by deploy.sh:
# ramtidy.nsi, given the list of the files to install and, in reverse, to remove.
set -euo pipefail
dist="$(cd "$1" && pwd)" out="$2" version="$3" here="$(cd "$(dirname "$0")" && pwd)"
list="$(realpath -m "$(dirname "$out")")/files.nsh"
windows() { local path="${1#.}"; printf '%s' "${path//\//\\}"; }
{
  echo '!macro InstallFiles'
  while read -r dir; do
    echo "  SetOutPath \"\$INSTDIR$(windows "$dir")\""
    find "$dist${dir#.}" -maxdepth 1 -type f | sort | sed 's/.*/  File "&"/'
  done < <(cd "$dist" && find . -type d | sort)
  echo '!macroend'
  echo '!macro RemoveFiles'
  (cd "$dist" && find . -type f | sort -r) | while read -r file; do
    echo "  Delete \"\$INSTDIR$(windows "$file")\""
  done
  (cd "$dist" && find . -mindepth 1 -type d | sort -r) | while read -r dir; do
    echo "  RMDir \"\$INSTDIR$(windows "$dir")\""
  done
  echo '!macroend'
} >"$list"
makensis -V2 -DVERSION="$version" -DFILES="$list" -DOUTFILE="$(realpath -m "$out")" \
  -DICON="$here/ramtidy.ico" "$here/ramtidy.nsi"
echo "Ramtidy for Windows: the installer is $out"
