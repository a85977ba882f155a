#!/usr/bin/env bash
# Unplugging the device in the middle of the work: a real korvane-sim process is killed with
# SIGKILL (its pseudo-terminal closes, as when an adapter is pulled out) at a random moment of a
# download, a firmware upload or a monitor run of korvane-cli. Each round checks that the
# program reports the lost port ("Comunicazione interrotta: ...") promptly, ends with its
# documented status 1, never hangs and leaves no stray files; the time from the kill to the
# message is measured.
#
#   tests/unplug.sh [--long] [--build DIR] [--rounds N] [--only download|upload|monitor]
#
# --long    100 rounds of each operation (by hand; the default is 5)
# --build   the build folder holding korvane-cli, korvane-sim, korvane-mkfw (default build)
#
# Exit status: 0 every round passed, 1 a round failed, 2 bad usage or the programs are missing.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build=build
rounds=5
only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --long) rounds=100 ;;
    --build) build=$2; shift ;;
    --rounds) rounds=$2; shift ;;
    --only) only=$2; shift ;;
    *) echo "usage: tests/unplug.sh [--long] [--build DIR] [--rounds N] [--only download|upload|monitor]" >&2; exit 2 ;;
  esac
  shift
done
cli=$root/$build/korvane-cli
sim=$root/$build/korvane-sim
mkfw=$root/$build/korvane-mkfw
for p in "$cli" "$sim" "$mkfw"; do
  [ -x "$p" ] || { echo "unplug.sh: $p is missing (build first)" >&2; exit 2; }
done

tmp=$(mktemp -d /tmp/korvane-unplug.XXXXXX)
sim_pid="" cli_pid=""
cleanup() {
  for p in $cli_pid $sim_pid; do kill -KILL "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mkdir -p "$tmp/dev" "$tmp/config"
# A board program of 600 records: at 19200 baud its normal-mode upload takes about 20 s.
"$mkfw" --sample 600 "$tmp/big.fw" >/dev/null

now_ms() { echo $(($(date +%s%N) / 1000000)); }
lost="Comunicazione interrotta"
failures=0
declare -A times

# operation | device | simulator options | command | request that marks the phase | files a
#   killed run may leave (regex)
table=(
  "download|rx43|--scenario normal --baud 115200|download -s 900|ATRD8|"
  "upload|mw51|--baud 19200|firmware upload big.fw|ATCM04|"
  "monitor|rx43|--monitor-speed 50|monitor --duration 60 --export mon.csv|ATCM07|^mon\\.csv\$"
)

for entry in "${table[@]}"; do
  IFS='|' read -r op device simopts command phase kept <<<"$entry"
  [ -z "$only" ] || [ "$only" = "$op" ] || continue
  for round in $(seq "$rounds"); do
    run=$tmp/$op-$round
    work=$run/work
    mkdir -p "$work"
    [ "$op" = upload ] && cp "$tmp/big.fw" "$work/"
    before=$(cd "$work" && ls -A | sort)
    # shellcheck disable=SC2086
    "$sim" "$device" $simopts --transcript "$run/transcript.txt" >"$run/sim.out" 2>/dev/null &
    sim_pid=$!
    for _ in $(seq 100); do [ -s "$run/sim.out" ] && break; sleep 0.05; done
    pty=$(head -n1 "$run/sim.out")
    # shellcheck disable=SC2086
    (cd "$work" && exec env KORVANE_DEV_DIR="$tmp/dev" KORVANE_PORTS= XDG_CONFIG_HOME="$tmp/config" \
      "$cli" -p "$pty" $command) >"$run/stdout" 2>"$run/stderr" </dev/null &
    cli_pid=$!

    # Once the operation is under way, a random moment within the next 2 s.
    for _ in $(seq 600); do
      grep -q "> $phase" "$run/transcript.txt" 2>/dev/null && break
      kill -0 "$cli_pid" 2>/dev/null || break
      sleep 0.02
    done
    sleep "0.$(printf '%03d' $((RANDOM % 1000)))"
    sleep "$((RANDOM % 2))"
    if ! kill -0 "$cli_pid" 2>/dev/null; then
      wait "$cli_pid"; rc=$?
      echo "round $op #$round: korvane-cli ended (exit $rc) before the kill; not counted"
      kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; sim_pid="" cli_pid=""
      continue
    fi
    kill -KILL "$sim_pid"
    killed=$(now_ms)
    { wait "$sim_pid"; } 2>/dev/null
    sim_pid=""
    said=""
    for _ in $(seq 3000); do # 30 s at most
      grep -q "$lost" "$run/stderr" && { said=$(now_ms); break; }
      kill -0 "$cli_pid" 2>/dev/null || break
      sleep 0.01
    done
    grep -q "$lost" "$run/stderr" && [ -z "$said" ] && said=$(now_ms)
    hung=0
    for _ in $(seq 300); do kill -0 "$cli_pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$cli_pid" 2>/dev/null; then
      hung=1
      kill -KILL "$cli_pid"
    fi
    { wait "$cli_pid"; } 2>/dev/null
    rc=$?
    cli_pid=""
    ended=$(now_ms)

    bad=""
    [ "$hung" = 1 ] && bad="korvane-cli still ran 30 s after the kill"
    [ -z "$said" ] && bad="${bad:+$bad; }no lost-port message"
    [ "$hung" = 0 ] && [ "$rc" != 1 ] && bad="${bad:+$bad; }exit status $rc (1 expected)"
    stray=$(comm -13 <(echo "$before") <(cd "$work" && ls -A | sort) | while read -r f; do
      [ -n "$f" ] || continue
      [ -n "$kept" ] && [[ "$f" =~ $kept ]] && continue
      echo -n "$f "
    done)
    [ -z "$stray" ] || bad="${bad:+$bad; }stray files: $stray"
    if [ -n "$bad" ]; then
      failures=$((failures + 1))
      echo "FAIL $op round $round: $bad"
      sed 's/^/     stderr: /' "$run/stderr" | tail -n 5 | cut -c1-200
    else
      times[$op]="${times[$op]:-} $((said - killed))"
      echo "round $op #$round: lost port reported $((said - killed)) ms after the kill, exit after $((ended - killed)) ms"
      rm -rf "$run"
    fi
  done
done

echo
echo "unplug.sh: $failures failed; time from the kill to the lost-port message [ms]:"
for op in $(printf '%s\n' "${!times[@]}" | sort); do
  tr ' ' '\n' <<<"${times[$op]}" | grep . | sort -n |
    awk -v op="$op" '{ v[NR] = $1 } END { printf "  %-9s rounds %d  min %d  median %d  max %d\n", op, NR, v[1], v[int((NR + 1) / 2)], v[NR] }'
done
[ "$failures" = 0 ]
