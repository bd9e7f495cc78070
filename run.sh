#!/usr/bin/env bash
# Installs what is missing, builds both program files (build/Quillmara.exe for
# 64-bit Windows, build32/Quillmara32.exe for 32-bit Windows, XP and 2000)
# and starts the 64-bit one under Wine, in
# a Wine prefix of its own (build/run-prefix, made at the first start; the
# tests never touch it, so a first start shows the agreement dialog).
# With a display ($DISPLAY) the program runs there. Without one it runs under
# a private Xvfb: once its first window is up, a true screenshot is saved to
# build/screenshot.png and the program is ended again.
set -euo pipefail
cd "$(dirname "$0")"
./setup-deps.sh
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target Quillmara
cmake -S . -B build32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build32 -j"$(nproc)" --target Quillmara
export QM_WINEPREFIX="$PWD/build/run-prefix"
if [ -n "${DISPLAY:-}" ]; then
  exec build/wine-run.sh build/Quillmara.exe "$@"
fi

# No display: a private Xvfb on a free display number.
exec 5< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null & echo "pid $!")
xvfb_pid="" display_number=""
for _ in 1 2; do
  read -r line <&5
  case $line in
    pid\ *) xvfb_pid=${line#pid } ;;
    *) display_number=$line ;;
  esac
done
export DISPLAY=":$display_number"
build/wine-run.sh build/Quillmara.exe "$@" &
program=$!
cleanup() {
  kill "$program" 2>/dev/null || true
  # Only this prefix's server: a test run beside it keeps its own.
  WINEPREFIX="$QM_WINEPREFIX" wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# Wait (up to 5 minutes: the first start makes the Wine prefix, and the
# machine may be busy) for the agreement dialog or the main window.
shown=""
for _ in $(seq 1 600); do
  if xwininfo -root -tree 2>/dev/null | grep -Eq '"(QUILLMARA LICENSE AGREEMENT|Quillmara)"'; then
    shown=yes
    break
  fi
  if ! kill -0 "$program" 2>/dev/null; then
    break
  fi
  sleep 0.5
done
if [ -z "$shown" ]; then
  echo "Quillmara showed no window." >&2
  exit 1
fi
sleep 1.5 # let it paint
python3 tools/xshot.py "$DISPLAY" build/screenshot.png
echo "No display: Quillmara ran under Xvfb; its screen is in build/screenshot.png"
