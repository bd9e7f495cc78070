#!/usr/bin/env bash
# Installs what is missing, builds everything (the benchmarks too, which only
# tools/run-benchmark.sh runs) and runs every test through CTest under Wine (in
# the build tree's own prefix), then the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")"
./setup-deps.sh
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
cmake --build build -j"$(nproc)" --target benchmarks
exec tools/run-tests.sh build
