#!/usr/bin/env bash
# Checks a built install library against its export list, and (PE) its imports against the
# allowed system DLLs. Fails the build when either breaks.
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
  allowed=$(grep -v '^#' "$5" | tr 'A-Z' 'a-z')
  while read -r dll; do
    [ -n "$dll" ] || continue
    if ! printf '%s\n' "$allowed" | grep -qxF "$(printf '%s' "$dll" | tr 'A-Z' 'a-z')"; then
      echo "check_binary: $file imports $dll, which is not a system DLL" >&2
      fail=1
    fi
  done < <(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: \(.*\)$/\1/p')
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
