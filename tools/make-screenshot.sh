#!/usr/bin/env bash
# Makes a screenshot of Quillmara's main window with a filled grid under Xvfb,
# in a Wine prefix of its own (the tests' prefix is left alone).
# usage: tools/make-screenshot.sh [build dir] [out.png] [command id]
#   build dir   a configured and built tree (default: build)
#   out.png     the picture (default: docs/screenshot.png)
#   command id  a menu command posted to the main window before the picture
#               is taken (for example 2211 for About, 2201 for Show Environment)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
out=${2:-$here/docs/screenshot.png}
command=${3:-}
export WINEPREFIX=$build/shotprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
"$here/cmake/wine-prefix.sh" "$WINEPREFIX"

. "$here/tools/private-display.sh"
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
start_private_display 140 180

# The helper that posts a menu command to the running program.
poster=$build/post-command.exe
if [ ! -x "$poster" ] || [ "$here/tools/post-command.c" -nt "$poster" ]; then
  x86_64-w64-mingw32-gcc -O2 -mwindows -o "$poster" "$here/tools/post-command.c"
fi

# The agreement accepted, and a few startup entries so that the Logon grid is
# filled.
reg() { wine reg "$@" >/dev/null 2>&1 || true; }
reg add 'HKLM\Software\Fernhollowsys\Quillmara' /v EulaAccepted /t REG_DWORD /d 1 /f
run='Software\Microsoft\Windows\CurrentVersion\Run'
reg add "HKLM\\$run" /v Notepad /t REG_SZ /d 'C:\windows\notepad.exe /autostart' /f
reg add "HKLM\\$run" /v Explorer /t REG_SZ /d 'C:\windows\explorer.exe' /f
reg add "HKLM\\$run" /v WordPad /t REG_SZ /d '"C:\Program Files\Windows NT\Accessories\wordpad.exe"' /f
reg add "HKCU\\$run" /v Clock /t REG_SZ /d 'C:\windows\system32\clock.exe' /f
reg add "HKCU\\$run" /v Updater /t REG_SZ /d 'C:\Tools\updater.exe -quiet' /f
reg add "HKLM\\$run\\AutorunsDisabled" /v 'Calculator' /t REG_SZ /d 'C:\windows\system32\calc.exe' /f

wine "$build/Quillmara.exe" >/dev/null 2>&1 &
app_pid=$!
for _ in $(seq 1 60); do
  sleep 1
  if python3 "$here/tools/xshot.py" "$DISPLAY" --list 2>/dev/null | grep -q "Quillmara"; then break; fi
done
sleep 3 # the scan and the file information
if [ -n "$command" ]; then
  wine "$poster" "$command" >/dev/null 2>&1 || true
  sleep 2
fi
mkdir -p "$(dirname "$out")"
# Cut to the main window.
geometry=$(python3 "$here/tools/xshot.py" "$DISPLAY" --list | grep "'Quillmara'" | head -n 1 | awk '{print $2}')
if [[ "$geometry" =~ ^([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+)$ ]]; then
  python3 "$here/tools/xshot.py" "$DISPLAY" "$out" "${BASH_REMATCH[3]}" "${BASH_REMATCH[4]}" \
    "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
else
  python3 "$here/tools/xshot.py" "$DISPLAY" "$out"
fi
echo "screenshot: $out"
