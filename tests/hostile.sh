#!/usr/bin/env bash
# Every korvane-cli command that talks to a device, run against a hostile simulated device
# (korvane-sim --fault hostile=P,seed=S: a share P of the replies is random bytes, cut short, an
# over-long line or comes with stray lines). Each run must end by itself within its time-outs
# with a documented exit status (no signal, no time-out of the watchdog, no sanitizer report)
# and leave the working folder as it found it, except for the files the command writes when it
# succeeds.
#
#   tests/hostile.sh [--long] [--build DIR] [--seeds "1 2 3"] [--shares "0.05 0.3"]
#                    [--only NAME[,NAME...]] [--reply-ms MS] [--keep]
#
# --long      seeds 1..25 and shares 0.02 0.05 0.1 0.3 1 (by hand; the default is a short run)
# --build     the build folder holding korvane-cli, korvane-sim, korvane-mkfw (default build;
#             build-san runs them with the sanitizers)
# --only      run only these entries of the table below
# --reply-ms  the program's reply time-out (-t; default 300 ms, the desktop default is 2000)
# --keep      keep the working folders of the runs that failed (always printed)
#
# Exit status: 0 every run passed, 1 a run failed (each failure is printed with the command
# that repeats it), 2 bad usage or the programs are missing.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build=build
seeds="1 2 3"
shares="0.05 0.3"
only=""
reply_ms=300
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --long) seeds=$(seq -s ' ' 1 25); shares="0.02 0.05 0.1 0.3 1" ;;
    --build) build=$2; shift ;;
    --seeds) seeds=$2; shift ;;
    --shares) shares=$2; shift ;;
    --only) only=",$2,"; shift ;;
    --reply-ms) reply_ms=$2; shift ;;
    --keep) keep=1 ;;
    *) echo "usage: tests/hostile.sh [--long] [--build DIR] [--seeds LIST] [--shares LIST] [--only NAMES] [--reply-ms MS] [--keep]" >&2; exit 2 ;;
  esac
  shift
done
cli=$root/$build/korvane-cli
sim=$root/$build/korvane-sim
mkfw=$root/$build/korvane-mkfw
for p in "$cli" "$sim" "$mkfw"; do
  [ -x "$p" ] || { echo "hostile.sh: $p is missing (build first)" >&2; exit 2; }
done

tmp=$(mktemp -d /tmp/korvane-hostile.XXXXXX)
sim_pid=""
failures=0
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; fi
  [ "$keep" = 1 ] && [ "$failures" != 0 ] || rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Inputs the commands read, copied into a run's folder before it starts (they are no outputs).
kit=$tmp/kit
mkdir -p "$kit" "$tmp/dev" "$tmp/config"
cp tests/fixtures/firmware-basic/board.fw "$kit/board.fw"
cp tests/fixtures/board-params/expected/mw51a-farm.mw1 "$kit/farm.mw1"
"$mkfw" --board 11 --sample 8 "$kit/rx43.fw" >/dev/null
head -c $((528 * 3)) /dev/zero | tr '\0' '\377' >"$kit/image.bin"
printf 'ATE0\r\n' >"$kit/modem.ini"

modem_sim="--modem --modem-dial-ms 100 --modem-guard-ms 200"
# name | device | simulator options | options before -p | command and arguments | inputs |
#   files written on success (regex) | files that may stay also after a failure (regex)
data='^[0-9]{6}_[0-9]{6}$'
table=(
  "probe|rx43|||probe|||"
  "probe-boot|boot|||probe|||"
  "info|rx42|||info -v --retries 2|||"
  "download|rx43|--scenario normal||download -n 4 -s 900|||$data|"
  "download-verbose|rx41|--scenario empty||download -v -s 900 -e B -c -o out.csv --archive plant.db||$data|^(RX41data\\.(txt|bin)|out\\.csv|plant\\.db)\$|$data"
  "download-board|mw51|||download -n 2|||$data|"
  "clock-sync|rx42|||clock-sync|||"
  "sample-timer|rx43|||sample-timer 600|||"
  "idle|rx43|||idle on|||"
  "address|rx43|||address 5|||"
  "pointers|rx43|--scenario empty||pointers --table 1 --last 1|||"
  "erase|rx43|--erase-ms 300||erase --yes|||"
  "monitor|rx43|--monitor-speed 100||monitor --duration 3 --export mon.csv|||^mon\\.csv\$"
  "alarms|mw51|||alarms --reset inverter|||"
  "inverters|mw51|||inverters --on-error ignore|||"
  "inverters-retry|mw51|||inverters --on-error retry|||"
  "params-get|mw51|||params get|||"
  "params-raw|vke15|||params get --format raw|||"
  "params-set|mw51|||params set 'Coefficiente Ki=1665' --commit|||"
  "params-save|mw51|||params save p.mw1||^p\\.mw1\$|"
  "params-load|mw51|||params load farm.mw1 --write --commit|farm.mw1||"
  "params-default|mw51|||params default|||"
  "params-reset|vke15|||params reset|||"
  "displays|mw51|||displays|||"
  "displays-set|mw51|||displays set 1 'Luminosita display=200' --store|||"
  "gsm|mw51|||gsm --count 2|||"
  "firmware-upload|mw51|||firmware upload board.fw --reset|board.fw||"
  "firmware-upload-fast|mw51|||firmware upload board.fw --fast --interval 10|board.fw||"
  "firmware-boot|boot|||firmware upload rx43.fw --retries 2|rx43.fw||"
  "firmware-dump|mw51|||firmware dump d.ee||^d\\.ee\$|^d\\.ee\$"
  "firmware-dump-fast|vke15|||firmware dump d.ee --fast||^d\\.ee\$|^d\\.ee\$"
  "flash-upload|rx43|||flash upload image.bin|image.bin||"
  "dial-info|rx43|$modem_sim|-m|dial 0551234567 --timeout 5 -- info|modem.ini||"
  "dial-download|rx43|$modem_sim --scenario normal|-m|dial 0551234567 --timeout 5 -- download -n 2 -s 900|modem.ini|$data|"
)
# The statuses korvane-cli documents for these commands (64, a usage error, means the table
# above is wrong).
documented=" 0 1 2 3 7 8 "
success=" 0 7 8 "
watchdog=180 # [s] no command may run this long

runs=0
declare -A statuses
fail() { # name seed share why
  failures=$((failures + 1))
  echo "FAIL $1 (hostile=$3,seed=$2): $4"
  echo "     repeat: tests/hostile.sh --build $build --only $1 --seeds $2 --shares $3 --keep"
}

for entry in "${table[@]}"; do
  IFS='|' read -r name device simopts pre command inputs outputs kept <<<"$entry"
  [ -z "$only" ] || [[ "$only" == *",$name,"* ]] || continue
  for share in $shares; do
    for seed in $seeds; do
      runs=$((runs + 1))
      run=$tmp/run-$name-$share-$seed
      work=$run/work
      mkdir -p "$work"
      for f in $inputs; do cp "$kit/$f" "$work/"; done
      before=$(cd "$work" && ls -A | sort)

      # shellcheck disable=SC2086
      "$sim" "$device" $simopts --fault "hostile=$share,seed=$seed" --transcript "$run/transcript.txt" \
        >"$run/sim.out" 2>"$run/sim.err" &
      sim_pid=$!
      for _ in $(seq 100); do [ -s "$run/sim.out" ] && break; sleep 0.05; done
      pty=$(head -n1 "$run/sim.out")
      if [ -z "$pty" ]; then
        fail "$name" "$seed" "$share" "the simulator did not start: $(cat "$run/sim.err")"
        kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; sim_pid=""
        continue
      fi

      eval "args=($pre -p \"\$pty\" $command)"
      start=$(date +%s%N)
      (cd "$work" && env KORVANE_DEV_DIR="$tmp/dev" KORVANE_PORTS= XDG_CONFIG_HOME="$tmp/config" \
        timeout -k 5 "$watchdog" "$cli" -t "$reply_ms" "${args[@]}") \
        >"$run/stdout" 2>"$run/stderr" </dev/null
      rc=$?
      ms=$((($(date +%s%N) - start) / 1000000))
      kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; sim_pid=""
      statuses[$name]="${statuses[$name]:-} $rc"

      bad=""
      if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
        bad="did not end within ${watchdog}s"
      elif [ "$rc" -gt 128 ]; then
        bad="killed by signal $((rc - 128))"
      elif [[ "$documented" != *" $rc "* ]]; then
        bad="exit status $rc is not documented"
      fi
      if grep -qE 'AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|runtime error:' "$run/stderr"; then
        bad="${bad:+$bad; }sanitizer report"
      fi
      after=$(cd "$work" && ls -A | sort)
      stray=$(comm -13 <(echo "$before") <(echo "$after") | while read -r f; do
        [ -n "$f" ] || continue
        if [[ "$success" == *" $rc "* ]] && [ -n "$outputs" ] && [[ "$f" =~ $outputs ]]; then continue; fi
        if [ -n "$kept" ] && [[ "$f" =~ $kept ]]; then continue; fi
        echo -n "$f "
      done)
      [ -z "$stray" ] || bad="${bad:+$bad; }stray files: $stray(exit $rc)"
      gone=$(comm -23 <(echo "$before") <(echo "$after") | tr '\n' ' ')
      [ -z "${gone// /}" ] || bad="${bad:+$bad; }input files removed: $gone"

      if [ -n "$bad" ]; then
        fail "$name" "$seed" "$share" "$bad (${ms} ms)"
        sed 's/^/     stderr: /' "$run/stderr" | tail -n 5 | cut -c1-200
        [ "$keep" = 1 ] && echo "     kept: $run"
      else
        rm -rf "$run"
      fi
    done
  done
done

echo
echo "hostile.sh: $runs runs, $failures failed (seeds: $seeds; shares: $shares; reply time-out ${reply_ms} ms)"
for name in $(printf '%s\n' "${!statuses[@]}" | sort); do
  printf '  %-22s exit statuses:%s\n' "$name" "$(tr ' ' '\n' <<<"${statuses[$name]}" | grep . | sort -n | uniq -c |
    awk 'NF { printf " %s x%s", $2, $1 }')"
done
[ "$failures" = 0 ]
