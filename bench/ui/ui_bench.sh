#!/usr/bin/env bash
# The UI framework's figures under Wine, in a prefix of their own so that no
# other program shares its wineserver: full-repaint time, a skinned window's
# full and hover repaints, then the idle CPU of 10 running 16 ms UI timers
# with the wineserver's CPU counted.
#   bash bench/ui/ui_bench.sh [build-dir] [timer seconds per run] [runs]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
seconds=${2:-10}
runs=${3:-3}
exe=$build/bench/ui/ui_bench.exe
[ -f "$exe" ] || { echo "build first: $exe is missing" >&2; exit 1; }
export QUORVEL_WINEPREFIX=$build/wineprefix-bench
run=$root/scripts/wine-run.sh

"$run" cmd /c exit 0 >/dev/null 2>&1 || true  # makes the prefix, starts its server

source "$root/bench/wineserver_pid.sh"
server=$(wineserver_pid "$QUORVEL_WINEPREFIX")
[ -n "$server" ] || echo "wineserver of $QUORVEL_WINEPREFIX not found: its CPU is not counted" >&2

[ -n "${QUORVEL_BENCH_SKIP_FRAME:-}" ] || "$run" "$exe" frame 200
[ -n "${QUORVEL_BENCH_SKIP_WINDOW:-}" ] || "$run" "$build/bench/ui/window_bench.exe" paint 100 3
QUORVEL_WINESERVER_PID=$server "$run" "$exe" timers "$seconds" "$runs"
