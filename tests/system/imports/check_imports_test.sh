#!/usr/bin/env bash
# The import check passes the program file and fails a program that imports
# a call that came with Vista, naming it.
# Usage: check_imports_test.sh <objdump> <program.exe> <probe.exe>
set -uo pipefail
check=$(dirname "$0")/../../../cmake/check-imports.sh
objdump=$1 program=$2 probe=$3
if ! out=$("$check" "$objdump" "$program" 2>&1); then
  echo "FAIL: the program's own imports are refused:"; echo "$out"; exit 1
fi
if out=$("$check" "$objdump" "$probe" 2>&1); then
  echo "FAIL: a program importing RegDeleteTreeA passed the check"; exit 1
fi
if ! grep -q "ADVAPI32.DLL RegDeleteTreeA: came with Windows Vista" <<<"$out"; then
  echo "FAIL: the refusal does not name the Vista call:"; echo "$out"; exit 1
fi
# A list that lacks one of the program's imports fails it too.
list=$(mktemp)
trap 'rm -f "$list"' EXIT
grep -v "^KERNEL32.DLL CreateFileW " "$(dirname "$check")/allowed-imports.txt" >"$list"
if out=$("$check" "$objdump" "$program" "$list" 2>&1) || ! grep -q "CreateFileW: not on the list" <<<"$out"; then
  echo "FAIL: an import missing from the list was not reported:"; echo "$out"; exit 1
fi
echo "import check: passed"
