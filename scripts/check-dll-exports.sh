#!/usr/bin/env bash
# Each Windows DLL exports exactly its undecorated entry point.
set -euo pipefail
dir=${1:-build/mingw}
status=0
check() {  # check <dll> <entry>
  local names
  names=$(i686-w64-mingw32-objdump -p "$dir/$1" |
          awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^\s*\[/{print $NF} t&&/^$/{t=0}')
  if [[ "$names" == "$2" ]]; then
    echo "ok: $1 exports $2"
  else
    echo "FAIL: $1 exports [${names//$'\n'/ }], expected $2"
    status=1
  fi
}
check kvxlink_delphi3.dll INITEXPERT0017
check kvxlink_delphi2.dll INITEXPERT0016
check kvxlink_cbuilder.dll INITEXPERT0016
exit $status
