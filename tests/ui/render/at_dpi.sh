#!/usr/bin/env bash
# at_dpi.sh DPI PROGRAM [ARGS...]: runs a test program under Wine in the
# prefix QUORVEL_WINEPREFIX names (one of its own) with the screen's logical
# DPI set to DPI. The program learns the DPI it should see from
# QUORVEL_EXPECT_DPI.
set -euo pipefail
dpi=$1
shift
run=$(dirname "$0")/../../../scripts/wine-run.sh
"$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
QUORVEL_EXPECT_DPI=$dpi exec "$run" "$@"
