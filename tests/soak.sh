#!/usr/bin/env bash
# Faulty-line soak: many downloads of one simulated session over a line that loses and changes
# bytes. Each run starts its own korvane-sim (the same session, its own dice for the faults) and
# runs a real `korvane-cli download --verify` against it in an empty folder. A run must end
# either with exit 0 and exactly the data file of the clean download, byte for byte, or with a
# failure message and an empty folder (no partial data file, no RX41data.* file). Prints one
# line per run, the completion rate and the timings; exit 1 when any run broke that rule.
#
#   tests/soak.sh [--runs N] [--pages N] [--drop P] [--corrupt P] [--timeout MS] [--jobs N]
#                 [--seed S] [--device KIND] [--no-verify] [--cli PATH] [--sim PATH] [--keep DIR]
#
# Defaults: 100 runs of a 200-page session, drop=0.005 and corrupt=0.005 (1 % of the bytes the
# device sends), the program's silence time-out -t 100 ms (the sim answers at once; the port
# scan uses the same 100 ms for a first answer), one run at a time, device rx41 (slow reading).
# --no-verify runs the plain download instead (the behaviour without verification).
# --cli / --sim name the programs (default: build/korvane-cli and build/korvane-sim).
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
runs=100 pages=200 drop=0.005 corrupt=0.005 timeout=100 jobs=1 seed=1 device=rx41 verify=--verify
cli=$root/build/korvane-cli sim=$root/build/korvane-sim keep=
# A run that takes longer than this is stopped and counted as hung (a broken rule).
run_limit=${SOAK_RUN_LIMIT:-3600}

usage() {
  sed -n '9,10p' "$0" | sed 's/^# *//' >&2
  exit 64
}
while [ $# -gt 0 ]; do
  case $1 in
  --runs) runs=$2 ;;
  --pages) pages=$2 ;;
  --drop) drop=$2 ;;
  --corrupt) corrupt=$2 ;;
  --timeout) timeout=$2 ;;
  --jobs) jobs=$2 ;;
  --seed) seed=$2 ;;
  --device) device=$2 ;;
  --cli) cli=$2 ;;
  --sim) sim=$2 ;;
  --keep) keep=$2 ;;
  --no-verify) verify= ; shift; continue ;;
  *) usage ;;
  esac
  [ $# -ge 2 ] || usage
  shift 2
done
for p in "$cli" "$sim"; do
  [ -x "$p" ] || { echo "soak.sh: $p is missing (build first)" >&2; exit 2; }
done

work=$(mktemp -d)
cleanup() {
  local f
  for f in "$work"/*.simpid; do [ -e "$f" ] && kill "$(cat "$f")" 2>/dev/null; done
  wait 2>/dev/null
  if [ -n "$keep" ]; then mkdir -p "$keep" && cp -r "$work"/. "$keep"/; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

now_ms() { date +%s%3N; }
seconds() { awk -v ms="$1" 'BEGIN { printf "%.1f", ms / 1000 }'; }

# One download into $dir by a fresh simulator with the fault list $fault (may be empty);
# writes "STATUS MS" into $work/$name.result (status 99: the simulator did not start).
download() {
  local name=$1 fault=$2 dir=$3 extra=$4 path='' rc t0
  local args=("$device" --scenario "pages=$pages" --seed "$seed")
  [ -n "$fault" ] && args+=(--fault "$fault")
  mkdir -p "$dir"
  "$sim" "${args[@]}" >"$work/$name.sim" 2>&1 &
  local pid=$!
  echo "$pid" >"$work/$name.simpid"
  for _ in $(seq 200); do
    path=$(head -n 1 "$work/$name.sim" 2>/dev/null)
    [ -n "$path" ] && break
    sleep 0.05
  done
  if [ -z "$path" ]; then
    echo "99 0" >"$work/$name.result"
  else
    t0=$(now_ms)
    # shellcheck disable=SC2086  # $extra holds several options
    timeout --kill-after=10 "$run_limit" \
      "$cli" -p "$path" -t "$timeout" download $extra -d "$dir" >"$work/$name.out" 2>"$work/$name.err"
    rc=$?
    echo "$rc $(($(now_ms) - t0))" >"$work/$name.result"
  fi
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  rm -f "$work/$name.simpid"
}

# The reference: the plain download over a clean line.
download clean "" "$work/clean" ""
read -r rc _ <"$work/clean.result"
mapfile -t made < <(ls -A "$work/clean")
if [ "$rc" != 0 ] || [ "${#made[@]}" != 1 ]; then
  echo "soak.sh: the clean download failed (status $rc)" >&2
  cat "$work/clean.err" >&2
  exit 2
fi
ref=${made[0]}
echo "soak: $runs runs, session of $pages pages ($device), drop=$drop corrupt=$corrupt, -t $timeout ms," \
  "${verify:-plain download}, $jobs at a time"

# Judges run k: prints its line; returns 0 done, 1 failed cleanly, 2 broke the rule.
judge() {
  local k=$1 rc ms files verdict=''
  local dir=$work/run$k
  read -r rc ms <"$work/run$k.result"
  mapfile -t files < <(ls -A "$dir")
  if [ "$rc" = 0 ]; then
    if [ "${#files[@]}" = 1 ] && [ "${files[0]}" = "$ref" ] && cmp -s "$dir/$ref" "$work/clean/$ref"; then
      verdict=identical
    else
      verdict="WRONG: exit 0 with [${files[*]}] not the clean data file"
    fi
  elif [ "$rc" = 99 ]; then
    verdict="SIMULATOR did not start"
  elif [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
    verdict="HUNG: stopped after ${run_limit} s"
  elif [ "${#files[@]}" != 0 ]; then
    verdict="STRAY FILES after failure $rc: ${files[*]}"
  elif ! [ -s "$work/run$k.err" ]; then
    verdict="WRONG: exit $rc without a message"
  else
    verdict="failed ($rc): $(tail -n 1 "$work/run$k.err")"
  fi
  printf 'run %3d  %8s s  %s\n' "$k" "$(seconds "$ms")" "$verdict"
  case $verdict in identical) return 0 ;; failed*) return 1 ;; *) return 2 ;; esac
}

done_runs=0 failed=0 broken=0 times=()
pending=()
finish_one() {
  local k=$1
  judge "$k"
  case $? in 0) done_runs=$((done_runs + 1)) ;; 1) failed=$((failed + 1)) ;; *) broken=$((broken + 1)) ;; esac
  times+=("$(cut -d' ' -f2 "$work/run$k.result")")
}
declare -A job_of
for k in $(seq 1 "$runs"); do
  download "run$k" "drop=$drop,corrupt=$corrupt,seed=$k" "$work/run$k" "$verify --retries 3" &
  job_of[$!]=$k
  pending+=($!)
  while [ "${#pending[@]}" -ge "$jobs" ]; do
    wait "${pending[0]}"
    finish_one "${job_of[${pending[0]}]}"
    pending=("${pending[@]:1}")
  done
done
for pid in "${pending[@]}"; do
  wait "$pid"
  finish_one "${job_of[$pid]}"
done

printf '%s\n' "${times[@]}" | sort -n | awk -v done="$done_runs" -v runs="$runs" -v failed="$failed" \
  -v broken="$broken" -v clean="$(cut -d' ' -f2 "$work/clean.result")" '
  { t[NR] = $1; s += $1 }
  END {
    printf "completed %d of %d (%.1f %%), failed cleanly %d, broke the rule %d\n", done, runs,
      100 * done / runs, failed, broken
    med = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
    printf "time per download: median %.1f s, mean %.1f s, max %.1f s (clean line: %.2f s)\n",
      med / 1000, s / NR / 1000, t[NR] / 1000, clean / 1000
  }'
[ "$broken" = 0 ]
