#!/usr/bin/env bash
# Makes the Wine prefix given as $1 once; later calls return at once.
set -euo pipefail
prefix=$1
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.qm-ready" ]; then
  WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64 wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX=$prefix wineserver -w || true
  touch "$prefix/.qm-ready"
fi
