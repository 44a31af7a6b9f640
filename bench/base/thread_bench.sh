#!/usr/bin/env bash
# Runs the runtime benchmark under Wine and hands it the pid of the prefix's
# Wine server, whose CPU the idle figure counts beside the process's own.
# Usage: bench/base/thread_bench.sh [build] [seconds]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build}")
export QUORVEL_WINEPREFIX=$build/wineprefix
exe=$build/bench/base/base_thread_bench.exe
# A server of its own: one left spinning by an earlier, killed program would
# count here (so nothing else may use this prefix while the benchmark runs).
WINEPREFIX=$QUORVEL_WINEPREFIX wineserver -k >/dev/null 2>&1 || true
WINEPREFIX=$QUORVEL_WINEPREFIX wineserver -w >/dev/null 2>&1 || true
WINEPREFIX=$QUORVEL_WINEPREFIX wineserver -p 60 >/dev/null 2>&1 </dev/null || true
server=0
for pid in $(pgrep -x 'wineserver(64)?' || true); do
  if tr '\0' '\n' < "/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$QUORVEL_WINEPREFIX"; then
    server=$pid
  fi
done
scripts/wine-run.sh "$exe" "${2:-10}" "$server"
