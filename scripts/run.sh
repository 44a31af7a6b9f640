#!/usr/bin/env bash
# Starts the launcher under Wine, building whatever is missing first. It runs
# from run/ in the clone (QUORVEL_RUN_DIR to change it), a folder of its own
# where its "save" and "update" folders land, on the current display or, when
# there is none, on Xvfb. Arguments are handed to launcher.exe.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QUORVEL_BUILD_DIR:-build}
if [ ! -f "$build/build.ninja" ]; then
  bash scripts/setup-host.sh
  prefix=$(bash scripts/build-deps.sh | tail -n 1)
  cmake -G Ninja -S . -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DQUORVEL_DEPS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target launcher

run=${QUORVEL_RUN_DIR:-run}
mkdir -p "$run"
cp "$build/app/launcher.exe" "$run/launcher.exe"

export QUORVEL_WINEPREFIX=${QUORVEL_WINEPREFIX:-$PWD/$build/wineprefix}
exec bash scripts/wine-run.sh "$run/launcher.exe" "$@"
