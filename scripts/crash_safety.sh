#!/usr/bin/env bash
# Crash safety of the game road, many runs: the CI test with more kills.
#   scripts/crash_safety.sh [KILLS] [SEED]
# Builds what is missing in build/ (or QUORVEL_BUILD_DIR), then kills the
# game pass KILLS times (default 300) at random moments, restarting it each
# time; prints the kills, where they fell, the verified installs and the bytes
# fetched again.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUORVEL_BUILD_DIR:-build}
cmake --build "$build" -j3 --target road_runner update_crash_safety_tests >/dev/null
export QUORVEL_CRASH_KILLS=${1:-300}
[ -n "${2:-}" ] && export QUORVEL_CRASH_SEED=$2
ctest --test-dir "$build" -R '^update_crash_safety_tests$' -V --timeout 36000 |
  grep -E 'seed|crash safety|Failure|Which is|round|Passed|Failed'
