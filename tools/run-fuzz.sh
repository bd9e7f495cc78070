#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ natively (clang, libFuzzer, ASan, UBSan)
# into <build-dir>/fuzz and runs each for a bounded time (QM_FUZZ_SECONDS,
# default 20) on its seeds: fuzz/corpus/<name>/ and the seeds the tests wrote
# to <build-dir>/tests/fuzz-seeds/<name>/. A crash, a hang or a sanitizer
# report fails the run; the input is left in <build-dir>/fuzz/crashes/<name>/.
# Prints how many inputs each target ran.
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${QM_FUZZ_SECONDS:-20}
out=$build/fuzz

cxx=$(command -v clang++-14 || command -v clang++ || true)
if [ -z "$cxx" ]; then
  echo "run-fuzz: clang++ not found (setup-deps.sh installs clang and libclang-rt-14-dev)" >&2
  exit 1
fi
cmake -S "$here/fuzz" -B "$out" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j"$(nproc)" >"$out/build.log" 2>&1 || { cat "$out/build.log" >&2; exit 1; }

mkdir -p "$out/logs" "$out/crashes" "$out/corpus"
targets=()
for exe in "$out"/bin/fuzz_*; do
  [ -x "$exe" ] && targets+=("$(basename "$exe")")
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "run-fuzz: no fuzz targets built" >&2
  exit 1
fi

run_one() {
  local target=$1 name=${1#fuzz_}
  local corpus=$out/corpus/$name crashes=$out/crashes/$name/
  mkdir -p "$corpus" "$crashes"
  local seeds=()
  for dir in "$here/fuzz/corpus/$name" "$build/tests/fuzz-seeds/$name"; do
    [ -d "$dir" ] && seeds+=("$dir")
  done
  # The first folder collects the inputs found; the seed folders are only read.
  "$out/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$crashes" "$corpus" "${seeds[@]}" >"$out/logs/$name.log" 2>&1 &&
    echo 0 >"$out/logs/$name.rc" || echo $? >"$out/logs/$name.rc"
}

# Targets run side by side, as many at once as there are cores.
for target in "${targets[@]}"; do
  rm -f "$out/logs/${target#fuzz_}.rc"
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
  run_one "$target" &
done
wait

failed=0
for target in "${targets[@]}"; do
  name=${target#fuzz_}
  log=$out/logs/$name.log
  rc=$(cat "$out/logs/$name.rc" 2>/dev/null || echo 1)
  runs=$(sed -n 's/^Done \([0-9]*\) runs in.*/\1/p' "$log" | tail -1)
  [ -n "$runs" ] || runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -1)
  if [ "$rc" -eq 0 ]; then
    echo "fuzz $name: ${runs:-?} inputs in ${seconds} s, no crash"
  else
    failed=$((failed + 1))
    input=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
    echo "fuzz $name: FAILED after ${runs:-?} inputs (exit $rc); input: ${input:-see log}; log: $log"
    grep -m 20 -E "ERROR|SUMMARY|runtime error|deadly signal|timeout" "$log" | sed 's/^/  /' || true
  fi
done
echo "fuzz targets: ${#targets[@]} run, $failed failed"
[ "$failed" -eq 0 ]
