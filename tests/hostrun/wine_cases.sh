#!/usr/bin/env bash
# hostrun.exe under Wine: the Windows build loads install.dll with LoadLibraryA and finds every
# export by its plain name with GetProcAddress, then calls each with the stdcall convention.
# Prints "PASS name" or "FAIL name: reason" per case; exits nonzero when any failed. The caller
# sets up Wine (WINEPREFIX and the rest).
#   wine_cases.sh WINDOWS_BUILD_DIR NATIVE_BUILD_DIR
set -uo pipefail
WINDOWS_BUILD=$(cd "$1" && pwd)
NATIVE_BUILD=$(cd "$2" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
DEMO=$HERE/../../demo/identity.hst

source "$(dirname "${BASH_SOURCE[0]}")/../support/cases.sh"

# Runs hostrun.exe from inside the build folder on a Unix script path; leaves status, out, err
# (without the CRs of the Windows console's line ends).
run_wine() {
  local script
  script=$(winepath -w "$1" 2>/dev/null)
  shift
  (cd "$WINDOWS_BUILD" && timeout 120 wine hostrun.exe --library install.dll "$@" "$script") \
    >"$work/out" 2>"$work/err"
  status=$?
  out=$(tr -d '\r' <"$work/out")
  err=$(tr -d '\r' <"$work/err")
}

# The short form of MAINDIR is the system's own (Wine's differs from the simulation's).
without_short_path() { sed 's/"C:\\[^"]*"/"C:\\..."/'; }

if [ ! -f "$WINDOWS_BUILD/hostrun.exe" ] || [ ! -f "$WINDOWS_BUILD/install.dll" ]; then
  fail "hostrun identity demo" "hostrun.exe or install.dll missing in $WINDOWS_BUILD"
  exit 1
fi

run_wine "$DEMO"
if [ "$status" != 0 ]; then
  fail "hostrun identity demo" "exit $status: $(head -n 3 <<<"$err")"
else
  pass "hostrun identity demo"
fi
wine_demo=$out

# Each export's line: found by plain name, called, its result and values as the host sees them.
for line in 'GetNames -> 1' 'SetAppTitle -> 0' 'GetCardLabel -> 0' 'GetManStuff -> 0' \
            'SetDriverName -> 0' 'GetDate -> 0' 'GetShortPath -> 1' \
            'GetModemName2(128) -> 1 size=12 "Kelo MQX 56"' \
            'GetModemName2(256) -> 1 size=12 "Kelo MQX 56"' \
            'GetCardName2(128) -> 1 size=12 "Kelo MQX/56"' \
            'GetCardName2(256) -> 1 size=12 "Kelo MQX/56"' \
            'GetRegPath2(128) -> 1 size=36 "SOFTWARE\Ombrel\kmdm\CurrentVersion"' \
            'GetRegPath2(256) -> 1 size=36 "SOFTWARE\Ombrel\kmdm\CurrentVersion"'; do
  name="hostrun ${line%% *}"
  [[ $line == *'('* ]] && name="hostrun ${line%%)*})"
  if grep -qxF "$line" <<<"$wine_demo"; then pass "$name"; else fail "$name" "no line [$line]"; fi
done

# Wine knows C:\Program Files, so GetShortPath converted it.
if grep -q '^  MAINDIR = "C:\\[^"]*~[^"]*"$' <<<"$wine_demo"; then
  pass "hostrun short MAINDIR"
else
  fail "hostrun short MAINDIR" "no short form of C:\\Program Files after GetShortPath"
fi

# Both builds tell the same story, but for the system's short name.
if [ -x "$NATIVE_BUILD/hostrun" ]; then
  export WINSIM_ROOT=$work/system
  mkdir -p "$WINSIM_ROOT/c/Program Files"
  native_demo=$("$NATIVE_BUILD/hostrun" "$DEMO" 2>&1)
  if [ "$(without_short_path <<<"$native_demo")" = "$(without_short_path <<<"$wine_demo")" ]; then
    pass "hostrun same transcript as native"
  else
    fail "hostrun same transcript as native" \
      "$(diff <(without_short_path <<<"$native_demo") <(without_short_path <<<"$wine_demo") | head -n 6 | tr '\n' ' ')"
  fi
else
  fail "hostrun same transcript as native" "no $NATIVE_BUILD/hostrun"
fi

# A name the export table lacks, the stdcall-decorated form of a real one included, is an error
# at its line before anything runs.
for name in NoSuchExport GetNames@4; do
  printf 'call GetDate\ncall %s\n' "$name" >"$work/missing.hst"
  run_wine "$work/missing.hst"
  if [ "$status" = 2 ] && [[ $err == *"missing.hst:2: install.dll has no export named $name (error 127)"* ]] &&
     [ -z "$out" ]; then
    pass "hostrun refuses $name"
  else
    fail "hostrun refuses $name" "exit $status, stderr [$(head -n 2 <<<"$err")], stdout [$(head -n 1 <<<"$out")]"
  fi
done

# A failed expect gives exit 1 through Wine too.
printf 'call GetDate\nexpect INST_VERSION 3.6\n' >"$work/mismatch.hst"
run_wine "$work/mismatch.hst"
if [ "$status" = 1 ] && [[ $err == *'mismatch.hst:2: expect INST_VERSION: "3.5", expected "3.6"'* ]]; then
  pass "hostrun expect mismatch"
else
  fail "hostrun expect mismatch" "exit $status, stderr [$(head -n 2 <<<"$err")]"
fi

[ "$failures" = 0 ]
