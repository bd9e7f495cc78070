#!/usr/bin/env bash
# Installs what is missing, builds Quillmara.exe and starts it under Wine
# (on $DISPLAY, or under Xvfb when there is none).
set -euo pipefail
cd "$(dirname "$0")"
./setup-deps.sh
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target Quillmara
if [ -n "${DISPLAY:-}" ]; then
  exec build/wine-run.sh build/Quillmara.exe "$@"
fi
exec xvfb-run -a build/wine-run.sh build/Quillmara.exe "$@"
