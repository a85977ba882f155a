#!/usr/bin/env bash
# Runs korvane-cli commands against the simulator (and, with --gui, the dialog tests on Qt's
# offscreen platform) under valgrind's memcheck: every memory error, every definitely or
# indirectly lost block and every descriptor our code leaves open at exit fails the run.
#
#   tests/valgrind.sh [--gui] [--gui-filter PATTERN] [--build DIR] [--keep]
#
# The CLI runs cover the logger (probe, info, downloads, clock, monitor), a modem call, the saved
# flash image, the data table (export, plots), the plant archive and the energy board
# (parameters, alarms, inverters, firmware).
#
# --gui            also the dialog tests (korvane_gui_tests) and a PNG plot (drawn through Qt)
# --gui-filter P   only the dialog tests matching the GoogleTest filter P
# --build DIR      the build tree (default: build); it must be built without the sanitizers
# --keep           keep the work folder with valgrind's logs
#
# The simulator itself runs without valgrind. tests/valgrind.supp holds the suppressions, for
# Qt and the system libraries only. Exit 0 when everything was clean, 1 otherwise, 2 on usage.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
gui=0
gui_filter="*"
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --gui) gui=1 ;;
    --gui-filter) gui=1; gui_filter="${2:?--gui-filter needs a pattern}"; shift ;;
    --build) build="$(cd "${2:?--build needs a folder}" && pwd)"; shift ;;
    --keep) keep=1 ;;
    -h|--help) sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "valgrind.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done

command -v valgrind >/dev/null || { echo "valgrind.sh: valgrind is not installed (scripts/install-deps.sh)" >&2; exit 1; }
if grep -q '^KORVANE_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
  echo "valgrind.sh: $build is a sanitizer build; valgrind needs a normal one (RelWithDebInfo)" >&2
  exit 2
fi
cli="$build/korvane-cli"
sim="$build/korvane-sim"
for f in "$cli" "$sim"; do
  [ -x "$f" ] || { echo "valgrind.sh: $f is missing: build first" >&2; exit 1; }
done

work=$(mktemp -d)
sim_pids=()
cleanup() {
  for p in "${sim_pids[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  if [ "$keep" = 1 ]; then echo "valgrind.sh: logs kept in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
mkdir -p "$work/logs" "$work/dev" "$work/config"
# The machine's own ports and the user's settings stay out: the port scan of a failed open looks
# in an empty device folder.
export KORVANE_DEV_DIR="$work/dev" XDG_CONFIG_HOME="$work/config"
unset KORVANE_PORTS

# Starts a simulator; its pseudo-terminal's path goes into the variable named $1.
start_sim() {
  local var=$1 name=$2; shift 2
  "$sim" "$@" >"$work/$name.path" 2>"$work/$name.err" &
  sim_pids+=($!)
  for _ in $(seq 200); do
    if [ -s "$work/$name.path" ]; then
      printf -v "$var" '%s' "$(head -n1 "$work/$name.path")"
      return 0
    fi
    sleep 0.1
  done
  echo "valgrind.sh: the simulator ($*) did not start" >&2
  cat "$work/$name.err" >&2
  exit 1
}

vg=(valgrind --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite,indirect
    --error-exitcode=99 --track-fds=yes --num-callers=40 --suppressions="$root/tests/valgrind.supp")
failed=0
printf '%-26s %6s %7s %8s %10s %10s %10s %8s\n' run status errors fds-left definite indirect possibly seconds

# Figures of one valgrind log: errors, descriptors opened by our code and still open at exit
# (not those inherited, nor the eventfd of glib's default main context, which Qt's event
# dispatcher creates and glib never frees), lost bytes.
report() {
  local name=$1 status=$2 want=$3 secs=$4 log=$5
  local errors def ind pos fds
  errors=$(sed -n 's/.*ERROR SUMMARY: \([0-9,]*\) errors.*/\1/p' "$log" | tail -n1 | tr -d ,)
  def=$(sed -n 's/.*definitely lost: \([0-9,]*\) bytes.*/\1/p' "$log" | tail -n1 | tr -d ,)
  ind=$(sed -n 's/.*indirectly lost: \([0-9,]*\) bytes.*/\1/p' "$log" | tail -n1 | tr -d ,)
  pos=$(sed -n 's/.*possibly lost: \([0-9,]*\) bytes.*/\1/p' "$log" | tail -n1 | tr -d ,)
  fds=$(awk '
    /Open file descriptor [0-9]+/ { if (open && !skip) n++; open = 1; skip = 0; next }
    open && /<inherited from parent>|g_main_context_default/ { skip = 1 }
    open && /HEAP SUMMARY|LEAK SUMMARY/ { if (!skip) n++; open = 0 }
    END { if (open && !skip) n++; print n + 0 }' "$log")
  printf '%-26s %6s %7s %8s %10s %10s %10s %8s\n' "$name" "$status" "${errors:-?}" "$fds" \
    "${def:-0}" "${ind:-0}" "${pos:-0}" "$secs"
  if [ "$status" != "$want" ] || [ "${errors:-1}" != 0 ] || [ "$fds" != 0 ]; then
    echo "  FAILED (exit status $status, expected $want): see $log" >&2
    keep=1
    failed=1
  fi
}

# Seconds (one decimal) since a `date +%s%N` time.
seconds_since() {
  local tenths=$(( ($(date +%s%N) - $1) / 100000000 ))
  echo "$(( tenths / 10 )).$(( tenths % 10 ))"
}

# Runs korvane-cli under memcheck: NAME, the expected exit status, then the arguments.
run_cli() {
  local name=$1 want=$2; shift 2
  local log="$work/logs/$name.log" start status
  start=$(date +%s%N)
  set +e
  (cd "$work" && "${vg[@]}" --log-file="$log" "$cli" "$@" >"$work/logs/$name.out" 2>"$work/logs/$name.err")
  status=$?
  set -e
  report "$name" "$status" "$want" "$(seconds_since "$start")" "$log"
}

fixtures="$root/tests/fixtures"
start_sim logger logger rx43 --state "$fixtures/logger-basic" --monitor-speed 100
start_sim board board mw51 --scenario normal
start_sim modem modem rx43 --state "$fixtures/logger-basic" --modem --modem-dial-ms 200 --modem-guard-ms 200
printf 'ATE0\r\n' >"$work/modem.ini"
mkdir -p "$work/dl" "$work/dl3" "$work/dec"

run_cli probe 0 -p "$logger" probe
run_cli info 0 -p "$logger" info -v
run_cli download 0 -p "$logger" download -s 900 -v -d dl -e A -o export-a.txt
run_cli download-pages 0 -p "$logger" -l download -s 60 -n 3 -d dl3
run_cli clock-sync 0 -p "$logger" clock-sync
run_cli missing-port 6 -p "$work/no-such-port" probe
run_cli image-sessions 0 image sessions dl
run_cli image-info 0 image info dl
run_cli image-decode 0 image decode dl -s 60 -d dec -e B -c -o export-b.csv
run_cli table-export 0 export export-a.txt -f B -c -o export-again.csv
run_cli table-bad-file 1 export dl/RX41data.txt -o bad.csv
run_cli plot-wmf 0 plot dl/151231_224730 -c 1,2,3 -o graph.wmf
run_cli plot-svg 0 plot export-a.txt -c 2 -o graph.svg
run_cli archive-import 0 archive import plant.db dl
run_cli archive-list 0 archive list plant.db --gaps
run_cli archive-export 0 archive export plant.db --session 3 -s 900 -f B -c -o archived.csv
run_cli archive-plot 0 archive plot plant.db --session 3 -s 900 -c 1,2 -o archived.svg
run_cli archive-check 0 archive check plant.db
run_cli monitor 0 -p "$logger" monitor --duration 3 --export monitor.txt
run_cli dial 0 -m -p "$modem" dial 0551234567 --timeout 20 -- info
run_cli params-get 0 -p "$board" params get
run_cli params-save 0 -p "$board" params save board.mw1
run_cli params-load 0 params load board.mw1
run_cli alarms 0 -p "$board" alarms
run_cli inverters 0 -p "$board" inverters
run_cli firmware-info 0 firmware info "$fixtures/firmware-basic/board.fw"
run_cli firmware-upload 0 -p "$board" firmware upload "$fixtures/firmware-basic/board.fw" --fast --interval 10
run_cli firmware-dump 0 -p "$board" firmware dump board.ee --fast
run_cli firmware-compare 0 firmware compare "$fixtures/firmware-basic/board.fw" board.ee

if [ "$gui" = 1 ]; then
  export QT_QPA_PLATFORM=offscreen
  run_cli plot-png 0 plot dl/151231_224730 -c 1,2 -o graph.png
  gui_tests="$build/tests/korvane_gui_tests"
  [ -x "$gui_tests" ] || { echo "valgrind.sh: $gui_tests is missing" >&2; exit 1; }
  log="$work/logs/gui-tests.log"
  start=$(date +%s%N)
  set +e
  # A dialog test waits on nothing modal; under valgrind everything is slower, so the watchdog
  # that closes a forgotten modal window waits longer before it fails a test.
  (cd "$work" && KORVANE_GUI_WATCHDOG=120 "${vg[@]}" --log-file="$log" "$gui_tests" \
     --gtest_filter="$gui_filter" >"$work/logs/gui-tests.out" 2>&1)
  status=$?
  set -e
  report gui-tests "$status" 0 "$(seconds_since "$start")" "$log"
  grep -E '^\[  (PASSED|FAILED) ' "$work/logs/gui-tests.out" || true
fi

if [ "$failed" = 0 ]; then echo "valgrind.sh: clean"; else echo "valgrind.sh: FAILED" >&2; fi
exit "$failed"
