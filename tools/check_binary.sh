#!/usr/bin/env bash
# Checks a built install library against its export list, and (PE) every function it imports
# against the list of allowed imports. Fails the build when either breaks.
#   check_binary.sh pe OBJDUMP FILE DEF ALLOWED_IMPORTS
#   check_binary.sh elf NM FILE DEF
set -euo pipefail
kind=$1 tool=$2 file=$3 def=$4

# The plain names of the .def file, without their stdcall decoration.
expected=$(sed -n 's/^[[:space:]]\+\([A-Za-z_][A-Za-z0-9_]*\)\(@[0-9]\+\)\?[[:space:]]*$/\1/p' "$def" | sort)
fail=0

if [ "$kind" = pe ]; then
  dump=$("$tool" -p "$file")
  actual=$(printf '%s\n' "$dump" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
           sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]\+\][[:space:]]\+\(.*\)$/\1/p' | sort)
  # Every imported function as "dll function", the DLL name in lower case.
  imports=$(printf '%s\n' "$dump" | awk '
    /^[[:space:]]*DLL Name:/ { dll = tolower($3); next }
    /^[[:space:]]*$/ { if (dll != "" && seen) dll = ""; seen = 0; next }
    dll != "" && /^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[^[:space:]]+/ { print dll, $3; seen = 1 }
  ' | sort -u)
  allowed=$(grep -v '^#' "$5" | grep -v '^[[:space:]]*$' | awk '{ print tolower($1), $2 }' | sort -u)
  while read -r entry; do
    [ -n "$entry" ] || continue
    if ! printf '%s\n' "$allowed" | grep -qxF "$entry"; then
      echo "check_binary: $file imports $entry, which $(basename "$5") does not allow" >&2
      fail=1
    fi
  done <<<"$imports"
  [ -n "$imports" ] || { echo "check_binary: no imports read from $file" >&2; fail=1; }
else
  expected=$(printf '%s\nDllMain\n' "$expected" | sort)
  actual=$("$tool" -D --defined-only "$file" | awk '$2 ~ /^[TtWi]$/ { print $3 }' | sort)
fi

if [ "$actual" != "$expected" ]; then
  echo "check_binary: the exports of $file differ from $def:" >&2
  diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") >&2 || true
  fail=1
fi
exit $fail
