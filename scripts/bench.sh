#!/usr/bin/env bash
# Builds the benchmarks in the default preset's optimised build and runs them.
# Each program's console output and JSON go to build/bench-results/, followed
# by a summary of every figure next to its limit.
#
#   scripts/bench.sh                 all three programs
#   scripts/bench.sh sync --benchmark_filter=Pull   one program, extra options
#
# Programs: keystroke, dde, sync. A non-zero exit means a benchmark failed
# (for instance the keystroke hook allocated).
set -euo pipefail
cd "$(dirname "$0")/.."

programs=(keystroke dde sync)
if [[ $# -gt 0 && "$1" != -* ]]; then
  programs=("$1")
  shift
fi

cmake --preset default >/dev/null
cmake --build --preset default --target bench_keystroke bench_dde bench_sync

results=build/bench-results
mkdir -p "$results"
echo "load before: $(cat /proc/loadavg)" | tee "$results/load.txt"
status=0
for program in "${programs[@]}"; do
  echo "== bench_$program"
  build/default/bench/bench_"$program" \
    --benchmark_out="$results/$program.json" --benchmark_out_format=json "$@" \
    | tee "$results/$program.txt" || status=1
done
echo "load after: $(cat /proc/loadavg)" | tee -a "$results/load.txt"

echo "== figures against their limits"
for program in "${programs[@]}"; do
  python3 - "$results/$program.json" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
for b in data.get("benchmarks", []):
    if "error_message" in b:
        print(f"{b['name']:<55} FAILED: {b['error_message']}")
        continue
    if "ratio_to_limit" not in b:
        continue
    extra = ""
    if "us_per_module" in b:
        extra = (f"  {b['us_per_module']:.1f} us/module, limit {b['limit_us_per_module']:.1f}"
                 f" ({b['txns_per_module']:.1f} transactions/module)")
    elif "allocs_per_keystroke" in b:
        extra = f"  {b['allocs_per_keystroke']:g} allocations/keystroke, limit {b['limit_ns']:.1f} ns"
    elif "limit_us" in b:
        extra = f"  limit {b['limit_us']:.1f} us"
    elif "limit_ms" in b:
        extra = f"  limit {b['limit_ms']:.2f} ms"
    print(f"{b['name']:<55} {b['real_time']:10.3f} {b['time_unit']:<3} ratio {b['ratio_to_limit']:6.2f}{extra}")
PY
done
exit $status
