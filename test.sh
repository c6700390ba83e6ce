#!/usr/bin/env bash
# Builds everything (host, Windows x86_64 and i686) and runs every test: the
# host tests, and the Windows test programs under Wine on a virtual display.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/scripts/setup" test
"$here/scripts/build" win64
"$here/scripts/build" win32
"$here/scripts/build" host
cd "$here/build/host"
exec "$here/scripts/with-display" ctest --output-on-failure -j2
