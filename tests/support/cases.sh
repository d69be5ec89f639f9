# Shared by the script cases: a scratch folder removed on exit, and one line per case,
# "PASS name" or "FAIL name: reason", counted in $failures.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
pass() { echo "PASS $1"; }
fail() {
  echo "FAIL $1: $2"
  failures=$((failures + 1))
}
