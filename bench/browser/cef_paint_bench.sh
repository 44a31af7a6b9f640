#!/usr/bin/env bash
# Thread 0's cost of a browser frame under Wine, in a prefix of its own so
# that no other program shares its wineserver, with the wineserver's CPU
# time over the run.
#   bash bench/browser/cef_paint_bench.sh [build-dir] [frames per run] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
frames=${2:-100}
runs=${3:-5}
exe=$build/bench/browser/cef_paint_bench.exe
[ -f "$exe" ] || { echo "build first: $exe is missing" >&2; exit 1; }
export QUORVEL_WINEPREFIX=$build/wineprefix-bench
run=$root/scripts/wine-run.sh

server=$("$root/scripts/bench-wineserver.sh")
ticks() { [ -n "$server" ] && awk '{print $14 + $15}' "/proc/$server/stat" || echo 0; }

before=$(ticks)
start=$(date +%s.%N)
"$run" "$exe" "$frames" "$runs"
end=$(date +%s.%N)
after=$(ticks)
hz=$(getconf CLK_TCK)
awk -v t="$((after - before))" -v hz="$hz" -v s="$start" -v e="$end" \
  'BEGIN { printf "wineserver CPU over the run: %.2f s of %.2f s wall\n", t / hz, e - s }'
[ -n "$server" ] || echo "wineserver of $QUORVEL_WINEPREFIX not found: its CPU is not counted" >&2
