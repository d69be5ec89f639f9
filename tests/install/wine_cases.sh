#!/usr/bin/env bash
# InstallModems through hostrun.exe under Wine. Wine 8 answers SetupDiBuildDriverInfoList for a
# set without a device with an error, so the export finds no driver, creates no device and
# still returns 0. Prints "PASS name" or "FAIL name: reason" per case; exits nonzero when any
# failed. The caller sets up Wine (WINEPREFIX and the rest).
#   wine_cases.sh WINDOWS_BUILD_DIR NATIVE_BUILD_DIR
set -uo pipefail
WINDOWS_BUILD=$(cd "$1" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
DEMO=$HERE/../../demo/modems.hst

source "$(dirname "${BASH_SOURCE[0]}")/../support/cases.sh"

root_modems() { wine reg query 'HKLM\System\CurrentControlSet\Enum\Root' 2>/dev/null | tr -d '\r' | grep -ci 'VMODEMS'; }

if [ ! -f "$WINDOWS_BUILD/hostrun.exe" ] || [ ! -f "$WINDOWS_BUILD/install.dll" ]; then
  fail "InstallModems under Wine" "hostrun.exe or install.dll missing in $WINDOWS_BUILD"
  exit 1
fi

before=$(root_modems)
script=$(winepath -w "$DEMO" 2>/dev/null)
(cd "$WINDOWS_BUILD" && timeout 120 wine hostrun.exe --library install.dll "$script") >"$work/out" 2>"$work/err"
status=$?
out=$(tr -d '\r' <"$work/out")
if [ "$status" = 0 ] && grep -qxF 'InstallModems -> 0' <<<"$out"; then
  pass "InstallModems under Wine returns 0"
else
  fail "InstallModems under Wine returns 0" "exit $status, stdout [$(head -n 3 <<<"$out" | tr '\n' ' ')], stderr [$(head -n 3 "$work/err" | tr -d '\r' | tr '\n' ' ')]"
fi

after=$(root_modems)
if [ "$after" = 0 ] || [ "$after" = "$before" ]; then
  pass "InstallModems under Wine leaves no modem device"
else
  fail "InstallModems under Wine leaves no modem device" "ROOT\\VMODEMS present after the call ($before before)"
fi

[ "$failures" = 0 ]
