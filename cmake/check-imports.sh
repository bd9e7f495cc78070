#!/usr/bin/env bash
# Checks a program file's import table against cmake/allowed-imports.txt: every
# function it imports must be listed there, and listed as one that Windows XP
# (or 2000) exports. Prints each import that is not and fails; quiet when all
# are. Usage: check-imports.sh <objdump> <program.exe> [<list>]
set -euo pipefail
objdump=$1
program=$2
list=${3:-$(dirname "$0")/allowed-imports.txt}
imports=$("$objdump" -p "$program" | awk '
  /^\tDLL Name: / { dll = toupper($3); next }
  /^\tvma:/ { next }
  dll != "" && /^\t[0-9a-f]+\t/ { print dll, $NF; next }
  /^$/ { }')
[ -n "$imports" ] || { echo "check-imports: no import table read from $program" >&2; exit 1; }
faults=$(awk '
  NR == FNR { if ($0 !~ /^#/ && NF >= 3) { windows[toupper($1) " " $2] = $3 } next }
  { key = $1 " " $2
    if (!(key in windows)) print "  " key ": not on the list of allowed imports"
    else if (windows[key] != "2000" && windows[key] != "XP") print "  " key ": came with Windows " windows[key] }
' "$list" - <<<"$imports")
if [ -n "$faults" ]; then
  echo "check-imports: $(basename "$program") imports what Windows XP lacks or the list does not name:" >&2
  echo "$faults" >&2
  exit 1
fi
