#!/usr/bin/env bash
# Makes the Wine prefix given as $1 once, of the size $2 names (win64, the
# default, or win32); later calls return at once.
# Besides Wine's own set-up the prefix gets:
# - "Managed" = "N" for the X11 driver: without a window manager (Xvfb) every
#   hidden or destroyed top-level window would otherwise stall for 2 s;
# - Wine's own fonts (Tahoma and the others) copied into C:\windows\Fonts, so
#   that dialogs look as designed.
set -euo pipefail
prefix=$1
arch=${2:-win64}
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.qm-ready-2" ]; then
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=$arch
  wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  for dir in /usr/share/wine/fonts /usr/share/fonts/truetype/wine; do
    if [ -d "$dir" ]; then
      mkdir -p "$prefix/drive_c/windows/Fonts"
      cp -n "$dir"/* "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
  done
  wineserver -w || true
  touch "$prefix/.qm-ready-2"
fi
