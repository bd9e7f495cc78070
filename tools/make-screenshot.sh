#!/usr/bin/env bash
# Makes a screenshot of Quillmara under Xvfb, in a Wine prefix of its own (the
# tests' prefix is left alone).
# usage: tools/make-screenshot.sh [build dir] [out.png] [command id | scene]
#   build dir   a configured and built tree (default: build)
#   out.png     the picture (default: docs/screenshot.png)
#   command id  a menu command posted to the main window before the picture
#               is taken (for example 2211 for About, 2201 for Show Environment)
#   scene       what the picture shows (default: the main window as it starts):
#                 minimum, default, maximised  the main window at that size with
#                               a service of long path and description selected
#                 watch-prompt  the question about a startup change while watching
#                 quit-watching the question when the window closes while watching
#                 quit          the question when the window closes otherwise
#                 agreement     the agreement dialog of a first start
#                 license       the agreement shown again from the Window menu
# QM_SHOT_DPI=120 (or 144) draws the picture at that display scale; every run
# sets the scale of the picture's own prefix, 96 unless given.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
out=${2:-$here/docs/screenshot.png}
scene=${3:-}
command=""
if [[ "$scene" =~ ^[0-9]+$ ]]; then
  command=$scene
  scene=""
fi
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

# The helper that drives the running program.
poster=$build/post-command.exe
if [ ! -x "$poster" ] || [ "$here/tools/post-command.c" -nt "$poster" ] || [ "$here/src/resources/ids.h" -nt "$poster" ]; then
  x86_64-w64-mingw32-gcc -O2 -mwindows -I"$here/src" -o "$poster" "$here/tools/post-command.c"
fi
post() { wine "$poster" "$@" >/dev/null 2>&1 || true; }
shot() { python3 "$here/tools/xshot.py" "$DISPLAY" "$@"; }
# Waits up to $2 seconds for a top-level window named $1.
wait_window() {
  for _ in $(seq 1 "$2"); do
    if shot --list 2>/dev/null | grep -q "'$1'"; then return 0; fi
    sleep 1
  done
  return 1
}

# The agreement accepted, and a few startup entries so that the Logon grid is
# filled.
# The 64-bit registry view: where Wine's 32-bit loader is installed too,
# "wine reg" is the 32-bit editor, whose HKLM\Software is Wow6432Node.
reg() { wine reg "$@" /reg:64 >/dev/null 2>&1 || true; }
# The display scale first: Wine reads it when its server starts, so the server
# is ended once it is written.
reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${QM_SHOT_DPI:-96}" /f
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
reg add 'HKLM\Software\Fernhollowsys\Quillmara' /v EulaAccepted /t REG_DWORD /d 1 /f
run='Software\Microsoft\Windows\CurrentVersion\Run'
reg add "HKLM\\$run" /v Notepad /t REG_SZ /d 'C:\windows\notepad.exe /autostart' /f
reg add "HKLM\\$run" /v Explorer /t REG_SZ /d 'C:\windows\explorer.exe' /f
reg add "HKLM\\$run" /v WordPad /t REG_SZ /d '"C:\Program Files\Windows NT\Accessories\wordpad.exe"' /f
reg add "HKCU\\$run" /v Clock /t REG_SZ /d 'C:\windows\system32\clock.exe' /f
reg add "HKCU\\$run" /v Updater /t REG_SZ /d 'C:\Tools\updater.exe -quiet' /f
reg add "HKLM\\$run\\AutorunsDisabled" /v 'Calculator' /t REG_SZ /d 'C:\windows\system32\calc.exe' /f
reg delete "HKCU\\$run" /v Reminder /f
# What an earlier picture's run may have left loaded under the offline names.
reg delete 'HKLM\_REMOTE_SOFTWARE' /f
reg delete 'HKLM\_REMOTE_SYSTEM' /f
for user in $(wine reg query HKU 2>/dev/null | tr -d '\r' | grep -o '_REMOTE_[^\\]*$' || true); do
  reg delete "HKU\\$user" /f
done

# A service with a long image path and a long description (disabled, so that
# Wine never tries to start it), first in the Services grid.
long_dir='Program Files\Alderbrook Software\Document Library\Synchronisation Agent\Service Components'
long_exe="C:\\$long_dir\\alderbrook-sync-agent.exe"
drive_c=$WINEPREFIX/drive_c
mkdir -p "$drive_c/${long_dir//\\//}"
cp -f "$drive_c/windows/explorer.exe" "$drive_c/${long_dir//\\//}/alderbrook-sync-agent.exe"
svc='HKLM\System\CurrentControlSet\Services\AlderbrookSyncAgent'
reg add "$svc" /v Type /t REG_DWORD /d 16 /f
reg add "$svc" /v Start /t REG_DWORD /d 4 /f
reg add "$svc" /v AutorunsDisabled /t REG_DWORD /d 2 /f
reg add "$svc" /v ErrorControl /t REG_DWORD /d 1 /f
reg add "$svc" /v ObjectName /t REG_SZ /d LocalSystem /f
reg add "$svc" /v ImagePath /t REG_SZ /d "\"$long_exe\" -service" /f
reg add "$svc" /v Description /t REG_SZ /d 'Keeps the files of the Alderbrook document library in step with the server and reports every conflict to the administrator' /f

case "$scene" in
  agreement) reg delete 'HKLM\Software\Fernhollowsys\Quillmara' /v EulaAccepted /f ;;
  watch-prompt | quit-watching) reg delete 'HKLM\Software\Fernhollowsys\Quillmara' /v SnapshotTaken /f ;;
esac

arguments=()
case "$scene" in watch-prompt | quit-watching) arguments=(/Watch) ;; esac
wine "$build/Quillmara.exe" "${arguments[@]}" >/dev/null 2>&1 &
app_pid=$!

crop=main
case "$scene" in
  agreement)
    wait_window "QUILLMARA LICENSE AGREEMENT" 60 || true
    sleep 1
    crop="QUILLMARA LICENSE AGREEMENT"
    ;;
  watch-prompt | quit-watching)
    # Watching starts hidden once the snapshot is built and marked taken.
    for _ in $(seq 1 90); do
      wine reg query 'HKLM\Software\Fernhollowsys\Quillmara' /v SnapshotTaken /reg:64 >/dev/null 2>&1 && break
      sleep 1
    done
    sleep 2
    if [ "$scene" = watch-prompt ]; then
      reg add "HKCU\\$run" /v Reminder /t REG_SZ /d "\"$long_exe\" /remind" /f
      wait_window "STARTUP CHANGE" 60 || true
      crop="STARTUP CHANGE"
    else
      post show
      sleep 2
      post close
      wait_window "CONTINUE STARTUP MONITORING?" 30 || true
      crop=main
    fi
    sleep 1
    ;;
  *)
    wait_window "Quillmara" 60 || true
    sleep 3 # the scan and the file information
    case "$scene" in
      minimum) post size 640 420 ;;
      default) post size 960 680 ;;
      quit)
        post close
        wait_window "QUIT PROGRAM?" 30 || true
        crop="QUIT PROGRAM?"
        ;;
      license)
        post 2202 # Window / Show License
        wait_window "QUILLMARA LICENSE AGREEMENT" 30 || true
        crop="QUILLMARA LICENSE AGREEMENT"
        ;;
      maximised)
        post maximize
        crop=screen # the window reaches past the screen's edges
        ;;
    esac
    if [[ "$scene" =~ ^(minimum|default|maximised)$ ]]; then
      sleep 1
      post click 4 2 # Services: the first service
      sleep 2
    fi
    ;;
esac
if [ -n "$command" ]; then
  # Backup and Restore act on a location: its header row is selected first.
  case "$command" in 2013 | 2014) post click 1 1 && sleep 1 ;; esac
  post "$command"
  sleep 2
fi
mkdir -p "$(dirname "$out")"
# Cut to the window the scene is about.
[ "$crop" = main ] && crop=Quillmara
geometry=$(shot --list | grep "'$crop'" | head -n 1 | awk '{print $2}' || true)
if [ "$crop" != screen ] && [[ "$geometry" =~ ^([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+)$ ]]; then
  shot "$out" "${BASH_REMATCH[3]}" "${BASH_REMATCH[4]}" "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
else
  shot "$out"
fi
echo "screenshot: $out"
