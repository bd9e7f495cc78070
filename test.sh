#!/usr/bin/env bash
# Installs what is missing, builds both program files, Quillmara.exe (64-bit
# Windows, in build/) and Quillmara32.exe (32-bit Windows from XP on, in
# build32/), with everything else (the benchmarks too, which only
# tools/run-benchmark.sh runs); each link checks its program's imports
# against cmake/allowed-imports.txt. Then runs every test through CTest under
# Wine for both: the 64-bit tree in a 64-bit prefix (which also starts the
# 32-bit program there, as on 64-bit Windows), then the 32-bit tree in a
# 32-bit prefix; then the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")"
./setup-deps.sh
cmake -S . -B build32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build32 -j"$(nproc)"
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
cmake --build build -j"$(nproc)" --target benchmarks
status=0
tools/run-tests.sh build || status=$?
echo "(the tests above ran the 64-bit program; now the 32-bit one)"
tools/run-tests.sh build32 || status=$?
exit "$status"
