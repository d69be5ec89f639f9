#!/usr/bin/env bash
# The demo installation: the host stand-in runs the demo scripts against the native build on a
# fresh simulated system.
#   run.sh NATIVE_BUILD_DIR SYSTEM_DIR
set -euo pipefail
NATIVE_BUILD=$(cd "$1" && pwd)
SYSTEM=$2
HERE=$(cd "$(dirname "$0")" && pwd)

# A Windows NT machine before the installation: its registry, a program folder, and one OEM
# setup file of another product in the system folder.
rm -rf "$SYSTEM"
mkdir -p "$SYSTEM/c/Program Files" "$SYSTEM/c/WINNT/system32" "$SYSTEM/c/WINNT/inf"
cp "$HERE/system.reg" "$SYSTEM/registry.reg"
: > "$SYSTEM/c/WINNT/system32/oemnad0.inf"
export WINSIM_ROOT
WINSIM_ROOT=$(cd "$SYSTEM" && pwd)

echo "Simulated system in $WINSIM_ROOT (drive C: is its folder c, the registry registry.reg)"
for script in identity registration; do
  echo
  echo "== $script.hst"
  "$NATIVE_BUILD/hostrun" "$HERE/$script.hst"
done
echo
echo "== the event log's sources afterwards"
grep -A2 'EventLog\\System\]' "$WINSIM_ROOT/registry.reg"
