#!/usr/bin/env bash
# Builds and runs the scan benchmark in a Wine prefix of its own
# (build/bench-prefix), so that the test prefix is not touched.
set -euo pipefail
cd "$(dirname "$0")/.."
./setup-deps.sh
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target scan_benchmark
# The start-up and grid benchmarks need a display: the one given, or an Xvfb
# of its own at a true-colour depth. Wine's desktop takes the display the
# prefix's first program has, so it is set before Wine starts.
. tools/private-display.sh
start_private_display 90 130
trap '[ -z "$xvfb_pid" ] || kill "$xvfb_pid"' EXIT

export WINEPREFIX=$PWD/build/bench-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
cmake/wine-prefix.sh "$WINEPREFIX"
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
status=0
wine build/scan_benchmark.exe || status=$?

# ---- The hostile-layout benchmark: 10,000 Run values naming programs by bare
# name, 20,000-item BootExecute and LSA lists and a Startup folder of 10,000 files
# with file information, each beside the same number of plain Run values.
cmake --build build -j"$(nproc)" --target hostile_benchmark
wine build/hostile_benchmark.exe || status=$?
# ---- end of the hostile-layout benchmark

# ---- The floor benchmark: the scan and the file-information pass beside the
# least work that gives the same results, with ratios project/floor. The scan
# output at every load is kept from the first run (build/bench-reference) and
# later runs are compared with it entry by entry.
cmake --build build -j"$(nproc)" --target floor_benchmark
server_pid=""
for p in /proc/[0-9]*; do
  if [[ "$(readlink "$p/exe" 2>/dev/null)" == *wineserver* ]] &&
    tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
    server_pid=${p#/proc/}
  fi
done
dump=build/bench-output
[ -d build/bench-reference ] || dump=build/bench-reference
rm -rf "$dump" && mkdir -p "$dump"
QM_WINESERVER_PID=$server_pid wine build/floor_benchmark.exe --dump "$(winepath -w "$dump")" || status=$?
if [ "$dump" = build/bench-output ]; then
  for f in build/bench-reference/*.txt; do
    if cmp -s "$f" "$dump/$(basename "$f")"; then
      echo "scan output unchanged: $(basename "$f")"
    else
      echo "scan output CHANGED: $(basename "$f")"
      diff "$f" "$dump/$(basename "$f")" | head -20
      status=1
    fi
  done
else
  echo "scan output kept as the reference in build/bench-reference"
fi
# ---- end of the floor benchmark

# ---- The start-up scan as the user waits for it.
cmake --build build -j"$(nproc)" --target startup_benchmark
wine build/startup_benchmark.exe || status=$?

# ---- The snapshot benchmark: building the watch snapshot and one watch tick,
# on the fresh prefix and with 1,000 Run values and 100 services.
cmake --build build -j"$(nproc)" --target snapshot_benchmark
wine build/snapshot_benchmark.exe || status=$?
# ---- end of the snapshot benchmark

# ---- The grid benchmark: LoadGrids of 20,000 entries beside the scan that
# found them, and a full repaint of the visible page.
cmake --build build -j"$(nproc)" --target grid_benchmark
wine build/grid_benchmark.exe | cat || status=$?
# ---- end of the grid benchmark
wineserver -k || true
exit "$status"
