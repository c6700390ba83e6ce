#!/usr/bin/env bash
# Builds the Windows program and starts it: under Wine on Linux. Without a
# DISPLAY it runs on a virtual display, saves a screenshot, names it and
# closes the program.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/setup" run
"$here/scripts/build" win64 --target PrinterDriverSetup
exe=$here/build/win64/PrinterDriverSetup.exe
if [ -n "${DISPLAY:-}" ]; then
    exec "$here/scripts/wine-run" "$exe"
fi
shot=$here/build/screenshots/run.png
exec "$here/scripts/with-display" "$here/scripts/screenshot" "$exe" "$shot"
