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
# The product's modem setup file, where the installation puts it before the modems are made.
cp "$HERE/../install/mdmobra.inf" "$SYSTEM/c/WINNT/inf/mdmobra.inf"
export WINSIM_ROOT
WINSIM_ROOT=$(cd "$SYSTEM" && pwd)

echo "Simulated system in $WINSIM_ROOT (drive C: is its folder c, the registry registry.reg)"
for script in identity registration modems; do
  echo
  echo "== $script.hst"
  "$NATIVE_BUILD/hostrun" "$HERE/$script.hst"
done
echo
echo "== the event log's sources afterwards"
grep -A2 'EventLog\\System\]' "$WINSIM_ROOT/registry.reg"
echo
echo "== the modem devices and their ports afterwards"
# Each ROOT\VMODEMS instance names its driver key; the driver key holds the port.
awk '/^\[/ { show = /Enum\\ROOT\\VMODEMS\\[0-9]+\]$/ || /\{4D36E96D-E325-11CE-BFC1-08002BE10318\}\\[0-9]+\]$/;
             if (show) print; next }
     show && /^"(DeviceDesc|Driver|FriendlyName|AttachedTo)"=/ { print "  " $0 }' "$WINSIM_ROOT/registry.reg"
