#!/usr/bin/env bash
# Checks that a Linux build of the expert exports its entry point and nothing
# else. Usage: check_so_exports.sh <library.so> <entry point>
set -euo pipefail
library=$1
entry=$2
names=$(nm -D --defined-only "$library" | awk '{print $NF}' | sed 's/@.*//' | sort -u)
if [[ "$names" == "$entry" ]]; then
  echo "ok: $library exports $entry"
else
  echo "FAIL: $library exports [${names//$'\n'/ }], expected [$entry]"
  exit 1
fi
