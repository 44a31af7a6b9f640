#!/usr/bin/env bash
# Start-up of launcher.exe with each damaged or hostile skin: time to the
# first window and peak memory, medians of several runs beside the shipped
# skin, under Wine in a prefix of its own; the wineserver's peak memory is
# printed after the run.
#   bash bench/app/skin_start_bench.sh [build-dir] [runs] [earlier launcher.exe]
# With an earlier launcher.exe (a build before the skin limits), each row
# runs with it too, in the same run.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${2:-5}
earlier=${3:-}
exe=$build/bench/app/skin_start_bench.exe
table=$build/testing/skin/hostile
[ -f "$exe" ] && [ -f "$table/rows.tsv" ] || {
  echo "build first: cmake --build $build --target skin_start_bench hostile_skins launcher" >&2
  exit 1
}
export QUORVEL_WINEPREFIX=$build/wineprefix-bench
run=$root/scripts/wine-run.sh
server=$("$root/scripts/bench-wineserver.sh")

launchers=()
[ -n "$earlier" ] && launchers+=("$(winepath -w "$earlier" 2>/dev/null)")
launchers+=("$(winepath -w "$build/app/launcher.exe" 2>/dev/null)")
[ -n "$server" ] && grep -E 'VmRSS|VmHWM' "/proc/$server/status" | sed 's/^/wineserver before: /'
"$run" "$exe" "$(winepath -w "$table" 2>/dev/null)" "$runs" "${launchers[@]}"
[ -n "$server" ] && grep -E 'VmRSS|VmHWM' "/proc/$server/status" | sed 's/^/wineserver after:  /'
true
