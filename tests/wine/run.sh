#!/usr/bin/env bash
# Runs the Windows build's tests under Wine, in a fresh prefix inside the build folder.
#   run.sh WINDOWS_BUILD_DIR NATIVE_BUILD_DIR
# Ends with "wine totals: N passed, M failed" and exits nonzero if anything failed.
set -uo pipefail
WINDOWS_BUILD=$(cd "$1" && pwd)
NATIVE_BUILD=$(cd "$2" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)

export WINEPREFIX=$WINDOWS_BUILD/wineprefix
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installers
unset DISPLAY

passed=0
failed=0

# A fresh prefix whose graphics driver is null: no X server needed, and a dialog that no step
# answers cannot show anywhere; `timeout` ends the run instead.
rm -rf "$WINEPREFIX"
timeout 300 wineboot -i >/dev/null 2>&1
timeout 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
timeout 60 wineserver -w

# The unit and conformance tests: one GoogleTest program, with the .reg fixtures beside it.
rm -rf "$WINDOWS_BUILD/fixtures"
cp -r "$HERE/../fixtures" "$WINDOWS_BUILD/fixtures"
out=$(mktemp)
(cd "$WINDOWS_BUILD" && timeout 600 wine unit_tests.exe) 2>&1 | tr -d '\r' | tee "$out"
status=${PIPESTATUS[0]}
ran=$(sed -n 's/^\[==========\] \([0-9]\+\) tests\? from .* ran\..*/\1/p' "$out" | tail -n 1)
bad=$(sed -n 's/^\[  FAILED  \] \([0-9]\+\) tests\?, listed below:.*/\1/p' "$out" | tail -n 1)
rm -f "$out"
if [ -z "$ran" ]; then
  echo "FAIL unit_tests.exe: no result (exit $status)"
  failed=$((failed + 1))
else
  bad=${bad:-0}
  if [ "$status" != 0 ] && [ "$bad" = 0 ]; then bad=1; fi
  passed=$((passed + ran - bad))
  failed=$((failed + bad))
fi

# Script cases of the tools: each prints "PASS name" or "FAIL name: reason" per case.
for cases in "$HERE"/../*/wine_cases.sh; do
  [ -f "$cases" ] || continue
  out=$(mktemp)
  timeout 900 bash "$cases" "$WINDOWS_BUILD" "$NATIVE_BUILD" 2>&1 | tee "$out"
  status=${PIPESTATUS[0]}
  ok=$(grep -c '^PASS ' "$out")
  bad=$(grep -c '^FAIL ' "$out")
  rm -f "$out"
  if [ "$status" != 0 ] && [ "$bad" = 0 ]; then
    echo "FAIL $(basename "$(dirname "$cases")"): exit $status"
    bad=1
  fi
  passed=$((passed + ok))
  failed=$((failed + bad))
done

wineserver -k >/dev/null 2>&1
echo "wine totals: $passed passed, $failed failed"
[ "$failed" = 0 ]
