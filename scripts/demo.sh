#!/usr/bin/env bash
# Builds Korvane, starts the device simulator on a pseudo-terminal and runs the command-line
# program against it: identification, session summary and a full download. With a display
# (DISPLAY set) the desktop program is started on the same port afterwards.
#
# With --offline: a verbose download saves the logger's flash image and its session list, the
# simulator is stopped, and the image is listed, summarised and decoded with no device at all.
#
#   scripts/demo.sh [--offline] [DEVICE]      DEVICE: rx43 (default), rx42, rx41, mw51, vke15, boot
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
offline=0
if [ "${1:-}" = --offline ]; then
  offline=1
  shift
fi
device=${1:-rx43}
if [ "$offline" = 1 ] && [ "$device" = boot ]; then
  echo "demo.sh: the boot loader keeps no flash image" >&2
  exit 2
fi

scripts/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$root/.cache/ccache}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target korvane-sim korvane-cli \
  $( [ -n "${DISPLAY:-}" ] && [ "$offline" = 0 ] && echo korvane )

work=$(mktemp -d)
link="$work/ttyKORVANE"
# The whole image is 2 MB: the offline demo does not pace the line, so its download takes seconds.
pacing=(--baud 256000 --latency 2)
[ "$offline" = 1 ] && pacing=()
build/korvane-sim "$device" --link "$link" "${pacing[@]}" > "$work/sim.out" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
echo "== simulated $device on $(head -n1 "$work/sim.out") (linked as $link)"

echo "== korvane-cli probe"
build/korvane-cli -p "$link" probe

show_head() {
  head -n 5 "$1" | iconv -f CP1252 -t UTF-8 | cut -c1-160
}

if [ "$offline" = 1 ]; then
  mkdir -p "$work/device" "$work/offline"
  echo "== korvane-cli download -v -s 900 (data file, session list RX41data.txt, flash image RX41data.bin)"
  file=$(build/korvane-cli -p "$link" download -v -s 900 -d "$work/device")
  echo "session data file: $file"
  ls -l "$work/device"
  kill $sim 2>/dev/null; wait $sim 2>/dev/null || true
  echo "== simulator stopped: from here on there is no device"
  echo "== korvane-cli image sessions"
  build/korvane-cli image sessions "$work/device"
  echo "== korvane-cli image info"
  build/korvane-cli image info "$work/device" --utf8
  echo "== korvane-cli image decode -s 900"
  decoded=$(build/korvane-cli image decode "$work/device" -s 900 -d "$work/offline")
  echo "decoded data file: $decoded"
  show_head "$decoded"
  if cmp -s "$file" "$decoded"; then
    echo "== the decoded file equals the downloaded one"
  else
    echo "== the decoded file differs from the download: the records still in the logger's" \
         "temporary buffer (not yet written to a page) are not in the image"
  fi
  exit 0
fi

if [ "$device" != boot ]; then
  echo "== korvane-cli info -v"
  build/korvane-cli -p "$link" info -v --utf8
  echo "== korvane-cli download -s 900"
  file=$(build/korvane-cli -p "$link" download -s 900 -d "$work")
  echo "session data file: $file"
  show_head "$file"
fi

if [ -n "${DISPLAY:-}" ]; then
  echo "== starting the desktop program on $link"
  build/korvane -p"$link"
fi
