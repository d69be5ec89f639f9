#!/usr/bin/env bash
# The demo installation: the host stand-in runs the demo scripts against the native build on a
# fresh simulated system.
#   run.sh NATIVE_BUILD_DIR SYSTEM_DIR
set -euo pipefail
NATIVE_BUILD=$(cd "$1" && pwd)
SYSTEM=$2
HERE=$(cd "$(dirname "$0")" && pwd)

rm -rf "$SYSTEM"
mkdir -p "$SYSTEM/c/Program Files"
export WINSIM_ROOT
WINSIM_ROOT=$(cd "$SYSTEM" && pwd)

echo "Simulated system in $WINSIM_ROOT (drive C: is its folder c)"
echo
"$NATIVE_BUILD/hostrun" "$HERE/identity.hst"
