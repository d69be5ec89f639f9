#!/usr/bin/env bash
# The Windows build's install.dll patched by customize and loaded under Wine by hostrun.exe: the
# DLL must answer with the new values, and customize.exe must patch and refuse as the native
# tool does. The caller sets up Wine (prefix, debug channels, graphics driver).
#   wine_cases.sh WINDOWS_BUILD_DIR NATIVE_BUILD_DIR
# Prints "PASS name" or "FAIL name: reason" per case; exits nonzero when a case failed.
set -u
windows=$(cd "$1" && pwd)
native=$(cd "$2" && pwd)
dll=$windows/install.dll
hostrun=$windows/hostrun.exe
customize_exe=$windows/customize.exe
customize=$native/customize

source "$(dirname "${BASH_SOURCE[0]}")/../support/cases.sh"

for needed in "$dll" "$hostrun" "$customize"; do
  if [ ! -f "$needed" ]; then
    fail prerequisites "$needed is not built"
    exit 1
  fi
done

full_width=ABCDEFGHIJKLMNOPQRSTUVWXYZ01234  # LongCardLabel's 31 bytes, no NUL in the field
printf '%s\n' 'query GetModemName2 128' 'query GetCardName2 128' 'call GetNames' >"$work/queries"

# ask LIBRARY: loads LIBRARY in hostrun.exe and runs the queries; leaves the exit status in
# $status and the output, without carriage returns, in $answer.
ask() {
  local library script
  library=$(winepath -w "$1" 2>/dev/null)
  script=$(winepath -w "$work/queries" 2>/dev/null)
  (cd "$work" && timeout 120 wine "$hostrun" --library "$library" "$script") >"$work/answer" 2>&1
  status=$?
  answer=$(tr -d '\r' <"$work/answer")
}

# answers LIBRARY MODEM_NAME CARD_NAME: the library loaded under Wine gives these texts to the
# uninstaller's queries and publishes the modem name to the script. Prints the reason if not.
answers() {
  local name=$2 card=$3
  ask "$1"
  if [ "$status" -ne 0 ]; then
    echo "hostrun.exe exit $status: $answer"
  elif [[ $answer != *"GetModemName2(128) -> 1 size=$((${#name} + 1)) \"$name\""* ]]; then
    echo "no GetModemName2 answer \"$name\" in: $answer"
  elif [[ $answer != *"GetCardName2(128) -> 1 size=$((${#card} + 1)) \"$card\""* ]]; then
    echo "no GetCardName2 answer \"$card\" in: $answer"
  elif [[ $answer != *"MODEMNAME = \"$name\""* ]]; then
    echo "GetNames did not publish MODEMNAME \"$name\": $answer"
  fi
}

# The built DLL first, so that a failure below is the patch's and not the query's.
cp "$dll" "$work/built.dll"
reason=$(answers "$work/built.dll" "Kelo MQX 56" "Kelo MQX/56")
if [ -z "$reason" ]; then pass built_dll_answers; else fail built_dll_answers "$reason"; fi

# --- patched by the native tool -----------------------------------------------------------------
cp "$dll" "$work/patched.dll"
reason=
for pair in "ModemName|Rebranded 9" "LongCardLabel|$full_width" "DeviceID|0x1234"; do
  IFS='|' read -r label value <<<"$pair"
  if ! err=$("$customize" set "$work/patched.dll" "$label" "$value" 2>&1); then
    reason="set $label: $err"
  fi
done
if [ -z "$reason" ] && ! "$customize" show "$work/patched.dll" | grep -qE '^ +11  DeviceID +2  number +4660 \(0x1234\)$'; then
  reason="show does not give DeviceID 0x1234"
fi
if [ -z "$reason" ]; then pass native_customize_patches_dll; else fail native_customize_patches_dll "$reason"; fi

reason=$(answers "$work/patched.dll" "Rebranded 9" "$full_width")
if [ -z "$reason" ]; then pass patched_dll_answers; else fail patched_dll_answers "$reason"; fi

# Writing the built-in values back must give the linker's file byte for byte, image checksum
# included, which shows the checksum is recomputed the way the linker computes it.
reason=
for pair in "ModemName|Kelo MQX 56" "LongCardLabel|Kelo MQX/56" "DeviceID|0x9050"; do
  IFS='|' read -r label value <<<"$pair"
  if ! err=$("$customize" set "$work/patched.dll" "$label" "$value" 2>&1); then
    reason="set $label: $err"
  fi
done
if [ -z "$reason" ] && ! cmp -s "$dll" "$work/patched.dll"; then
  reason="differs from the built DLL: $(cmp -l "$dll" "$work/patched.dll" | head -5)"
fi
if [ -z "$reason" ]; then pass round_trip_gives_the_built_dll; else fail round_trip_gives_the_built_dll "$reason"; fi

# --- the Windows build of the tool --------------------------------------------------------------
# wine_customize ARGUMENTS...: customize.exe with the file (second argument) as a Windows path;
# leaves $rc, $out and $err.
wine_customize() {
  local command=$1 file
  file=$(winepath -w "$2" 2>/dev/null)
  shift 2
  (cd "$work" && timeout 120 wine "$customize_exe" "$command" "$file" "$@") >"$work/out" 2>"$work/err"
  rc=$?
  out=$(tr -d '\r' <"$work/out")
  err=$(tr -d '\r' <"$work/err")
}

if [ ! -f "$customize_exe" ]; then
  fail customize_exe "$customize_exe is not built"
else
  mkdir "$work/exe"
  cp "$dll" "$work/exe/install.dll"
  wine_customize show "$work/exe/install.dll"
  if [ "$rc" -ne 0 ]; then
    fail customize_exe_shows "exit $rc: $err"
  elif ! printf '%s\n' "$out" | grep -qE '^ +15  ModemName +21  text +"Kelo MQX 56"$'; then
    fail customize_exe_shows "no ModemName line in: $out"
  else
    pass customize_exe_shows
  fi

  wine_customize set "$work/exe/install.dll" ModemName "Wine Patched"
  leftovers=$(ls -A "$work/exe" | grep -v '^install\.dll$')
  if [ "$rc" -ne 0 ]; then
    fail customize_exe_patches_dll "exit $rc: $err"
  elif [ -n "$leftovers" ]; then
    fail customize_exe_patches_dll "left behind: $leftovers"
  elif ! "$customize" show "$work/exe/install.dll" | grep -qE '^ +15  ModemName +21  text +"Wine Patched"$'; then
    fail customize_exe_patches_dll "the native tool does not read the new ModemName back"
  else
    reason=$(answers "$work/exe/install.dll" "Wine Patched" "Kelo MQX/56")
    if [ -z "$reason" ]; then pass customize_exe_patches_dll; else fail customize_exe_patches_dll "$reason"; fi
  fi

  cp "$work/exe/install.dll" "$work/exe.snapshot"
  wine_customize set "$work/exe/install.dll" ModemName 1234567890123456789012
  if [ "$rc" -ne 1 ]; then
    fail customize_exe_refuses "exit $rc, expected 1: $err"
  elif [[ $err != *"holds 21"* ]]; then
    fail customize_exe_refuses "no reason on stderr: $err"
  elif ! cmp -s "$work/exe/install.dll" "$work/exe.snapshot"; then
    fail customize_exe_refuses "the file changed"
  else
    pass customize_exe_refuses
  fi
fi

[ "$failures" -eq 0 ]
