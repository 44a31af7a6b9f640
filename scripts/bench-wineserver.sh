#!/usr/bin/env bash
# Starts the wineserver of the prefix $QUORVEL_WINEPREFIX (making the prefix
# first when needed) and prints its process id, for the benchmarks that
# count the server's CPU or memory; prints nothing when it cannot be found.
set -euo pipefail
: "${QUORVEL_WINEPREFIX:?the prefix whose server is wanted}"
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1 || true

# The wineserver serving this prefix: its environment names the prefix.
for p in /proc/[0-9]*; do
  case "$(readlink "$p/exe" 2>/dev/null)" in */wineserver*) ;; *) continue ;; esac
  if tr '\0' '\n' < "$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$QUORVEL_WINEPREFIX"; then
    echo "${p#/proc/}"
    exit 0
  fi
done
