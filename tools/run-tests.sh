#!/usr/bin/env bash
# Runs the tests of a configured build tree ($1): makes its Wine prefix once,
# keeps one wineserver alive for the run, gives Wine a display (Xvfb when there
# is none), runs CTest, then the fuzz targets when they are built.
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
"$here/cmake/wine-prefix.sh" "$WINEPREFIX"

xvfb_pid=""
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 130); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 1
    if kill -0 "$xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; break; fi
    xvfb_pid=""
  done
fi
# One persistent wineserver for the whole run; Wine's own service processes are
# started here with their output closed, so that they never hold a test's
# output pipe open (CTest would wait for it).
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
status=0
(cd "$build" && ctest --output-on-failure -j"$(nproc)") || status=$?
if [ -x "$here/tools/run-fuzz.sh" ] && [ "$status" -eq 0 ]; then
  "$here/tools/run-fuzz.sh" "$build" || status=$?
fi
exit "$status"
