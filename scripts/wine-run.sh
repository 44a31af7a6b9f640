#!/usr/bin/env bash
# Runs a Windows executable under Wine for CTest. One Wine prefix per build
# tree (made on first use), Wine's debug output off, and an Xvfb display when
# none is set. The wineserver is kept alive between runs, which makes a warm
# start cost tens of milliseconds instead of seconds.
set -euo pipefail

: "${QUORVEL_WINEPREFIX:?set by the build to the wine prefix of the build tree}"
export WINEPREFIX=$QUORVEL_WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
export WINEARCH=win64

if [ -z "${DISPLAY:-}" ]; then
  display=${QUORVEL_XVFB_DISPLAY:-:77}
  export DISPLAY=$display
  lock=/tmp/quorvel-xvfb${display#:}.lock
  (
    flock 9
    # A socket can outlive its server (a killed session): trust the server's
    # own lock file and its pid instead.
    xlock=/tmp/.X${display#:}-lock
    if ! { [ -f "$xlock" ] && kill -0 "$(tr -d ' ' < "$xlock")" 2>/dev/null; }; then
      rm -f "/tmp/.X11-unix/X${display#:}"
      # 9>&-: the server must not inherit (and so hold) the lock.
      setsid Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null 9>&- &
      for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.05; done
    fi
  ) 9>"$lock"
fi

if [ ! -f "$WINEPREFIX/.quorvel-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.quorvel-ready" ]; then
      wineboot -i >/dev/null 2>&1 </dev/null 9>&- || true
      wineserver -w 9>&-
      touch "$WINEPREFIX/.quorvel-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi

# Persistent wineserver: later runs in this prefix attach to it.
wineserver -p 60 >/dev/null 2>&1 </dev/null || true

# Wine's helper processes (services, explorer) outlive the program and would
# keep CTest's output pipe open; give them a file instead and copy it out.
out=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$out"' EXIT
set +e
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
set -e
cat "$out"
exit $rc
