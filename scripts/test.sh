#!/usr/bin/env bash
# The one test command: installs what is missing, cross-builds the
# dependencies into their cache (or reuses it), builds everything and runs
# every test under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-host.sh
prefix=$(bash scripts/build-deps.sh | tail -n 1)
build=${QUORVEL_BUILD_DIR:-build}

cmake -G Ninja -S . -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DQUORVEL_DEPS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DQUORVEL_THREAD_CHECKS=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
