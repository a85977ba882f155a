#!/usr/bin/env bash
# Opens and closes the port to the simulator, downloads a small session (also into the plant
# archive) and loads a data table (a session data file and a format A export) REPEATS times each
# (default 1000) in one process, and fails when the open descriptors change or the memory grows
# beyond a small bound.
#
#   tests/repeat_resources.sh [REPEATS] [--build DIR]
#
# Prints one line per operation: descriptors and heap/resident memory after the warm-up and
# after the repeats.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
repeats=1000
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$(cd "${2:?--build needs a folder}" && pwd)"; shift ;;
    -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *[!0-9]*|'') echo "repeat_resources.sh: unknown argument $1" >&2; exit 2 ;;
    *) repeats=$1 ;;
  esac
  shift
done
tests="$build/tests/korvane_tests"
[ -x "$tests" ] || { echo "repeat_resources.sh: $tests is missing: build first" >&2; exit 1; }
set +e
out=$(KORVANE_REPEATS="$repeats" "$tests" --gtest_filter='Resources.*' 2>&1)
status=$?
set -e
if [ "$status" = 0 ]; then
  printf '%s\n' "$out" | grep -E '^RESOURCES|^\[  PASSED'
else
  printf '%s\n' "$out"
fi
exit "$status"
