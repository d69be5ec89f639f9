#!/usr/bin/env bash
# Builds, tests and demonstrates the modem board setup software.
#
#   ./build.sh demo      build both toolchains and run the demo installation on a simulated system
#   ./build.sh test      install what is missing, build everything, run every test suite
#   ./build.sh windows   build the Windows deliverables only (build/windows)
#   ./build.sh native    build the native programs and libraries only (build/native)
set -euo pipefail

cd "$(dirname "$0")"
ROOT=$PWD
BUILD=${BUILD_DIR:-$ROOT/build}  # another folder only for side-by-side trials
JOBS=$(nproc 2>/dev/null || echo 2)

log() { printf '== %s\n' "$*" >&2; }

# --- what the machine needs -------------------------------------------------------------------

PACKAGES=(cmake g++ make googletest g++-mingw-w64-i686 wine wine32:i386 xvfb xauth)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

ensure_packages() {
  local missing=()
  for package in "${PACKAGES[@]}"; do installed "$package" || missing+=("$package"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# --- builds -----------------------------------------------------------------------------------

build_native() {
  cmake -S "$ROOT" -B "$BUILD/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD/native" -j "$JOBS"
}

build_sanitized() {
  cmake -S "$ROOT" -B "$BUILD/sanitize" -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON >/dev/null
  cmake --build "$BUILD/sanitize" -j "$JOBS"
}

build_windows() {
  cmake -S "$ROOT" -B "$BUILD/windows" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD/windows" -j "$JOBS"
}

# --- test suites ------------------------------------------------------------------------------

SUMMARY=()
FAILED_SUITES=0

# Records one suite's line; "NAME: N passed, M failed".
record() {
  SUMMARY+=("$1: $2 passed, $3 failed")
  if [ "$3" != 0 ] || [ "$4" != 0 ]; then FAILED_SUITES=$((FAILED_SUITES + 1)); fi
}

# Runs CTest in a build folder and records its counts.
run_ctest() {
  local name=$1 folder=$2 out status=0
  shift 2
  out=$(mktemp)
  env "$@" ctest --test-dir "$folder" --output-on-failure -j "$JOBS" 2>&1 | tee "$out" || status=$?
  local total failed
  total=$(sed -n 's/.*tests passed, \([0-9]\+\) tests\? failed out of \([0-9]\+\).*/\2/p' "$out" | tail -n 1)
  failed=$(sed -n 's/.*tests passed, \([0-9]\+\) tests\? failed out of \([0-9]\+\).*/\1/p' "$out" | tail -n 1)
  rm -f "$out"
  if [ -z "$total" ]; then total=0 failed=1 status=1; fi
  record "$name" $((total - failed)) "$failed" "$status"
}

run_wine() {
  local out status=0
  out=$(mktemp)
  bash "$ROOT/tests/wine/run.sh" "$BUILD/windows" "$BUILD/native" 2>&1 | tee "$out" || status=$?
  local passed failed
  passed=$(sed -n 's/^wine totals: \([0-9]\+\) passed, \([0-9]\+\) failed$/\1/p' "$out" | tail -n 1)
  failed=$(sed -n 's/^wine totals: \([0-9]\+\) passed, \([0-9]\+\) failed$/\2/p' "$out" | tail -n 1)
  rm -f "$out"
  if [ -z "$passed" ]; then passed=0 failed=1 status=1; fi
  record wine "$passed" "$failed" "$status"
}

command_test() {
  ensure_packages
  log "native build";     build_native
  log "sanitizer build";  build_sanitized
  log "windows build";    build_windows
  log "native tests";     run_ctest native "$BUILD/native"
  log "sanitizer tests"
  run_ctest sanitizers "$BUILD/sanitize" \
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  log "wine tests";       run_wine
  echo
  local line
  for line in "${SUMMARY[@]}"; do echo "$line"; done
  [ "$FAILED_SUITES" = 0 ]
}

command_demo() {
  ensure_packages
  log "native build";  build_native
  log "windows build"; build_windows
  bash "$ROOT/demo/run.sh" "$BUILD/native" "$BUILD/demo-system"
}

case "${1:-}" in
  test) command_test ;;
  demo) command_demo ;;
  windows) ensure_packages; build_windows ;;
  native) ensure_packages; build_native ;;
  *) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
esac
