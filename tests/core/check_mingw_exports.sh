#!/usr/bin/env bash
# Checks the three Windows DLLs of the cross build: each exports exactly its
# undecorated entry point, and each loads only system DLLs (the C++ runtime is
# linked in statically).
# Usage: check_mingw_exports.sh [build-dir]   (default build/mingw)
set -euo pipefail
dir=${1:-build/mingw}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
status=0

export_names() {  # the names of the export name table, one a line
  "$objdump" -p "$1" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p'
}

imported_dlls() {
  "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr '[:upper:]' '[:lower:]'
}

check() {  # check <dll> <entry>
  local dll=$dir/$1 names extra
  if [[ ! -f $dll ]]; then
    echo "FAIL: $dll is missing"
    status=1
    return
  fi
  names=$(export_names "$dll")
  if [[ "$names" == "$2" ]]; then
    echo "ok: $1 exports $2"
  else
    echo "FAIL: $1 exports [${names//$'\n'/ }], expected [$2]"
    status=1
  fi
  extra=$(imported_dlls "$dll" | grep -vxE 'kernel32\.dll|user32\.dll|msvcrt\.dll' || true)
  if [[ -n $extra ]]; then
    echo "FAIL: $1 needs non-system DLLs: ${extra//$'\n'/ }"
    status=1
  else
    echo "ok: $1 imports system DLLs only"
  fi
}

check kvxlink_delphi3.dll INITEXPERT0017
check kvxlink_delphi2.dll INITEXPERT0016
check kvxlink_cbuilder.dll INITEXPERT0016
exit $status
