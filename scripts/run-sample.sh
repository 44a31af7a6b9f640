#!/usr/bin/env bash
# The launcher's main job on this machine, in one command: makes the sample
# release (the stand-in game as its TOLM.exe), starts the sample publisher on
# 127.0.0.1 serving its first version, and starts a fresh launcher pointed at
# it through its server overrides ("save/setting.json"). The launcher checks
# itself, then "Install / Update / Play" installs the game and starts the
# stand-in game. The provisional main window shows the state, step, progress
# and speed, and the questions with their buttons; the same lines reach this
# terminal. Closing the launcher, or Ctrl-C, ends everything this started.
#
#   scripts/run-sample.sh [RELEASE]     RELEASE: 1 (default), 2 or 3
#
# Everything lands in run/sample (QUORVEL_RUN_DIR/sample), with a Wine prefix
# of its own.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QUORVEL_BUILD_DIR:-build}
version=${1:-1}
if [ ! -f "$build/build.ninja" ]; then
  bash scripts/setup-host.sh
  prefix=$(bash scripts/build-deps.sh | tail -n 1)
  cmake -G Ninja -S . -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DQUORVEL_DEPS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target launcher tolm_standin >/dev/null

run=$PWD/${QUORVEL_RUN_DIR:-run}/sample
mkdir -p "$run"
if [ ! -f "$run/release/release.json" ]; then
  python3 testing/release/make_sample_release.py --tolm "$build/testing/game/TOLM.exe" \
    "$run/release" >/dev/null
fi

# The served root: the chosen release, whose launcher is the one built here
# (the release's own launcher files are made-up bytes).
rm -rf "$run/root" "$run/launcher"
cp -R "$run/release/release-$version" "$run/root"
cp "$build/app/launcher.exe" "$run/root/launcher.exe"
python3 - "$run" <<'EOF'
import hashlib, json, os, sys
run = sys.argv[1]
exe = open(os.path.join(run, "root", "launcher.exe"), "rb").read()
launcher_map = {"version": {"md5": "1_0_0"},
                "launcher.exe": {"md5": hashlib.md5(exe).hexdigest(), "size": len(exe)}}
json.dump(launcher_map, open(os.path.join(run, "root", "launcher_version_map.txt"), "w"), indent=1)
config = json.load(open(os.path.join(run, "root", "publisher.json")))
config["root"] = os.path.join(run, "root")
json.dump(config, open(os.path.join(run, "publisher.json"), "w"), indent=1)
EOF

export QUORVEL_WINEPREFIX=$run/wineprefix
publisher_started=0
cleanup() {
  trap - EXIT INT TERM
  [ "$publisher_started" = 1 ] && python3 testing/publisher/publisher.py stop --dir "$run/publisher" >/dev/null 2>&1 || true
  # Ends every process of this run's own prefix: the launcher, its temporary
  # copy and the game.
  WINEPREFIX=$QUORVEL_WINEPREFIX wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

python3 testing/publisher/publisher.py start --dir "$run/publisher" \
  --config "$run/publisher.json" --lifetime 86400 >/dev/null
publisher_started=1
gate=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["urls"]["gate"])' \
  "$run/publisher/ports.json")
echo "publisher: $gate (release $version)"

# A fresh launcher: its executable and the server overrides.
mkdir -p "$run/launcher/save"
cp "$build/app/launcher.exe" "$run/launcher/launcher.exe"
printf '{"GateURLs": ["%s/"]}\n' "$gate" > "$run/launcher/save/setting.json"
# The prefix and, without a display, Xvfb, as the tests have them; then the
# launcher itself, its output straight to this terminal.
bash scripts/wine-run.sh cmd /c exit >/dev/null 2>&1 || true
export WINEPREFIX=$QUORVEL_WINEPREFIX WINEDEBUG=${WINEDEBUG:--all} WINEARCH=win64
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
export DISPLAY=${DISPLAY:-${QUORVEL_XVFB_DISPLAY:-:77}}
echo "launcher: $run/launcher (press Install / Update / Play)"
wine "$run/launcher/launcher.exe" </dev/null || true
