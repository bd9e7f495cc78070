#!/usr/bin/env bash
# Runs the tests of a configured build tree ($1): makes its Wine prefix once,
# keeps one wineserver alive for the run, gives Wine a display (Xvfb when there
# is none), runs CTest, then the fuzz targets when they are built. Further
# arguments go to CTest (for example -R test_ui_watch) and leave the fuzz
# targets out.
set -euo pipefail
trap 'echo "run-tests: stopped at line $LINENO" >&2' ERR
build=$(cd "$1" && pwd)
shift
ctest_args=("$@")
here=$(cd "$(dirname "$0")/.." && pwd)
# The tests always run in the tree's own prefix, whatever prefix a shell set
# for the program (run.sh uses one of its own).
unset QM_WINEPREFIX
# The tree's size: a 32-bit tree runs in a 32-bit prefix.
arch=$(cat "$build/wine-arch" 2>/dev/null || echo win64)
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=$arch
"$here/cmake/wine-prefix.sh" "$WINEPREFIX" "$arch"

. "$here/tools/private-display.sh"
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
start_private_display 90 130
# One persistent wineserver for the whole run; Wine's own service processes are
# started here with their output closed, so that they never hold a test's
# output pipe open (CTest would wait for it).
# A server left running in this prefix (an earlier run, a developer's shell)
# is ended first.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
status=0
# The status of the pipeline's first command must be read in the same list:
# after "|| true" it would be the status of "true".
(cd "$build" && ctest --output-on-failure -j"$(nproc)" "${ctest_args[@]}") 2>&1 | tee "$build/ctest.log" || status=${PIPESTATUS[0]}
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$build/ctest.log" | tail -n 1 || true)
total=$(echo "$summary" | sed -E 's/.* out of ([0-9]+).*/\1/')
failed=$(echo "$summary" | sed -E 's/.*, ([0-9]+) tests failed.*/\1/')
[ -n "$summary" ] || { total=0; failed=0; [ "$status" -eq 0 ] && status=1; }
if [ "$failed" -ne 0 ] && [ "$status" -eq 0 ]; then status=1; fi
fuzzed=0
fuzz_failed=0
# The fuzz targets are built for this machine, not for Windows: the 64-bit
# tree runs them, the 32-bit tree has nothing of its own to add.
if [ -x "$here/tools/run-fuzz.sh" ] && [ "$status" -eq 0 ] && [ ${#ctest_args[@]} -eq 0 ] && [ "$arch" = win64 ]; then
  fuzz_status=0
  "$here/tools/run-fuzz.sh" "$build" 2>&1 | tee "$build/fuzz.log" || fuzz_status=${PIPESTATUS[0]}
  fuzzed=$(grep -cE '^fuzz [a-z0-9_]+: ([0-9?]+ inputs|FAILED)' "$build/fuzz.log" || true)
  fuzz_failed=$(grep -cE '^fuzz [a-z0-9_]+: FAILED' "$build/fuzz.log" || true)
  if [ "$fuzz_status" -ne 0 ]; then
    status=$fuzz_status
    [ "$fuzz_failed" -eq 0 ] && fuzz_failed=1
  fi
fi
# One closing line for the whole run: test programs and fuzz targets.
echo "summary: $((total - failed + fuzzed - fuzz_failed)) passed, $((failed + fuzz_failed)) failed"
exit "$status"
