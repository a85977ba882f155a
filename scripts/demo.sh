#!/usr/bin/env bash
# Builds Korvane, starts the device simulator on a pseudo-terminal and runs the command-line
# program against it: identification, session summary and a full download. With a display
# (DISPLAY set) the desktop program is started on the same port afterwards.
#
#   scripts/demo.sh [DEVICE]      DEVICE: rx43 (default), rx42, rx41, mw51, vke15, boot
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
device=${1:-rx43}

scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$root/.cache/ccache}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target korvane-sim korvane-cli \
  $( [ -n "${DISPLAY:-}" ] && echo korvane )

work=$(mktemp -d)
link="$work/ttyKORVANE"
build/korvane-sim "$device" --link "$link" --baud 256000 --latency 2 > "$work/sim.out" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
echo "== simulated $device on $(head -n1 "$work/sim.out") (linked as $link)"

echo "== korvane-cli probe"
build/korvane-cli -p "$link" probe

if [ "$device" != boot ]; then
  echo "== korvane-cli info -v"
  build/korvane-cli -p "$link" info -v --utf8
  echo "== korvane-cli download -s 900"
  file=$(build/korvane-cli -p "$link" download -s 900 -d "$work")
  echo "session data file: $file"
  head -n 5 "$file" | iconv -f CP1252 -t UTF-8 | cut -c1-160
fi

if [ -n "${DISPLAY:-}" ]; then
  echo "== starting the desktop program on $link"
  build/korvane -p"$link"
fi
