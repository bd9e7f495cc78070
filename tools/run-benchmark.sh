#!/usr/bin/env bash
# Builds and runs the scan benchmark in a Wine prefix of its own
# (build/bench-prefix), so that the test prefix is not touched.
set -euo pipefail
cd "$(dirname "$0")/.."
./setup-deps.sh
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target scan_benchmark
export WINEPREFIX=$PWD/build/bench-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
cmake/wine-prefix.sh "$WINEPREFIX"
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
status=0
wine build/scan_benchmark.exe || status=$?
wineserver -k || true
exit "$status"
