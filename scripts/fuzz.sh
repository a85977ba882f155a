#!/usr/bin/env bash
# Runs one fuzz target with libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer.
#   scripts/fuzz.sh TARGET [SECONDS]   fuzz TARGET for SECONDS, or for 10,000,000 inputs
#   scripts/fuzz.sh --list             the targets
# The fuzz build lives in build-fuzz (clang). New inputs go to build-fuzz/corpus/TARGET, seeded
# from tests/fuzz/corpus/TARGET; a finding is written to build-fuzz/findings/TARGET/ — copy it
# into tests/fuzz/corpus/TARGET once the fault is fixed, so the normal suite replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

usage() { echo "usage: scripts/fuzz.sh TARGET [SECONDS] | --list" >&2; exit 64; }
[ $# -ge 1 ] || usage
targets=$(ls tests/fuzz/*_fuzz.cpp | sed 's#.*/##; s#_fuzz\.cpp$##')
if [ "$1" = "--list" ]; then echo "$targets"; exit 0; fi
target=$1
seconds=${2:-}
echo "$targets" | grep -qx "$target" || { echo "no fuzz target '$target' (scripts/fuzz.sh --list)" >&2; exit 64; }
[[ -z "$seconds" || "$seconds" =~ ^[0-9]+$ ]] || usage

if ! command -v clang++ >/dev/null; then
  echo "fuzzing needs clang and libFuzzer: apt-get install clang libclang-rt-14-dev (scripts/install-deps.sh)" >&2
  exit 1
fi

export CCACHE_DIR="${CCACHE_DIR:-$root/.cache/ccache}"
if [ ! -f build-fuzz/CMakeCache.txt ]; then
  CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_FUZZ=ON \
    -DKORVANE_GUI=OFF -DKORVANE_BENCH=OFF >/dev/null
fi
cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" --target "${target}_fuzzer"

corpus=$root/build-fuzz/corpus/$target
findings=$root/build-fuzz/findings/$target
mkdir -p "$corpus" "$findings"
limit=(-runs=10000000)
[ -n "$seconds" ] && limit=(-max_total_time="$seconds")
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec "build-fuzz/tests/fuzz/${target}_fuzzer" "${limit[@]}" -print_final_stats=1 \
  -artifact_prefix="$findings/" "$corpus" "$root/tests/fuzz/corpus/$target"
